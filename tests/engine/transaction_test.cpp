// Workspace transactions: BeginTrans, CommitTrans and Rollback over the
// databases of a workspace, nesting, and the write lock they hold.
#include "engine/access_paths.h"
#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

class TransactionTest : public SharedFileTest {
 protected:
  void SetUp() override {
    SharedFileTest::SetUp();
    ws_ = DBEngine::forThread().createWorkspace("wrk", "admin", "");
  }
  void TearDown() override {
    errorOf([&] { if (ws_) ws_->close(); });
  }
  // Steps "BEGIN", "COMMIT" and "ROLLBACK" are the workspace's.
  std::string outcome(Database& db, const std::string& step) override {
    if (step == "BEGIN") return resultOf([&] { ws_->beginTrans(); });
    if (step == "COMMIT") return resultOf([&] { ws_->commitTrans(); });
    if (step == "ROLLBACK") return resultOf([&] { ws_->rollback(); });
    return SharedFileTest::outcome(db, step);
  }
  std::shared_ptr<Workspace> ws_;
};

TEST_F(TransactionTest, CommitKeepsAndRollbackUndoesWhatTheTransactionWrote) {
  auto db = ws_->openDatabase(file("test.mdb"));
  // The transaction sees its own writes; another connection does not.
  expectResults(*db, {{"INSERT INTO T (N) VALUES (0)", ""}, {"BEGIN", ""}, {"INSERT INTO T (N) VALUES (1)", ""},
                      {"INSERT INTO T (N) VALUES (2)", ""}, {"UPDATE T SET NAME = 'x'", ""},
                      {"SELECT N, NAME FROM T ORDER BY N", "0|x 1|x 2|x"}, {"RAW SELECT N, NAME FROM T", "0|NULL"},
                      {"ROLLBACK", ""}, {"SELECT N, NAME FROM T", "0|NULL"}, {"RAW SELECT N, NAME FROM T", "0|NULL"},
                      {"BEGIN", ""}, {"INSERT INTO T (N) VALUES (1)", ""}});
  auto rs = db->openRecordset("SELECT * FROM T");
  rs->addNew();
  rs->fields().item("N")->setValue(Variant(int32_t{2}));
  rs->update();
  db->execute("DELETE FROM T WHERE N = 1");
  EXPECT_EQ(db->recordsAffected(), 1);
  // Statements outside a transaction commit themselves.
  expectResults(*db, {{"RAW SELECT N FROM T", "0"}, {"COMMIT", ""}, {"RAW SELECT N FROM T ORDER BY N", "0 2"},
                      {"INSERT INTO T (N) VALUES (3)", ""}, {"RAW SELECT N FROM T ORDER BY N", "0 2 3"}});
}

// Five levels nest; each commits into the one around it and rolls back its own part.
TEST_F(TransactionTest, NestedTransactionsCommitAndRollBackTheirOwnPart) {
  auto db = ws_->openDatabase(file("test.mdb"));
  expectResults(*db, {{"COMMIT", "error 3034"}, {"BEGIN", ""}, {"INSERT INTO T (N) VALUES (1)", ""}, {"BEGIN", ""},
                      {"INSERT INTO T (N) VALUES (2)", ""}, {"ROLLBACK", ""}, {"SELECT N FROM T", "1"},
                      {"BEGIN", ""}, {"INSERT INTO T (N) VALUES (3)", ""}, {"COMMIT", ""},
                      {"SELECT N FROM T ORDER BY N", "1 3"}, {"RAW SELECT count(*) FROM T", "0"},
                      {"COMMIT", ""}, {"RAW SELECT N FROM T ORDER BY N", "1 3"},
                      // An inner commit is undone by the outer rollback.
                      {"BEGIN", ""}, {"BEGIN", ""}, {"INSERT INTO T (N) VALUES (4)", ""}, {"COMMIT", ""},
                      {"ROLLBACK", ""}, {"SELECT N FROM T ORDER BY N", "1 3"},
                      {"BEGIN", ""}, {"BEGIN", ""}, {"BEGIN", ""}, {"BEGIN", ""}, {"BEGIN", ""}, {"BEGIN", "error 3003"},
                      {"INSERT INTO T (N) VALUES (5)", ""}, {"COMMIT", ""}, {"COMMIT", ""}, {"COMMIT", ""},
                      {"COMMIT", ""}, {"COMMIT", ""}, {"RAW SELECT N FROM T ORDER BY N", "1 3 5"},
                      {"ROLLBACK", "error 3034"}});
  EXPECT_EQ(sourcedError([&] { ws_->rollback(); }), "3034 DAO.Workspace");
}

