// Statements and recordsets: Execute, OpenRecordset, record counts and
// navigation, the types of values, updatable recordsets, atomic statements,
// the recordsets collection and the statement trace.
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

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

// Without records a recordset is at both ends; with them it counts what it
// has visited until MoveLast. Past either end there is no current record.
TEST_F(RecordsetTest, RecordCountIsWhatWasVisitedUntilMoveLast) {
  for (int n : {0, 1, 2, 5}) {
    SCOPED_TRACE(n);
    db->execute("DELETE FROM T01_DECLARANTES");
    insertDeclarants(n);
    auto rs = db->openRecordset("SELECT T01_NIF FROM T01_DECLARANTES ORDER BY T01_N");
    EXPECT_EQ(rs->recordCount(), std::min(n, 1));
    EXPECT_EQ(std::pair(rs->bof(), rs->eof()), std::pair(n == 0, n == 0));
    int seen = 0;
    for (; !rs->eof(); rs->moveNext()) EXPECT_EQ(rs->value(0), Variant("NIF" + std::to_string(++seen)));
    EXPECT_EQ(seen, n);
    EXPECT_JET_ERROR(rs->moveNext(), kNoCurrentRecord);
    EXPECT_JET_ERROR(rs->value("T01_NIF"), kNoCurrentRecord);
    EXPECT_JET_ERROR(rs->fields().item("T01_NIF")->value(), kNoCurrentRecord);
    if (n == 0) {
      EXPECT_JET_ERROR(rs->moveFirst(), kNoCurrentRecord);
      EXPECT_JET_ERROR(rs->moveLast(), kNoCurrentRecord);
    } else {
      rs->moveLast();
      EXPECT_EQ(rs->recordCount(), n);
      EXPECT_EQ(rs->value("t01_nif"), Variant("NIF" + std::to_string(n)));
      rs->moveFirst();
      rs->movePrevious();
      EXPECT_EQ(std::pair(rs->bof(), rs->eof()), std::pair(true, false));
    }
    EXPECT_JET_ERROR(rs->movePrevious(), kNoCurrentRecord);
  }
}

// Each value has the variant type of its column (Variant's equality compares types).
TEST_F(RecordsetTest, ValuesHaveTheirColumnsTypes) {
  db->execute("CREATE TABLE V (ID COUNTER, B BIT, Y BYTE, I SHORT, L LONG, C CURRENCY, S SINGLE, D DOUBLE, "
              "DT DATETIME, TX TEXT(10), M MEMO)");
  db->execute("INSERT INTO V (B, Y, I, L, C, S, D, DT, TX, M) VALUES (True, 200, -3, 100000, 12.5, 1.5, 2.25, 45000, 'abc', 'long')");
  db->execute("INSERT INTO V (TX) VALUES ('nulls')");
  auto rs = db->openRecordset("SELECT ID, B, Y, I, L, C, S, D, DT, TX, M FROM V ORDER BY ID");
  const std::pair<const char*, Variant> cases[] = {
      {"ID", Variant(int32_t{1})},      {"B", Variant(true)},  {"Y", Variant(uint8_t{200})}, {"I", Variant(int16_t{-3})},
      {"L", Variant(int32_t{100000})}, {"C", Variant(12.5)},  {"S", Variant(1.5)},          {"D", Variant(2.25)},
      {"DT", Variant::date(45000.0)},   {"TX", Variant("abc")}, {"M", Variant("long")},
  };
  for (const auto& [field, value] : cases) EXPECT_EQ(rs->value(field), value) << field;
  rs->moveNext();
  for (const char* f : {"Y", "I", "L", "C", "S", "D", "DT", "M"}) {
    EXPECT_TRUE(rs->value(f).isNull()) << f;
    EXPECT_TRUE(rs->fields().item(f)->value().isNull()) << f;
  }
  EXPECT_EQ(rs->value("B"), Variant(false));  // a Yes/No field left out is No
  // Expressions take the type of their value.
  auto ex = db->openRecordset("SELECT count(*) AS N, max(D) AS MD, max(TX) AS MT FROM V");
  EXPECT_EQ(ex->value("N"), Variant(int32_t{2}));
  EXPECT_EQ(ex->value("MD"), Variant(2.25));
  EXPECT_EQ(ex->value("MT"), Variant("nulls"));
}

