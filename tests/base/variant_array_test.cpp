// Variant types, arrays of variants, the two equalities and automation errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/base/base_support.h"

namespace svrZIVE {
namespace {

using testing::errorNumberOf;
using testing::ObjectStub;

TEST(VariantArray, BoundsSubscriptsAndLayout) {
  VariantArray a = VariantArray::vector(-2, 3);
  EXPECT_EQ(a.size(), 6u);
  EXPECT_EQ(a.lbound(), -2);
  EXPECT_EQ(a.ubound(1), 3);
  a[-2] = int32_t(10);
  a[3] = "last";
  EXPECT_EQ(a.elements().front(), Variant(int32_t(10)));
  EXPECT_EQ(a.elements().back(), Variant("last"));
  EXPECT_EQ(VariantArray::vector(0, -1).size(), 0u);

  VariantArray m = VariantArray::matrix(0, 2, 1, 2);  // 3 columns, rows 1..2
  ASSERT_EQ(m.size(), 6u);
  for (int32_t r = 1; r <= 2; ++r)
    for (int32_t c = 0; c <= 2; ++c) m.at({c, r}) = int32_t(10 * r + c);
  const std::vector<int32_t> expected = {10, 11, 12, 20, 21, 22};  // the first subscript varies fastest
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(m.elements()[i].asLong(), expected[i]);

  for (int32_t n : {errorNumberOf([&] { a[-3]; }), errorNumberOf([&] { a.ubound(2); }),
                    errorNumberOf([] { VariantArray().lbound(); }), errorNumberOf([&] { m.at({0, 0}); }),
                    errorNumberOf([&] { m[0]; })}) {
    EXPECT_EQ(n, kSubscriptOutOfRange);
  }

  VariantArray cube({{1, 2}, {0, 1}, {5, 7}});
  cube.at({2, 0, 5}) = "second";
  EXPECT_EQ(cube.elements()[1].asString(), "second");
}

TEST(VariantArray, RedimPreserveKeepsContent) {
  VariantArray m = VariantArray::matrix(0, 6, 0, 1);
  m.at({3, 1}) = "A";
  m.at({6, 1}) = int32_t(7);
  m.redimPreserve(3);
  EXPECT_EQ(m.size(), 28u);
  EXPECT_EQ(m.at({3, 1}), Variant("A"));
  EXPECT_EQ(m.at({6, 1}), Variant(int32_t(7)));
  EXPECT_TRUE(m.at({6, 3}).isEmpty());
  m.at({6, 3}) = 1.5;
  m.redimPreserve(1);  // drops rows 2 and 3
  EXPECT_EQ(m.size(), 14u);
  EXPECT_EQ(m.at({3, 1}), Variant("A"));
  EXPECT_EQ(errorNumberOf([&] { m.at({6, 3}); }), kSubscriptOutOfRange);
  m.redimPreserve(3);
  EXPECT_TRUE(m.at({6, 3}).isEmpty());

  VariantArray v = VariantArray::vector(1, 3);
  v[1] = "x";
  v[3] = "z";
  v.redimPreserve(2);
  EXPECT_EQ(v.size(), 2u);
  EXPECT_EQ(v[1], Variant("x"));
  EXPECT_EQ(errorNumberOf([&] { v.redimPreserve(-1); }), kSubscriptOutOfRange);
  EXPECT_EQ(errorNumberOf([] { VariantArray().redimPreserve(1); }), kSubscriptOutOfRange);
}

TEST(VariantArray, CopiesAreIndependent) {
  VariantArray inner = VariantArray::vector(0, 1);
  inner[0] = "inner";
  VariantArray outer = VariantArray::vector(0, 1);
  outer[0] = inner;
  Variant original(outer);

  Variant copy(original);
  copy.array()[1] = int32_t(1);
  copy.array()[0].array()[0] = "changed";
  EXPECT_TRUE(original.array()[1].isEmpty());
  EXPECT_EQ(original.array()[0].array()[0], Variant("inner"));

  Variant assigned;
  assigned = original;
  assigned.array().redimPreserve(5);
  EXPECT_EQ(original.array().ubound(), 1);

  // Assigning an element of a variant's own array to the variant.
  Variant self(original);
  self = self.array()[0];
  EXPECT_EQ(self.array()[0], Variant("inner"));
  self = self;
  EXPECT_EQ(self.array().size(), 2u);
}

// Identity (==): the same type and value. variantEquals: the runtime's
// comparison, where Null equals nothing and numbers and texts meet.
TEST(Variant, TheTwoEqualities) {
  auto object = std::shared_ptr<Dispatch>(std::make_shared<ObjectStub>());
  auto other = std::shared_ptr<Dispatch>(std::make_shared<ObjectStub>());
  VariantArray withNull = VariantArray::vector(0, 1);
  withNull[1] = Variant::null();
  const struct { Variant a, b; bool identical, equal; } cases[] = {
      {Variant::null(), Variant::null(), true, false},    {Variant::null(), Variant(), false, false},
      {Variant(int32_t(0)), Variant::null(), false, false}, {Variant(), Variant(), true, true},
      {Variant(0.0), Variant(), false, true},             {Variant(), Variant(""), false, true},
      {Variant(), Variant("0"), false, false},            {Variant(), Variant(false), false, true},
      {Variant(int32_t(1)), Variant(int32_t(1)), true, true}, {Variant(int32_t(1)), Variant(1.0), false, true},
      {Variant("1"), Variant(int32_t(1)), false, true},   {Variant(true), Variant(int32_t(-1)), false, true},
      {Variant(int32_t(3)), Variant(" 3 "), false, true}, {Variant("3.0"), Variant(3.0), false, true},
      {Variant(int32_t(3)), Variant("three"), false, false}, {Variant("3"), Variant("3.0"), false, false},
      {Variant("A"), Variant("a"), false, false},         {Variant("A"), Variant("A"), true, true},
      {Variant(object), Variant(object), true, false},    {Variant(object), Variant(other), false, false},
      {Variant(VariantArray::vector(0, 1)), Variant(VariantArray::vector(0, 1)), true, false},
      {Variant(VariantArray::vector(0, 1)), Variant(VariantArray::vector(1, 2)), false, false},
      {Variant(VariantArray::vector(0, 1)), Variant(withNull), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(varTypeName(c.a.type())) + " vs " + std::string(varTypeName(c.b.type())));
    EXPECT_EQ(c.a == c.b, c.identical);
    EXPECT_EQ(variantEquals(c.a, c.b), c.equal);
  }
}

TEST(AutomationError, AnnotationsNestOuterFirst) {
  const AutomationError original(-2147217900, "DAO.Database", "Syntax error in INSERT INTO statement.",
                                 "jeterr40.chm", 5003134);
  try {
    annotate("cZIVEDeclarante.GuardarDeclarante ", [&] {
      annotate("cZIVET01.Insertar", [&] { throw original; });
    });
    FAIL() << "nothing thrown";
  } catch (const AutomationError& e) {
    EXPECT_EQ(testing::everything(e),
              "-2147217900 | DAO.Database | cZIVEDeclarante.GuardarDeclarante cZIVET01.InsertarSyntax error in "
              "INSERT INTO statement. | jeterr40.chm | 5003134");
  }
  EXPECT_EQ(annotate("unused", [] { return 42; }), 42);
  EXPECT_EQ(original.annotated("").description(), original.description());
}

}  // namespace
}  // namespace svrZIVE
