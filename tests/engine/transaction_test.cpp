// Workspace transactions: BeginTrans, CommitTrans and Rollback over the
// databases of a workspace, nesting, and the write lock they hold.
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
  std::shared_ptr<Workspace> ws_;
};

TEST_F(TransactionTest, CommitKeepsAndRollbackUndoesWhatTheTransactionWrote) {
  auto db = ws_->openDatabase(file("test.mdb"));
  db->execute(insert(0, 0));
  ws_->beginTrans();
  db->execute(insert(1, 1));
  db->execute(insert(1, 2));
  db->execute("UPDATE T SET NAME = 'changed'");
  // The transaction sees its own writes; another connection does not.
  EXPECT_EQ(count(*db, "NAME = 'changed'"), 3);
  EXPECT_EQ(rawCount(), "1");
  ws_->rollback();
  EXPECT_EQ(rowsOf(*db, "SELECT WHO, N, NAME FROM T"), "0|0|NULL");
  EXPECT_EQ(rawCount(), "1");

  ws_->beginTrans();
  db->execute(insert(1, 1));
  auto rs = db->openRecordset("SELECT * FROM T");
  rs->addNew();
  rs->fields().item("N")->setValue(Variant(int32_t{2}));
  rs->update();
  db->execute("DELETE FROM T WHERE N = 1");
  EXPECT_EQ(db->recordsAffected(), 1);
  ws_->commitTrans();
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT N FROM T ORDER BY N"), "0 2");
  // Statements outside a transaction commit themselves.
  db->execute(insert(1, 3));
  EXPECT_EQ(rawCount(), "3");
}

TEST_F(TransactionTest, NestedTransactionsCommitAndRollBackTheirOwnPart) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute(insert(1, 1));
  ws_->beginTrans();
  db->execute(insert(2, 2));
  ws_->rollback();  // the inner one only
  EXPECT_EQ(count(*db), 1);
  ws_->beginTrans();
  db->execute(insert(3, 3));
  ws_->commitTrans();  // into the outer one, not into the file
  EXPECT_EQ(count(*db), 2);
  EXPECT_EQ(rawCount(), "0");
  ws_->commitTrans();
  EXPECT_EQ(rawCount(), "2");

  // An inner commit is undone by the outer rollback.
  ws_->beginTrans();
  ws_->beginTrans();
  db->execute(insert(4, 4));
  ws_->commitTrans();
  ws_->rollback();
  EXPECT_EQ(count(*db), 2);
}

TEST_F(TransactionTest, FiveLevelsNestASixthIs3003AndAnEndWithoutBeginIs3034) {
  auto db = ws_->openDatabase(file("test.mdb"));
  EXPECT_JET_ERROR(ws_->commitTrans(), kNoTransaction);
  for (int i = 0; i < 5; ++i) ws_->beginTrans();
  EXPECT_JET_ERROR(ws_->beginTrans(), kTooManyTransactions);
  db->execute(insert(1, 1));
  for (int i = 0; i < 5; ++i) ws_->commitTrans();
  EXPECT_EQ(rawCount(), "1");
  auto e = errorOf([&] { ws_->rollback(); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), kNoTransaction);
  EXPECT_EQ(e->source(), "DAO.Workspace");
}

TEST_F(TransactionTest, AFailedStatementUndoesItselfAndLeavesTheTransaction) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute(insert(1, 1));
  db->execute(insert(1, 2));
  db->execute(insert(1, 20));
  // The first row becomes 10, the second one breaks the unique index: the
  // statement fails whole.
  EXPECT_JET_ERROR(db->execute("UPDATE T SET N = N * 10"), kDuplicateKey);
  EXPECT_JET_ERROR(db->execute("INSERT INTO T (WHO, N, NAME) VALUES (3, 3, 'a name longer than twenty')"), kFieldTooSmall);
  EXPECT_EQ(count(*db, "N = 1"), 1);
  db->execute(insert(4, 4));
  ws_->commitTrans();
  EXPECT_EQ(rawCount(), "4");
}

