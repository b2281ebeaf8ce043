// Workspace transactions: BeginTrans, CommitTrans and Rollback over the
// databases of a workspace, nesting, the write lock they hold, and writers in
// two threads that read back what they wrote.
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

class TransactionTest : public EngineTest {
 protected:
  void SetUp() override {
    for (const char* name : {"test.mdb", "other.mdb"}) {
      auto db = createDb(name);
      db->execute("CREATE TABLE T (ID COUNTER, WHO LONG, N LONG, NAME TEXT(20))");
      db->execute("CREATE UNIQUE INDEX IX_T_N ON T (N)");
      db->close();
    }
    ws_ = DBEngine::forThread().createWorkspace("wrk", "admin", "");
  }
  void TearDown() override {
    try {
      ws_->close();
    } catch (const AutomationError&) {
    }
  }
  static int32_t count(Database& db, const std::string& where = "") {
    auto rs = db.openRecordset("SELECT count(*) AS C FROM T" + (where.empty() ? "" : " WHERE " + where));
    return rs->value("C").toLong();
  }
  std::string rawCount(const std::string& name = "test.mdb") {
    RawDb raw(file(name));
    return raw.value("SELECT count(*) FROM T");
  }

  std::shared_ptr<Workspace> ws_;
};

TEST_F(TransactionTest, RollbackUndoesWhatTheTransactionWrote) {
  auto db = ws_->openDatabase(file("test.mdb"));
  db->execute("INSERT INTO T (WHO, N) VALUES (0, 0)");
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 2)");
  db->execute("UPDATE T SET NAME = 'changed'");
  // The transaction sees its own writes; another connection does not.
  EXPECT_EQ(count(*db), 3);
  EXPECT_EQ(count(*db, "NAME = 'changed'"), 3);
  EXPECT_EQ(rawCount(), "1");
  ws_->rollback();
  EXPECT_EQ(count(*db), 1);
  EXPECT_EQ(count(*db, "NAME IS NULL"), 1);
  EXPECT_EQ(rawCount(), "1");
}

TEST_F(TransactionTest, CommitKeepsWhatTheTransactionWrote) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  auto rs = db->openRecordset("SELECT * FROM T");
  rs->addNew();
  rs->fields().item("N")->setValue(Variant(int32_t{2}));
  rs->update();
  db->execute("DELETE FROM T WHERE N = 1");
  EXPECT_EQ(db->recordsAffected(), 1);
  ws_->commitTrans();
  EXPECT_EQ(rawCount(), "1");
  RawDb raw(file("test.mdb"));
  EXPECT_EQ(raw.value("SELECT N FROM T"), "2");
}

TEST_F(TransactionTest, CommitOrRollbackWithoutBeginIs3034) {
  auto db = ws_->openDatabase(file("test.mdb"));
  EXPECT_JET_ERROR(ws_->commitTrans(), 3034);
  EXPECT_JET_ERROR(ws_->rollback(), 3034);
  ws_->beginTrans();
  ws_->commitTrans();
  EXPECT_JET_ERROR(ws_->commitTrans(), 3034);
  ws_->beginTrans();
  ws_->rollback();
  EXPECT_JET_ERROR(ws_->rollback(), 3034);
  auto e = errorOf([&] { ws_->commitTrans(); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->source(), "DAO.Workspace");
  EXPECT_FALSE(e->description().empty());
}

TEST_F(TransactionTest, StatementsOutsideATransactionCommitThemselves) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->commitTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 2)");
  EXPECT_EQ(rawCount(), "2");
}

TEST_F(TransactionTest, NestedTransactionsCommitAndRollBackTheirOwnPart) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (2, 2)");
  ws_->rollback();  // the inner one only
  EXPECT_EQ(count(*db), 1);
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (3, 3)");
  ws_->commitTrans();  // into the outer one, not into the file
  EXPECT_EQ(count(*db), 2);
  EXPECT_EQ(rawCount(), "0");
  ws_->commitTrans();
  EXPECT_EQ(rawCount(), "2");

  // An inner commit is undone by the outer rollback.
  ws_->beginTrans();
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (4, 4)");
  ws_->commitTrans();
  ws_->rollback();
  EXPECT_EQ(count(*db), 2);
}

TEST_F(TransactionTest, FiveLevelsNestAndASixthIs3003) {
  auto db = ws_->openDatabase(file("test.mdb"));
  for (int i = 0; i < 5; ++i) ws_->beginTrans();
  EXPECT_JET_ERROR(ws_->beginTrans(), 3003);
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  for (int i = 0; i < 5; ++i) ws_->commitTrans();
  EXPECT_JET_ERROR(ws_->commitTrans(), 3034);
  EXPECT_EQ(rawCount(), "1");
}