TEST_F(TransactionTest, AFailedStatementUndoesItselfAndLeavesTheTransaction) {
  auto db = ws_->openDatabase(file("test.mdb"));
  // The first row becomes 10, the second one breaks the unique index: the statement fails whole.
  expectResults(*db, {{"BEGIN", ""}, {"INSERT INTO T (N) VALUES (1)", ""}, {"INSERT INTO T (N) VALUES (2)", ""},
                      {"INSERT INTO T (N) VALUES (20)", ""}, {"UPDATE T SET N = N * 10", "error 3022"},
                      {"INSERT INTO T (N, NAME) VALUES (3, 'a name longer than twenty')", "error 3163"},
                      {"INSERT INTO T (N) VALUES (4)", ""}, {"COMMIT", ""}, {"RAW SELECT N FROM T ORDER BY N", "1 2 4 20"}});
}

TEST_F(TransactionTest, ATransactionCoversTheWorkspacesDatabasesOnly) {
  auto a = ws_->openDatabase(file("test.mdb"));
  auto b = ws_->openDatabase(file("other.mdb"));
  auto files = [&] {
    return RawDb(file("test.mdb")).value("SELECT N FROM T") + "/" + RawDb(file("other.mdb")).value("SELECT N FROM T");
  };
  for (bool commit : {false, true}) {
    ws_->beginTrans();
    a->execute("INSERT INTO T (N) VALUES (1)");
    b->execute("INSERT INTO T (N) VALUES (1)");
    commit ? ws_->commitTrans() : ws_->rollback();
    EXPECT_EQ(files(), commit ? "1/1" : "/");
  }
  // A database opened during a transaction joins it.
  b->close();
  ws_->beginTrans();
  b = ws_->openDatabase(file("other.mdb"));
  b->execute("INSERT INTO T (N) VALUES (2)");
  ws_->rollback();
  b->close();
  EXPECT_EQ(files(), "1/1");
  // Other workspaces are not part of it.
  auto ws2 = DBEngine::forThread().createWorkspace("other", "admin", "");
  auto c = ws2->openDatabase(file("other.mdb"));
  ws_->beginTrans();
  a->execute("INSERT INTO T (N) VALUES (2)");
  c->execute("INSERT INTO T (N) VALUES (2)");
  ws_->rollback();
  EXPECT_EQ(files(), "1/1 2");
  ws2->close();
}

TEST_F(TransactionTest, ClosingOrDroppingRollsBack) {
  // Closing the database: the workspace's transaction goes on without it.
  auto db = ws_->openDatabase(file("test.mdb"));
  expectResults(*db, {{"BEGIN", ""}, {"INSERT INTO T (N) VALUES (1)", ""}});
  db->close();
  ws_->commitTrans();
  db = ws_->openDatabase(file("test.mdb"));
  expectResults(*db, {{"RAW SELECT N FROM T", ""}, {"INSERT INTO T (N) VALUES (1)", ""}, {"RAW SELECT N FROM T", "1"},
                      // Closing the workspace, every level.
                      {"BEGIN", ""}, {"BEGIN", ""}, {"INSERT INTO T (N) VALUES (2)", ""}});
  ws_->close();
  EXPECT_FALSE(db->isOpen());
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT N FROM T"), "1");
  // Dropping the workspace also releases the lock.
  ws_ = DBEngine::forThread().createWorkspace("wrk", "admin", "");
  db = ws_->openDatabase(file("test.mdb"));
  expectResults(*db, {{"BEGIN", ""}, {"INSERT INTO T (N) VALUES (3)", ""}});
  ws_.reset();
  expectResults(*db, {{"SELECT N FROM T", "1"}, {"RAW INSERT INTO T (N) VALUES (4)", ""}});
  db->close();
}

