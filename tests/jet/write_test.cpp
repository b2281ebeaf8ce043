// INSERT, UPDATE, DELETE and the conversion of every value written.
#include <cmath>

#include "tests/jet/jet_fixture.h"

namespace svrZIVE::engine::jet::testing {
namespace {

ColumnInfo col(DaoType type, int32_t size = 0, bool required = false, bool allowZeroLength = true,
               bool autoIncrement = false) {
  return {.name = "C", .type = type, .size = size, .required = required, .allowZeroLength = allowZeroLength,
          .defaultValue = {}, .ordinalPosition = 0, .autoIncrement = autoIncrement};
}

// expected: show() of the stored value, when no error; else the error number; the stored type when given.
struct StoreCase { Variant value; ColumnInfo column; const char* expected; int32_t error; VarType type = VarType::Empty; };

TEST(StoreValue, ConversionsAndErrors) {
  using D = DaoType;
  using V = VarType;
  const StoreCase cases[] = {
      {Variant(int32_t(5)), col(D::Byte), "5", 0, V::Byte}, {Variant(255.4), col(D::Byte), "255", 0, V::Byte},
      {Variant(255.5), col(D::Byte), nullptr, 6}, {Variant(-1.0), col(D::Byte), nullptr, 6},
      {Variant(2.5), col(D::Integer), "2", 0, V::Integer}, {Variant(3.5), col(D::Integer), "4", 0, V::Integer},
      {Variant(32768.0), col(D::Integer), nullptr, 6}, {Variant(-32769.0), col(D::Integer), nullptr, 6},
      {Variant(-32768.0), col(D::Integer), "-32768", 0}, {Variant(2.5), col(D::Long), "2", 0, V::Long},
      {Variant(-2.5), col(D::Long), "-2", 0}, {Variant(2147483648.0), col(D::Long), nullptr, 6},
      {Variant("12"), col(D::Long), "12", 0, V::Long}, {Variant(" 1.5 "), col(D::Double), "1.5", 0, V::Double},
      {Variant("1E+3"), col(D::Double), "1000", 0}, {Variant("abc"), col(D::Double), nullptr, 3464},
      {Variant(""), col(D::Long), nullptr, 3464}, {Variant(true), col(D::Long), "-1", 0},
      {Variant(int32_t(3)), col(D::Double), "3", 0, V::Double}, {Variant(1.23456789), col(D::Currency), "1.2346", 0},
      {Variant(int32_t(7)), col(D::Boolean), "-1", 0, V::Boolean},
      {Variant(int32_t(0)), col(D::Boolean), "0", 0, V::Boolean}, {Variant("True"), col(D::Boolean), "-1", 0},
      {Variant("x"), col(D::Boolean), nullptr, 3464}, {Variant("abc"), col(D::Text, 3), "'abc'", 0, V::String},
      // Sizes count characters, not bytes.
      {Variant("ÁRBOL"), col(D::Text, 5), "'ÁRBOL'", 0}, {Variant("abcd"), col(D::Text, 3), nullptr, 3163},
      {Variant(2014.0), col(D::Text, 10), "'2014'", 0, V::String}, {Variant(0.1), col(D::Text, 10), "'0.1'", 0},
      {Variant(int32_t(-7)), col(D::Text, 10), "'-7'", 0}, {Variant(""), col(D::Text, 10, false, true), "''", 0},
      {Variant(""), col(D::Text, 10, false, false), nullptr, 3315},
      {Variant(""), col(D::Memo, 0, false, false), nullptr, 3315},
      {Variant(std::string(300, 'x')), col(D::Memo), nullptr, 0}, {Variant::null(), col(D::Text, 10), "<null>", 0},
      {Variant::null(), col(D::Text, 10, true), nullptr, 3314}, {Variant::null(), col(D::Long, 4, true), nullptr, 3314},
      {Variant::empty(), col(D::Long, 4, true), nullptr, 3314},
      {Variant::null(), col(D::Long, 4, true, false, true), "<null>", 0},
      {Variant(int32_t(42)), col(D::Long, 4, true, false, true), "42", 0, V::Long},
  };
  for (const auto& c : cases) {
    std::string what = show(c.value) + " into " + std::string(daoTypeName(c.column.type));
    try {
      Variant stored = storeValue(c.value, c.column, "T");
      EXPECT_EQ(c.error, 0) << what << " stored " << show(stored);
      if (c.expected) { EXPECT_EQ(show(stored), c.expected) << what; }
      if (c.type != VarType::Empty) { EXPECT_EQ(stored.type(), c.type) << what; }
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), c.error) << what << ": " << e.description();
    }
  }
}

