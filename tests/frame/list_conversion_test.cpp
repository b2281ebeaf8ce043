// ConvertirRecordset over the engine's dynasets, and QuitarRepetidos.
#include <gtest/gtest.h>

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
    for (int r = 1; r <= 4; ++r) {
      c_->execute("INSERT INTO L (A, B, C) VALUES (" + std::to_string(r) + ", 'R" + std::to_string(r) + "', " +
                  formatDouble(r * 1.5) + ")");
    }
  }
  std::shared_ptr<engine::Recordset> records(int n, const std::string& columns = "A, B, C") {
    return c_->openRecordset("SELECT " + columns + " FROM L WHERE A <= " + std::to_string(n) + " ORDER BY A");
  }
  cZIVEConexionDAO* c_ = nullptr;
};

TEST_F(ListConversion, AnEmptyResultIsTheNullVariantInEveryMode) {
  for (int32_t mode : {0, 1, 2, -1}) {
    auto rs = records(0);
    EXPECT_TRUE(ConvertirRecordset(rs, mode).isNull()) << mode;
    EXPECT_TRUE(rs->isOpen());
  }
}

TEST_F(ListConversion, AnyModeButZeroAndOneIsAColumnFirstTable) {
  // Three columns, two records: (0 to 3, 0 to 2), row 0 and column 3 empty.
  for (int32_t mode : {2, -7}) {
    SCOPED_TRACE(mode);
    auto rs = records(2);
    Variant v = ConvertirRecordset(rs, mode);
    ASSERT_TRUE(v.isArray());
    const VariantArray& a = v.array();
    ASSERT_EQ(a.dimensions(), 2u);
    EXPECT_EQ(a.ubound(1), 3);
    EXPECT_EQ(a.ubound(2), 2);
    const Variant expected[3][4] = {{Variant(), Variant(), Variant(), Variant()},
                                    {Variant(1), Variant("R1"), Variant(1.5), Variant()},
                                    {Variant(2), Variant("R2"), Variant(3.0), Variant()}};
    for (int32_t r = 0; r <= 2; ++r)
      for (int32_t c = 0; c <= 3; ++c) EXPECT_EQ(a.at({c, r}), expected[r][c]) << "column " << c << ", row " << r;
    EXPECT_TRUE(rs->eof()) << "left open at its end for the caller to close";
    EXPECT_TRUE(rs->isOpen());
  }
}

TEST_F(ListConversion, Mode1IsTheFirstColumn) {
  auto rs = records(4);
  Variant v = ConvertirRecordset(rs, 1);
  const VariantArray& a = v.array();
  ASSERT_EQ(a.dimensions(), 1u);
  EXPECT_EQ(a.ubound(), 3);
  for (int32_t i = 0; i <= 3; ++i) EXPECT_EQ(a[i], Variant(i + 1));
  EXPECT_TRUE(rs->eof());
}

TEST_F(ListConversion, Mode0IsOneRecordFollowedByAnEmptyElement) {
  Variant v = ConvertirRecordset(records(1), 0);
  const VariantArray& a = v.array();
  ASSERT_EQ(a.dimensions(), 1u);
  EXPECT_EQ(a.ubound(), 3);
  EXPECT_EQ(a[1], Variant("R1"));
  EXPECT_TRUE(a[3].isEmpty());
  // A second record goes on where the first ended: past the end with three
  // columns, into the last element with one.
  EXPECT_EQ(errorNumberOf([&] { ConvertirRecordset(records(2), 0); }), kSubscriptOutOfRange);
  Variant one = ConvertirRecordset(records(2, "A"), 0);
  EXPECT_EQ(one.array()[0], Variant(1));
  EXPECT_EQ(one.array()[1], Variant(2));
}

TEST_F(ListConversion, NullColumnsGiveNullElements) {
  c_->execute("INSERT INTO L (A) VALUES (0)");
  Variant table = ConvertirRecordset(records(0), 2);
  EXPECT_TRUE(table.array().at({1, 1}).isNull());
  EXPECT_TRUE(table.array().at({3, 1}).isEmpty());
}

TEST_F(ListConversion, CountersAre16Bit) {
  engine::testing::RawDb raw(modPath_);
  raw.exec("INSERT INTO L (A, B) WITH RECURSIVE n(i) AS (SELECT 5 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
           "SELECT i, 'x' FROM n");
  const struct { int32_t records, mode, error; } cases[] = {
      {32767, 2, 0}, {32768, 1, kOverflow}, {32768, 2, kOverflow},
      {32768, 0, kSubscriptOutOfRange},  // mode 0 overruns at its second record long before
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.records) + " records, mode " + std::to_string(c.mode));
    Variant v;
    EXPECT_EQ(errorNumberOf([&] { v = ConvertirRecordset(records(c.records, "A, B"), c.mode); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(v.array().ubound(c.mode == 1 ? 1 : 2), c.records - (c.mode == 1 ? 1 : 0));
    }
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
    Variant result = QuitarRepetidos(Variant(input));
    const VariantArray& a = result.array();
    ASSERT_EQ(a.dimensions(), 2u);
    EXPECT_EQ(a.ubound(1), 6);
    const int32_t kept = int32_t(c.keptRows.size());
    EXPECT_EQ(a.ubound(2), std::max(kept, 1));
    for (int32_t col = 0; col <= 6; ++col) {
      EXPECT_TRUE(a.at({col, 0}).isEmpty());
      EXPECT_TRUE(kept > 0 || a.at({col, 1}).isEmpty());
      for (int32_t k = 1; k <= kept; ++k)
        EXPECT_EQ(a.at({col, k}), input.at({col, c.keptRows[std::size_t(k - 1)]})) << "row " << k << " column " << col;
    }
  }
  EXPECT_NE(errorNumberOf([] { QuitarRepetidos(Variant("x")); }), 0);
  EXPECT_EQ(errorNumberOf([] { QuitarRepetidos(Variant(VariantArray::vector(0, 3))); }), kSubscriptOutOfRange);
}

}  // namespace
}  // namespace svrZIVE