// Statements that differ only in their values run as one prepared statement
// with the values bound: each must still write and find its own values, a
// whole number and a decimal in the same place included.
TEST_F(RecordsetTest, StatementsOfOneShapeKeepTheirOwnValues) {
  db->execute("CREATE TABLE V (K LONG, I SHORT, D DOUBLE, TX TEXT(10))");
  const struct { const char* values; const char* stored; } cases[] = {  // K, I, D, TX; I|D|TX read back
      {"1, 2.5, 0.1 + 0.2, 'a'", "2|0.3|a"},       {"2, 3.5, 1234.5, 'b'", "4|1234.5|b"},
      {"3, 3, 1E+15, 'c''d'", "3|1E+15|c'd"},      {"4, 2, 5.6789E-12, ''", "2|5.6789E-12|"},
      {"5, -2.5, 7, 'e'", "-2|7|e"},               {"6, 0.5, 2147483648, 'f'", "0|2147483648|f"},
  };
  for (const auto& c : cases) db->execute(std::string("INSERT INTO V (K, I, D, TX) VALUES (") + c.values + ")");
  for (const auto& c : cases)
    EXPECT_EQ(rowsOf(*db, "SELECT I, D, TX FROM V WHERE K = " + std::string(c.values, 1)), c.stored) << c.values;
  // The same shape with a whole number and with a decimal finds different
  // rows; TOP's count is part of the statement, not a value.
  expectResults(*db, {{"SELECT K FROM V WHERE D = 7", "5"}, {"SELECT K FROM V WHERE D = 1234.5", "2"},
                      {"SELECT K FROM V WHERE D = 1234.25", ""}, {"SELECT TOP 2 K FROM V ORDER BY K", "1 2"},
                      {"SELECT TOP 4 K FROM V ORDER BY K", "1 2 3 4"}});
}

TEST_F(RecordsetTest, FieldsByPositionAndNameAndWholeTables) {
  insertDeclarants(1);
  auto rs = db->openRecordset("SELECT T01_NIF, T01_N FROM T01_DECLARANTES");
  auto& fields = rs->fields();
  EXPECT_EQ(fieldNames(fields, true), "T01_NIF:Text T01_N:Long");
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
  EXPECT_JET_ERROR(rs->fields().item("T01_NIF")->setValue(Variant("x")), kUpdateWithoutAddNew);
  EXPECT_JET_ERROR(rs->update(), kUpdateWithoutAddNew);
  rs->addNew();
  rs->fields().item("T01_NIF")->setValue(Variant("NEW"));
  rs->fields().item("T01_N")->setValue(Variant("42"));  // stored as the field's type
  EXPECT_JET_ERROR(rs->fields().item("T01_CSDE")->setValue(Variant(int32_t{9})), kFieldNotUpdatable);
  EXPECT_JET_ERROR(rs->fields().item("T01_NIF")->setValue(Variant("much too long")), kFieldTooSmall);
  rs->update();
  EXPECT_EQ(rs->value("T01_NIF"), Variant("NIF1"));  // the current record stays
  EXPECT_EQ(rs->recordCount(), 2);
  rs->moveLast();
  EXPECT_EQ(rs->recordCount(), 3);
  EXPECT_EQ(rs->value("T01_N"), Variant(int32_t{42}));

  rs->moveFirst();
  rs->edit();
  rs->fields().item("T01_NOMBRE")->setValue(Variant("Changed"));
  rs->update();
  rs->moveNext();
  rs->deleteCurrent();
  EXPECT_JET_ERROR(rs->value(0), kRecordDeleted);
  EXPECT_JET_ERROR(rs->edit(), kRecordDeleted);
  EXPECT_JET_ERROR(rs->update(), kUpdateWithoutAddNew);
  rs->moveNext();
  EXPECT_EQ(rs->value("T01_NIF"), Variant("NEW"));
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT * FROM T01_DECLARANTES ORDER BY T01_CSDE"),
            "1|NIF1|Changed|10 3|NEW|NULL|42");

  // Recordsets of expressions are not.
  auto counted = db->openRecordset("SELECT count(*) AS N FROM T01_DECLARANTES");
  EXPECT_FALSE(counted->updatable());
  EXPECT_JET_ERROR(counted->addNew(), kReadOnlyDatabase);
}

// A statement that cannot write one of its rows fails whole, the first rows
// included; one that is not of its kind runs not at all.
TEST_F(RecordsetTest, FailingStatementsGiveJetErrorsAndChangeNothing) {
  insertDeclarants(3);
  EXPECT_JET_ERROR(db->execute("SELECT * FROM T01_DECLARANTES"), kCannotExecuteSelect);
  EXPECT_JET_ERROR(db->openRecordset("DELETE FROM T01_DECLARANTES"), kInvalidOperation);
  expectResults(*db, {{"UPDATE T01_DECLARANTES SET T01_NIF = 'ABCDEFGH' WHERE T01_N = 30", ""},
                      {"UPDATE T01_DECLARANTES SET T01_NIF = T01_NIF & 'XY', T01_N = T01_N + 1", "error 3163"},
                      {"CREATE TABLE t01_declarantes (X LONG)", "error 3010"},
                      {"RAW SELECT T01_NIF, T01_N FROM T01_DECLARANTES", "NIF1|10 NIF2|20 ABCDEFGH|30"}});
  db->execute("UPDATE T01_DECLARANTES SET T01_N = T01_N + 1 WHERE T01_N < 30");
  EXPECT_EQ(db->recordsAffected(), 2);
}

