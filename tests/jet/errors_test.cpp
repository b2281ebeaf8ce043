// Errors of translation (Jet's numbers) and statements that try to break out
// of their text values.
#include "engine/jet/errors.h"
#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

class Errors : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("V", {{"D", DaoType::Double}, {"L", DaoType::Long}, {"T", DaoType::Text, 20}});
    addTable("W", {{"L", DaoType::Long}, {"X", DaoType::Text, 20}});
    execSqlite("INSERT INTO V VALUES (1, 1, 'a'), (2, 2, 'b')");
  }
};

TEST_F(Errors, Numbers) {
  const struct { const char* jet; int32_t number; } cases[] = {
      {"SELECT * FROM NOPE", 3078}, {"SELECT D FROM V INNER JOIN NOPE ON V.L = NOPE.L", 3078},
      {"DELETE FROM NOPE", 3078}, {"UPDATE NOPE SET A = 1", 3078}, {"INSERT INTO NOPE (A) VALUES (1)", 3078},
      {"SELECT NOPE FROM V", 3061}, {"SELECT D FROM V WHERE NOPE = 1", 3061}, {"SELECT V.NOPE FROM V", 3061},
      {"SELECT W.D FROM V", 3061}, {"SELECT D FROM V ORDER BY NOPE", 3061}, {"UPDATE V SET NOPE = 1", 3061},
      {"INSERT INTO V (T) VALUES (NOPE)", 3061}, {"SELECT L FROM V, W", 3079}, {"SELECT Foo(D) FROM V", 3085},
      {"SELECT printf('%d', L) FROM V", 3085}, {"SELECT substr(T, 1, 1) FROM V", 3085},
      {"SELECT coalesce(T, 'x') FROM V", 3085}, {"SELECT D FROM V WHERE D = = 1", 3075}, {"SELECT D E FROM V", 3075},
      {"SELECT D FROM V WHERE T = 'x", 3075}, {"SELECT D FROM V WHERE D = 12abc", 3075},
      {"SELECT D FROM V WHERE D = @x", 3075}, {"SELECT D FROM V WHERE T = [x", 3075},
      {"SELECT D FROM V WHERE D = 1 AND", 3075}, {"SELECT D FROM V WHERE (D = 1", 3075},
      {"SELECT D FROM V WHERE D = 1)", 3075}, {"SELECT D FROM V WHERE D Between 1", 3075},
      {"SELECT D FROM V WHERE D In ()", 3075}, {"SELECT D FROM V WHERE D In (SELECT L, X FROM W)", 3306},
      {"SELECT D FROM V WHERE T = \"a\" \"b\"", 3075}, {"SELECT D FROM V WHERE D = 1 GROUP D", 3075},
      {"SELECT D FROM V WHERE D == 1", 3075}, {"SELECT D FROM V WHERE D != 1", 3075},
      {"SELECT D FROM V WHERE D = 0x10", 3075}, {"SELECT D FROM V WHERE T = ?", 3075},
      {"SELECT D FROM V WHERE D = 1 /* x */", 3075}, {"SELECT D, FROM V", 3075}, {"SELECT TOP x D FROM V", 3075},
      {"SELECT TOP 0 D FROM V", 3075}, {"SELECT TOP 101 PERCENT D FROM V", 3075}, {"SELECT Left(T) FROM V", 3075},
      {"SELECT IIf(D, 1) FROM V", 3075}, {"SELECT count(*, D) FROM V", 3075}, {"SELECT D FROM", 3131},
      {"SELECT D FROM V INNER JOIN W", 3131}, {"SELECT D FROM V JOIN W ON V.L = W.L", 3131},
      {"SELECT D FROM V,, W", 3131}, {"SELECT D FROM V W X", 3131}, {"SELECT D FROM (V", 3131}, {"DELETE V", 3131},
      {"SELECT V.D FROM V, V", 3131}, {"SELECT x.D FROM V AS x, W x", 3131}, {"INSERT V (T) VALUES ('a')", 3134},
      {"INSERT INTO V (T) VALUE ('a')", 3134}, {"INSERT INTO V (T) VALUES ('a'", 3134},
      {"INSERT INTO V (T VALUES ('a')", 3134}, {"INSERT INTO V (T) VALUES ('O'Brien')", 3134},
      {"UPDATE V T = 1", 3144}, {"UPDATE V SET T = 'O'Brien' WHERE L = 1", 3144}, {"UPDATE V SET T 'x'", 3144},
      {"UPDATE V SET", 3144}, {"UPDATE V SET T = 'x' WHERE T = 'O'Brien'", 3075}, {"SELEC D FROM V", 3129},
      {"", 3129}, {";", 3129}, {"PRAGMA table_info(V)", 3129}, {"WITH x AS (SELECT 1) SELECT * FROM x", 3129},
      {"SELECT D FROM V; DELETE FROM V", 3142}, {"DELETE FROM V;;", 3142}, {"SELECT D FROM V ORDER BY D DESCX", 3075},
      {"SELECT D FROM V ORDER D", 3138}, {"INSERT INTO V (T, T) VALUES ('a', 'b')", 3191},
      {"INSERT INTO V (T, t) VALUES ('a', 'b')", 3191}, {"CREATE TABLE X (A TEXT, a LONG)", 3191},
      {"INSERT INTO V (NOPE) VALUES (1)", 3127}, {"INSERT INTO V (T) VALUES (1, 2)", 3346},
      {"INSERT INTO V VALUES (1, 2)", 3346}, {"INSERT INTO V (T, L) SELECT X FROM W", 3346},
      {"SELECT D FROM V WHERE count(*) > 1", 3096}, {"SELECT max(count(*)) FROM V", 3096},
      {"SELECT T, count(*) FROM V", 3122}, {"SELECT T, count(*) FROM V GROUP BY L", 3122},
      {"SELECT L * 2, count(*) FROM V", 3122}, {"SELECT L FROM V ORDER BY count(*)", 3122},
      {"SELECT L FROM V GROUP BY L * 10", 3122}, {"SELECT L, count(*) FROM V GROUP BY L HAVING D > 1", 3122},
      {"SELECT L, count(*) FROM V GROUP BY L ORDER BY T", 3122},
      {"SELECT IIf(T = 'a', 1, 0) FROM V GROUP BY L", 3122}, {"INSERT INTO V (T) VALUES ('abc' + 1)", 3464},
      {"SELECT D FROM V WHERE T > 1", 3464}, {"SELECT D FROM V WHERE T & 'x' = 1", 3464},
  };
  for (const auto& c : cases) {
    Failure f = failure(c.jet);
    EXPECT_EQ(f.number, c.number) << c.jet << " -> " << f.description;
    EXPECT_FALSE(f.description.empty()) << c.jet;
  }
}