TEST(StoreValue, MessagesNameTheField) {
  auto e = svrZIVE::testing::errorOf([] { storeValue(Variant("abcd"), col(DaoType::Text, 3), "T01_DECLARANTES"); });
  ASSERT_TRUE(e);
  EXPECT_NE(e->description().find("T01_DECLARANTES.C"), std::string::npos) << e->description();
}

TEST(JetCompare, NumbersAsNumbersTextsIgnoringLetterCaseNullFirst) {
  const struct { Variant a, b; int sign; } cases[] = {
      {Variant("ÁRBOL"), Variant("árbol"), 0}, {Variant("a"), Variant("á"), -1}, {Variant("abc"), Variant("ABD"), -1},
      {Variant("Zorro"), Variant("beta"), 1}, {Variant("n"), Variant("ñ"), -1},
      {Variant("20163"), Variant(int32_t(20163)), 0}, {Variant(int32_t(9)), Variant("10"), -1},
      {Variant(2.5), Variant(int32_t(2)), 1}, {Variant::null(), Variant(int32_t(-5)), -1},
      {Variant::null(), Variant::null(), 0}, {Variant("x"), Variant::null(), 1},
      {Variant(true), Variant(int32_t(-1)), 0},
  };
  for (const auto& c : cases) {
    const int got = jetCompare(c.a, c.b);
    EXPECT_EQ((got > 0) - (got < 0), c.sign) << show(c.a) << " vs " << show(c.b);
  }
  EXPECT_EQ(svrZIVE::testing::errorNumberOf([] { jetCompare(Variant("x"), Variant(int32_t(1))); }), 3464);
}

class Writes : public JetDb {
 protected:
  void SetUp() override {
    JetDb::SetUp();
    addTable("T01_DECLARANTES", {{"T01_CSDE", DaoType::Long, 4, false, false, true}, {"T01_NIF", DaoType::Text, 9},
                                 {"T01_NOMB", DaoType::Text, 40}, {"T01_PRODOM", DaoType::Byte},
                                 {"T01_MUNDOM", DaoType::Integer}, {"T01_NUMTEL", DaoType::Long},
                                 {"T01_SALDO", DaoType::Double}, {"T01_ACTIVO", DaoType::Boolean},
                                 {"T01_COD", DaoType::Text, 2, false, false}});
    addTable("REQ", {{"A", DaoType::Long, 4, true}, {"B", DaoType::Text, 5}});
  }
};

TEST_F(Writes, InsertConvertsEveryValue) {
  exec("INSERT INTO T01_DECLARANTES (T01_NIF,T01_NOMB,T01_PRODOM,T01_MUNDOM,T01_NUMTEL,T01_SALDO,T01_ACTIVO) "
       "VALUES ( 'A','O''Brien',20,'69',943.5,2.5,True)");
  EXPECT_EQ(last_.table, "T01_DECLARANTES");
  EXPECT_EQ(last_.kind, StatementKind::Insert);
  // A text of digits into a Double column is a number, a number into a Text column its text.
  expectResults({{"Select * from T01_DECLARANTES", "(1,'A','O'Brien',20,69,944,2.5,-1,<null>)"},
                 {"INSERT INTO T01_DECLARANTES (T01_NIF, T01_SALDO) VALUES ('B', '3')", ""},
                 {"INSERT INTO T01_DECLARANTES (T01_NIF, T01_NOMB) VALUES (12, 2014.0)", ""},
                 {"SELECT T01_NOMB FROM T01_DECLARANTES WHERE T01_NIF = '12'", "('2014')"}});
  // What SQLite stores: integers as INTEGER, Double as REAL, texts as TEXT.
  Translation storage;
  storage.sql = "SELECT typeof(T01_NIF), typeof(T01_PRODOM), typeof(T01_MUNDOM), typeof(T01_NUMTEL), "
                "typeof(T01_SALDO), typeof(T01_ACTIVO) FROM T01_DECLARANTES WHERE T01_CSDE < 3";
  EXPECT_EQ(show(runSql(storage, true)), "('text','integer','integer','integer','real','integer')"
                                         "('text','null','null','null','real','null')");
}

