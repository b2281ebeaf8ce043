// Table definitions and their fields: creating tables, appending fields to
// tables that hold rows, ordinal positions, field properties, and what the
// file holds afterwards (looked at with a plain SQLite connection).
#include "engine/access_paths.h"
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

using ::testing::ElementsAre;

class TableDefsTest : public EngineTest {
 protected:
  void SetUp() override { db = createDb(); }
  std::shared_ptr<Database> db;
};

TEST_F(TableDefsTest, ListsOnlyTheDatabasesTablesAlphabeticallyInTheirLetterCase) {
  makeTable(*db, "T2", {FieldShape("ID", DaoType::Long).counter()});
  makeTable(*db, "a1", {FieldShape("X", DaoType::Long)});
  makeTable(*db, "T09_Tipologia5_Nueva", {FieldShape("T09_SECDEC", DaoType::Double)});
  std::vector<std::string> names;
  for (int32_t i = 0; i < db->tableDefs().count(); ++i) names.push_back(db->tableDefs().item(i)->name());
  // Neither SQLite's sqlite_sequence nor our catalog table is listed.
  EXPECT_THAT(names, ElementsAre("a1", "T09_Tipologia5_Nueva", "T2"));
  EXPECT_EQ(db->tableDefs().item("t09_tipologia5_nueva")->name(), "T09_Tipologia5_Nueva");
  EXPECT_JET_ERROR(db->tableDefs().item("zive_fields"), kItemNotFound);
  EXPECT_JET_ERROR(db->tableDefs().item("sqlite_sequence"), kItemNotFound);
  EXPECT_JET_ERROR(db->tableDefs().item(3), kItemNotFound);
}

TEST_F(TableDefsTest, AppendRefusesEmptyTablesTakenNamesAndBadNames) {
  EXPECT_JET_ERROR(db->tableDefs().append(db->createTableDef("Empty")), 3264);
  makeTable(*db, "T00_GENERAL", {FieldShape("A", DaoType::Long)});
  auto e = errorOf([&] { makeTable(*db, "t00_general", {FieldShape("A", DaoType::Long)}); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), kTableExists);
  EXPECT_EQ(e->source(), "DAO.TableDefs");
  for (const char* bad : {"a.b", "x[1]", " lead", "sqlite_mine"}) {
    SCOPED_TRACE(bad);
    EXPECT_JET_ERROR(makeTable(*db, bad, {FieldShape("A", DaoType::Long)}), 3125);
  }
  auto td = db->createTableDef("Twice");
  td->fields().append(td->createField("A", DaoType::Long));
  EXPECT_JET_ERROR(td->fields().append(td->createField("a", DaoType::Long)), 3367);
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
    auto f = fields.item(i);
    EXPECT_EQ(f->type(), cases[i].type);
    EXPECT_EQ(f->size(), cases[i].size);
    EXPECT_EQ(f->ordinalPosition(), i);
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
  EXPECT_EQ(fields.item("C")->attributes() & dbAutoIncrField, dbAutoIncrField);
  EXPECT_EQ(fields.item("D")->defaultValue(), Variant("\"00\""));
  EXPECT_JET_ERROR(fields.item("E"), kItemNotFound);

  // Defaults reach rows that leave the fields out.
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO P DEFAULT VALUES");
  EXPECT_THAT(raw.rows("SELECT A, B, C, D FROM P"), ElementsAre(ElementsAre("0.0", "NULL", "1", "00")));
}

// The layout constraints turn into Jet's errors for writes from anywhere.
TEST_F(TableDefsTest, DeclaredConstraintsGiveJetErrors) {
  makeTable(*db, "C", {FieldShape("NAME", DaoType::Text, 3).req().noZeroLength(), FieldShape("N", DaoType::Integer), FieldShape("B", DaoType::Byte)});
  auto conn = std::make_unique<detail::SqliteConnection>();
  conn->open(file("test.mdb"), false, false, "DAO.Database");
  const struct { const char* sql; int32_t number; } cases[] = {
      {"INSERT INTO C (NAME) VALUES ('abcd')", kFieldTooSmall},
      {"INSERT INTO C (NAME) VALUES ('')", kZeroLengthNotAllowed},
      {"INSERT INTO C (N) VALUES ('x')", kRequiredIsNull},  // NAME is required
      {"INSERT INTO C (NAME, N) VALUES ('a', -32769)", kTypeMismatchInExpression},
      {"INSERT INTO C (NAME, B) VALUES ('a', -1)", kTypeMismatchInExpression},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_JET_ERROR(conn->exec(c.sql, "DAO.Database"), c.number);
  }
  conn->exec("INSERT INTO C (NAME, N, B) VALUES ('abc', -32768, 255)", "DAO.Database");
}