TEST_F(Errors, DescriptionsNameWhatIsAtFault) {
  EXPECT_EQ(failure("SELECT D FROM V WHERE T = 'O'Brien'").description,
            "Syntax error in query expression 'T = 'O'Brien''.");
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT * FROM NOPE", "'NOPE'"}, {"SELECT NOPE, D FROM V", "'NOPE'"}, {"SELECT NOPE, D FROM V", "expected 1"},
      {"SELECT NOPE, NADA FROM V", "expected 2"}, {"SELECT Foo(D) FROM V", "'Foo'"},
      {"INSERT INTO V (T, T) VALUES ('a', 'b')", "'T'"}, {"SELECT D FROM V INNER JOIN W", "FROM"},
  };
  for (const auto& [sql, named] : cases) {
    const std::string description = failure(sql).description;
    EXPECT_NE(description.find(named), std::string::npos) << sql << ": " << description;
  }
}

TEST_F(Errors, ApostrophesCannotEscapeTheirText) {
  // The system writes texts between apostrophes without doubling them (the
  // table of numbers above has the plain cases); the whole value stays one
  // text. Double-quoted texts are texts, never names, and keep their
  // apostrophes; names with quotes stay names.
  expectResults({
      {"DELETE FROM V WHERE T = 'a' OR T = 'x'; DELETE FROM V", "error 3142"},
      {"DELETE FROM V WHERE T = 'x'';DELETE FROM V WHERE ''1'='1'", ""}, {"SELECT count(*) FROM V", "(2)"},
      {"SELECT D FROM V WHERE T = 'x' --'", "error 3075"}, {"SELECT D FROM V WHERE T = 'x' -- comment", "error 3061"},
      {"INSERT INTO V (T) VALUES ('a'); DROP TABLE V; --')", "error 3142"}, {"SELECT count(*) FROM V", "(2)"},
      {"SELECT count(*) FROM V WHERE T = \"x' OR 'x'='x\"", "(0)"},
      {"SELECT count(*) FROM V WHERE T = 'x'' OR ''x''=''x'", "(0)"}, {"INSERT INTO V (T) VALUES (\"it's\")", ""},
      {"SELECT T FROM V WHERE T = 'it''s'", "('it's')"}, {"SELECT count(*) FROM V WHERE T = \"D\"", "(0)"},
      {"SELECT [a\"b] FROM V", "error 3061"},
  });
}

