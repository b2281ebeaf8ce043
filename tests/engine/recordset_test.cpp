// Statements and recordsets: Execute, OpenRecordset, record counts and
// navigation, the types of values, updatable recordsets, atomic statements,
// the recordsets collection and the statement trace.
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RecordsetTest : public EngineTest {
 protected:
  void SetUp() override {
    db = createDb();
    db->execute("CREATE TABLE T01_DECLARANTES (T01_CSDE COUNTER, T01_NIF TEXT(9), T01_NOMBRE TEXT(20), T01_N LONG)");
  }
  void insertDeclarants(int n) {
    for (int i = 1; i <= n; ++i)
      db->execute("INSERT INTO T01_DECLARANTES (T01_NIF, T01_NOMBRE, T01_N) VALUES ('NIF" + std::to_string(i) +
                  "', 'Name " + std::to_string(i) + "', " + std::to_string(i * 10) + ")");
  }
  std::shared_ptr<Database> db;
};

TEST_F(RecordsetTest, EmptyRecordsetCountsZeroAndIsAtBothEnds) {
  auto rs = db->openRecordset("SELECT * FROM T01_DECLARANTES");
  EXPECT_EQ(rs->recordCount(), 0);
  EXPECT_TRUE(rs->eof());
  EXPECT_TRUE(rs->bof());
  EXPECT_JET_ERROR(rs->moveNext(), kNoCurrentRecord);
  EXPECT_JET_ERROR(rs->movePrevious(), kNoCurrentRecord);
  EXPECT_JET_ERROR(rs->moveFirst(), kNoCurrentRecord);
  EXPECT_JET_ERROR(rs->moveLast(), kNoCurrentRecord);
  EXPECT_JET_ERROR(rs->value(0), kNoCurrentRecord);
  EXPECT_JET_ERROR(rs->fields().item("T01_NIF")->value(), kNoCurrentRecord);
}

TEST_F(RecordsetTest, RecordCountIsWhatWasVisitedUntilMoveLast) {
  for (int n : {1, 2, 5}) {
    SCOPED_TRACE(n);
    db->execute("DELETE FROM T01_DECLARANTES");
    insertDeclarants(n);
    auto rs = db->openRecordset("SELECT T01_NIF FROM T01_DECLARANTES ORDER BY T01_N");
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_FALSE(rs->eof());
    EXPECT_FALSE(rs->bof());
    int seen = 0;
    for (; !rs->eof(); rs->moveNext()) {
      ++seen;
      EXPECT_EQ(rs->value(0), Variant("NIF" + std::to_string(seen)));
    }
    EXPECT_EQ(seen, n);
    EXPECT_JET_ERROR(rs->moveNext(), kNoCurrentRecord);
    EXPECT_JET_ERROR(rs->value("T01_NIF"), kNoCurrentRecord);
    rs->moveLast();
    EXPECT_EQ(rs->recordCount(), n);
    EXPECT_EQ(rs->value("t01_nif"), Variant("NIF" + std::to_string(n)));
    rs->moveFirst();
    rs->movePrevious();
    EXPECT_TRUE(rs->bof());
    EXPECT_FALSE(rs->eof());
    EXPECT_JET_ERROR(rs->movePrevious(), kNoCurrentRecord);
  }
}

