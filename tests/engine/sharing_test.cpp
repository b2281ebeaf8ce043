// Several connections on one file: threads writing at once, a recordset left
// open while another connection writes, a writer meeting a lock. Processes
// killed in the middle of their writes are bench/crash_loop.py's.
#include <chrono>
#include <thread>

#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

class SharingTest : public SharedFileTest {};

// Each thread has an engine of its own; an engine error in either fails the test.
TEST_F(SharingTest, TwoThreadsWritingAtOnceBothSucceed) {
  auto work = [&](int who) {
    try {
      auto ws = DBEngine::forThread().createWorkspace("wrk", "admin", "");
      auto db = ws->openDatabase(file("test.mdb"));
      for (int i = 0; i < 60; ++i) {
        db->execute("INSERT INTO T (WHO, N) VALUES (" + std::to_string(who) + ", " + std::to_string(who * 1000 + i) + ")");
        if (i % 7 == 0) db->execute("UPDATE T SET N = N WHERE WHO = " + std::to_string(who));
      }
    } catch (const AutomationError& e) {
      ADD_FAILURE() << "thread " << who << ": " << e.number() << " " << e.description();
    }
  };
  { std::jthread a(work, 1), b(work, 2); }
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT count(*), count(DISTINCT ID), sum(WHO = 1) FROM T"), "120|120|60");
}

TEST_F(SharingTest, ARecordsetLeftOpenDoesNotBlockAWriter) {
  RawDb(file("test.mdb")).exec("WITH n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19) INSERT INTO T (N) SELECT i FROM n");
  BusyTimeout timeout(300);
  auto reader = openDb();
  auto rs = reader->openRecordset("SELECT * FROM T");  // never moved to the end, never closed
  EXPECT_EQ(rs->recordCount(), 1);

  auto writer = openDb();  // a writer blocked would fail with 3050
  writer->execute("UPDATE T SET N = N + 100");
  writer->execute("DELETE FROM T WHERE N = 100");
  EXPECT_EQ(writer->recordsAffected(), 1);
  rs->moveLast();
  EXPECT_EQ(rs->recordCount(), 20) << "the recordset still reads the rows it read when it opened";
}

TEST_F(SharingTest, AWriterMeetingALockWaitsThenFailsWith3050) {
  BusyTimeout timeout(200);
  RawDb holder(file("test.mdb"));
  holder.exec("BEGIN IMMEDIATE");
  holder.exec("INSERT INTO T (WHO) VALUES (9)");
  auto db = openDb();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_JET_ERROR(db->execute("INSERT INTO T (WHO) VALUES (1)"), kCouldNotLock);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  holder.exec("COMMIT");
  db->execute("INSERT INTO T (WHO) VALUES (1)");
}

}  // namespace
}  // namespace svrZIVE::engine::testing
