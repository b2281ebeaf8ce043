// Expressions: operators, conversions, comparisons and functions, evaluated
// through SQLite with the Jet functions registered.
#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

struct Case {
  const char* jet;       // an expression
  const char* expected;  // show() of its value
};

class Expressions : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("V", {{"D", DaoType::Double},
                   {"L", DaoType::Long},
                   {"I", DaoType::Integer},
                   {"T", DaoType::Text, 20},
                   {"B", DaoType::Boolean},
                   {"N", DaoType::Double}});
    execSqlite("INSERT INTO V VALUES (2014, 3, 7, '0042', -1, NULL)");
  }

  std::string eval(const std::string& expression) {
    try {
      return show(scalar("SELECT " + expression + " FROM V"));
    } catch (const AutomationError& e) {
      return "error " + std::to_string(e.number());
    } catch (const Failure& f) {
      return "error " + std::to_string(f.number);
    }
  }
};

TEST_F(Expressions, Values) {
  const Case cases[] = {
      // & : Null as the empty text, numbers as the runtime writes them.
      {"D & L", "'20143'"}, {"D & '/' & T", "'2014/0042'"}, {"N & 'x'", "'x'"}, {"N & N", "<null>"},
      {"Null & Null", "<null>"}, {"B & ''", "'-1'"}, {"2.5 & ''", "'2.5'"}, {"1E+15 & ''", "'1E+15'"},
      {"5.6789E-12 & ''", "'5.6789E-12'"}, {"0.1 + 0.2 & ''", "'0.3'"},
      // + adds numbers, joins texts.
      {"L + I", "10"}, {"'ab' + 'cd'", "'abcd'"}, {"T + 1", "43"}, {"N + 1", "<null>"}, {"'x' + 1", "error 3464"},
      // Arithmetic.
      {"7 / 2", "3.5"}, {"L / 2", "1.5"}, {"7 \\ 2", "3"},
      {"7.5 \\ 2", "4"},   // 7.5 rounds to 8 first
      {"6.5 \\ 2", "3"},   // 6.5 rounds to 6 first
      {"-7 \\ 2", "-3"}, {"7 Mod 3", "1"}, {"-7 Mod 3", "-1"},
      {"7.5 Mod 3", "2"},  // 8 Mod 3
      {"2 ^ 10", "1024"}, {"2 ^ -1", "0.5"}, {"-2 ^ 2", "-4"}, {"2 + 3 * 4", "14"}, {"(2 + 3) * 4", "20"},
      {"10 - 2 - 3", "5"}, {"1 / 0", "error 11"}, {"1 \\ 0", "error 11"}, {"'12' * 2", "24"}, {"-T", "-42"},
      // Booleans are -1 / 0.
      {"True", "-1"}, {"False", "0"}, {"1 = 1", "-1"}, {"1 = 2", "0"}, {"Not (1 = 2)", "-1"}, {"N = 1", "<null>"},
      {"B = True", "-1"},
      // IIf.
      {"IIf(L > 2, 'big', 'small')", "'big'"}, {"IIf(N > 2, 'big', 'small')", "'small'"}, {"IIf(B, 1, 2)", "1"},
      // Conversions.
      {"Val('12abc')", "12"}, {"Val(' 1 2 3')", "123"}, {"Val('abc')", "0"}, {"Val('-1.5e2x')", "-150"},
      {"Val('&HFF')", "255"}, {"CStr(D)", "'2014'"}, {"CStr(2.5)", "'2.5'"}, {"CLng(2.5)", "2"}, {"CLng(3.5)", "4"},
      {"CLng('12')", "12"}, {"CInt(40000)", "error 6"}, {"CInt('x')", "error 3464"}, {"CLng(N)", "error 94"},
      {"CDbl('1.25')", "1.25"}, {"CByte(256)", "error 6"},
      // Text functions.
      {"Left('abcdef', 2)", "'ab'"}, {"Right('abcdef', 2)", "'ef'"}, {"Mid('abcdef', 2, 3)", "'bcd'"},
      {"Mid('abcdef', 5)", "'ef'"}, {"Mid('abc', 9)", "''"}, {"Left(D, 2)", "'20'"}, {"Left(N, 2)", "<null>"},
      {"Left('abc', -1)", "error 5"}, {"Len('ñandú')", "5"}, {"Len(N)", "<null>"}, {"Trim('  a b  ')", "'a b'"},
      {"LTrim('  a ')", "'a '"}, {"RTrim('  a ')", "'  a'"}, {"UCase('árbol')", "'ÁRBOL'"}, {"LCase('ÑU')", "'ñu'"},
      {"InStr('abcabc', 'C')", "3"}, {"InStr(4, 'abcabc', 'c')", "6"}, {"InStr('abc', 'x')", "0"},
      {"InStr('abc', '')", "1"}, {"Abs(-3)", "3"}, {"Abs(-2.5)", "2.5"}, {"Int(-2.5)", "-3"}, {"Int(2.7)", "2"},
      {"Fix(-2.5)", "-2"}, {"Round(2.5)", "2"}, {"Round(2.675, 2)", "2.68"},
      // Format.
      {"Format(3, '00')", "'03'"}, {"Format(12, '00')", "'12'"}, {"Format(123, '00')", "'123'"},
      {"Format(3, '0')", "'3'"}, {"Format(3, '#0')", "'3'"}, {"Format(0, '#0')", "'0'"}, {"Format(0, '#')", "''"},
      {"Format(2016, '####')", "'2016'"}, {"Format(1.5, '0.00')", "'1.50'"}, {"Format(2.675, '0.00')", "'2.68'"},
      {"Format(0.125, '0.00')", "'0.13'"}, {"Format(2.5, '0')", "'3'"}, {"Format(-5, '00')", "'-05'"},
      {"Format(1234567.891, '#,##0.00')", "'1,234,567.89'"}, {"Format(0.256, '0%')", "'26%'"},
      {"Format(1234, '0.00E+00')", "'1.23E+03'"}, {"Format(-3, '0;(0)')", "'(3)'"},
      {"Format(0, '0;(0);\"zero\"')", "'zero'"}, {"Format(1, 'Yes/No')", "'Yes'"},
      {"Format(1234.5, 'Standard')", "'1,234.50'"}, {"Format(T, '00000')", "'00042'"},
      {"Format('abc', '00')", "'abc'"}, {"Format(N, '00')", "<null>"},
      {"Format(D, '####') & Format(I, '#0')", "'20147'"},
      // The runtime's text functions: Null passes through most, 94 where the
      // runtime refuses it, 5 for an argument out of range, 13 for a text
      // that is no number.
      {"Asc('abc')", "97"}, {"Asc('€')", "128"}, {"Asc('')", "error 5"}, {"Asc(N)", "error 94"},
      {"Chr(65) & Chr(241)", "'Añ'"}, {"Chr(128)", "'€'"}, {"Chr(-1)", "error 5"}, {"Chr(256)", "error 5"},
      {"Chr('x')", "error 13"}, {"Str(42)", "' 42'"}, {"Str(-0.5)", "'-.5'"}, {"Str(N)", "<null>"},
      {"Str('x')", "error 13"}, {"'[' & Space(3) & ']'", "'[   ]'"}, {"Space(-1)", "error 5"},
      {"String(3, 'xy')", "'xxx'"}, {"String(2, 42)", "'**'"}, {"String(N, 'x')", "<null>"},
      {"String(1, '')", "error 5"}, {"StrComp('abc', 'ABC')", "0"}, {"StrComp('abc', 'ABC', 0)", "1"},
      {"StrComp('a', 'b', 1)", "-1"}, {"StrComp(N, 'a')", "<null>"}, {"StrComp('a', 'b', 7)", "error 5"},
      {"StrConv('hello wORLD', 3)", "'Hello World'"}, {"StrConv('ab', 1)", "'AB'"}, {"StrConv('AB', 2)", "'ab'"},
      {"StrConv('ab', 9)", "error 5"}, {"InStr(1, 'abcABC', 'C', 0)", "6"}, {"InStr(1, 'abcABC', 'C', 1)", "3"},
      {"InStr(0, 'abc', 'a')", "error 5"}, {"InStrRev('abcabc', 'b')", "5"}, {"InStrRev('abcabc', 'b', 4)", "2"},
      {"InStrRev('abcabc', 'B', -1, 0)", "0"}, {"InStrRev('abc', 'a', 0)", "error 5"},
      {"InStrRev(N, 'a')", "<null>"}, {"Replace('aXbxc', 'x', '-')", "'a-b-c'"},
      {"Replace('aXbxc', 'x', '-', 1, -1, 0)", "'aXb-c'"}, {"Replace('abcabc', 'b', '', 3, 1)", "'cac'"},
      {"Replace(N, 'a', 'b')", "error 94"}, {"Replace('a', 'a', 'b', 0)", "error 5"},
      {"StrReverse('ñab')", "'bañ'"}, {"StrReverse(N)", "error 94"},
      // Tests of a value.
      {"IsNull(N)", "-1"}, {"IsNull(T)", "0"}, {"IsNumeric(T)", "-1"}, {"IsNumeric('1x')", "0"},
      {"IsNumeric(N)", "0"}, {"IsEmpty(N)", "0"}, {"IsEmpty(L)", "0"},
      {"Switch(L = 1, 'one', L = 3, 'three')", "'three'"}, {"Switch(L = 9, 'nine')", "<null>"},
      {"Choose(2, 'a', 'b', 'c')", "'b'"}, {"Choose(2.9, 'a', 'b')", "'b'"}, {"Choose(4, 'a', 'b')", "<null>"},
      {"Choose(N, 'a')", "<null>"}, {"CVar(T)", "'0042'"}, {"CCur(1.23456)", "1.2346"}, {"CCur(N)", "error 94"},
      {"CCur(1E+16)", "error 6"},
      // Numbers.
      {"Sqr(16)", "4"}, {"Sqr(-1)", "error 5"}, {"Sqr(N)", "<null>"}, {"Exp(0)", "1"}, {"Exp(1000)", "error 6"},
      {"Log(1)", "0"}, {"Log(0)", "error 5"}, {"Sin(0) + Cos(0) + Tan(0)", "1"}, {"Atn(1) * 4", "3.14159265358979"},
      {"Sqr('x')", "error 13"},
      // Rnd(negative) seeds the generator as the runtime does; Rnd(0) repeats the last number.
      {"Rnd(-1)", "0.2240070104599"}, {"Rnd(-1) + Rnd(0)", "0.4480140209198"}, {"Rnd(N)", "error 94"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.jet), c.expected) << c.jet << " -> " << last_.sql;
}

