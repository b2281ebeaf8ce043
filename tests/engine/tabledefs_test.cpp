// Table definitions and their fields: creating tables, appending fields to
// tables that hold rows, ordinal positions, field properties, and what the
// file holds afterwards (looked at with a plain SQLite connection).
#include "engine/access_paths.h"
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

class TableDefsTest : public EngineTest {
 protected:
  void SetUp() override { db = createDb(); }
  std::shared_ptr<Database> db;
};

TEST_F(TableDefsTest, ListsOnlyTheDatabasesTablesAlphabeticallyInTheirLetterCase) {
  for (const char* table : {"T2 (ID COUNTER)", "a1 (X TEXT)", "T09_Tipologia5_Nueva (T09_SECDEC DOUBLE)"})
    db->execute(std::string("CREATE TABLE ") + table);
  std::string names;
  for (int32_t i = 0; i < db->tableDefs().count(); ++i) names += db->tableDefs().item(i)->name() + " ";
  // Neither SQLite's sqlite_sequence nor our catalog table is listed.
  EXPECT_EQ(names, "a1 T09_Tipologia5_Nueva T2 ");
  EXPECT_EQ(db->tableDefs().item("t09_tipologia5_nueva")->name(), "T09_Tipologia5_Nueva");
  EXPECT_EQ(db->tableDefs().item("a1")->fields().item("X")->size(), 255);
  EXPECT_JET_ERROR(db->tableDefs().item("zive_fields"), kItemNotFound);
  EXPECT_JET_ERROR(db->tableDefs().item("sqlite_sequence"), kItemNotFound);
  EXPECT_JET_ERROR(db->tableDefs().item(3), kItemNotFound);
}

TEST_F(TableDefsTest, AppendRefusesEmptyTablesTakenNamesAndBadNames) {
  auto td = db->createTableDef("T00_GENERAL");
  EXPECT_JET_ERROR(db->tableDefs().append(td), kNoFieldDefined);
  td->fields().append(td->createField("A", DaoType::Long));
  EXPECT_JET_ERROR(td->fields().append(td->createField("a", DaoType::Long)), kObjectExists);
  db->tableDefs().append(td);
  for (const char* name : {"t00_general", "a.b", "x[1]", " lead", "sqlite_mine"}) {
    auto other = db->createTableDef(name);
    other->fields().append(other->createField("A", DaoType::Long));
    EXPECT_EQ(sourcedError([&] { db->tableDefs().append(other); }), (*name == 't' ? "3010" : "3125") + std::string(" DAO.TableDefs"));
  }
  EXPECT_EQ(db->tableDefs().count(), 1);
}

TEST_F(TableDefsTest, FieldTypesSizesAndPropertiesReadBack) {
  const struct { DaoType type; int32_t sizeGiven, size; } cases[] = {
      {DaoType::Boolean, 0, 1},  {DaoType::Byte, 0, 1},   {DaoType::Integer, 9, 2}, {DaoType::Long, 0, 4},
      {DaoType::Currency, 0, 8}, {DaoType::Single, 0, 4}, {DaoType::Double, 0, 8},  {DaoType::Date, 0, 8},
      {DaoType::Text, 13, 13},   {DaoType::Text, 0, 50},  {DaoType::Memo, 0, 0},
  };
  auto td = db->createTableDef("Types");
  std::vector<std::shared_ptr<Field>> made;
  for (const auto& c : cases) made.push_back(td->createField("F" + std::to_string(made.size()), c.type, c.sizeGiven));
  made[3]->setAttributes(dbAutoIncrField);
  made[6]->setRequired(true);
  made[6]->setDefaultValue(Variant(int32_t{0}));
  made[8]->setAllowZeroLength(true);
  made[8]->setDefaultValue(Variant(""));
  made[9]->setDefaultValue(Variant("\"00\""));
  for (const auto& f : made) td->fields().append(f);
  db->tableDefs().append(td);

  auto again = openDb();
  auto& fields = again->tableDefs().item("types")->fields();
  ASSERT_EQ(fields.count(), static_cast<int32_t>(std::size(cases)));
  for (int i = 0; i < fields.count(); ++i) {
    EXPECT_EQ(fields.item(i)->type(), cases[i].type) << i;
    EXPECT_EQ(fields.item(i)->size(), cases[i].size) << i;
    EXPECT_EQ(fields.item(i)->ordinalPosition(), i);
  }
  EXPECT_EQ(fields.item("F3")->attributes(), dbAutoIncrField);
  EXPECT_TRUE(fields.item("f6")->required() && fields.item("F8")->allowZeroLength());
  EXPECT_EQ(fields.item("F6")->defaultValue(), Variant("0"));
  EXPECT_EQ(fields.item("F8")->defaultValue(), Variant(""));
  EXPECT_EQ(fields.item("F9")->defaultValue(), Variant("\"00\""));
  // Defaults reach rows that leave the fields out.
  expectResults(*db, {{"RAW INSERT INTO Types DEFAULT VALUES", ""}, {"RAW SELECT F3, F6, F8, F9 FROM Types", "1|0.0|NULL|00"}});
}