// A whole number one past a number field's range overflows; its limits are stored as they are.
TEST_F(TableDefsTest, WholeNumbersOutsideTheFieldsRangeOverflow) {
  makeTable(*db, "R", {FieldShape("B", DaoType::Byte), FieldShape("I", DaoType::Integer), FieldShape("L", DaoType::Long)});
  const struct { const char* field; const char* low; const char* high; } ranges[] = {
      {"B", "0", "255"}, {"I", "-32768", "32767"}, {"L", "-2147483648", "2147483647"}};
  const struct { const char* field; const char* value; } outside[] = {
      {"B", "-1"}, {"B", "256"}, {"I", "-32769"}, {"I", "32768"}, {"L", "-2147483649"}, {"L", "2147483648"}};
  for (const auto& c : outside) {
    SCOPED_TRACE(std::string(c.field) + " " + c.value);
    EXPECT_JET_ERROR(db->execute(std::string("INSERT INTO R (") + c.field + ") VALUES (" + c.value + ")"), 6);
  }
  for (const auto& r : ranges) {
    db->execute(std::string("INSERT INTO R (") + r.field + ") VALUES (" + r.low + ")");
    db->execute(std::string("INSERT INTO R (") + r.field + ") VALUES (" + r.high + ")");
    EXPECT_EQ(RawDb(file("test.mdb")).rows(std::string("SELECT ") + r.field + " FROM R WHERE " + r.field +
                                           " IS NOT NULL ORDER BY 1"),
              (std::vector<std::vector<std::string>>{{r.low}, {r.high}}));
  }
}

TEST_F(TableDefsTest, AppendingFieldsToATableHoldingRowsKeepsEveryRow) {
  makeTable(*db, "T02", {FieldShape("T02_SECDEC", DaoType::Long).counter(), FieldShape("T02_MODELO", DaoType::Text, 3)});
  {
    RawDb raw(file("test.mdb"));
    for (int i = 0; i < 50; ++i) raw.exec("INSERT INTO T02 (T02_MODELO) VALUES ('" + std::to_string(500 + i) + "')");
  }
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

  EXPECT_THAT(fieldNames(td->fields()), ElementsAre("T02_SECDEC", "T02_MODELO", "T02_CAE", "T02_IMP", "T02_REQ"));
  EXPECT_TRUE(td->fields().item("T02_REQ")->required());
  EXPECT_EQ(td->fields().item("T02_IMP")->ordinalPosition(), 3);

  RawDb raw(file("test.mdb"));
  EXPECT_EQ(raw.value("SELECT count(*) FROM T02"), "50");
  EXPECT_EQ(raw.value("SELECT group_concat(T02_SECDEC || ':' || T02_MODELO, ',') FROM T02 WHERE T02_SECDEC IN (1, 50)"),
            "1:500,50:549");
  EXPECT_EQ(raw.value("SELECT count(*) FROM T02 WHERE T02_CAE IS NULL AND T02_IMP = 0 AND T02_REQ IS NULL"), "50");
}

TEST_F(TableDefsTest, PositionsEqualOnesSortByNameAndUnsetOnesGoAfterTheHighest) {
  makeTable(*db, "T08", {FieldShape("T08_SECDEC", DaoType::Double), FieldShape("T08_CUOTAINTEGRA", DaoType::Double),
                         FieldShape("T08_DEDUCCUOTA", DaoType::Double), FieldShape("T08_CUOTA", DaoType::Double)});
  auto td = db->tableDefs().item("T08");
  auto& fields = td->fields();
  // Fields appended at positions others already hold.
  struct Added {
    const char* name;
    int16_t position;
  } added[] = {{"T08_CODEPI6", 1}, {"T08_BASIMP6", 2}, {"T08_TIPO6", 3}, {"T08_AAA", 3}};
  for (const auto& a : added) {
    auto f = td->createField(a.name, DaoType::Double);
    f->setOrdinalPosition(a.position);
    fields.append(f);
  }
  fields.refresh();
  EXPECT_THAT(fieldNames(fields), ElementsAre("T08_SECDEC", "T08_CODEPI6", "T08_CUOTAINTEGRA", "T08_BASIMP6",
                                              "T08_DEDUCCUOTA", "T08_AAA", "T08_CUOTA", "T08_TIPO6"));
  // Without a position: after the highest one.
  fields.append(td->createField("T08_LAST", DaoType::Double));
  EXPECT_EQ(fields.item("T08_LAST")->ordinalPosition(), 4);
  EXPECT_EQ(fields.item(fields.count() - 1)->name(), "T08_LAST");

  // The same order seen from a new connection.
  auto other = openDb();
  EXPECT_THAT(fieldNames(other->tableDefs().item("T08")->fields()),
              ElementsAre("T08_SECDEC", "T08_CODEPI6", "T08_CUOTAINTEGRA", "T08_BASIMP6", "T08_DEDUCCUOTA",
                          "T08_AAA", "T08_CUOTA", "T08_TIPO6", "T08_LAST"));
}