TEST_F(RecordsetTest, KeysCompareTextsAsJetDoes) {
  expectResults(*db, {
      {"CREATE TABLE K (A TEXT(5) CONSTRAINT PK PRIMARY KEY, B TEXT UNIQUE, C LONG, D TEXT, CONSTRAINT CD UNIQUE (C, D))", ""},
      {"CREATE TABLE K2 (A LONG PRIMARY KEY)", ""},  // every table has its own PrimaryKey
      {"INSERT INTO K (A, B, C, D) VALUES ('abc', 'x', 1, 'p')", ""}, {"INSERT INTO K (A) VALUES ('ABC')", "error 3022"},
      {"INSERT INTO K (A, B) VALUES ('n', 'X')", "error 3022"}, {"INSERT INTO K (A, C, D) VALUES ('n', 1, 'P')", "error 3022"},
      {"INSERT INTO K (B) VALUES ('n')", "error 3314"}, {"INSERT INTO K (A, C, D) VALUES ('n', 2, 'p')", ""},
      {"INSERT INTO K (A, C) VALUES ('m', 1)", ""}, {"CREATE UNIQUE INDEX IX_D ON K2 (A)", ""},
      {"CREATE UNIQUE INDEX IX_KD ON K (D)", "error 3022"}, {"SELECT count(*) FROM K", "3"}});
}

// A table that exists already, or a failing row, leaves the database as it was.
TEST_F(RecordsetTest, SelectIntoMakesTheTableAndCountsItsRows) {
  insertDeclarants(3);
  db->execute("SELECT T01_CSDE, T01_NIF, T01_N * 2 AS DOBLE, T01_NOMBRE & '!' INTO Copia FROM T01_DECLARANTES "
              "WHERE T01_N > 10");
  EXPECT_EQ(db->recordsAffected(), 2);
  auto& fields = db->tableDefs().item("Copia")->fields();
  EXPECT_EQ(fieldNames(fields, true), "T01_CSDE:Long T01_NIF:Text DOBLE:Long Expr1003:Text");
  EXPECT_EQ(fields.item("T01_NIF")->size(), 9);
  expectResults(*db, {{"SELECT sum(DOBLE) FROM Copia", "100"}, {"SELECT T01_NIF INTO Copia FROM T01_DECLARANTES", "error 3010"},
                      {"SELECT 1 / (T01_N - 20) AS X INTO Otra FROM T01_DECLARANTES", "error 11"}});
  EXPECT_EQ(db->tableDefs().count(), 2);
}

TEST_F(RecordsetTest, TheRecordsetsCollectionHoldsOpenRecordsetsAndCloseClosesThem) {
  insertDeclarants(2);
  auto a = db->openRecordset("SELECT * FROM T01_DECLARANTES");
  auto b = db->openRecordset("SELECT T01_NIF FROM T01_DECLARANTES");
  db->openRecordset("SELECT T01_N FROM T01_DECLARANTES");  // dropped at once
  EXPECT_EQ(db->recordsets().count(), 2);
  EXPECT_EQ(db->recordsets().item(1), b);
  a->close();
  EXPECT_FALSE(a->isOpen());
  EXPECT_JET_ERROR(a->moveNext(), kObjectClosed);
  EXPECT_JET_ERROR(a->close(), kObjectClosed);
  EXPECT_EQ(db->recordsets().item(0), b);
  EXPECT_JET_ERROR(db->recordsets().item(1), kItemNotFound);

  auto field = b->fields().item(0);
  db->close();
  EXPECT_FALSE(b->isOpen());
  EXPECT_EQ(sourcedError([&] { b->eof(); }), "3420 DAO.Recordset");
  EXPECT_JET_ERROR(field->value(), kObjectClosed);
}

TEST_F(RecordsetTest, TheTraceGetsEveryStatementUntilCleared) {
  std::vector<std::string> seen;
  setStatementTrace([&](std::string_view jet, std::string_view sqlite) { seen.emplace_back(std::string(jet) + " | " + std::string(sqlite)); });
  db->execute("DELETE FROM T01_DECLARANTES WHERE T01_N = 1");
  db->openRecordset("SELECT T01_NIF FROM T01_DECLARANTES")->close();
  setStatementTrace(nullptr);
  db->execute("DELETE FROM T01_DECLARANTES");
  EXPECT_THAT(seen, ::testing::ElementsAre(
                        ::testing::StartsWith("DELETE FROM T01_DECLARANTES WHERE T01_N = 1 | DELETE FROM \"T01_DECLARANTES\""),
                        ::testing::StartsWith("SELECT T01_NIF FROM T01_DECLARANTES | SELECT")));
}

}  // namespace
}  // namespace svrZIVE::engine::testing
