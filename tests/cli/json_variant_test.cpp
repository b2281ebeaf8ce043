// The command line's JSON encoding of variants.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "cli/json_variant.h"
#include "frame/automation_error.h"

namespace svrZIVE {
namespace {

using cli::variantFromArgument;
using cli::variantFromJson;
using cli::variantToJson;
using nlohmann::json;

Variant table2x3() {
  VariantArray t = VariantArray::matrix(0, 2, 0, 1);
  t.at({0, 1}) = Variant(int32_t(1));
  t.at({1, 1}) = Variant("uno");
  t.at({2, 1}) = Variant::null();
  return Variant(std::move(t));
}

Variant bytesFrom1() {
  VariantArray a = VariantArray::vector(1, 3);
  a[1] = Variant(uint8_t(0));
  a[2] = Variant(uint8_t(255));
  a[3] = Variant(int16_t(-1));
  return Variant(std::move(a));
}

Variant threeDimensions() {
  VariantArray a(std::vector<ArrayBound>{{-1, 0}, {2, 3}, {0, 1}});
  int32_t n = 0;
  for (int32_t i = -1; i <= 0; ++i)
    for (int32_t j = 2; j <= 3; ++j)
      for (int32_t k = 0; k <= 1; ++k) a.at({i, j, k}) = Variant(double(n++) + 0.5);
  return Variant(std::move(a));
}

Variant nested() {
  VariantArray inner = VariantArray::vector(0, 1);
  inner[0] = Variant("a");
  VariantArray outer = VariantArray::vector(0, 2);
  outer[0] = Variant(std::move(inner));
  outer[1] = Variant(true);
  outer[2] = table2x3();
  return Variant(std::move(outer));
}

struct RoundTrip {
  std::string name;
  Variant value;
};

class JsonRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(JsonRoundTrip, SurvivesPlainAndTyped) {
  const Variant& v = GetParam().value;
  for (bool typed : {false, true}) {
    const std::string text = variantToJson(v, typed).dump();
    Variant back = variantFromJson(json::parse(text));
    EXPECT_EQ(back.type(), v.type()) << text;
    EXPECT_EQ(back, v) << (typed ? "typed: " : "plain: ") << text;
    // And as a command-line argument.
    EXPECT_EQ(variantFromArgument(text), v) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, JsonRoundTrip,
    ::testing::Values(
        RoundTrip{"Empty", Variant()}, RoundTrip{"Null", Variant::null()},
        RoundTrip{"True", Variant(true)}, RoundTrip{"False", Variant(false)},
        RoundTrip{"Byte0", Variant(uint8_t(0))}, RoundTrip{"Byte255", Variant(uint8_t(255))},
        RoundTrip{"IntegerMin", Variant(int16_t(-32768))}, RoundTrip{"Integer", Variant(int16_t(12))},
        RoundTrip{"Long0", Variant(int32_t(0))}, RoundTrip{"LongMin", Variant(int32_t(INT32_MIN))},
        RoundTrip{"LongMax", Variant(int32_t(INT32_MAX))},
        RoundTrip{"DoubleWhole", Variant(3.0)}, RoundTrip{"DoubleZero", Variant(0.0)},
        RoundTrip{"DoubleSum", Variant(0.1 + 0.2)}, RoundTrip{"DoubleLarge", Variant(1e20)},
        RoundTrip{"DoubleTiny", Variant(-1.5e-300)}, RoundTrip{"DoubleBeyondLong", Variant(3e9)},
        RoundTrip{"Infinity", Variant(std::numeric_limits<double>::infinity())},
        RoundTrip{"EmptyText", Variant("")}, RoundTrip{"Text", Variant("Vitoria-Gasteiz")},
        RoundTrip{"NumericText", Variant("12")}, RoundTrip{"Accents", Variant("Ñandú €")},
        RoundTrip{"TextLikeAnEncoding", Variant("{\"$empty\": true}")},
        RoundTrip{"EmptyList", Variant(VariantArray::vector(0, -1))},
        RoundTrip{"ListFrom1", bytesFrom1()}, RoundTrip{"Table", table2x3()},
        RoundTrip{"EmptyTableRows", Variant(VariantArray::matrix(0, 6, 1, 0))},
        RoundTrip{"ThreeDimensions", threeDimensions()}, RoundTrip{"Nested", nested()},
        RoundTrip{"NoDimensions", Variant(VariantArray())}),
    [](const auto& info) { return info.param.name; });

TEST(JsonVariant, NotANumberStaysADouble) {
  Variant back = variantFromJson(variantToJson(Variant(std::nan(""))));
  ASSERT_EQ(back.type(), VarType::Double);
  EXPECT_TRUE(std::isnan(back.asDouble()));
}

TEST(JsonVariant, TheWrittenForms) {
  EXPECT_EQ(variantToJson(Variant()).dump(), R"({"$empty":true})");
  EXPECT_EQ(variantToJson(Variant::null()).dump(), "null");
  EXPECT_EQ(variantToJson(Variant(int32_t(5))).dump(), "5");
  EXPECT_EQ(variantToJson(Variant(int32_t(5)), true).dump(), R"({"$type":"Long","value":5})");
  EXPECT_EQ(variantToJson(Variant(int16_t(5))).dump(), R"({"$type":"Integer","value":5})");
  EXPECT_EQ(variantToJson(Variant("x"), true).dump(), R"({"$type":"String","value":"x"})");
  EXPECT_EQ(variantToJson(table2x3()).dump(),
            R"({"$array":{"lbound":[0,0],"ubound":[2,1],"values":[[{"$empty":true},1],[{"$empty":true},"uno"],[{"$empty":true},null]]}})");
  VariantArray list = VariantArray::vector(0, 1);
  list[0] = Variant(1.5);
  EXPECT_EQ(variantToJson(Variant(std::move(list))).dump(), R"([1.5,{"$empty":true}])");
}

struct Reading {
  std::string argument;
  Variant expected;
};

class Arguments : public ::testing::TestWithParam<Reading> {};

TEST_P(Arguments, ReadAsVariants) {
  Variant v = variantFromArgument(GetParam().argument);
  EXPECT_EQ(v.type(), GetParam().expected.type()) << GetParam().argument;
  EXPECT_EQ(v, GetParam().expected) << GetParam().argument;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Arguments,
    ::testing::Values(Reading{"12", Variant(int32_t(12))}, Reading{"-2147483648", Variant(INT32_MIN)},
                      Reading{"2147483648", Variant(2147483648.0)}, Reading{"1.0", Variant(1.0)},
                      Reading{"1e3", Variant(1000.0)}, Reading{"hola", Variant("hola")},
                      Reading{"/data/ZIVEMOD.MDB", Variant("/data/ZIVEMOD.MDB")},
                      Reading{"\"12\"", Variant("12")}, Reading{"", Variant("")},
                      Reading{"null", Variant::null()}, Reading{"true", Variant(true)},
                      Reading{R"({"$type":"Integer","value":"12"})", Variant(int16_t(12))},
                      Reading{R"({"$type":"Byte","value":2.5})", Variant(uint8_t(2))},
                      Reading{R"({"$type":"Boolean","value":1})", Variant(true)},
                      Reading{R"({"$type":"String","value":12})", Variant("12")}));

TEST(JsonVariant, MalformedEncodingsAreRefused) {
  for (const char* text :
       {R"({"foo":1})", R"({"$type":"Currency","value":1})", R"({"$type":"Long"})",
        R"({"$array":{"lbound":[1],"ubound":[2],"values":[1]}})",
        R"({"$array":{"lbound":[0,0],"ubound":[1]}})", R"({"$array":{"lbound":[0.5],"ubound":[1],"values":[1]}})",
        R"({"$object":12})"}) {
    EXPECT_THROW(variantFromArgument(text), std::invalid_argument) << text;
  }
  // Out of range for the type: the runtime's Overflow.
  EXPECT_THROW(variantFromArgument(R"({"$type":"Byte","value":256})"), AutomationError);
}

TEST(JsonVariant, ObjectsByClassName) {
  Variant v = variantFromArgument(R"({"$object":"svrZIVE.cZIVEConexionDAO"})");
  ASSERT_TRUE(v.isObject());
  EXPECT_EQ(variantToJson(v).dump(), R"({"$object":"cZIVEConexionDAO"})");
  Variant nothing = variantFromArgument(R"({"$object":null})");
  EXPECT_TRUE(nothing.isObject());
  EXPECT_EQ(variantToJson(nothing).dump(), R"({"$object":null})");
  EXPECT_THROW(variantFromArgument(R"({"$object":"svrZIVE.cZIVENoExiste"})"), AutomationError);
}

}  // namespace
}  // namespace svrZIVE