TEST_F(TransactionTest, BeginTakesTheWriteLockAtOnce) {
  BusyTimeout timeout(200);
  auto db = ws_->openDatabase(file("test.mdb"));
  auto ws2 = DBEngine::forThread().createWorkspace("other", "admin", "");
  auto other = ws2->openDatabase(file("test.mdb"));
  // The statements run in the other workspace; nothing is written yet, and
  // readers still read what is committed.
  expectResults(*other, {{"BEGIN", ""}, {"INSERT INTO T (N) VALUES (2)", "error 3050"}, {"SELECT count(*) FROM T", "0"}});
  EXPECT_JET_ERROR(ws2->beginTrans(), kCouldNotLock);
  expectResults(*other, {{"COMMIT", ""}, {"INSERT INTO T (N) VALUES (2)", ""}});
  ws2->beginTrans();
  EXPECT_JET_ERROR(ws_->beginTrans(), kCouldNotLock);
  ws2->rollback();
  expectResults(*other, {{"BEGIN", ""}, {"COMMIT", ""}});
  ws2->close();
}

TEST_F(TransactionTest, TableDefinitionsRolledBackAreForgotten) {
  auto db = ws_->openDatabase(file("test.mdb"));
  expectResults(*db, {{"BEGIN", ""}, {"CREATE TABLE U (A LONG)", ""}, {"ALTER TABLE T ADD COLUMN EXTRA TEXT(5)", ""},
                      {"INSERT INTO U (A) VALUES (1)", ""}, {"INSERT INTO T (N) VALUES (1)", ""}});
  EXPECT_EQ(fieldNames(db->tableDefs().item("T")->fields()), "ID WHO N NAME PAD EXTRA");
  expectResults(*db, {{"SELECT * FROM T", "1|NULL|1|NULL|NULL|NULL"}, {"ROLLBACK", ""}, {"SELECT * FROM U", "error 3078"},
                      {"INSERT INTO T (N) VALUES (1)", ""}, {"SELECT * FROM T", "1|NULL|1|NULL|NULL"}});
  EXPECT_EQ(fieldNames(db->tableDefs().item("T")->fields()), "ID WHO N NAME PAD");
  EXPECT_JET_ERROR(db->tableDefs().item("U"), kItemNotFound);
}

// A table written anew inside a transaction (a field made Required, then all
// its rows given a value) keeps its rows and its counter when the
// transaction commits, and leaves no other table behind; a rollback gives
// back the table as it was.
TEST_F(TransactionTest, ATableWrittenAnewInATransactionCommitsWholeOrNotAtAll) {
  auto db = ws_->openDatabase(file("test.mdb"));
  expectResults(*db, {{"INSERT INTO T (N) VALUES (1)", ""}, {"INSERT INTO T (N) VALUES (2)", ""}});
  const struct { const char* end; const char* rows; } cases[] = {
      {"ROLLBACK", "1|1|NULL 2|2|NULL"}, {"COMMIT", "1|1|x 2|2|x"}};
  for (const auto& c : cases) {
    ws_->beginTrans();
    db->tableDefs().item("T")->fields().item("N")->setRequired(true);
    rewriteTable(*db, {"UPDATE T SET NAME = 'x'"});
    expectResults(*db, {{c.end, ""}, {"RAW SELECT ID, N, NAME FROM T ORDER BY ID", c.rows},
                        {"RAW SELECT count(*) FROM sqlite_schema WHERE name LIKE 'zive_rebuild%'", "0"}});
  }
  expectResults(*db, {{"INSERT INTO T (N) VALUES (3)", ""}, {"RAW SELECT max(ID) FROM T", "3"}});
}

TEST_F(TransactionTest, TheDefaultWorkspaceHoldsTheEnginesDatabases) {
  auto& engine = DBEngine::forThread();
  EXPECT_EQ(engine.defaultWorkspace()->name(), "#Default Workspace#");
  auto db = engine.openDatabase(file("test.mdb"));
  auto created = engine.createDatabase(file("new.mdb"));
  engine.defaultWorkspace()->beginTrans();
  db->execute("INSERT INTO T (N) VALUES (1)");
  created->execute("CREATE TABLE X (A LONG)");
  engine.rollback();
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT N FROM T"), "");
  EXPECT_JET_ERROR(created->tableDefs().item("X"), kItemNotFound);
  db->close();
  created->close();
}

}  // namespace
}  // namespace svrZIVE::engine::testing