TEST_F(Writes, InsertErrors) {
  // Each value goes through the conversion above; a required field left out is Null too.
  expectResults({
      {"INSERT INTO T01_DECLARANTES (T01_NIF) VALUES ('1234567890')", "error 3163"},
      {"INSERT INTO T01_DECLARANTES (T01_MUNDOM) VALUES (40000)", "error 6"},
      {"INSERT INTO T01_DECLARANTES (T01_COD) VALUES ('')", "error 3315"},
      {"INSERT INTO REQ (B) VALUES ('x')", "error 3314"}, {"SELECT count(*) FROM REQ", "(0)"},
  });
}

TEST_F(Writes, InsertAllColumnsSelectAndCounters) {
  expectResults({
      {"INSERT INTO REQ VALUES (1, 'a')", ""}, {"INSERT INTO REQ VALUES (2.5, 3)", ""},
      {"SELECT A, B FROM REQ ORDER BY A", "(1,'a')(2,'3')"},
      {"INSERT INTO REQ (B, A) SELECT B & 'x', A + 10 FROM REQ WHERE A = 1", ""},
      {"SELECT A, B FROM REQ ORDER BY A", "(1,'a')(2,'3')(11,'ax')"},
      {"INSERT INTO REQ (A, B) SELECT A, B & 'xxxxx' FROM REQ", "error 3163"},
      // A counter given explicitly; the next one follows it and none is updated.
      {"INSERT INTO T01_DECLARANTES (T01_CSDE, T01_NIF) VALUES (40, 'x')", ""},
      {"INSERT INTO T01_DECLARANTES (T01_NIF) VALUES ('y')", ""},
      {"SELECT T01_CSDE FROM T01_DECLARANTES ORDER BY T01_CSDE", "(40)(41)"},
      {"UPDATE T01_DECLARANTES SET T01_CSDE = 3", "error 3164"},
  });
}

TEST_F(Writes, UpdateAndDelete) {
  exec("INSERT INTO T01_DECLARANTES (T01_NIF, T01_MUNDOM, T01_SALDO) VALUES ('a', 1, 1)");
  exec("INSERT INTO T01_DECLARANTES (T01_NIF, T01_MUNDOM, T01_SALDO) VALUES ('b', 2, 2)");
  exec("UPDATE T01_DECLARANTES SET  T01_NIF = 'X' , T01_MUNDOM = 2.5 , T01_SALDO = T01_SALDO * 3 WHERE T01_CSDE = 1");
  EXPECT_EQ(last_.kind, StatementKind::Update);
  EXPECT_EQ(last_.table, "T01_DECLARANTES");
  // A failed statement changes nothing; names and texts compare ignoring letter case.
  expectResults({
      {"SELECT T01_NIF, T01_MUNDOM, T01_SALDO FROM T01_DECLARANTES ORDER BY T01_CSDE", "('X',2,3)('b',2,2)"},
      {"UPDATE T01_DECLARANTES SET T01_MUNDOM = T01_MUNDOM * 20000", "error 6"},
      // A value its field cannot store fails for each row it would be written to: for none, nothing fails.
      {"UPDATE T01_DECLARANTES SET T01_MUNDOM = 40000 WHERE T01_CSDE = 9", ""},
      {"UPDATE T01_DECLARANTES SET T01_MUNDOM = 'x' WHERE T01_CSDE = 1", "error 3464"},
      {"SELECT T01_MUNDOM FROM T01_DECLARANTES ORDER BY T01_CSDE", "(2)(2)"},
      {"Update T01_DECLARANTES set T01_NIF = 'y' where T01_NIF = 'x'", ""},
      {"SELECT T01_NIF FROM T01_DECLARANTES ORDER BY T01_CSDE", "('y')('b')"},
      {"UPDATE T01_DECLARANTES SET T01_DECLARANTES.T01_NOMB = 'n'", ""},
      {"SELECT count(*) FROM T01_DECLARANTES WHERE T01_NOMB = 'N'", "(2)"},
      {"Delete T01_DECLARANTES.* from T01_DECLARANTES WHERE T01_CSDE = 5", ""},
      {"DELETE FROM T01_DECLARANTES WHERE T01_CSDE = 1", ""}, {"SELECT count(*) FROM T01_DECLARANTES", "(1)"},
      {"DELETE * FROM T01_DECLARANTES;", ""},
  });
  EXPECT_EQ(last_.kind, StatementKind::Delete);
  EXPECT_EQ(result("SELECT count(*) FROM T01_DECLARANTES"), "(0)");
}

}  // namespace
}  // namespace svrZIVE::engine::jet::testing