// A value outside a field's range or rules fails with Jet's error, whether the
// engine writes it or another tool does behind the engine's back; the limits
// themselves are stored as they are.
TEST_F(TableDefsTest, WholeNumbersOutsideTheFieldsRangeOverflow) {
  db->execute("CREATE TABLE R (NAME TEXT(3) NOT NULL, B BYTE, I SHORT, L LONG)");
  db->tableDefs().item("R")->fields().item("NAME")->setAllowZeroLength(false);
  detail::SqliteConnection other;
  other.open(file("test.mdb"), false, false, "DAO.Database");
  const struct { const char* values; int32_t engine, other; } cases[] = {
      {"(NAME) VALUES ('abcd')", 3163, 3163}, {"(B) VALUES (1)", 3314, 3314}, {"(NAME) VALUES ('')", 3315, 3315},
      {"(NAME, I) VALUES ('a', 'x')", 3464, 3464}, {"(NAME, B) VALUES ('a', -1)", 6, 3464},
      {"(NAME, B) VALUES ('a', 256)", 6, 3464}, {"(NAME, I) VALUES ('a', -32769)", 6, 3464},
      {"(NAME, I) VALUES ('a', 32768)", 6, 3464}, {"(NAME, L) VALUES ('a', -2147483649)", 6, 3464},
      {"(NAME, L) VALUES ('a', 2147483648)", 6, 3464}, {"(NAME, B, I, L) VALUES ('abc', 0, -32768, -2147483648)", 0, 0},
      {"(NAME, B, I, L) VALUES ('abc', 255, 32767, 2147483647)", 0, 0},
  };
  for (const auto& c : cases) {
    const std::string sql = std::string("INSERT INTO R ") + c.values;
    EXPECT_EQ(errorNumberOf([&] { db->execute(sql); }), c.engine) << sql;
    EXPECT_EQ(errorNumberOf([&] { other.exec(sql, "DAO.Database"); }), c.other) << sql;
  }
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT B, I, L FROM R"),
            "0|-32768|-2147483648 0|-32768|-2147483648 255|32767|2147483647 255|32767|2147483647");
}

TEST_F(TableDefsTest, AppendingFieldsToATableHoldingRowsKeepsEveryRow) {
  db->execute("CREATE TABLE T02 (T02_SECDEC COUNTER, T02_MODELO TEXT(3))");
  RawDb(file("test.mdb")).exec("WITH n(i) AS (SELECT 500 UNION ALL SELECT i + 1 FROM n WHERE i < 549) "
                               "INSERT INTO T02 (T02_MODELO) SELECT i || '' FROM n");
  auto td = db->tableDefs().item("T02");
  auto cae = td->createField("T02_CAE", DaoType::Text, 13);
  cae->setAllowZeroLength(true);
  cae->setDefaultValue(Variant(""));
  td->fields().append(cae);
  auto imp = td->createField("T02_IMP", DaoType::Double);
  imp->setDefaultValue(Variant(int32_t{0}));
  imp->setRequired(true);
  td->fields().append(imp);
  auto req = td->createField("T02_REQ", DaoType::Double);
  req->setRequired(true);  // required, no default: kept in the catalog only
  td->fields().append(req);
  td->fields().refresh();

  EXPECT_EQ(fieldNames(td->fields()), "T02_SECDEC T02_MODELO T02_CAE T02_IMP T02_REQ");
  EXPECT_TRUE(td->fields().item("T02_REQ")->required());
  expectResults(*db, {{"RAW SELECT T02_SECDEC, T02_MODELO FROM T02 WHERE T02_SECDEC IN (1, 50)", "1|500 50|549"},
                      {"RAW SELECT count(*) FROM T02 WHERE T02_CAE IS NULL AND T02_IMP = 0 AND T02_REQ IS NULL", "50"}});
}

