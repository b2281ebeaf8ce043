// The command line's JSON encoding of variants.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "cli/json_variant.h"
#include "base/automation_error.h"

namespace svrZIVE {
namespace {

using cli::variantFromArgument;
using cli::variantFromJson;
using cli::variantToJson;
using nlohmann::json;

// An array of `bounds` holding `elements` in storage order, the first subscript fastest.
Variant arrayOf(std::vector<ArrayBound> bounds, std::vector<Variant> elements) {
  VariantArray a(std::move(bounds));
  a.elements() = std::move(elements);
  return Variant(std::move(a));
}

Variant table2x3() { return arrayOf({{0, 2}, {0, 1}}, {{}, {}, {}, Variant(int32_t(1)), Variant("uno"), Variant::null()}); }

TEST(JsonVariant, EveryKindOfValueSurvivesPlainAndTyped) {
  const struct { const char* name; Variant value; } cases[] = {
      {"Empty", Variant()}, {"Null", Variant::null()}, {"True", Variant(true)}, {"Byte255", Variant(uint8_t(255))},
      {"IntegerMin", Variant(int16_t(-32768))}, {"LongMin", Variant(int32_t(INT32_MIN))},
      {"DoubleWhole", Variant(3.0)}, {"DoubleSum", Variant(0.1 + 0.2)}, {"DoubleBeyondLong", Variant(3e9)},
      {"Infinity", Variant(std::numeric_limits<double>::infinity())}, {"EmptyText", Variant("")},
      {"Text", Variant("Vitoria-Gasteiz")}, {"NumericText", Variant("12")}, {"Accents", Variant("Ñandú €")},
      {"TextLikeAnEncoding", Variant("{\"$empty\": true}")}, {"EmptyList", Variant(VariantArray::vector(0, -1))},
      {"ListFrom1", arrayOf({{1, 3}}, {Variant(uint8_t(0)), Variant(uint8_t(255)), Variant(int16_t(-1))})},
      {"Table", table2x3()}, {"EmptyTableRows", Variant(VariantArray::matrix(0, 6, 1, 0))},
      {"ThreeDimensions", arrayOf({{-1, 0}, {2, 3}, {0, 1}}, {Variant(0.5), Variant(1.5), Variant(2.5), Variant(3.5),
                                                             Variant(4.5), Variant(5.5), Variant(6.5), Variant(7.5)})},
      {"Nested", arrayOf({{0, 2}}, {arrayOf({{0, 1}}, {Variant("a"), {}}), Variant(true), table2x3()})},
      {"NoDimensions", Variant(VariantArray())},
      {"NoBytes", Variant(Bytes{})}, {"Bytes", Variant(Bytes{0, 0xFF, 'a'})}, {"BytesPadded", Variant(Bytes{1, 2, 3, 4})},
      {"Decimal", Variant(Variant("-79228162514264337593543950.335").toDecimal())},
  };
  for (const auto& c : cases) {
    for (bool typed : {false, true}) {
      const std::string text = variantToJson(c.value, typed).dump();
      SCOPED_TRACE(std::string(c.name) + (typed ? " typed: " : " plain: ") + text);
      Variant back = variantFromJson(json::parse(text));
      EXPECT_EQ(back.type(), c.value.type());
      EXPECT_EQ(back, c.value);
      EXPECT_EQ(variantFromArgument(text), c.value) << "as a command-line argument";
    }
  }
}

TEST(JsonVariant, NotANumberStaysADouble) {
  Variant back = variantFromJson(variantToJson(Variant(std::nan(""))));
  ASSERT_EQ(back.type(), VarType::Double);
  EXPECT_TRUE(std::isnan(back.asDouble()));
}

TEST(JsonVariant, TheWrittenForms) {
  const struct { Variant value; bool typed; const char* json; } cases[] = {
      {Variant(), false, R"({"$empty":true})"}, {Variant::null(), false, "null"}, {Variant(int32_t(5)), false, "5"},
      {Variant(int32_t(5)), true, R"({"$type":"Long","value":5})"},
      {Variant(int16_t(5)), false, R"({"$type":"Integer","value":5})"},
      {Variant("x"), true, R"({"$type":"String","value":"x"})"},
      {table2x3(), false,
       R"({"$array":{"lbound":[0,0],"ubound":[2,1],"values":[[{"$empty":true},1],[{"$empty":true},"uno"],[{"$empty":true},null]]}})"},
      {arrayOf({{0, 1}}, {Variant(1.5), {}}), false, R"([1.5,{"$empty":true}])"},
      {Variant(Bytes{'M', 'a', 'n', 'y'}), false, R"({"$bytes":"TWFueQ=="})"},
  };
  for (const auto& c : cases) EXPECT_EQ(variantToJson(c.value, c.typed).dump(), c.json);
}

TEST(JsonVariant, ArgumentsReadAsVariants) {
  const struct { std::string argument; Variant expected; } cases[] = {
      {"12", Variant(int32_t(12))}, {"-2147483648", Variant(INT32_MIN)}, {"2147483648", Variant(2147483648.0)},
      {"1.0", Variant(1.0)}, {"1e3", Variant(1000.0)}, {"hola", Variant("hola")},
      {"/data/ZIVEMOD.MDB", Variant("/data/ZIVEMOD.MDB")}, {"\"12\"", Variant("12")}, {"", Variant("")},
      {"null", Variant::null()}, {"true", Variant(true)},
      {R"({"$type":"Integer","value":"12"})", Variant(int16_t(12))},
      {R"({"$type":"Byte","value":2.5})", Variant(uint8_t(2))},
      {R"({"$type":"Boolean","value":1})", Variant(true)}, {R"({"$type":"String","value":12})", Variant("12")},
  };
  for (const auto& c : cases) {
    Variant v = variantFromArgument(c.argument);
    EXPECT_EQ(v.type(), c.expected.type()) << c.argument;
    EXPECT_EQ(v, c.expected) << c.argument;
  }
}

TEST(JsonVariant, MalformedEncodingsAreRefused) {
  for (const char* text :
       {R"({"foo":1})", R"({"$type":"Currency","value":1})", R"({"$type":"Long"})",
        R"({"$array":{"lbound":[1],"ubound":[2],"values":[1]}})",
        R"({"$array":{"lbound":[0,0],"ubound":[1]}})", R"({"$array":{"lbound":[0.5],"ubound":[1],"values":[1]}})",
        R"({"$object":12})", R"({"$bytes":"TWF"})", R"({"$bytes":"T=Fu"})", R"({"$bytes":1})",
        R"({"$array":{"lbound":[-2147483648],"ubound":[2147483647],"values":[]}})",
        R"({"$array":{"lbound":[1,1],"ubound":[100000,100000],"values":[]}})"}) {
    EXPECT_THROW(variantFromArgument(text), std::invalid_argument) << text;
  }
  // Arrays in arrays: as deep as an array's dimensions may be, no deeper.
  EXPECT_NO_THROW(variantFromArgument(std::string(60, '[') + std::string(60, ']')));
  EXPECT_THROW(variantFromArgument(std::string(10000, '[') + std::string(10000, ']')), std::invalid_argument);
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
