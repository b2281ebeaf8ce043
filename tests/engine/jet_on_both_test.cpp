// The dialect's operators and functions give the same value, or the same
// error, on a local file and on a server: one case each where PostgreSQL's
// own rules differ from Jet's.
#include "engine/pg_functions.h"
#include "tests/engine/both_backends.h"

namespace svrZIVE::engine::testing {
namespace {

class JetOnBothTest : public BothBackendsTest {
 protected:
  JetOnBothTest()
      : BothBackendsTest({"CREATE TABLE T (S TEXT(20), T10 TEXT(5), N LONG, D DOUBLE, DT DATETIME, Z TEXT(5), A DECIMAL(20, 4))",
                          "INSERT INTO T (S, T10, N, D, DT, A) VALUES ('abc', '10', 5, 2.5, #1/31/2014 12:30#, "
                          "'-1234567890123456.78905')"}) {}
  // The value of `expression` over the row, as text ("Null" for Null).
  std::string value(const std::string& expression) {
    auto rs = db->openRecordset("SELECT " + expression + " FROM T");
    const Variant v = rs->value(0);
    return v.isNull() ? "Null" : v.toText();
  }
};

TEST_P(JetOnBothTest, ExpressionsGiveTheSameValue) {
  const std::pair<const char*, const char*> cases[] = {
      // & with Null, numbers written as the runtime writes them; + of texts; comparisons of text and number
      {"S & Z & N & D", "abc52.5"}, {"Z & Null", "Null"}, {"0.1 + 0.2 & ''", "0.3"}, {"T10 + S", "10abc"},
      {"T10 + N", "15"}, {"CVar(S)", "abc"}, {"CVar(T10) + 'x\"y'", "10x\"y"},
      {"IIf(T10 > 9, 'y', 'n')", "y"}, {"IIf(T10 = N * 2, 'y', 'n')", "y"},
      {"N & Format(N, '000') & Z", "5005"}, {"Z & Z", "Null"}, {"IIf(T10 & N <= 105, 'y', 'n')", "y"},
      {"IIf(DT > '1/1/2014', 'y', 'n')", "y"}, {"IIf(N = 5, 1, CLng('x'))", "1"}, {"IIf(S = 'ABC', 'y', 'n')", "y"},
      // Like: * ? # [a-z] [!a], case ignored, [ and # as themselves
      {"IIf(S Like 'A*', 1, 0)", "1"}, {"IIf(S Like '?B[a-d]', 1, 0)", "1"}, {"IIf(S Like '[!a]*', 1, 0)", "0"},
      {"IIf(T10 Like '#0', 1, 0)", "1"}, {"IIf('[x' Like '[[]x', 1, 0)", "1"}, {"IIf('a.c' Like 'a.c', 1, 0)", "1"},
      {"IIf(S Like 'a.c', 1, 0)", "0"}, {"IIf(Z Like '*', 1, 0)", "0"},
      // Format: the pattern of the rate lookups, custom and named formats, dates
      {"Format(N, '00')", "05"}, {"Format(D * 1000, '#,##0.00')", "2,500.00"}, {"Format(2.675, 'Fixed')", "2.68"},
      {"Format(-N, '0;(0)')", "(5)"}, {"Format(0.256, 'Percent')", "25.60%"}, {"Format(12345, 'Scientific')", "1.23E+04"},
      {"Format(DT, 'dd/mm/yyyy hh:nn')", "31/01/2014 12:30"}, {"Format(DT, 'Long Date')", "Friday, January 31, 2014"},
      {"Format(DT)", "1/31/2014 12:30:00 PM"}, {"Format(S, '00')", "abc"}, {"Format(Z)", "Null"},
      // text functions: Null passes, Mid beyond the end, compare modes
      {"Left(S, 2) & Right(S, 5) & Mid(S, 9)", "ababc"}, {"Mid(S, 2, 1)", "b"}, {"Len(Z)", "Null"}, {"Len(N)", "1"},
      {"Trim('  a ') & '|'", "a|"}, {"UCase('ñé')", "ÑÉ"}, {"InStr(S, 'C')", "3"}, {"InStr(2, 'abcb', 'b', 0)", "2"},
      {"InStrRev('abcb', 'b')", "4"}, {"Replace('aXbx', 'x', '-')", "a-b-"}, {"StrComp('a', 'A')", "0"},
      {"StrComp('a', 'A', 0)", "1"}, {"StrConv('hello wORLD', 3)", "Hello World"}, {"Asc('€') & Chr(128)", "128€"},
      {"Str(-0.5) & Str(3)", "-.5 3"}, {"Mid$(S, 2, 1) & Left$ (S, 1) & UCase$(Z & 'x') & Str$(N)", "baX 5"}, {"String(3, 'xy') & Space(1) & StrReverse(S)", "xxx cba"},
      // numbers and conversions: banker's rounding, text to number
      {"CInt(2.5) & CInt(3.5) & CLng(-2.5)", "24-2"}, {"CLng(T10) + 1", "11"}, {"CDbl('1e3')", "1000"},
      {"Val(' 12 3.5e2x')", "12350"}, {"Val('abc')", "0"}, {"CBool('true') & CBool(0)", "-10"}, {"CCur(1.23456)", "1.2346"},
      {"Round(2.675, 2)", "2.68"}, {"Round(2.5)", "2"}, {"Int(-2.5) & Fix(-2.5) & Abs(-2) & Sgn(-3)", "-3-22-1"},
      {"7 \\ 2 & 7 Mod 3 & 2 ^ 10", "311024"}, {"Sqr(16) + Exp(0) + Log(1)", "5"}, {"IsNumeric(T10) & IsNumeric(S)", "-10"},
      {"Rnd(-1)", "0.2240070104599"}, {"Rnd()", "3.58458161354065E-02"}, {"CDec('1.10') & IIf(CDec(N) > 4.5, 'y', 'n')", "1.1y"},
      {"First(S) & Last(N) & StDev(N)", "abc5"}, {"Val('&HFFFF') & CLng('&H8002') & CInt('&O100002') & Val('&o17')", "-1-32766-3276615"},
      // Decimals: exact digits, compared as numbers, Doubles' 15 digits
      {"A & '|' & Str(A)", "-1234567890123456.789|-1.23456789012346E+15"},
      {"CStr(Max(A)) & '|' & Len(First(A)) & '|' & Sum(A)", "-1234567890123456.789|21|-1.23456789012346E+15"},
      {"IIf(A > -1234567890123456.5, 'y', 'n') & IIf(A = '-1234567890123456.7890', 'y', 'n') & IIf(A IN (1, A), 'y', 'n')", "yyy"},
      {"CDec('0.12345678901234567890123456789012') & ' ' & CDec(D / 3) & ' ' & Format(A, '0.0')", "0.1234567890123456789012345679 0.833333333333333 -1234567890123460.0"},
      // a Decimal or a date given back as it is, or as one value of several, is read as one
      {"CVar(A)", "-1234567890123456.789"}, {"IIf(N = 5, A, 0)", "-1234567890123456.789"}, {"IIf(N = 6, A, 0)", "0"},
      {"Switch(N = 6, 1, N = 5, A)", "-1234567890123456.789"}, {"Choose(2, 1, A)", "-1234567890123456.789"},
      {"CVar(DT)", "1/31/2014 12:30:00 PM"}, {"IIf(N = 5, DT, Null)", "1/31/2014 12:30:00 PM"}, {"DT + 1", "2/1/2014 12:30:00 PM"},
      // dates: the origin, before 1900, serials, intervals
      {"Year(DT) & Month(DT) & Day(DT) & Hour(DT) & Minute(DT)", "20141311230"}, {"CDate(0)", "12/30/1899"},
      {"Format(CDate(-1.25), 'm/d/yyyy h:nn')", "12/29/1899 6:00"}, {"Year(#1/1/1800#)", "1800"}, {"Weekday(DT)", "6"},
      {"Format(DateSerial(14, 13, 1), 'yyyy-mm-dd')", "2015-01-01"}, {"Format(DateAdd('m', 1, DT), 'm/d/yyyy')", "2/28/2014"},
      {"DateDiff('d', #12/30/1899#, DT)", "41670"}, {"DatePart('ww', DT)", "5"}, {"DatePart('q', DT)", "1"},
      {"MonthName(2, True) & WeekdayName(1)", "FebSunday"}, {"Format(TimeSerial(6, 30, 0), 'hh:nn')", "06:30"},
      {"Format(CDate('2014-01-31 13:30'), 'General Date')", "1/31/2014 1:30:00 PM"}, {"IsDate('2/30/2014')", "False"},
      {"Format(DateValue(DT), 'Short Date') & ' ' & Format(TimeValue(DT), 'Long Time')", "1/31/2014 12:30:00 PM"},
      // date texts: month names, day/month/year when the month cannot come first, a lone hour
      {"Format(CDate('5 March 2020'), 'yyyy-mm-dd') & Format(DateValue('Jan 31, 2014'), ' d/m') & IsDate('31/1/2014')", "2020-03-05 31/1-1"},
      {"IsDate('Ma 5 2020') & Format(CDate('3 PM'), ' hh:nn')", "0 15:00"},
  };
  for (const auto& [expression, expected] : cases) {
    SCOPED_TRACE(expression);
    EXPECT_EQ(value(expression), expected);
  }
}

TEST_P(JetOnBothTest, BadArgumentsFailWithTheSameError) {
  const std::pair<const char*, int32_t> cases[] = {
      {"CLng(S)", kTypeMismatchInExpression}, {"Sqr(S)", kTypeMismatch},   {"CInt(40000)", kOverflow},
      {"CLng(Z)", kInvalidUseOfNull},         {"Mid(S, 0)", kInvalidProcedureCall}, {"Sqr(-1)", kInvalidProcedureCall},
      {"N / 0", 11},                          {"S > N", kTypeMismatchInExpression}, {"S & N > 5", kTypeMismatchInExpression}, {"Year('x')", kTypeMismatch},
      {"DateAdd('x', 1, DT)", kInvalidProcedureCall}, {"Chr(256)", kInvalidProcedureCall}, {"Left(S, Null)", kInvalidUseOfNull},
      {"CDec('x')", kTypeMismatchInExpression}, {"CDec('1e29') + A", kOverflow}, {"CInt('&H10000')", kOverflow},
      {"A > 'x'", kTypeMismatchInExpression}, {"Left$(Z, 1)", kInvalidUseOfNull}, {"Len$(S)", kUndefinedFunction},
  };
  for (const auto& [expression, number] : cases) {
    SCOPED_TRACE(expression);
    EXPECT_JET_ERROR(value(expression), number);
  }
}

// A value written into a field is stored as the field stores it, or fails
// for each row it would be written to, whichever way the statement is run.
TEST_P(JetOnBothTest, WrittenValuesAreStoredAsTheirFieldsStoreThem) {
  const std::pair<const char*, int32_t> writes[] = {
      {"INSERT INTO T (S, N, D) VALUES ('x', '12', '2.5')", 0}, {"INSERT INTO T (S, N) VALUES ('y', 2.5)", 0},
      {"INSERT INTO T (S) VALUES ('abcdefghijklmnopqrstuvwxyz')", kFieldTooSmall},
      {"UPDATE T SET N = 'x' WHERE S = 'none'", 0},           {"UPDATE T SET N = 'x' WHERE S = 'x'", kTypeMismatchInExpression},
      {"UPDATE T SET N = 3000000000 WHERE S = 'y'", kOverflow},
      {"UPDATE T SET A = '12.34565' WHERE S = 'x'", 0},       {"UPDATE T SET A = 1E16 WHERE S = 'y'", kNumericFieldOverflow},
  };
  for (int round = 0; round < 2; ++round)  // the second from the statement kept
    for (const auto& [sql, number] : writes) {
      SCOPED_TRACE(sql);
      if (number == 0) db->execute(sql);
      else EXPECT_JET_ERROR(db->execute(sql), number);
    }
  EXPECT_EQ(value("Sum(N) & '/' & Sum(D) & '/' & Max(A)"), "33/7.5/12.3456");  // 5 + 2 * (12 + 2), 2.5 + 2 * 2.5
}

// TOP keeps the rows that tie with the last one, in the order the rows were
// written where they tie.
TEST_P(JetOnBothTest, TopKeepsTies) {
  for (const char* s : {"'b'", "'c'", "'d'"}) db->execute(std::string("INSERT INTO T (S, N) VALUES (") + s + ", 3)");
  auto rs = db->openRecordset("SELECT TOP 2 S FROM T ORDER BY N");
  std::string rows;
  for (; !rs->eof(); rs->moveNext()) rows += rs->value(0).toText();
  EXPECT_EQ(rows, "bcd");
}

// A server database made before the functions of this version (here: one
// without them) gets them when it is opened.
TEST_P(JetOnBothTest, AnOlderServerDatabaseGetsTheFunctionsWhenOpened) {
  if (GetParam() == Backend::File) GTEST_SKIP() << "a file's functions live in the program";
  db->close();
  ServerAdmin().value("DROP FUNCTION " + schema_->name() + "." + std::string(detail::kFunctionsVersion) +
                      "(); DROP FUNCTION " + schema_->name() + ".jet_concat(jsonb[])");
  db = openDb();
  EXPECT_EQ(value("S & N"), "abc5");
}

// A table changed behind the engine's back is read as the server holds it:
// here a column added to a table of ours, which the catalog does not describe.
TEST_P(JetOnBothTest, AColumnAddedBehindTheEnginesBackIsReadAsTheServerHoldsIt) {
  if (GetParam() == Backend::File) GTEST_SKIP() << "a file is changed through the engine only";
  db->close();
  ServerAdmin().value("ALTER TABLE " + schema_->name() + ".\"T\" ADD COLUMN extra varchar(4) DEFAULT 'x'");
  db = openDb();
  EXPECT_EQ(value("EXTRA & N"), "x5");
  EXPECT_EQ(db->tableDefs().item("t")->fields().item("Extra")->size(), 4);
  EXPECT_EQ(db->tableDefs().item("T")->fields().count(), 8);
}

INSTANTIATE_ON_BOTH_BACKENDS(JetOnBothTest);

// A table another tool made on the server has no rowids of ours: its rows
// are read (in order, in derived tables, by First and Last) and changed by
// statements; a recordset over it is read-only.
TEST_P(JetOnBothTest, ATableAnotherToolMadeOnTheServerIsRead) {
  if (GetParam() == Backend::File) GTEST_SKIP() << "every table of a file has rowids";
  ServerAdmin().value("CREATE TABLE " + schema_->name() + ".made (a integer, b text); INSERT INTO " +
                      schema_->name() + ".made VALUES (2, 'y'), (1, 'x')");
  auto read = [&](const std::string& sql) {
    std::string out;
    for (auto rs = db->openRecordset(sql); !rs->eof(); rs->moveNext())
      for (int32_t i = 0; i < rs->fields().count(); ++i) out += rs->value(i).toText() + "|";
    return out;
  };
  EXPECT_EQ(read("SELECT a, b FROM made ORDER BY b DESC"), "2|y|1|x|");
  EXPECT_EQ(read("SELECT First(x) & Last(x) FROM (SELECT b AS x FROM made) AS d"), "yx|");
  EXPECT_EQ(read("SELECT d.b, T.N FROM (SELECT b, a FROM made WHERE a > 1) AS d, T"), "y|5|");
  db->execute("UPDATE made SET b = 'z' WHERE a = 2");
  auto rs = db->openRecordset("SELECT * FROM made WHERE a = 2");
  EXPECT_EQ(rs->value("b").toText(), "z");
  EXPECT_JET_ERROR(rs->edit(), kReadOnlyDatabase);
}

}  // namespace
}  // namespace svrZIVE::engine::testing