TEST_F(TableDefsTest, PositionsEqualOnesSortByNameAndUnsetOnesGoAfterTheHighest) {
  db->execute("CREATE TABLE T08 (T08_SECDEC DOUBLE, T08_CUOTAINTEGRA DOUBLE, T08_DEDUCCUOTA DOUBLE, T08_CUOTA DOUBLE)");
  auto td = db->tableDefs().item("T08");
  auto& fields = td->fields();
  // Fields appended at positions others already hold.
  const std::pair<const char*, int16_t> added[] = {{"T08_CODEPI6", 1}, {"T08_BASIMP6", 2}, {"T08_TIPO6", 3}, {"T08_AAA", 3}};
  for (const auto& [name, position] : added) {
    auto f = td->createField(name, DaoType::Double);
    f->setOrdinalPosition(position);
    fields.append(f);
  }
  fields.refresh();
  const std::string order = "T08_SECDEC T08_CODEPI6 T08_CUOTAINTEGRA T08_BASIMP6 T08_DEDUCCUOTA T08_AAA T08_CUOTA T08_TIPO6";
  EXPECT_EQ(fieldNames(fields), order);
  // Without a position: after the highest one, here and from a new connection.
  fields.append(td->createField("T08_LAST", DaoType::Double));
  EXPECT_EQ(fields.item("T08_LAST")->ordinalPosition(), 4);
  EXPECT_EQ(fieldNames(fields), order + " T08_LAST");
  EXPECT_EQ(fieldNames(openDb()->tableDefs().item("T08")->fields()), order + " T08_LAST");
}

// A change of a field's position, Required, AllowZeroLength or default
// rewrites the table, keeping its rows, their numbers and its indexes.
TEST_F(TableDefsTest, ChangingFieldsRewritesTheTableKeepingEveryRow) {
  expectResults(*db, {{"CREATE TABLE T (ID COUNTER, A LONG, B TEXT(5), C DOUBLE)", ""},
                      {"RAW INSERT INTO T (A, B, C) VALUES (1, 'one', 1.5), (2, NULL, 2.5), (3, 'three', 3.5)", ""},
                      {"RAW DELETE FROM T WHERE ID = 2", ""}, {"RAW CREATE INDEX IX_T_C ON T (C)", ""}});
  auto& fields = db->tableDefs().item("T")->fields();
  fields.item("A")->setOrdinalPosition(7);
  fields.item("C")->setOrdinalPosition(0);
  fields.item("C")->setDefaultValue(Variant(7.5));
  fields.item("B")->setAllowZeroLength(false);
  fields.item("B")->setRequired(true);
  fields.refresh();
  EXPECT_EQ(fieldNames(fields), "C ID B A");
  expectResults(*db, {{"RAW SELECT rowid, ID, A, B, C FROM T", "1|1|1|one|1.5 3|3|3|three|3.5"},
                      {"SELECT * FROM T ORDER BY A", "1.5|1|one|1 3.5|3|three|3"},
                      {"RAW SELECT count(*) FROM sqlite_schema WHERE name = 'IX_T_C'", "1"},
                      {"RAW INSERT INTO T (B) VALUES ('d')", ""}, {"RAW SELECT ID, C FROM T WHERE B = 'd'", "4|7.5"},
                      {"RAW DELETE FROM T WHERE ID = 4", ""}});
  // Rows numbered without a gap keep their numbers too, and the counter does
  // not hand out a deleted row's number again.
  expectResults(*db, {{"RAW DELETE FROM T WHERE ID = 3", ""}, {"RAW UPDATE T SET ID = 2 WHERE ID = 1", ""},
                      {"RAW INSERT INTO T (ID, B) VALUES (1, 'e')", ""}});
  fields.item("C")->setDefaultValue(Variant(8.5));
  expectResults(*db, {{"RAW SELECT rowid, ID, B FROM T", "1|1|e 2|2|one"},
                      {"RAW INSERT INTO T (B) VALUES ('f')", ""}, {"RAW SELECT ID FROM T WHERE B = 'f'", "5"},
                      {"RAW INSERT INTO T (B) VALUES ('')", "refused"}, {"RAW INSERT INTO T (C) VALUES (1)", "refused"}});
}

// Fields and tables can go; a field's name, type and size cannot change.
TEST_F(TableDefsTest, RemovingFieldsAndTables) {
  db->execute("CREATE TABLE T (A LONG, B TEXT(5), C DOUBLE)");
  RawDb(file("test.mdb")).exec("INSERT INTO T VALUES (1, 'x', 1.5), (2, 'y', 2.5)");
  auto td = db->tableDefs().item("T");
  auto f = td->fields().item("B");
  const std::function<void()> changes[] = {[&] { f->setName("D"); }, [&] { f->setType(DaoType::Long); },
                                           [&] { f->setSize(10); }, [&] { f->setAttributes(dbAutoIncrField); }, [&] { f->value(); }};
  for (const auto& change : changes) EXPECT_JET_ERROR(change(), kInvalidOperation);
  EXPECT_EQ(f->name(), "B");
  EXPECT_EQ(f->size(), 5);
  td->fields().remove("b");
  EXPECT_EQ(fieldNames(td->fields()), "A C");
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT * FROM T ORDER BY A"), "1|1.5 2|2.5");
  EXPECT_JET_ERROR(td->fields().remove("B"), kItemNotFound);
  db->tableDefs().remove("t");
  EXPECT_EQ(db->tableDefs().count(), 0);
  EXPECT_JET_ERROR(db->tableDefs().remove("T"), kItemNotFound);
}

