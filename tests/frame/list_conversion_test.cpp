// ConvertirRecordset and QuitarRepetidos on results in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/automation_error.h"
#include "frame/zive_general.h"
#include "tests/frame/fake_recordset.h"

namespace svrZIVE {
namespace {

using testing::FakeRecordset;
using ZIVEGeneral::ConvertirRecordset;
using ZIVEGeneral::QuitarRepetidos;

FakeRecordset threeColumns(int32_t records) {
  FakeRecordset::Rows rows;
  for (int32_t r = 1; r <= records; ++r) {
    rows.push_back({Variant(r), Variant("R" + std::to_string(r)), Variant(r * 1.5)});
  }
  return FakeRecordset({"A", "B", "C"}, std::move(rows));
}

int32_t errorNumberOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

class EmptyResult : public ::testing::TestWithParam<int32_t> {};

TEST_P(EmptyResult, IsTheNullVariantInEveryMode) {
  FakeRecordset rs = threeColumns(0);
  Variant v = ConvertirRecordset(rs, GetParam());
  EXPECT_TRUE(v.isNull());
  EXPECT_TRUE(rs.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Modes, EmptyResult, ::testing::Values(0, 1, 2, 3, -1, 99));

TEST(ConvertirRecordset, Mode2ThreeColumnsTwoRecordsIsAColumnFirstTable) {
  FakeRecordset rs = threeColumns(2);
  Variant v = ConvertirRecordset(rs, 2);
  ASSERT_TRUE(v.isArray());
  const VariantArray& a = v.array();
  ASSERT_EQ(a.dimensions(), 2u);
  EXPECT_EQ(a.lbound(1), 0);
  EXPECT_EQ(a.ubound(1), 3);
  EXPECT_EQ(a.lbound(2), 0);
  EXPECT_EQ(a.ubound(2), 2);
  for (int32_t c = 0; c <= 3; ++c) EXPECT_TRUE(a.at({c, 0}).isEmpty()) << "row 0, column " << c;
  for (int32_t r = 0; r <= 2; ++r) EXPECT_TRUE(a.at({3, r}).isEmpty()) << "column 3, row " << r;
  EXPECT_EQ(a.at({0, 1}), Variant(1));
  EXPECT_EQ(a.at({1, 1}), Variant("R1"));
  EXPECT_EQ(a.at({2, 1}), Variant(1.5));
  EXPECT_EQ(a.at({0, 2}), Variant(2));
  EXPECT_EQ(a.at({1, 2}), Variant("R2"));
  EXPECT_EQ(a.at({2, 2}), Variant(3.0));
  // Left open at its end for the caller to close.
  EXPECT_TRUE(rs.eof());
  EXPECT_TRUE(rs.isOpen());
}

TEST(ConvertirRecordset, AnyOtherModeIsTheTableShape) {
  for (int32_t mode : {2, 3, -7, 1000}) {
    FakeRecordset rs = threeColumns(2);
    Variant v = ConvertirRecordset(rs, mode);
    ASSERT_EQ(v.array().dimensions(), 2u) << mode;
    EXPECT_EQ(v.array().ubound(2), 2) << mode;
  }
}

TEST(ConvertirRecordset, Mode1FourRecordsIsTheFirstColumn) {
  FakeRecordset rs = threeColumns(4);
  Variant v = ConvertirRecordset(rs, 1);
  const VariantArray& a = v.array();
  ASSERT_EQ(a.dimensions(), 1u);
  EXPECT_EQ(a.lbound(), 0);
  EXPECT_EQ(a.ubound(), 3);
  for (int32_t i = 0; i <= 3; ++i) EXPECT_EQ(a[i], Variant(i + 1));
  EXPECT_TRUE(rs.eof());
}

TEST(ConvertirRecordset, Mode0OneRecordThreeColumnsEndsWithAnEmptyElement) {
  FakeRecordset rs = threeColumns(1);
  Variant v = ConvertirRecordset(rs, 0);
  const VariantArray& a = v.array();
  ASSERT_EQ(a.dimensions(), 1u);
  EXPECT_EQ(a.lbound(), 0);
  EXPECT_EQ(a.ubound(), 3);
  EXPECT_EQ(a[0], Variant(1));
  EXPECT_EQ(a[1], Variant("R1"));
  EXPECT_EQ(a[2], Variant(1.5));
  EXPECT_TRUE(a[3].isEmpty());
}

TEST(ConvertirRecordset, Mode0SecondRecordOverrunsTheArray) {
  FakeRecordset rs = threeColumns(2);
  EXPECT_EQ(errorNumberOf([&] { ConvertirRecordset(rs, 0); }), kSubscriptOutOfRange);
}

TEST(ConvertirRecordset, Mode0SecondRecordOfOneColumnStillFits) {
  // One column: the array is (0 to 1), so a second record lands on element 1.
  FakeRecordset rs({"A"}, FakeRecordset::Rows{{Variant(7)}, {Variant(8)}});
  Variant v = ConvertirRecordset(rs, 0);
  EXPECT_EQ(v.array()[0], Variant(7));
  EXPECT_EQ(v.array()[1], Variant(8));
}

TEST(ConvertirRecordset, NullColumnsGiveNullElements) {
  FakeRecordset rs({"A", "B"}, FakeRecordset::Rows{{Variant::null(), Variant("x")}});
  Variant table = ConvertirRecordset(rs, 2);
  EXPECT_TRUE(table.array().at({0, 1}).isNull());
  EXPECT_TRUE(table.array().at({2, 1}).isEmpty());
}

struct OverflowCase {
  int32_t records;
  int32_t mode;
  int32_t error;  // 0: no failure
};

class Overflow : public ::testing::TestWithParam<OverflowCase> {};

TEST_P(Overflow, CountersAre16Bit) {
  const OverflowCase& c = GetParam();
  FakeRecordset rs({"A", "B"}, c.records, [](int32_t r, int32_t col) { return Variant(r + col); });
  int32_t error = errorNumberOf([&] {
    Variant v = ConvertirRecordset(rs, c.mode);
    if (c.mode == 1) {
      EXPECT_EQ(v.array().ubound(), c.records - 1);
    } else if (c.mode == 2) {
      EXPECT_EQ(v.array().ubound(2), c.records);
    }
  });
  EXPECT_EQ(error, c.error);
}

INSTANTIATE_TEST_SUITE_P(Records, Overflow,
                         ::testing::Values(OverflowCase{32767, 1, 0}, OverflowCase{32767, 2, 0},
                                           OverflowCase{32768, 1, kOverflow},
                                           OverflowCase{32768, 2, kOverflow},
                                           OverflowCase{40000, 5, kOverflow},
                                           // Mode 0 overruns at its second record long before.
                                           OverflowCase{32768, 0, kSubscriptOutOfRange}));

// --- QuitarRepetidos ------------------------------------------------------

Variant sevenColumnTable(const std::vector<Variant>& keys) {
  VariantArray t = VariantArray::matrix(0, 6, 0, int32_t(keys.size()));
  for (int32_t r = 1; r <= int32_t(keys.size()); ++r) {
    for (int32_t c = 0; c <= 6; ++c) t.at({c, r}) = Variant("r" + std::to_string(r) + "c" + std::to_string(c));
    t.at({3, r}) = keys[std::size_t(r - 1)];
  }
  return Variant(std::move(t));
}

struct DistinctCase {
  std::string name;
  std::vector<Variant> keys;
  std::vector<int32_t> keptRows;  // input rows, in order
};

class Distinct : public ::testing::TestWithParam<DistinctCase> {};

TEST_P(Distinct, KeepsTheFirstRowOfEachColumn3Value) {
  const DistinctCase& c = GetParam();
  Variant input = sevenColumnTable(c.keys);
  Variant result = QuitarRepetidos(input);
  const VariantArray& a = result.array();
  ASSERT_EQ(a.dimensions(), 2u);
  EXPECT_EQ(a.lbound(1), 0);
  EXPECT_EQ(a.ubound(1), 6);
  EXPECT_EQ(a.lbound(2), 0);
  const int32_t kept = int32_t(c.keptRows.size());
  EXPECT_EQ(a.ubound(2), std::max(kept, 1));
  for (int32_t k = 1; k <= kept; ++k) {
    const int32_t source = c.keptRows[std::size_t(k - 1)];
    for (int32_t col = 0; col <= 6; ++col) {
      EXPECT_EQ(a.at({col, k}), input.array().at({col, source})) << "row " << k << " column " << col;
    }
  }
  for (int32_t col = 0; col <= 6; ++col) EXPECT_TRUE(a.at({col, 0}).isEmpty());
  if (kept == 0) {
    for (int32_t col = 0; col <= 6; ++col) EXPECT_TRUE(a.at({col, 1}).isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, Distinct,
    ::testing::Values(
        DistinctCase{"ABAC", {Variant("A"), Variant("B"), Variant("A"), Variant("C")}, {1, 2, 4}},
        DistinctCase{"NoRows", {}, {}},
        DistinctCase{"OneRow", {Variant("A")}, {1}},
        DistinctCase{"AllEqual", {Variant("A"), Variant("A"), Variant("A")}, {1}},
        // Variant equality: a text that reads as a number equals the number.
        DistinctCase{"TextAndNumber", {Variant(1), Variant("1"), Variant(2)}, {1, 3}},
        // Null is never equal to anything, itself included.
        DistinctCase{"Nulls", {Variant::null(), Variant::null(), Variant("A")}, {1, 2, 3}},
        // Empty equals the empty text.
        DistinctCase{"EmptyAndEmptyText", {Variant(), Variant("")}, {1}}),
    [](const auto& info) { return info.param.name; });

TEST(QuitarRepetidos, NotATableFails) {
  EXPECT_NE(errorNumberOf([] { QuitarRepetidos(Variant("x")); }), 0);
  EXPECT_EQ(errorNumberOf([] { QuitarRepetidos(Variant(VariantArray::vector(0, 3))); }),
            kSubscriptOutOfRange);
}

}  // namespace
}  // namespace svrZIVE
