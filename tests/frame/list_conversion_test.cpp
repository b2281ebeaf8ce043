// ConvertirRecordset over the engine's dynasets, and QuitarRepetidos.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/automation_error.h"
#include "frame/zive_general.h"
#include "tests/engine/engine_test_support.h"
#include "tests/frame/frame_fixture.h"

namespace svrZIVE {
namespace {

using testing::errorNumberOf;
using ZIVEGeneral::ConvertirRecordset;
using ZIVEGeneral::QuitarRepetidos;

// Table L of the modifiable database: record r (1 to 4) holds (r, "R<r>", r * 1.5).
class ListConversion : public testing::FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    c_ = &connection(modPath_);
    c_->execute("CREATE TABLE L (A LONG, B TEXT(10), C DOUBLE)");
    for (const char* row : {"1, 'R1', 1.5", "2, 'R2', 3", "3, 'R3', 4.5", "4, 'R4', 6"}) {
      c_->execute(std::string("INSERT INTO L (A, B, C) VALUES (") + row + ")");
    }
  }
  std::shared_ptr<engine::Recordset> records(int n, const std::string& columns = "A, B, C") {
    return c_->openRecordset("SELECT " + columns + " FROM L WHERE A <= " + std::to_string(n) + " ORDER BY A");
  }
  cZIVEConexionDAO* c_ = nullptr;
};

// An array of `bounds` holding `elements` in storage order, the first subscript fastest.
Variant arrayOf(std::vector<ArrayBound> bounds, std::vector<Variant> elements) {
  VariantArray a(std::move(bounds));
  a.elements() = std::move(elements);
  return Variant(std::move(a));
}

TEST_F(ListConversion, EachModeShapesTheRecordsAndLeavesTheRecordsetOpenAtItsEnd) {
  const Variant E, null = Variant::null();
  const Variant table = arrayOf({{0, 3}, {0, 2}}, {E, E, E, E, Variant(1), Variant("R1"), Variant(1.5), E,
                                                   Variant(2), Variant("R2"), Variant(3.0), E});
  const struct { int records; const char* columns; int32_t mode; Variant expected; } cases[] = {
      // No records: Null, whatever the mode.
      {0, "A, B, C", 0, null}, {0, "A, B, C", 1, null}, {0, "A, B, C", 2, null}, {0, "A, B, C", -1, null},
      // Any mode but 0 and 1: a column-first table, row 0 and the column past the last empty.
      {2, "A, B, C", 2, table}, {2, "A, B, C", -7, table},
      // Mode 1: the first column.
      {4, "A, B", 1, arrayOf({{0, 3}}, {Variant(1), Variant(2), Variant(3), Variant(4)})},
      // Mode 0: one record followed by an empty element; a second record goes
      // on where the first ended, into the last element with one column (past
      // the end with more, below).
      {1, "A, B, C", 0, arrayOf({{0, 3}}, {Variant(1), Variant("R1"), Variant(1.5), E})},
      {2, "A", 0, arrayOf({{0, 1}}, {Variant(1), Variant(2)})},
      // A null column is a Null element.
      {1, "A, NULL", 0, arrayOf({{0, 2}}, {Variant(1), null, E})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.records) + " records of " + c.columns + ", mode " + std::to_string(c.mode));
    auto rs = records(c.records, c.columns);
    EXPECT_EQ(ConvertirRecordset(rs, c.mode), c.expected);
    EXPECT_TRUE(rs->eof() && rs->isOpen()) << "left open at its end for the caller to close";
  }
  EXPECT_EQ(errorNumberOf([&] { ConvertirRecordset(records(2), 0); }), kSubscriptOutOfRange);
}

TEST_F(ListConversion, CountersAre16Bit) {
  engine::testing::RawDb raw(modPath_);
  raw.exec("INSERT INTO L (A, B) WITH RECURSIVE n(i) AS (SELECT 5 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
           "SELECT i, 'x' FROM n");
  EXPECT_EQ(ConvertirRecordset(records(32767, "A, B"), 2).array().ubound(2), 32767);
  // One record more overflows; mode 0 overruns at its second record long before.
  const std::pair<int32_t, int32_t> modes[] = {{1, kOverflow}, {2, kOverflow}, {0, kSubscriptOutOfRange}};
  for (const auto& m : modes) {
    EXPECT_EQ(errorNumberOf([&] { ConvertirRecordset(records(32768, "A, B"), m.first); }), m.second) << m.first;
  }
}

// --- QuitarRepetidos ------------------------------------------------------

TEST(QuitarRepetidos, KeepsTheFirstRowOfEachColumn3Value) {
  const struct { const char* name; std::vector<Variant> keys; std::vector<int32_t> keptRows; } cases[] = {
      {"ABAC", {Variant("A"), Variant("B"), Variant("A"), Variant("C")}, {1, 2, 4}},
      {"no rows", {}, {}},
      // Variant equality: a text that reads as a number equals the number;
      // Null equals nothing, itself included; Empty equals the empty text.
      {"text and number", {Variant(1), Variant("1"), Variant(2)}, {1, 3}},
      {"nulls", {Variant::null(), Variant::null(), Variant("A")}, {1, 2, 3}},
      {"empty and empty text", {Variant(), Variant("")}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VariantArray input = VariantArray::matrix(0, 6, 0, int32_t(c.keys.size()));
    for (int32_t r = 1; r <= int32_t(c.keys.size()); ++r) {
      for (int32_t col = 0; col <= 6; ++col) input.at({col, r}) = Variant("r" + std::to_string(r) + "c" + std::to_string(col));
      input.at({3, r}) = c.keys[std::size_t(r - 1)];
    }
    // The kept rows from row 1 on, row 0 empty; with none kept, row 1 empty too.
    const int32_t kept = int32_t(c.keptRows.size());
    VariantArray expected = VariantArray::matrix(0, 6, 0, std::max(kept, 1));
    for (int32_t k = 1; k <= kept; ++k)
      for (int32_t col = 0; col <= 6; ++col) expected.at({col, k}) = input.at({col, c.keptRows[std::size_t(k - 1)]});
    EXPECT_EQ(QuitarRepetidos(Variant(input)), Variant(expected));
  }
  EXPECT_NE(errorNumberOf([] { QuitarRepetidos(Variant("x")); }), 0);
  EXPECT_EQ(errorNumberOf([] { QuitarRepetidos(Variant(VariantArray::vector(0, 3))); }), kSubscriptOutOfRange);
}

}  // namespace
}  // namespace svrZIVE