TEST_F(TableDefsTest, ChangingPositionsKeepsEveryValueAndOrdersSelectStar) {
  makeTable(*db, "T", {FieldShape("A", DaoType::Long), FieldShape("B", DaoType::Text, 10), FieldShape("C", DaoType::Double)});
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T VALUES (1, 'one', 1.5), (2, 'two', 2.5), (3, NULL, 3.5)");
  auto before = raw.rows("SELECT rowid, A, B, C FROM T ORDER BY rowid");

  auto& fields = db->tableDefs().item("T")->fields();
  fields.item("A")->setOrdinalPosition(7);
  fields.item("C")->setOrdinalPosition(0);
  fields.refresh();
  EXPECT_THAT(fieldNames(fields), ElementsAre("C", "B", "A"));
  EXPECT_EQ(raw.rows("SELECT rowid, A, B, C FROM T ORDER BY rowid"), before);
  auto rs = db->openRecordset("SELECT * FROM T ORDER BY A");
  EXPECT_THAT(fieldNames(rs->fields()), ElementsAre("C", "B", "A"));
  rs->moveNext();
  EXPECT_EQ(rs->value(0), Variant(2.5));
  EXPECT_EQ(rs->value(1), Variant("two"));
  EXPECT_EQ(rs->value(2), Variant(int32_t{2}));
}

TEST_F(TableDefsTest, ChangingRequiredAllowZeroLengthAndDefaultRewritesTheTableKeepingRows) {
  makeTable(*db, "T", {FieldShape("ID", DaoType::Long).counter(), FieldShape("NAME", DaoType::Text, 5), FieldShape("N", DaoType::Double)});
  {
    RawDb raw(file("test.mdb"));
    raw.exec("INSERT INTO T (NAME, N) VALUES ('a', 1), ('b', 2), ('c', 3)");
    raw.exec("DELETE FROM T WHERE ID = 3");
    raw.exec("CREATE INDEX IX_T_N ON T (N)");
  }
  auto& fields = db->tableDefs().item("T")->fields();
  fields.item("N")->setDefaultValue(Variant(7.5));
  fields.item("NAME")->setAllowZeroLength(false);
  fields.item("NAME")->setRequired(true);

  RawDb raw(file("test.mdb"));
  EXPECT_THAT(raw.rows("SELECT ID, NAME, N FROM T ORDER BY ID"),
              ElementsAre(ElementsAre("1", "a", "1.0"), ElementsAre("2", "b", "2.0")));
  EXPECT_EQ(raw.value("SELECT count(*) FROM sqlite_schema WHERE name = 'IX_T_N'"), "1");
  raw.exec("INSERT INTO T (NAME) VALUES ('d')");
  // The counter does not hand out the deleted row's number again.
  EXPECT_THAT(raw.rows("SELECT ID, N FROM T WHERE NAME = 'd'"), ElementsAre(ElementsAre("4", "7.5")));
  EXPECT_THROW(raw.exec("INSERT INTO T (NAME) VALUES ('')"), std::runtime_error);
  EXPECT_THROW(raw.exec("INSERT INTO T (N) VALUES (1)"), std::runtime_error);
}

TEST_F(TableDefsTest, NameTypeAndSizeOfAFieldInTheDatabaseCannotChange) {
  makeTable(*db, "T", {FieldShape("A", DaoType::Text, 5)});
  auto f = db->tableDefs().item("T")->fields().item("A");
  EXPECT_JET_ERROR(f->setName("B"), 3219);
  EXPECT_JET_ERROR(f->setType(DaoType::Long), 3219);
  EXPECT_JET_ERROR(f->setSize(10), 3219);
  EXPECT_JET_ERROR(f->setAttributes(dbAutoIncrField), 3219);
  EXPECT_JET_ERROR(f->value(), 3219);
  EXPECT_EQ(f->name(), "A");
  EXPECT_EQ(f->size(), 5);
}