TEST_F(RecordsetTest, ValuesHaveTheirColumnsTypes) {
  db->execute(
      "CREATE TABLE V (ID COUNTER, B BIT, Y BYTE, I SHORT, L LONG, C CURRENCY, S SINGLE, D DOUBLE, "
      "DT DATETIME, TX TEXT(10), M MEMO)");
  db->execute("INSERT INTO V (B, Y, I, L, C, S, D, DT, TX, M) VALUES (True, 200, -3, 100000, 12.5, 1.5, 2.25, 45000, 'abc', 'long')");
  db->execute("INSERT INTO V (TX) VALUES ('nulls')");
  auto rs = db->openRecordset("SELECT ID, B, Y, I, L, C, S, D, DT, TX, M FROM V ORDER BY ID");
  struct Case {
    const char* field;
    Variant value;
    VarType type;
  } cases[] = {
      {"ID", Variant(int32_t{1}), VarType::Long},      {"B", Variant(true), VarType::Boolean},
      {"Y", Variant(uint8_t{200}), VarType::Byte},     {"I", Variant(int16_t{-3}), VarType::Integer},
      {"L", Variant(int32_t{100000}), VarType::Long},  {"C", Variant(12.5), VarType::Double},
      {"S", Variant(1.5), VarType::Double},            {"D", Variant(2.25), VarType::Double},
      {"DT", Variant::date(45000.0), VarType::Date},       {"TX", Variant("abc"), VarType::String},
      {"M", Variant("long"), VarType::String},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    Variant v = rs->value(c.field);
    EXPECT_EQ(v.type(), c.type);
    EXPECT_EQ(v, c.value);
  }
  rs->moveNext();
  for (const char* f : {"Y", "I", "L", "C", "S", "D", "DT", "M"}) {
    SCOPED_TRACE(f);
    EXPECT_TRUE(rs->value(f).isNull());
    EXPECT_TRUE(rs->fields().item(f)->value().isNull());
  }
  EXPECT_EQ(rs->value("B"), Variant(false));  // a Yes/No field left out is No

  // Expressions take the type of their value.
  auto ex = db->openRecordset("SELECT count(*) AS N, max(D) AS MD, max(TX) AS MT FROM V");
  EXPECT_EQ(ex->value("N"), Variant(int32_t{2}));
  EXPECT_EQ(ex->value("MD").type(), VarType::Double);
  EXPECT_EQ(ex->value("MT"), Variant("nulls"));
}

// Statements that differ only in their values run as one prepared statement
// with the values bound: each must still write and find its own values, a
// whole number and a decimal in the same place included.
TEST_F(RecordsetTest, StatementsOfOneShapeKeepTheirOwnValues) {
  db->execute("CREATE TABLE V (K LONG, I SHORT, D DOUBLE, TX TEXT(10))");
  struct Case {
    const char* values;  // K, I, D, TX
    const char* stored;  // I | D | TX as read back
  } cases[] = {
      {"1, 2.5, 0.1 + 0.2, 'a'", "2|0.3|a"},       {"2, 3.5, 1234.5, 'b'", "4|1234.5|b"},
      {"3, 3, 1E+15, 'c''d'", "3|1E+15|c'd"},      {"4, 2, 5.6789E-12, ''", "2|5.6789E-12|"},
      {"5, -2.5, 7, 'e'", "-2|7|e"},               {"6, 0.5, 2147483648, 'f'", "0|2147483648|f"},
  };
  for (const Case& c : cases) db->execute(std::string("INSERT INTO V (K, I, D, TX) VALUES (") + c.values + ")");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values);
    std::string key = std::string(c.values).substr(0, 1);
    auto rs = db->openRecordset("SELECT I, D, TX FROM V WHERE K = " + key);
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->value("I").toText() + "|" + rs->value("D").toText() + "|" + rs->value("TX").toText(), c.stored);
  }
  // The same shape with a whole number and with a decimal finds different rows.
  EXPECT_EQ(db->openRecordset("SELECT K FROM V WHERE D = 7")->value("K"), Variant(int32_t{5}));
  EXPECT_EQ(db->openRecordset("SELECT K FROM V WHERE D = 1234.5")->value("K"), Variant(int32_t{2}));
  EXPECT_TRUE(db->openRecordset("SELECT K FROM V WHERE D = 1234.25")->eof());
  // TOP's count is part of the statement, not a value.
  auto counted = [&](const std::string& top) {
    auto rs = db->openRecordset("SELECT TOP " + top + " K FROM V ORDER BY K");
    rs->moveLast();
    return rs->recordCount();
  };
  EXPECT_EQ(counted("2"), 2);
  EXPECT_EQ(counted("4"), 4);
}