TEST_F(TransactionTest, AFailedStatementUndoesItselfAndLeavesTheTransaction) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 2)");
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 20)");
  // The first row becomes 10, the second one breaks the unique index: the
  // statement fails whole.
  EXPECT_JET_ERROR(db->execute("UPDATE T SET N = N * 10"), 3022);
  EXPECT_JET_ERROR(db->execute("INSERT INTO T (WHO, N, NAME) VALUES (3, 3, 'a name longer than twenty')"), 3163);
  EXPECT_EQ(count(*db), 3);
  EXPECT_EQ(count(*db, "N = 1"), 1);
  db->execute("INSERT INTO T (WHO, N) VALUES (4, 4)");
  ws_->commitTrans();
  EXPECT_EQ(rawCount(), "4");
}

TEST_F(TransactionTest, ATransactionSpansTheWorkspacesDatabases) {
  auto a = ws_->openDatabase(file("test.mdb"));
  auto b = ws_->openDatabase(file("other.mdb"));
  ws_->beginTrans();
  a->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  b->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->rollback();
  EXPECT_EQ(rawCount("test.mdb"), "0");
  EXPECT_EQ(rawCount("other.mdb"), "0");
  ws_->beginTrans();
  a->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  b->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->commitTrans();
  EXPECT_EQ(rawCount("test.mdb"), "1");
  EXPECT_EQ(rawCount("other.mdb"), "1");
}

TEST_F(TransactionTest, ADatabaseOpenedDuringATransactionJoinsIt) {
  auto a = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  auto b = ws_->openDatabase(file("other.mdb"));
  b->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->rollback();
  EXPECT_EQ(rawCount("other.mdb"), "0");
  b->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");  // no transaction now: kept at once
  EXPECT_EQ(rawCount("other.mdb"), "1");
}

TEST_F(TransactionTest, OtherWorkspacesAreNotPartOfIt) {
  auto a = ws_->openDatabase(file("test.mdb"));
  auto ws2 = DBEngine::forThread().createWorkspace("other", "admin", "");
  auto b = ws2->openDatabase(file("other.mdb"));
  ws_->beginTrans();
  a->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  b->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->rollback();
  EXPECT_EQ(rawCount("test.mdb"), "0");
  EXPECT_EQ(rawCount("other.mdb"), "1");
  ws2->close();
}

TEST_F(TransactionTest, ClosingTheDatabaseRollsBack) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  db->close();
  EXPECT_EQ(rawCount(), "0");
  // The workspace's transaction goes on, with no database in it.
  ws_->commitTrans();
  auto again = ws_->openDatabase(file("test.mdb"));
  again->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  EXPECT_EQ(rawCount(), "1");
}

TEST_F(TransactionTest, ClosingTheWorkspaceRollsBack) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->close();
  EXPECT_FALSE(db->isOpen());
  EXPECT_EQ(rawCount(), "0");
}

TEST_F(TransactionTest, DroppingTheWorkspaceRollsBackAndReleasesTheLock) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_.reset();
  EXPECT_EQ(count(*db), 0);
  RawDb raw(file("test.mdb"));
  raw.exec("INSERT INTO T (WHO, N) VALUES (2, 2)");  // the lock is free
  db->close();
  ws_ = DBEngine::forThread().createWorkspace("wrk", "admin", "");
}

TEST_F(TransactionTest, BeginTakesTheWriteLockAtOnce) {
  int saved = detail::busyTimeoutMs();
  detail::setBusyTimeoutMs(200);
  auto db = ws_->openDatabase(file("test.mdb"));
  auto ws2 = DBEngine::forThread().createWorkspace("other", "admin", "");
  auto other = ws2->openDatabase(file("test.mdb"));
  ws_->beginTrans();  // nothing written yet
  EXPECT_JET_ERROR(other->execute("INSERT INTO T (WHO, N) VALUES (2, 2)"), 3050);
  EXPECT_JET_ERROR(ws2->beginTrans(), 3050);
  // Readers still read what is committed.
  EXPECT_EQ(count(*other), 0);
  ws_->commitTrans();
  other->execute("INSERT INTO T (WHO, N) VALUES (2, 2)");
  ws2->beginTrans();
  EXPECT_JET_ERROR(ws_->beginTrans(), 3050);
  ws2->rollback();
  ws_->beginTrans();
  ws_->commitTrans();
  ws2->close();
  detail::setBusyTimeoutMs(saved);
}