// Rows written behind the engine's back take numbers from the same counter.
TEST_F(TableDefsTest, CountersNumberRowsAndNeverHandOutANumberAgain) {
  db->execute("CREATE TABLE T01 (T01_CSDE COUNTER, T01_NIF TEXT(9))");
  expectResults(*db, {{"INSERT INTO T01 (T01_NIF) VALUES ('a')", ""}, {"RAW INSERT INTO T01 (T01_NIF) VALUES ('b'), ('c')", ""},
                      {"DELETE FROM T01 WHERE T01_CSDE = 3", ""}, {"INSERT INTO T01 (T01_NIF) VALUES ('d')", ""},
                      {"RAW SELECT T01_CSDE FROM T01 WHERE T01_NIF = 'd'", "4"}, {"RAW DELETE FROM T01", ""},
                      {"RAW INSERT INTO T01 (T01_NIF) VALUES ('e')", ""}, {"RAW SELECT T01_CSDE FROM T01", "5"}});
  // A counter added to a table holding rows numbers them.
  db->execute("CREATE TABLE T (A TEXT(5))");
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T VALUES ('x'), ('y')");
  auto td = db->tableDefs().item("T");
  auto id = td->createField("ID", DaoType::Long);
  id->setAttributes(dbAutoIncrField);
  td->fields().append(id);
  raw.exec("INSERT INTO T (A) VALUES ('z')");
  EXPECT_EQ(raw.value("SELECT ID, A FROM T ORDER BY ID"), "1|x 2|y 3|z");
}

TEST_F(TableDefsTest, ChangesReachOtherConnectionsBothWays) {
  db->execute("CREATE TABLE T (A LONG)");
  auto td = db->tableDefs().item("T");
  auto& fields = td->fields();
  EXPECT_EQ(fields.count(), 1);
  // A query read before is translated again once another connection changed its table.
  auto queryColumns = [&] { return db->openRecordset("SELECT * FROM T")->fields().count(); };
  EXPECT_EQ(queryColumns() + queryColumns(), 2);
  auto other = openDb();
  expectResults(*other, {{"ALTER TABLE T ADD COLUMN B LONG", ""}, {"CREATE TABLE U (X LONG)", ""}});
  EXPECT_EQ(queryColumns(), 2);
  EXPECT_EQ(fields.count(), 2);
  EXPECT_EQ(db->tableDefs().count(), 2);
  // An appended field object stays live: a change to it goes to the file.
  auto f = td->createField("C", DaoType::Double);
  fields.append(f);
  EXPECT_JET_ERROR(fields.append(f), kObjectExists);
  f->setOrdinalPosition(0);  // A and C at 0 sort by name
  EXPECT_EQ(fieldNames(other->tableDefs().item("T")->fields()), "A C B");
}

// Whole-table updates written in one rewrite give what running them in turn gives.
TEST_F(TableDefsTest, UpdatesWrittenInOneRewriteGiveTheResultOfRunningThemInTurn) {
  const struct { std::vector<std::string> updates; int32_t error; const char* rows; } cases[] = {  // N|A|B per row
      {{"UPDATE R SET A = 1", "UPDATE R SET B = 'x', A = 2"}, 0, "1|2|x 2|2|x"},
      {{"UPDATE R SET A = 2.5, B = 12"}, 0, "1|2|12 2|2|12"},  // literals stored as the fields store them
      {{"UPDATE R SET A = 5", "UPDATE R SET B = A & ''"}, 0, "1|5|5 2|5|5"},  // reads what the first one set
      {{"UPDATE R SET A = 7 WHERE N = 1", "UPDATE R SET B = 'y'"}, 0, "1|7|y 2|0|y"},
      {{"UPDATE R SET A = N"}, 0, "1|1|a 2|2|b"},
      {{"UPDATE R SET A = 0, B = 'a'"}, 0, "1|0|a 2|0|a"},  // the first row holds it already, not the second
      {{"UPDATE R SET A = 3", "UPDATE R SET B = 'long'"}, kFieldTooSmall, "1|0|a 2|0|b"},  // as they were
  };
  for (const auto& c : cases) {
    db->execute("CREATE TABLE R (N LONG, A LONG, B TEXT(3))");
    RawDb(file("test.mdb")).exec("INSERT INTO R VALUES (1, 0, 'a'), (2, 0, 'b')");
    EXPECT_EQ(errorNumberOf([&] { rewriteTable(*db, c.updates); }), c.error) << c.updates.back();
    EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT N, A, B FROM R ORDER BY N"), c.rows) << c.updates.back();
    db->execute("DROP TABLE R");
  }
}

}  // namespace
}  // namespace svrZIVE::engine::testing
