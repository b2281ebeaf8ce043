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
  for (const char* table : {"T2 (ID COUNTER)", "a1 (X LONG)", "T09_Tipologia5_Nueva (T09_SECDEC DOUBLE)"})
    db->execute(std::string("CREATE TABLE ") + table);
  std::string names;
  for (int32_t i = 0; i < db->tableDefs().count(); ++i) names += db->tableDefs().item(i)->name() + " ";
  // Neither SQLite's sqlite_sequence nor our catalog table is listed.
  EXPECT_EQ(names, "a1 T09_Tipologia5_Nueva T2 ");
  EXPECT_EQ(db->tableDefs().item("t09_tipologia5_nueva")->name(), "T09_Tipologia5_Nueva");
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
    auto e = errorOf([&] { db->tableDefs().append(other); });
    ASSERT_TRUE(e) << name;
    EXPECT_EQ(e->number(), *name == 't' ? kTableExists : kInvalidName) << name;
    EXPECT_EQ(e->source(), "DAO.TableDefs");
  }
  EXPECT_EQ(db->tableDefs().count(), 1);
}

TEST_F(TableDefsTest, FieldTypesAndSizesReadBack) {
  const struct { DaoType type; int32_t sizeGiven, size; } cases[] = {
      {DaoType::Boolean, 0, 1},  {DaoType::Byte, 0, 1},   {DaoType::Integer, 9, 2}, {DaoType::Long, 0, 4},
      {DaoType::Currency, 0, 8}, {DaoType::Single, 0, 4}, {DaoType::Double, 0, 8},  {DaoType::Date, 0, 8},
      {DaoType::Text, 13, 13},   {DaoType::Text, 0, 50},  {DaoType::Memo, 0, 0},
  };
  auto td = db->createTableDef("Types");
  int n = 0;
  for (const auto& c : cases) td->fields().append(td->createField("F" + std::to_string(n++), c.type, c.sizeGiven));
  db->tableDefs().append(td);

  auto again = openDb();
  auto& fields = again->tableDefs().item("Types")->fields();
  ASSERT_EQ(fields.count(), static_cast<int32_t>(std::size(cases)));
  for (int i = 0; i < fields.count(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(fields.item(i)->type(), cases[i].type);
    EXPECT_EQ(fields.item(i)->size(), cases[i].size);
    EXPECT_EQ(fields.item(i)->ordinalPosition(), i);
  }
}

TEST_F(TableDefsTest, FieldPropertiesAreKept) {
  auto td = db->createTableDef("P");
  auto a = td->createField("A", DaoType::Double);
  a->setRequired(true);
  a->setDefaultValue(Variant(int32_t{0}));
  auto b = td->createField("B", DaoType::Text, 6);
  b->setAllowZeroLength(true);
  b->setDefaultValue(Variant(""));
  auto c = td->createField("C", DaoType::Long);
  c->setAttributes(dbAutoIncrField);
  auto d = td->createField("D", DaoType::Text, 2);
  d->setDefaultValue(Variant("\"00\""));
  for (auto& f : {a, b, c, d}) td->fields().append(f);
  db->tableDefs().append(td);

  auto again = openDb();
  auto& fields = again->tableDefs().item("P")->fields();
  EXPECT_TRUE(fields.item("a")->required());
  EXPECT_EQ(fields.item("A")->defaultValue(), Variant("0"));
  EXPECT_TRUE(fields.item("B")->allowZeroLength());
  EXPECT_EQ(fields.item("B")->defaultValue(), Variant(""));
  EXPECT_EQ(fields.item("C")->attributes(), dbAutoIncrField);
  EXPECT_EQ(fields.item("D")->defaultValue(), Variant("\"00\""));
  // Defaults reach rows that leave the fields out.
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO P DEFAULT VALUES");
  EXPECT_EQ(raw.value("SELECT A, B, C, D FROM P"), "0.0|NULL|1|00");
}

// A value outside a field's range or rules fails with Jet's error, whether the
// engine writes it or another tool does behind the engine's back; the limits
// themselves are stored as they are.
TEST_F(TableDefsTest, WholeNumbersOutsideTheFieldsRangeOverflow) {
  db->execute("CREATE TABLE R (NAME TEXT(3) NOT NULL, B BYTE, I SHORT, L LONG)");
  db->tableDefs().item("R")->fields().item("NAME")->setAllowZeroLength(false);
  auto other = std::make_unique<detail::SqliteConnection>();
  other->open(file("test.mdb"), false, false, "DAO.Database");
  const struct { const char* values; int32_t engine, other; } cases[] = {
      {"(NAME) VALUES ('abcd')", kFieldTooSmall, kFieldTooSmall},
      {"(NAME) VALUES ('')", kZeroLengthNotAllowed, kZeroLengthNotAllowed},
      {"(B) VALUES (1)", kRequiredIsNull, kRequiredIsNull},
      {"(NAME, I) VALUES ('a', 'x')", kTypeMismatchInExpression, kTypeMismatchInExpression},
      {"(NAME, B) VALUES ('a', -1)", kOverflow, kTypeMismatchInExpression},
      {"(NAME, B) VALUES ('a', 256)", kOverflow, kTypeMismatchInExpression},
      {"(NAME, I) VALUES ('a', -32769)", kOverflow, kTypeMismatchInExpression},
      {"(NAME, I) VALUES ('a', 32768)", kOverflow, kTypeMismatchInExpression},
      {"(NAME, L) VALUES ('a', -2147483649)", kOverflow, kTypeMismatchInExpression},
      {"(NAME, L) VALUES ('a', 2147483648)", kOverflow, kTypeMismatchInExpression},
  };
  for (const auto& c : cases) {
    const std::string sql = std::string("INSERT INTO R ") + c.values;
    EXPECT_JET_ERROR(db->execute(sql), c.engine);
    EXPECT_JET_ERROR(other->exec(sql, "DAO.Database"), c.other);
  }
  for (const char* limits : {"0, -32768, -2147483648", "255, 32767, 2147483647"}) {
    const std::string sql = std::string("INSERT INTO R (NAME, B, I, L) VALUES ('abc', ") + limits + ")";
    db->execute(sql);
    other->exec(sql, "DAO.Database");
  }
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT B, I, L FROM R"),
            "0|-32768|-2147483648 0|-32768|-2147483648 255|32767|2147483647 255|32767|2147483647");
}