TEST_F(RecordsetTest, FieldsByPositionAndNameAndWholeTables) {
  insertDeclarants(1);
  auto rs = db->openRecordset("SELECT T01_NIF, T01_N FROM T01_DECLARANTES");
  auto& fields = rs->fields();
  ASSERT_EQ(fields.count(), 2);
  EXPECT_EQ(fields.item(1)->type(), DaoType::Long);
  EXPECT_EQ(fields.item("t01_n")->value(), Variant(int32_t{10}));
  EXPECT_EQ(fields.item(0)->size(), 9);
  EXPECT_JET_ERROR(fields.item(2), kItemNotFound);
  EXPECT_JET_ERROR(fields.item("T01_NOMBRE"), kItemNotFound);
  // A table's name alone opens the whole table.
  auto table = db->openRecordset("T01_DECLARANTES", dbOpenTable);
  EXPECT_EQ(table->fields().count(), 4);
  EXPECT_TRUE(table->updatable());
}

TEST_F(RecordsetTest, UpdatableRecordsetsAddEditAndDelete) {
  insertDeclarants(2);
  auto rs = db->openRecordset("SELECT * FROM T01_DECLARANTES", dbOpenSnapshot);
  ASSERT_TRUE(rs->updatable());
  EXPECT_JET_ERROR(rs->fields().item("T01_NIF")->setValue(Variant("x")), 3020);
  EXPECT_JET_ERROR(rs->update(), 3020);

  rs->addNew();
  rs->fields().item("T01_NIF")->setValue(Variant("NEW"));
  rs->fields().item("T01_N")->setValue(Variant("42"));  // stored as the field's type
  EXPECT_JET_ERROR(rs->fields().item("T01_CSDE")->setValue(Variant(int32_t{9})), 3164);
  EXPECT_JET_ERROR(rs->fields().item("T01_NIF")->setValue(Variant("much too long")), kFieldTooSmall);
  rs->update();
  EXPECT_EQ(rs->value("T01_NIF"), Variant("NIF1"));  // the current record stays
  EXPECT_EQ(rs->recordCount(), 2);
  rs->moveLast();
  EXPECT_EQ(rs->recordCount(), 3);
  EXPECT_EQ(rs->value("T01_NIF"), Variant("NEW"));
  EXPECT_EQ(rs->value("T01_N"), Variant(int32_t{42}));
  EXPECT_EQ(rs->value("T01_CSDE"), Variant(int32_t{3}));

  rs->moveFirst();
  rs->edit();
  rs->fields().item("T01_NOMBRE")->setValue(Variant("Changed"));
  rs->update();
  rs->moveNext();
  rs->deleteCurrent();
  EXPECT_JET_ERROR(rs->value(0), 3167);
  rs->moveNext();
  EXPECT_EQ(rs->value("T01_NIF"), Variant("NEW"));

  RawDb raw(file("test.mdb"));
  EXPECT_THAT(raw.rows("SELECT T01_CSDE, T01_NIF, T01_NOMBRE, T01_N FROM T01_DECLARANTES ORDER BY T01_CSDE"),
              ElementsAre(ElementsAre("1", "NIF1", "Changed", "10"), ElementsAre("3", "NEW", "NULL", "42")));

  // Recordsets of expressions are not.
  auto counted = db->openRecordset("SELECT count(*) AS N FROM T01_DECLARANTES");
  EXPECT_FALSE(counted->updatable());
  EXPECT_JET_ERROR(counted->addNew(), 3027);
}