TEST_F(Errors, NothingOfSqliteLeaks) {
  // & is not a bitwise and, "x" is not a name, || is not concatenation, % is
  // not modulo, ORDER BY a number sorts by a constant, not by a column
  // position, and rowid is no column of ours.
  expectResults({
      {"SELECT 6 & 3 FROM V WHERE L = 1", "('63')"}, {"SELECT \"L\" FROM V WHERE L = 1", "('L')"},
      {"SELECT T || 'x' FROM V", "error 3075"}, {"SELECT L % 2 FROM V", "error 3075"},
      {"SELECT T, L FROM V ORDER BY 1, L DESC", "('b',2)('a',1)"},
      {"SELECT T, L FROM V GROUP BY T, L, 2 ORDER BY L DESC", "('b',2)('a',1)"},
      {"SELECT rowid FROM V", "error 3061"},
  });
}

// Statements made to exhaust the translator or the matcher are refused or quick, never crashing.
TEST_F(Errors, DeepExpressionsAreRefusedAndLikeWithManyStarsIsQuick) {
  auto times = [](int n, const std::string& text) { std::string out; while (n-- > 0) out += text; return out; };
  const std::string text(2000, 'a'), stars = times(30, "*a");
  expectResults({
      {"SELECT D FROM V WHERE " + times(5000, "(") + "1" + times(5000, ")") + " = 1", "error 3360"},
      {"SELECT D FROM V WHERE L = 0" + times(3000, " OR L = 7"), "error 3360"},
      {"SELECT " + times(5000, "-") + "1 FROM V", "error 3360"},
      {"SELECT * FROM " + times(3000, "(SELECT * FROM ") + "V) AS x" + times(2999, ") AS x"), "error 3360"},
      {"SELECT L FROM V WHERE L = " + times(40, "(0 + ") + "1" + times(40, ")"), "error 3360"},
      // Ordinary sizes pass: a hundred conditions, a long chain of sums, a few nested sums.
      {"SELECT count(*) FROM V WHERE L = 0" + times(100, " OR L = 2"), "(1)"},
      {"SELECT count(*) FROM V WHERE L < 1" + times(150, " - L * 2 + L * 2"), "(0)"},
      {"SELECT L FROM V WHERE L = " + times(10, "(0 + ") + "1" + times(10, ")"), "(1)"},
      {"SELECT count(*) FROM V WHERE '" + text + "' Like '" + stars + "*b'", "(0)"},
      {"SELECT count(*) FROM V WHERE '" + text + "b' Like '" + stars + "*b'", "(2)"},
  });
}

TEST(JetErrorList, HoldsEveryNumberOnceWithItsText) {
  int32_t previous = 0;
  for (const auto& e : jetErrorTexts()) {
    EXPECT_GT(e.number, previous) << "out of order or twice: " << e.number;
    EXPECT_FALSE(e.text.empty()) << e.number;
    previous = e.number;
  }
}

}  // namespace
}  // namespace svrZIVE::engine::jet::testing
