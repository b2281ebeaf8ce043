// Conversions of variants by the runtime's rules, number parsing and the
// writing of doubles.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

#include "tests/base/base_support.h"

namespace svrZIVE {
namespace {

using testing::errorNumberOf;

Variant dec(const char* text) { return Variant(Variant(text).toDecimal()); }

TEST(ParseNumber, AcceptsNumbersWithBlanksSignAndExponentOnly) {
  const struct { std::string text; double value; } good[] = {
      {" 12 ", 12}, {"-3.5", -3.5}, {"+4", 4}, {".5", 0.5}, {"5.", 5}, {"5.6789E-12", 5.6789e-12},
      {"\t7\t", 7}, {"1e400", INFINITY}, {"1e-400", 0}, {std::string(400, '9') + "e-10", INFINITY},
      {"&H10", 16}, {" &h7fff ", 32767}, {"&H8002", -32766}, {"&HFFFF", -1}, {"&H10000", 65536},
      {"&H80000002", -2147483646.0}, {"&H100000000", INFINITY}, {"&O17", 15}, {"&o177777", -1},
  };
  for (const auto& c : good) {
    double value = 12345;
    EXPECT_TRUE(parseNumber(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  for (const char* text : {"", " ", "1,5", "1.2.3", "--1", ".", "1e+", "E5", "1 2", "&H", "&HG", "&O8", "&X1", "-&H1", "12abc", "inf", "True"}) {
    double value = 12345;
    EXPECT_FALSE(parseNumber(text, value)) << text;
    EXPECT_EQ(value, 12345) << text << ": a refused text leaves the value alone";
  }
}

TEST(FormatDouble, WritesLikeTheRuntimeAndReadsBack) {
  const struct { double value; const char* text; } cases[] = {
      {1e15, "1E+15"}, {1e-5, "0.00001"}, {0.0001, "0.0001"}, {5.6789e-5, "0.000056789"},
      {5.6789e-12, "5.6789E-12"}, {1.5e-14, "0.000000000000015"}, {1.25e-14, "1.25E-14"},
      {-1.23456789012345e-3, "-1.23456789012345E-03"}, {0.1 + 0.2, "0.3"}, {3, "3"},
      {123456789012345.0, "123456789012345"}, {-0.0, "0"}, {1e100, "1E+100"}, {2.0 / 3, "0.666666666666667"},
      {999999999999999.9, "1E+15"}, {1e-300, "1E-300"}, {-0.25, "-0.25"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatDouble(c.value), c.text) << c.text;
    double back = 0;
    ASSERT_TRUE(parseNumber(c.text, back)) << c.text;
    EXPECT_EQ(formatDouble(back), c.text) << "what is written reads back as the same number";
  }
}

TEST(FormatDouble, IgnoresTheLocale) {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  const char* found = nullptr;
  for (const char* name : {"es_ES.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.utf8", "de_DE.utf8"}) {
    if (std::setlocale(LC_NUMERIC, name)) {
      found = name;
      break;
    }
  }
  if (!found) GTEST_SKIP() << "no comma-decimal locale installed";
  const std::string formatted = formatDouble(1234.5), small = formatDouble(5.6789e-12);
  double parsed = 0;
  const bool read = parseNumber("-3.5", parsed);
  const std::string text = Variant(0.25).toText();
  std::setlocale(LC_NUMERIC, previous.c_str());
  EXPECT_EQ(formatted, "1234.5") << found;
  EXPECT_EQ(small, "5.6789E-12");
  EXPECT_TRUE(read);
  EXPECT_EQ(parsed, -3.5);
  EXPECT_EQ(text, "0.25");
}

TEST(Conversion, IntegersRoundHalvesToEvenAndCheckTheirRange) {
  constexpr int32_t O = -999;  // Overflow
  const struct { Variant in; int32_t byte, integer, lng; } cases[] = {
      {Variant(2.5), 2, 2, 2},                       {Variant(3.5), 4, 4, 4},
      {Variant(-2.5), O, -2, -2},                    {Variant(-0.4), 0, 0, 0},
      {Variant(0.49999999999999994), 0, 0, 0},       {Variant(-3.5), O, -4, -4},
      {Variant(255.0), 255, 255, 255},               {Variant(255.5), O, 256, 256},
      {Variant(254.5), 254, 254, 254},               {Variant(256.0), O, 256, 256},
      {Variant(-1.0), O, -1, -1},                    {Variant(32766.5), O, 32766, 32766},
      {Variant(32767.5), O, O, 32768},               {Variant(-32768.5), O, -32768, -32768},
      {Variant(-32769.0), O, O, -32769},             {Variant(2147483647.0), O, O, 2147483647},
      {Variant(2147483647.5), O, O, O},              {Variant(-2147483648.5), O, O, -2147483647 - 1},
      {Variant(int32_t(40000)), O, O, 40000},        {Variant(int16_t(-5)), O, -5, -5},
      {Variant(uint8_t(200)), 200, 200, 200},        {Variant(true), O, -1, -1},
      {Variant(false), 0, 0, 0},                     {Variant(), 0, 0, 0},
      {Variant(" 12 "), 12, 12, 12},                 {Variant("2.5"), 2, 2, 2},
      {Variant("-7"), O, -7, -7},                    {Variant("1E+15"), O, O, O},
      {Variant("1e400"), O, O, O},                   {Variant(std::nan("")), O, O, O},
      {Variant("&H7FFF"), O, 32767, 32767},          {Variant("&H8002"), O, -32766, -32766},
      {Variant("&H80000002"), O, O, -2147483646},    {Variant("&HFF"), 255, 255, 255},
      {dec("2.5000000000000000001"), 3, 3, 3},       {dec("-32768.5"), O, -32768, -32768},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(varTypeName(c.in.type())) + " " +
                 (c.in.isString() ? c.in.asString() : std::to_string(c.in.toDouble())));
    auto check = [](int32_t expected, auto convert) {
      if (expected == O) EXPECT_EQ(errorNumberOf(convert), kOverflow);
      else EXPECT_EQ(convert(), expected);
    };
    check(c.byte, [&] { return int32_t(c.in.toByte()); });
    check(c.integer, [&] { return int32_t(c.in.toInteger()); });
    check(c.lng, [&] { return c.in.toLong(); });
  }
}

TEST(Conversion, FailuresCarryTheRuntimeNumbers) {
  const struct { Variant in; int32_t number; } numeric[] = {
      {Variant::null(), kInvalidUseOfNull}, {Variant(""), kTypeMismatch}, {Variant("abc"), kTypeMismatch},
      {Variant("1,5"), kTypeMismatch}, {Variant("True"), kTypeMismatch},
      {Variant(VariantArray::vector(0, 1)), kTypeMismatch},
      {Variant(std::shared_ptr<Dispatch>(std::make_shared<testing::ObjectStub>())), kTypeMismatch},
  };
  for (const auto& c : numeric) {
    SCOPED_TRACE(varTypeName(c.in.type()));
    EXPECT_EQ(errorNumberOf([&] { c.in.toByte(); }), c.number);
    EXPECT_EQ(errorNumberOf([&] { c.in.toInteger(); }), c.number);
    EXPECT_EQ(errorNumberOf([&] { c.in.toLong(); }), c.number);
    EXPECT_EQ(errorNumberOf([&] { c.in.toDouble(); }), c.number);
  }
  EXPECT_EQ(errorNumberOf([] { Variant("1e400").toDouble(); }), kOverflow);
  EXPECT_EQ(errorNumberOf([] { Variant::null().toText(); }), kInvalidUseOfNull);
  EXPECT_EQ(errorNumberOf([] { Variant::null().toBoolean(); }), kInvalidUseOfNull);
  EXPECT_EQ(errorNumberOf([] { Variant(VariantArray::vector(0, 0)).toText(); }), kTypeMismatch);
  EXPECT_EQ(errorNumberOf([] { Variant("maybe").toBoolean(); }), kTypeMismatch);
  EXPECT_EQ(errorNumberOf([] { Variant("").toBoolean(); }), kTypeMismatch);
}

TEST(Conversion, DoubleBooleanAndText) {
  EXPECT_EQ(Variant(true).toDouble(), -1);
  EXPECT_EQ(Variant().toDouble(), 0);
  EXPECT_EQ(Variant(" 5.6789E-12 ").toDouble(), 5.6789e-12);
  EXPECT_EQ(Variant(int32_t(-7)).toDouble(), -7);

  const struct { Variant in; bool out; } booleans[] = {
      {Variant(), false}, {Variant(0.0), false}, {Variant(0.001), true}, {Variant(int16_t(-1)), true},
      {Variant("True"), true}, {Variant(" false "), false}, {Variant("TRUE"), true}, {Variant("0"), false},
      {Variant("-2.5"), true}, {Variant(uint8_t(0)), false}, {Variant(true), true},
  };
  for (const auto& c : booleans) EXPECT_EQ(c.in.toBoolean(), c.out) << varTypeName(c.in.type());

  const struct { Variant in; const char* text; } texts[] = {
      {Variant(), ""}, {Variant(true), "True"}, {Variant(false), "False"}, {Variant(uint8_t(255)), "255"},
      {Variant(int16_t(-32768)), "-32768"}, {Variant(int32_t(-2147483647 - 1)), "-2147483648"},
      {Variant(0.1 + 0.2), "0.3"}, {Variant(1e15), "1E+15"}, {Variant(" as is "), " as is "},
      {dec("1E+20"), "100000000000000000000"}, {dec("-0.00012"), "-0.00012"},
  };
  for (const auto& c : texts) EXPECT_EQ(c.in.toText(), c.text);
}

TEST(Conversion, CDecKeepsEveryDigitAndOrdersItsKeys) {
  constexpr const char* O = "Overflow";
  const struct { Variant in; const char* text; } cases[] = {
      {Variant(" 1234.5678 "), "1234.5678"}, {Variant("-1.50"), "-1.5"}, {Variant("-0"), "0"},
      {Variant("79228162514264337593543950335"), "79228162514264337593543950335"},
      {Variant("79228162514264337593543950336"), O}, {Variant("7.9228162514264337593543950335"),
                                                       "7.9228162514264337593543950335"},
      {Variant("0.00000000000000000000000000015"), "0.0000000000000000000000000002"},
      {Variant("0.00000000000000000000000000025"), "0.0000000000000000000000000002"},
      {Variant("1.23E-3"), "0.00123"}, {Variant("1E+29"), O}, {Variant("1e-99999"), "0"},
      {Variant(0.1), "0.1"}, {Variant(2.0 / 3), "0.666666666666667"}, {Variant(1e300), O},
      {Variant(int32_t(-2147483647 - 1)), "-2147483648"}, {Variant(true), "-1"}, {Variant(), "0"},
      {Variant("&H8002"), "-32766"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in.isString() ? c.in.asString() : std::string(varTypeName(c.in.type())));
    if (c.text == O) EXPECT_EQ(errorNumberOf([&] { c.in.toDecimal(); }), kOverflow);
    else EXPECT_EQ(Variant(c.in.toDecimal()).toText(), c.text);
  }
  EXPECT_EQ(errorNumberOf([] { Variant("1,5").toDecimal(); }), kTypeMismatch);
  EXPECT_TRUE(variantEquals(dec("0.1"), Variant(0.1)));
  EXPECT_FALSE(variantEquals(dec("0.1"), Variant(1e300)));

  // Ascending numbers have ascending keys, and each key reads back.
  const char* ascending[] = {"-79228162514264337593543950335", "-10", "-1.5", "-1.25", "-1.2", "-1", "-0.5",
                             "0", "0.0000000000000000000000000001", "0.5", "1", "1.2", "1.25", "10"};
  std::string previous;
  for (const char* text : ascending) {
    const Decimal d = Variant(text).toDecimal();
    Decimal back;
    ASSERT_TRUE(Decimal::fromKey(d.key(), back)) << text;
    EXPECT_EQ(back, d) << text;
    EXPECT_LT(previous, d.key()) << text;
    previous = d.key();
  }
  for (const char* notKey : {"1", "12.5", "-00000000000000000000000000001", "0000000000000000000000000000a"}) {
    Decimal d;
    EXPECT_FALSE(Decimal::fromKey(notKey, d)) << notKey;
  }
}

}  // namespace
}  // namespace svrZIVE