TEST_F(RecordsetTest, AFailingMultiRowUpdateChangesNothing) {
  insertDeclarants(3);
  db->execute("UPDATE T01_DECLARANTES SET T01_NIF = 'ABCDEFGH' WHERE T01_N = 30");
  for (int options : {0, dbFailOnError}) {
    SCOPED_TRACE(options);
    auto e = errorOf([&] { db->execute("UPDATE T01_DECLARANTES SET T01_NIF = T01_NIF & 'XY', T01_N = T01_N + 1", options); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kFieldTooSmall) << e->description();
    RawDb raw(file("test.mdb"));
    EXPECT_THAT(raw.rows("SELECT T01_NIF, T01_N FROM T01_DECLARANTES ORDER BY T01_CSDE"),
                ElementsAre(ElementsAre("NIF1", "10"), ElementsAre("NIF2", "20"), ElementsAre("ABCDEFGH", "30")));
  }
  db->execute("UPDATE T01_DECLARANTES SET T01_N = T01_N + 1 WHERE T01_N < 30");
  EXPECT_EQ(db->recordsAffected(), 2);
}

TEST_F(RecordsetTest, SqlFailuresBecomeJetErrors) {
  db->execute("CREATE TABLE R (K LONG NOT NULL, V TEXT(5))");
  db->execute("CREATE UNIQUE INDEX IX_R_K ON R (K)");
  db->execute("INSERT INTO R (K, V) VALUES (1, 'a')");
  EXPECT_JET_ERROR(db->execute("INSERT INTO R (K, V) VALUES (1, 'b')"), kDuplicateKey);
  EXPECT_JET_ERROR(db->execute("INSERT INTO R (V) VALUES ('b')"), kRequiredIsNull);
  EXPECT_JET_ERROR(db->execute("SELECT * FROM R"), 3065);
  EXPECT_JET_ERROR(db->openRecordset("DELETE FROM R"), 3219);
  EXPECT_JET_ERROR(db->execute("CREATE TABLE r (X LONG)"), kTableExists);
  RawDb raw(file("test.mdb"));
  EXPECT_EQ(raw.value("SELECT count(*) FROM R"), "1");
}

TEST_F(RecordsetTest, KeysCompareTextsAsJetDoes) {
  db->execute("CREATE TABLE K (A TEXT(5) CONSTRAINT PK PRIMARY KEY, B TEXT UNIQUE, C LONG, D TEXT, "
              "CONSTRAINT CD UNIQUE (C, D))");
  db->execute("CREATE TABLE K2 (A LONG PRIMARY KEY)");  // every table has its own PrimaryKey
  db->execute("INSERT INTO K (A, B, C, D) VALUES ('abc', 'x', 1, 'p')");
  const std::pair<const char*, int32_t> cases[] = {
      {"INSERT INTO K (A) VALUES ('ABC')", kDuplicateKey}, {"INSERT INTO K (A, B) VALUES ('n', 'X')", kDuplicateKey},
      {"INSERT INTO K (A, C, D) VALUES ('n', 1, 'P')", kDuplicateKey}, {"INSERT INTO K (B) VALUES ('n')", kRequiredIsNull},
      {"INSERT INTO K (A, C, D) VALUES ('n', 2, 'p')", 0}, {"INSERT INTO K (A, C) VALUES ('m', 1)", 0},
  };
  for (const auto& [sql, number] : cases) {
    auto e = errorOf([&] { db->execute(sql); });
    EXPECT_EQ(e ? e->number() : 0, number) << sql;
  }
  db->execute("CREATE UNIQUE INDEX IX_D ON K2 (A)");
  EXPECT_JET_ERROR(db->execute("CREATE UNIQUE INDEX IX_KD ON K (D)"), kDuplicateKey);
  EXPECT_EQ(db->openRecordset("SELECT count(*) FROM K")->value(0), Variant(3));
}

TEST_F(RecordsetTest, DdlStatementsGoThroughTheTableDefinitions) {
  insertDeclarants(2);
  db->execute("ALTER TABLE T01_DECLARANTES ADD COLUMN T01_EXTRA DOUBLE");
  db->execute("CREATE TABLE Mixed_Case (A LONG, B TEXT)");
  auto td = db->tableDefs().item("MIXED_CASE");
  EXPECT_EQ(td->name(), "Mixed_Case");
  EXPECT_EQ(td->fields().item("B")->size(), 255);
  EXPECT_THAT(fieldNames(db->tableDefs().item("T01_DECLARANTES")->fields()),
              ElementsAre("T01_CSDE", "T01_NIF", "T01_NOMBRE", "T01_N", "T01_EXTRA"));
  EXPECT_EQ(db->tableDefs().item("T01_DECLARANTES")->fields().item("T01_CSDE")->attributes(), dbAutoIncrField);
  db->execute("ALTER TABLE T01_DECLARANTES DROP COLUMN T01_NOMBRE");
  db->execute("DROP TABLE Mixed_Case");
  EXPECT_EQ(db->tableDefs().count(), 1);
  auto rs = db->openRecordset("SELECT * FROM T01_DECLARANTES");
  EXPECT_EQ(rs->fields().count(), 4);
  rs->moveLast();
  EXPECT_EQ(rs->recordCount(), 2);
}

TEST_F(RecordsetTest, SelectIntoMakesTheTableAndCountsItsRows) {
  insertDeclarants(3);
  db->execute("SELECT T01_CSDE, T01_NIF, T01_N * 2 AS DOBLE, T01_NOMBRE & '!' INTO Copia FROM T01_DECLARANTES "
              "WHERE T01_N > 10");
  EXPECT_EQ(db->recordsAffected(), 2);
  auto copia = db->tableDefs().item("Copia");
  auto& fields = copia->fields();
  EXPECT_THAT(fieldNames(fields), ElementsAre("T01_CSDE", "T01_NIF", "DOBLE", "Expr1003"));
  std::vector<std::string> types;
  for (int32_t i = 0; i < fields.count(); ++i) types.emplace_back(daoTypeName(fields.item(i)->type()));
  EXPECT_THAT(types, ElementsAre("Long", "Text", "Long", "Text"));
  EXPECT_EQ(fields.item("T01_NIF")->size(), 9);
  EXPECT_EQ(db->openRecordset("SELECT sum(DOBLE) FROM Copia")->value(0), Variant(100));
  // A table that exists already, or a failing row, leaves the database as it was.
  EXPECT_JET_ERROR(db->execute("SELECT T01_NIF INTO Copia FROM T01_DECLARANTES"), kTableExists);
  EXPECT_JET_ERROR(db->execute("SELECT 1 / (T01_N - 20) AS X INTO Otra FROM T01_DECLARANTES"), 11);
  EXPECT_EQ(db->tableDefs().count(), 2);
}

TEST_F(RecordsetTest, TheRecordsetsCollectionHoldsOpenRecordsetsAndCloseClosesThem) {
  insertDeclarants(2);
  auto a = db->openRecordset("SELECT * FROM T01_DECLARANTES");
  auto b = db->openRecordset("SELECT T01_NIF FROM T01_DECLARANTES");
  {
    auto gone = db->openRecordset("SELECT T01_N FROM T01_DECLARANTES");
  }
  EXPECT_EQ(db->recordsets().count(), 2);
  EXPECT_EQ(db->recordsets().item(1), b);
  a->close();
  EXPECT_FALSE(a->isOpen());
  EXPECT_JET_ERROR(a->moveNext(), kObjectClosed);
  EXPECT_JET_ERROR(a->close(), kObjectClosed);
  EXPECT_EQ(db->recordsets().count(), 1);
  EXPECT_EQ(db->recordsets().item(0), b);
  EXPECT_JET_ERROR(db->recordsets().item(1), kItemNotFound);

  auto field = b->fields().item(0);
  db->close();
  EXPECT_FALSE(b->isOpen());
  auto e = errorOf([&] { b->eof(); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), kObjectClosed);
  EXPECT_EQ(e->source(), "DAO.Recordset");
  EXPECT_JET_ERROR(field->value(), kObjectClosed);
}

TEST_F(RecordsetTest, TheTraceGetsEveryStatementUntilCleared) {
  std::vector<std::string> seen;
  setStatementTrace([&](std::string_view jet, std::string_view sqlite) { seen.emplace_back(std::string(jet) + " | " + std::string(sqlite)); });
  db->execute("DELETE FROM T01_DECLARANTES WHERE T01_N = 1");
  db->openRecordset("SELECT T01_NIF FROM T01_DECLARANTES")->close();
  setStatementTrace(nullptr);
  db->execute("DELETE FROM T01_DECLARANTES");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_THAT(seen[0], ::testing::StartsWith("DELETE FROM T01_DECLARANTES WHERE T01_N = 1 | DELETE FROM \"T01_DECLARANTES\""));
  EXPECT_THAT(seen[1], ::testing::StartsWith("SELECT T01_NIF FROM T01_DECLARANTES | SELECT"));
}

}  // namespace
}  // namespace svrZIVE::engine::testing