TEST_F(TransactionTest, ATransactionCoversTheWorkspacesDatabasesOnly) {
  auto a = ws_->openDatabase(file("test.mdb"));
  auto b = ws_->openDatabase(file("other.mdb"));
  for (bool commit : {false, true}) {
    ws_->beginTrans();
    a->execute(insert(1, 1));
    b->execute(insert(1, 1));
    commit ? ws_->commitTrans() : ws_->rollback();
    EXPECT_EQ(rawCount("test.mdb"), commit ? "1" : "0");
    EXPECT_EQ(rawCount("other.mdb"), commit ? "1" : "0");
  }
  // A database opened during a transaction joins it.
  b->close();
  ws_->beginTrans();
  b = ws_->openDatabase(file("other.mdb"));
  b->execute(insert(1, 2));
  ws_->rollback();
  EXPECT_EQ(rawCount("other.mdb"), "1");
  // Other workspaces are not part of it.
  b->close();
  auto ws2 = DBEngine::forThread().createWorkspace("other", "admin", "");
  auto c = ws2->openDatabase(file("other.mdb"));
  ws_->beginTrans();
  a->execute(insert(1, 2));
  c->execute(insert(1, 2));
  ws_->rollback();
  EXPECT_EQ(rawCount("test.mdb"), "1");
  EXPECT_EQ(rawCount("other.mdb"), "2");
  ws2->close();
}

TEST_F(TransactionTest, ClosingOrDroppingRollsBack) {
  // Closing the database: the workspace's transaction goes on without it.
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute(insert(1, 1));
  db->close();
  EXPECT_EQ(rawCount(), "0");
  ws_->commitTrans();
  ws_->openDatabase(file("test.mdb"))->execute(insert(1, 1));
  EXPECT_EQ(rawCount(), "1");

  // Closing the workspace.
  db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  ws_->beginTrans();
  db->execute(insert(1, 2));
  ws_->close();
  EXPECT_FALSE(db->isOpen());
  EXPECT_EQ(rawCount(), "1");

  // Dropping the workspace also releases the lock.
  ws_ = DBEngine::forThread().createWorkspace("wrk", "admin", "");
  db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute(insert(1, 3));
  ws_.reset();
  EXPECT_EQ(count(*db), 1);
  RawDb(file("test.mdb")).exec("INSERT INTO T (WHO, N) VALUES (2, 4)");
  db->close();
}

TEST_F(TransactionTest, BeginTakesTheWriteLockAtOnce) {
  BusyTimeout timeout(200);
  auto db = ws_->openDatabase(file("test.mdb"));
  auto ws2 = DBEngine::forThread().createWorkspace("other", "admin", "");
  auto other = ws2->openDatabase(file("test.mdb"));
  ws_->beginTrans();  // nothing written yet
  EXPECT_JET_ERROR(other->execute(insert(2, 2)), kCouldNotLock);
  EXPECT_JET_ERROR(ws2->beginTrans(), kCouldNotLock);
  EXPECT_EQ(count(*other), 0) << "readers still read what is committed";
  ws_->commitTrans();
  other->execute(insert(2, 2));
  ws2->beginTrans();
  EXPECT_JET_ERROR(ws_->beginTrans(), kCouldNotLock);
  ws2->rollback();
  ws_->beginTrans();
  ws_->commitTrans();
  ws2->close();
}

TEST_F(TransactionTest, TableDefinitionsRolledBackAreForgotten) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("CREATE TABLE U (A LONG)");
  db->execute("ALTER TABLE T ADD COLUMN EXTRA TEXT(5)");
  db->execute("INSERT INTO U (A) VALUES (1)");
  EXPECT_EQ(db->tableDefs().item("T")->fields().count(), 6);
  EXPECT_EQ(db->openRecordset("SELECT * FROM T")->fields().count(), 6);
  ws_->rollback();
  EXPECT_JET_ERROR(db->tableDefs().item("U"), kItemNotFound);
  EXPECT_EQ(db->tableDefs().item("T")->fields().count(), 5);
  EXPECT_EQ(db->openRecordset("SELECT * FROM T")->fields().count(), 5);
  EXPECT_JET_ERROR(db->openRecordset("SELECT * FROM U"), kInputTableNotFound);
}

TEST_F(TransactionTest, TheDefaultWorkspaceHoldsTheEnginesDatabases) {
  auto& engine = DBEngine::forThread();
  auto db = engine.openDatabase(file("test.mdb"));
  engine.beginTrans();
  db->execute(insert(1, 1));
  engine.rollback();
  EXPECT_EQ(rawCount(), "0");
  auto created = engine.createDatabase(file("new.mdb"));
  engine.defaultWorkspace()->beginTrans();
  created->execute("CREATE TABLE X (A LONG)");
  engine.defaultWorkspace()->rollback();
  EXPECT_JET_ERROR(created->tableDefs().item("X"), kItemNotFound);
  EXPECT_EQ(engine.defaultWorkspace()->name(), "#Default Workspace#");
  db->close();
  created->close();
}

}  // namespace
}  // namespace svrZIVE::engine::testing