TEST_F(TableDefsTest, AppendingFieldsToATableHoldingRowsKeepsEveryRow) {
  db->execute("CREATE TABLE T02 (T02_SECDEC COUNTER, T02_MODELO TEXT(3))");
  RawDb raw(file("test.mdb"));
  raw.exec("WITH n(i) AS (SELECT 500 UNION ALL SELECT i + 1 FROM n WHERE i < 549) "
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
  EXPECT_EQ(raw.value("SELECT T02_SECDEC, T02_MODELO FROM T02 WHERE T02_SECDEC IN (1, 50)"), "1|500 50|549");
  EXPECT_EQ(raw.value("SELECT count(*) FROM T02 WHERE T02_CAE IS NULL AND T02_IMP = 0 AND T02_REQ IS NULL"), "50");
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

TEST_F(TableDefsTest, ChangingPositionsKeepsEveryValueAndOrdersSelectStar) {
  db->execute("CREATE TABLE T (A LONG, B TEXT(10), C DOUBLE)");
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T VALUES (1, 'one', 1.5), (2, 'two', 2.5), (3, NULL, 3.5)");
  const std::string before = raw.value("SELECT rowid, A, B, C FROM T ORDER BY rowid");
  auto& fields = db->tableDefs().item("T")->fields();
  fields.item("A")->setOrdinalPosition(7);
  fields.item("C")->setOrdinalPosition(0);
  fields.refresh();
  EXPECT_EQ(fieldNames(fields), "C B A");
  EXPECT_EQ(raw.value("SELECT rowid, A, B, C FROM T ORDER BY rowid"), before);
  EXPECT_EQ(rowsOf(*db, "SELECT * FROM T ORDER BY A"), "1.5|one|1 2.5|two|2 3.5|NULL|3");
}

TEST_F(TableDefsTest, ChangingRequiredAllowZeroLengthAndDefaultRewritesTheTableKeepingRows) {
  db->execute("CREATE TABLE T (ID COUNTER, NAME TEXT(5), N DOUBLE)");
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T (NAME, N) VALUES ('a', 1), ('b', 2), ('c', 3)");
  raw.exec("DELETE FROM T WHERE ID = 3");
  raw.exec("CREATE INDEX IX_T_N ON T (N)");
  auto& fields = db->tableDefs().item("T")->fields();
  fields.item("N")->setDefaultValue(Variant(7.5));
  fields.item("NAME")->setAllowZeroLength(false);
  fields.item("NAME")->setRequired(true);

  EXPECT_EQ(raw.value("SELECT ID, NAME, N FROM T ORDER BY ID"), "1|a|1.0 2|b|2.0");
  EXPECT_EQ(raw.value("SELECT count(*) FROM sqlite_schema WHERE name = 'IX_T_N'"), "1");
  raw.exec("INSERT INTO T (NAME) VALUES ('d')");
  // The counter does not hand out the deleted row's number again.
  EXPECT_EQ(raw.value("SELECT ID, N FROM T WHERE NAME = 'd'"), "4|7.5");
  EXPECT_THROW(raw.exec("INSERT INTO T (NAME) VALUES ('')"), std::runtime_error);
  EXPECT_THROW(raw.exec("INSERT INTO T (N) VALUES (1)"), std::runtime_error);
}

TEST_F(TableDefsTest, NameTypeAndSizeOfAFieldInTheDatabaseCannotChange) {
  db->execute("CREATE TABLE T (A TEXT(5))");
  auto f = db->tableDefs().item("T")->fields().item("A");
  EXPECT_JET_ERROR(f->setName("B"), kInvalidOperation);
  EXPECT_JET_ERROR(f->setType(DaoType::Long), kInvalidOperation);
  EXPECT_JET_ERROR(f->setSize(10), kInvalidOperation);
  EXPECT_JET_ERROR(f->setAttributes(dbAutoIncrField), kInvalidOperation);
  EXPECT_JET_ERROR(f->value(), kInvalidOperation);
  EXPECT_EQ(f->name(), "A");
  EXPECT_EQ(f->size(), 5);
}

// Rows written behind the engine's back take numbers from the same counter.
TEST_F(TableDefsTest, CountersNumberRowsAndNeverHandOutANumberAgain) {
  db->execute("CREATE TABLE T01 (T01_CSDE COUNTER, T01_NIF TEXT(9))");
  db->execute("INSERT INTO T01 (T01_NIF) VALUES ('a')");
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T01 (T01_NIF) VALUES ('b'), ('c')");
  db->execute("DELETE FROM T01 WHERE T01_CSDE = 3");
  db->execute("INSERT INTO T01 (T01_NIF) VALUES ('d')");
  EXPECT_EQ(raw.value("SELECT T01_CSDE FROM T01 WHERE T01_NIF = 'd'"), "4");
  raw.exec("DELETE FROM T01");
  raw.exec("INSERT INTO T01 (T01_NIF) VALUES ('e')");
  EXPECT_EQ(raw.value("SELECT T01_CSDE FROM T01"), "5");

  // A counter added to a table holding rows numbers them.
  db->execute("CREATE TABLE T (A TEXT(5))");
  raw.exec("INSERT INTO T VALUES ('x'), ('y')");
  auto td = db->tableDefs().item("T");
  auto id = td->createField("ID", DaoType::Long);
  id->setAttributes(dbAutoIncrField);
  td->fields().append(id);
  raw.exec("INSERT INTO T (A) VALUES ('z')");
  EXPECT_EQ(raw.value("SELECT ID, A FROM T ORDER BY ID"), "1|x 2|y 3|z");
}

TEST_F(TableDefsTest, RemovingFieldsAndTables) {
  db->execute("CREATE TABLE T (A LONG, B TEXT(5), C DOUBLE)");
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T VALUES (1, 'x', 1.5), (2, 'y', 2.5)");
  auto td = db->tableDefs().item("T");
  td->fields().remove("b");
  EXPECT_EQ(fieldNames(td->fields()), "A C");
  EXPECT_EQ(raw.value("SELECT * FROM T ORDER BY A"), "1|1.5 2|2.5");
  EXPECT_JET_ERROR(td->fields().remove("B"), kItemNotFound);
  db->tableDefs().remove("t");
  EXPECT_EQ(db->tableDefs().count(), 0);
  EXPECT_JET_ERROR(db->tableDefs().remove("T"), kItemNotFound);
}

TEST_F(TableDefsTest, ChangesReachOtherConnectionsBothWays) {
  db->execute("CREATE TABLE T (A LONG)");
  auto td = db->tableDefs().item("T");
  auto& fields = td->fields();
  EXPECT_EQ(fields.count(), 1);
  {
    auto other = openDb();
    auto otherTd = other->tableDefs().item("T");
    otherTd->fields().append(otherTd->createField("B", DaoType::Long));
    other->execute("CREATE TABLE U (X LONG)");
  }
  EXPECT_EQ(fields.count(), 2);
  EXPECT_EQ(db->tableDefs().count(), 2);
  // An appended field object stays live: a change to it goes to the file.
  auto f = td->createField("C", DaoType::Double);
  fields.append(f);
  EXPECT_JET_ERROR(fields.append(f), kObjectExists);
  f->setOrdinalPosition(0);
  auto other = openDb();
  EXPECT_EQ(fieldNames(other->tableDefs().item("T")->fields()), "A C B");
  EXPECT_EQ(other->tableDefs().item("T")->fields().item("C")->ordinalPosition(), 0);
}

// Whole-table updates written in one rewrite give what running them in turn gives.
TEST_F(TableDefsTest, UpdatesWrittenInOneRewriteGiveTheResultOfRunningThemInTurn) {
  const struct {
    std::vector<std::string> updates;
    const char* rows;  // N|A|B per row; empty: the error leaves them as they were
    int32_t error;
  } cases[] = {
      {{"UPDATE R SET A = 1", "UPDATE R SET B = 'x', A = 2"}, "1|2|x 2|2|x", 0},
      {{"UPDATE R SET A = 5", "UPDATE R SET B = A & ''"}, "1|5|5 2|5|5", 0},  // reads what the first one set
      {{"UPDATE R SET A = 7 WHERE N = 1", "UPDATE R SET B = 'y'"}, "1|7|y 2|0|y", 0},
      {{"UPDATE R SET A = 3", "UPDATE R SET B = 'long'"}, "1|0|a 2|0|b", kFieldTooSmall},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.updates.back());
    db->execute("CREATE TABLE R (N LONG, A LONG, B TEXT(3))");
    db->execute("INSERT INTO R VALUES (1, 0, 'a')");
    db->execute("INSERT INTO R VALUES (2, 0, 'b')");
    if (c.error) EXPECT_JET_ERROR(rewriteTable(*db, c.updates), c.error);
    else rewriteTable(*db, c.updates);
    EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT N, A, B FROM R ORDER BY N"), c.rows);
    db->execute("DROP TABLE R");
  }
}

}  // namespace
}  // namespace svrZIVE::engine::testing
