// The statement-text writer.
#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

#include "engine/dao.h"
#include "frame/automation_error.h"
#include "frame/statement.h"

namespace svrZIVE {
namespace {

struct WriteCase {
  std::string name;
  std::function<void(Statement&)> write;
  std::string expected;
};

class Writes : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Writes, ValuesAsTheSystemWritesThem) {
  Statement s("X=");
  GetParam().write(s);
  EXPECT_TRUE(s.valid());
  EXPECT_EQ(s.sql(), "X=" + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Writes,
    ::testing::Values(
        WriteCase{"ByteZero", [](Statement& s) { s << uint8_t(0); }, "0"},
        WriteCase{"Byte255", [](Statement& s) { s << uint8_t(255); }, "255"},
        WriteCase{"IntegerNegative", [](Statement& s) { s << int16_t(-32768); }, "-32768"},
        WriteCase{"Integer", [](Statement& s) { s << int16_t(1999); }, "1999"},
        WriteCase{"LongNegative", [](Statement& s) { s << int32_t(-42); }, "-42"},
        WriteCase{"LongMax", [](Statement& s) { s << int32_t(2147483647); }, "2147483647"},
        WriteCase{"DoubleSum", [](Statement& s) { s << (0.1 + 0.2); }, "0.3"},
        WriteCase{"DoubleHalf", [](Statement& s) { s << 1234.5; }, "1234.5"},
        WriteCase{"DoubleTwoAndAHalf", [](Statement& s) { s << 2.5; }, "2.5"},
        WriteCase{"DoubleWhole", [](Statement& s) { s << 3.0; }, "3"},
        WriteCase{"DoubleNegative", [](Statement& s) { s << -0.75; }, "-0.75"},
        WriteCase{"DoubleLarge", [](Statement& s) { s << 1e20; }, "1E+20"},
        WriteCase{"DoubleZero", [](Statement& s) { s << 0.0; }, "0"},
        WriteCase{"Text", [](Statement& s) { s << "'" << std::string("Bilbao") << "'"; }, "'Bilbao'"},
        WriteCase{"TextWithBlanks", [](Statement& s) { s << "'" << std::string("  a b  ") << "'"; },
                  "'  a b  '"},
        WriteCase{"TextWithQuotes", [](Statement& s) { s << "'" << std::string("say \"hi\"") << "'"; },
                  "'say \"hi\"'"},
        WriteCase{"EmptyText", [](Statement& s) { s << "'" << std::string() << "'"; }, "''"},
        WriteCase{"TextView", [](Statement& s) { s.text(std::string_view("ñandú")); }, "ñandú"}),
    [](const auto& info) { return info.param.name; });

TEST(Statement, FixedTextsStayExactlyAsWrittenBlanksIncluded) {
  const int32_t secdec = 17;
  const std::string nif = "12345678Z";
  Statement s("UPDATE T02_DECLARACIONES SET T02_IMPFIN = ");
  s << 10.25 << " WHERE T02_SECDEC = " << secdec << "  AND  T01_NIF='" << nif << "' ";
  EXPECT_EQ(s.sql(),
            "UPDATE T02_DECLARACIONES SET T02_IMPFIN = 10.25 WHERE T02_SECDEC = 17  AND  "
            "T01_NIF='12345678Z' ");
}

TEST(Statement, DoublesIgnoreTheLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  // A locale with a decimal comma, where the machine has one.
  bool changed = std::setlocale(LC_NUMERIC, "es_ES.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  Statement s;
  s << 1234.5;
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(s.sql(), "1234.5") << (changed ? "with a decimal-comma locale" : "in the C locale");
}

struct ApostropheCase {
  std::string name;
  std::string value;
};

class Apostrophes : public ::testing::TestWithParam<ApostropheCase> {};

TEST_P(Apostrophes, MakeTheStatementFailWithTheSyntaxError) {
  Statement s("INSERT INTO T01_DECLARANTES (T01_NOMBRE) VALUES ('");
  s << GetParam().value << "')";
  EXPECT_FALSE(s.valid());
  try {
    (void)s.sql();
    FAIL() << "an apostrophe inside a value must not reach the engine";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), engine::kSyntaxErrorInExpression);
    EXPECT_EQ(e.source(), "DAO.Database");
    EXPECT_NE(e.description().find("INSERT INTO T01_DECLARANTES"), std::string::npos) << e.description();
  }
}

INSTANTIATE_TEST_SUITE_P(Values, Apostrophes,
                         ::testing::Values(ApostropheCase{"Inside", "O'Donnell"},
                                           ApostropheCase{"Alone", "'"},
                                           ApostropheCase{"Injection", "x'); DELETE FROM T01_DECLARANTES; --"},
                                           ApostropheCase{"AtTheEnd", "abc'"}),
                         [](const auto& info) { return info.param.name; });

TEST(Statement, AnApostropheInFixedTextIsNoValue) {
  Statement s("SELECT * FROM T WHERE A='");
  s << "x" << "'";
  EXPECT_TRUE(s.valid());
  EXPECT_EQ(s.sql(), "SELECT * FROM T WHERE A='x'");
}

TEST(Statement, TextsThatAreNotLiteralsAreValues) {
  const char* fromOutside = "it's";
  Statement s("A='");
  s.text(fromOutside) << "'";
  EXPECT_FALSE(s.valid());
  EXPECT_EQ(s.written(), "A='it's'");
}

}  // namespace
}  // namespace svrZIVE