TEST_F(TransactionTest, TableDefinitionsRolledBackAreForgotten) {
  auto db = ws_->openDatabase(file("test.mdb"));
  ws_->beginTrans();
  db->execute("CREATE TABLE U (A LONG)");
  db->execute("ALTER TABLE T ADD COLUMN EXTRA TEXT(5)");
  db->execute("INSERT INTO U (A) VALUES (1)");
  EXPECT_EQ(db->tableDefs().item("T")->fields().count(), 5);
  EXPECT_EQ(db->openRecordset("SELECT * FROM T")->fields().count(), 5);
  ws_->rollback();
  EXPECT_JET_ERROR(db->tableDefs().item("U"), 3265);
  EXPECT_EQ(db->tableDefs().item("T")->fields().count(), 4);
  EXPECT_EQ(db->openRecordset("SELECT * FROM T")->fields().count(), 4);
  EXPECT_JET_ERROR(db->openRecordset("SELECT * FROM U"), 3078);
}

TEST_F(TransactionTest, RecordsetEditsBelongToTheTransaction) {
  auto db = ws_->openDatabase(file("test.mdb"));
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  ws_->beginTrans();
  auto rs = db->openRecordset("SELECT * FROM T");
  rs->edit();
  rs->fields().item("NAME")->setValue(Variant(std::string("edited")));
  rs->update();
  rs->addNew();
  rs->fields().item("N")->setValue(Variant(int32_t{2}));
  rs->update();
  rs->moveFirst();
  rs->deleteCurrent();
  EXPECT_EQ(count(*db), 1);
  ws_->rollback();
  EXPECT_EQ(count(*db), 1);
  EXPECT_EQ(count(*db, "NAME IS NULL AND N = 1"), 1);
}

TEST_F(TransactionTest, TheDefaultWorkspaceHoldsTheEnginesDatabases) {
  auto& engine = DBEngine::forThread();
  auto db = engine.openDatabase(file("test.mdb"));
  engine.beginTrans();
  db->execute("INSERT INTO T (WHO, N) VALUES (1, 1)");
  engine.rollback();
  EXPECT_EQ(rawCount(), "0");
  auto created = engine.createDatabase(file("new.mdb"));
  engine.defaultWorkspace()->beginTrans();
  created->execute("CREATE TABLE X (A LONG)");
  engine.defaultWorkspace()->rollback();
  EXPECT_JET_ERROR(created->tableDefs().item("X"), 3265);
  EXPECT_EQ(engine.defaultWorkspace()->name(), "#Default Workspace#");
  db->close();
  created->close();
}

// Each thread inserts a row and reads back the largest number in the table
// inside one transaction: no other insert can come between them, so what it
// reads is its own row's number.
TEST_F(TransactionTest, InsertThenMaxInsideATransactionReadsTheOwnNumber) {
  constexpr int kRounds = 200;
  std::string path = file("test.mdb");
  std::vector<int32_t> seen[2];
  std::atomic<int> failures{0};
  auto writer = [&](int who) {
    try {
      auto ws = DBEngine::forThread().createWorkspace("wrk", "admin", "");
      auto db = ws->openDatabase(path);
      for (int i = 0; i < kRounds; ++i) {
        ws->beginTrans();
        db->execute("INSERT INTO T (WHO, N) VALUES (" + std::to_string(who) + ", " +
                    std::to_string(who * 1000 + i) + ")");
        auto rs = db->openRecordset("SELECT MAX(ID) AS M FROM T");
        seen[who - 1].push_back(rs->value("M").toLong());
        rs->close();
        ws->commitTrans();
      }
      ws->close();
    } catch (const AutomationError& e) {
      ++failures;
      ADD_FAILURE() << "thread " << who << ": " << e.number() << " " << e.description();
    }
  };
  std::thread a(writer, 1), b(writer, 2);
  a.join();
  b.join();
  ASSERT_EQ(failures.load(), 0);
  RawDb raw(path);
  std::set<int32_t> all;
  for (int who = 1; who <= 2; ++who) {
    ASSERT_EQ(seen[who - 1].size(), static_cast<size_t>(kRounds));
    for (int i = 0; i < kRounds; ++i) {
      int32_t id = seen[who - 1][static_cast<size_t>(i)];
      all.insert(id);
      EXPECT_EQ(raw.value("SELECT WHO || ':' || N FROM T WHERE ID = " + std::to_string(id)),
                std::to_string(who) + ":" + std::to_string(who * 1000 + i));
    }
  }
  EXPECT_EQ(all.size(), static_cast<size_t>(2 * kRounds));
  EXPECT_EQ(raw.value("SELECT count(*) FROM T"), std::to_string(2 * kRounds));
}

}  // namespace
}  // namespace svrZIVE::engine::testing