TEST_F(TableDefsTest, CountersNumberRowsAndNeverHandOutANumberAgain) {
  makeTable(*db, "T01", {FieldShape("T01_CSDE", DaoType::Long).counter(), FieldShape("T01_NIF", DaoType::Text, 9)});
  db->execute("INSERT INTO T01 (T01_NIF) VALUES ('a')");
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T01 (T01_NIF) VALUES ('b'), ('c')");
  db->execute("DELETE FROM T01 WHERE T01_CSDE = 3");
  db->execute("INSERT INTO T01 (T01_NIF) VALUES ('d')");
  EXPECT_EQ(raw.value("SELECT T01_CSDE FROM T01 WHERE T01_NIF = 'd'"), "4");
  raw.exec("DELETE FROM T01");
  raw.exec("INSERT INTO T01 (T01_NIF) VALUES ('e')");
  EXPECT_EQ(raw.value("SELECT T01_CSDE FROM T01 WHERE T01_NIF = 'e'"), "5");

  // A counter added to a table holding rows numbers them.
  makeTable(*db, "T", {FieldShape("A", DaoType::Text, 5)});
  raw.exec("INSERT INTO T VALUES ('x'), ('y')");
  auto td = db->tableDefs().item("T");
  auto id = td->createField("ID", DaoType::Long);
  id->setAttributes(dbAutoIncrField);
  td->fields().append(id);
  EXPECT_THAT(raw.rows("SELECT ID, A FROM T ORDER BY ID"), ElementsAre(ElementsAre("1", "x"), ElementsAre("2", "y")));
  raw.exec("INSERT INTO T (A) VALUES ('z')");
  EXPECT_EQ(raw.value("SELECT ID FROM T WHERE A = 'z'"), "3");
}

TEST_F(TableDefsTest, RemovingFieldsAndTables) {
  makeTable(*db, "T", {FieldShape("A", DaoType::Long), FieldShape("B", DaoType::Text, 5), FieldShape("C", DaoType::Double)});
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T VALUES (1, 'x', 1.5), (2, 'y', 2.5)");
  auto td = db->tableDefs().item("T");
  td->fields().remove("b");
  EXPECT_THAT(fieldNames(td->fields()), ElementsAre("A", "C"));
  EXPECT_THAT(raw.rows("SELECT * FROM T ORDER BY A"), ElementsAre(ElementsAre("1", "1.5"), ElementsAre("2", "2.5")));
  EXPECT_JET_ERROR(td->fields().remove("B"), kItemNotFound);

  db->tableDefs().remove("t");
  EXPECT_EQ(db->tableDefs().count(), 0);
  EXPECT_JET_ERROR(db->tableDefs().remove("T"), kItemNotFound);
}

TEST_F(TableDefsTest, ChangesReachOtherConnectionsBothWays) {
  makeTable(*db, "T", {FieldShape("A", DaoType::Long)});
  auto td = db->tableDefs().item("T");
  auto& fields = td->fields();
  EXPECT_EQ(fields.count(), 1);
  {
    auto other = openDb();
    auto otherTd = other->tableDefs().item("T");
    otherTd->fields().append(otherTd->createField("B", DaoType::Long));
    makeTable(*other, "U", {FieldShape("X", DaoType::Long)});
  }
  EXPECT_EQ(fields.count(), 2);
  EXPECT_EQ(db->tableDefs().count(), 2);

  // An appended field object stays live: a change to it goes to the file.
  auto f = td->createField("C", DaoType::Double);
  fields.append(f);
  EXPECT_JET_ERROR(fields.append(f), 3367);
  f->setOrdinalPosition(0);
  auto other = openDb();
  EXPECT_THAT(fieldNames(other->tableDefs().item("T")->fields()), ElementsAre("A", "C", "B"));
  EXPECT_EQ(other->tableDefs().item("T")->fields().item("C")->ordinalPosition(), 0);
}

}  // namespace
}  // namespace svrZIVE::engine::testing

namespace svrZIVE::engine::testing {
namespace {

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
      {{"UPDATE R SET A = 3", "UPDATE R SET B = 'long'"}, "", kFieldTooSmall},
  };
  auto stored = [&] {
    std::string out;
    for (const auto& r : RawDb(file("test.mdb")).rows("SELECT N, A, B FROM R ORDER BY N"))
      out += (out.empty() ? "" : " ") + r[0] + "|" + r[1] + "|" + r[2];
    return out;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.updates.back());
    db->execute("CREATE TABLE R (N LONG, A LONG, B TEXT(3))");
    db->execute("INSERT INTO R VALUES (1, 0, 'a')");
    db->execute("INSERT INTO R VALUES (2, 0, 'b')");
    if (c.error) {
      EXPECT_JET_ERROR(rewriteTable(*db, c.updates), c.error);
      EXPECT_EQ(stored(), "1|0|a 2|0|b");
    } else {
      rewriteTable(*db, c.updates);
      EXPECT_EQ(stored(), c.rows);
    }
    db->execute("DROP TABLE R");
  }
}

}  // namespace
}  // namespace svrZIVE::engine::testing
