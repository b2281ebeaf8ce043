// Variant types, arrays of variants, the two equalities and automation errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/base/base_support.h"

namespace svrZIVE {
namespace {

using testing::errorNumberOf;
using testing::ObjectStub;

TEST(Variant, TypesAreTheRuntimeCodes) {
  const struct { Variant v; VarType type; uint16_t code; const char* name; } cases[] = {
      {Variant(), VarType::Empty, 0, "Empty"},               {Variant::null(), VarType::Null, 1, "Null"},
      {Variant(int16_t(1)), VarType::Integer, 2, "Integer"}, {Variant(int32_t(1)), VarType::Long, 3, "Long"},
      {Variant(1.0), VarType::Double, 5, "Double"},          {Variant("a"), VarType::String, 8, "String"},
      {Variant(std::shared_ptr<Dispatch>()), VarType::Object, 9, "Object"},
      {Variant(true), VarType::Boolean, 11, "Boolean"},      {Variant(uint8_t(1)), VarType::Byte, 17, "Byte"},
      {Variant(VariantArray::vector(0, 0)), VarType::Array, 0x2000, "Array"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.v.type(), c.type) << c.name;
    EXPECT_EQ(static_cast<uint16_t>(c.v.type()), c.code) << c.name;
    EXPECT_EQ(varTypeName(c.v.type()), c.name);
  }
}

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

TEST(AutomationError, RuntimeErrorsHaveTheStandardTexts) {
  const struct { int32_t number; const char* description; } cases[] = {
      {5, "Invalid procedure call or argument"}, {6, "Overflow"}, {9, "Subscript out of range"},
      {13, "Type mismatch"}, {94, "Invalid use of Null"}, {424, "Object required"},
      {438, "Object doesn't support this property or method"},
      {450, "Wrong number of arguments or invalid property assignment"},
      {1000, "Application-defined or object-defined error"},
  };
  for (const auto& c : cases) {
    const AutomationError e = runtimeError(c.number);
    EXPECT_EQ(e.number(), c.number);
    EXPECT_EQ(e.description(), c.description);
    EXPECT_STREQ(e.what(), c.description);
    EXPECT_EQ(e.source(), "svrZIVE");
  }
  EXPECT_EQ(errorNumberOf([] { raiseRuntimeError(kObjectRequired); }), kObjectRequired);
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