TEST_F(Expressions, Comparisons) {
  const Case cases[] = {
      // A text against a number compares as numbers when it reads as one.
      {"D & L <= 20143", "-1"}, {"D & L < 20143", "0"}, {"20144 > D & L", "-1"},
      {"D & Format(L, '00') <= 201403", "-1"}, {"D & Format(L, '00') = 201403", "-1"},
      {"D & Format(L, '00') = '201403'", "-1"}, {"T = 42", "-1"}, {"42 = T", "-1"},
      {"T = '42'", "0"},   // texts compare as texts
      {"T & 'x' = 42", "error 3464"}, {"1 < 'x'", "error 3464"},
      // Texts ignore letter case, accents count.
      {"'ÁRBOL' = 'árbol'", "-1"}, {"'a' = 'á'", "0"}, {"'abc' < 'ABD'", "-1"}, {"'B' > 'a'", "-1"},
      {"'ñ' > 'n'", "-1"}, {"'ñ' < 'o'", "-1"},
      // Like.
      {"'abc' Like 'a*'", "-1"}, {"'ABC' Like 'a*'", "-1"}, {"'abc' Like 'a?c'", "-1"}, {"'abc' Like 'a?'", "0"},
      {"'a1c' Like 'a#c'", "-1"}, {"'abc' Like 'a#c'", "0"}, {"'b' Like '[a-c]'", "-1"}, {"'B' Like '[a-c]'", "-1"},
      {"'d' Like '[a-c]'", "0"}, {"'d' Like '[!a-c]'", "-1"}, {"'*' Like '[*]'", "-1"}, {"'x*' Like 'x[*]'", "-1"},
      {"'xy' Like 'x[*]'", "0"}, {"'ÁRBOL' Like 'árb*'", "-1"}, {"'arbol' Like 'árb*'", "0"}, {"'' Like '*'", "-1"},
      {"'abc' Not Like 'a*'", "0"}, {"N Like '*'", "<null>"}, {"D Like '20*'", "-1"}, {"'a%' Like 'a%'", "-1"},
      {"'ab' Like 'a%'", "0"}, {"'a_' Like 'a_'", "-1"}, {"'ab' Like 'a_'", "0"},
      // In, Between, Is Null.
      {"L In (1, 2, 3)", "-1"}, {"L In (1, 2)", "0"}, {"L Not In (1, 2)", "-1"}, {"'B' In ('a', 'b')", "-1"},
      {"T In (1, 42)", "-1"}, {"L Between 1 And 3", "-1"}, {"L Between 4 And 9", "0"},
      {"L Not Between 4 And 9", "-1"}, {"'b' Between 'A' And 'C'", "-1"}, {"T Between 40 And 50", "-1"},
      {"N Is Null", "-1"}, {"N Is Not Null", "0"}, {"D Is Null", "0"},
      // Logic with Null.
      {"N = 1 Or 1 = 1", "-1"}, {"N = 1 And 1 = 2", "0"}, {"N = 1 And 1 = 1", "<null>"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.jet), c.expected) << c.jet << " -> " << last_.sql;
}

}  // namespace
}  // namespace svrZIVE::engine::jet::testing
