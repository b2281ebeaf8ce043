// Several connections on one file: threads writing at once, a recordset left
// open while another connection writes, a writer meeting a lock, and a process
// killed in the middle of its writes.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>

#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

using Clock = std::chrono::steady_clock;

class SharingTest : public SharedFileTest {};

TEST_F(SharingTest, TwoThreadsWritingAtOnceBothSucceed) {
  constexpr int kWrites = 60;
  inTwoThreads([&](int who) {
    auto ws = DBEngine::forThread().createWorkspace("wrk", "admin", "");
    auto db = ws->openDatabase(file("test.mdb"));
    for (int i = 0; i < kWrites; ++i) {
      db->execute(insert(who, who * 1000 + i));
      if (i % 7 == 0) db->execute("UPDATE T SET N = N WHERE WHO = " + std::to_string(who));
    }
    ws->close();
  });
  EXPECT_EQ(rawCount("test.mdb", "WHO = 1"), std::to_string(kWrites));
  EXPECT_EQ(rawCount("test.mdb", "WHO = 2"), std::to_string(kWrites));
  EXPECT_EQ(RawDb(file("test.mdb")).value("SELECT count(DISTINCT ID) FROM T"), std::to_string(2 * kWrites));
}

TEST_F(SharingTest, ARecordsetLeftOpenDoesNotBlockAWriter) {
  {
    auto db = openDb();
    for (int i = 0; i < 20; ++i) db->execute(insert(0, i));
  }
  BusyTimeout timeout(300);
  auto reader = openDb();
  auto rs = reader->openRecordset("SELECT * FROM T");  // never moved to the end, never closed
  EXPECT_EQ(rs->recordCount(), 1);

  auto writer = openDb();
  auto start = Clock::now();
  writer->execute("UPDATE T SET N = N + 100");
  writer->execute("DELETE FROM T WHERE N = 100");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300));
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
  auto start = Clock::now();
  EXPECT_JET_ERROR(db->execute("INSERT INTO T (WHO) VALUES (1)"), kCouldNotLock);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
  holder.exec("COMMIT");
  db->execute("INSERT INTO T (WHO) VALUES (1)");
}

// A child process writes row after row and reports each statement that
// returned through a pipe; it is killed in the middle. Every reported row
// must be in the file, which must open and be sound.
TEST_F(SharingTest, AProcessKilledInTheMiddleOfItsWritesLosesNoCompletedStatement) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string path = file("test.mdb");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    try {
      auto db = DBEngine::forThread().createWorkspace("wrk", "admin", "")->openDatabase(path);
      for (int32_t i = 0;; ++i) {
        db->execute("INSERT INTO T (WHO, N, PAD) VALUES (7, " + std::to_string(i) + ", '" + std::string(150, 'p') + "')");
        if (i % 5 == 4) db->execute("UPDATE T SET PAD = 'u' WHERE N = " + std::to_string(i - 2));
        if (write(fds[1], &i, sizeof i) != sizeof i) _exit(3);
      }
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  close(fds[1]);
  std::set<int32_t> done;
  int32_t n;
  while (done.size() < 40 && read(fds[0], &n, sizeof n) == sizeof n) done.insert(n);
  kill(child, SIGKILL);
  // Statements acknowledged after the decision to kill also count.
  while (read(fds[0], &n, sizeof n) == sizeof n) done.insert(n);
  int status = 0;
  waitpid(child, &status, 0);
  close(fds[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself with status " << status;
  ASSERT_GE(done.size(), 40u);

  auto db = openDb();
  auto rs = db->openRecordset("SELECT N, PAD FROM T WHERE WHO = 7 ORDER BY N");
  std::set<int32_t> stored;
  for (; !rs->eof(); rs->moveNext()) stored.insert(rs->value("N").asLong());
  for (int32_t i : done) EXPECT_TRUE(stored.count(i)) << "completed statement lost: row " << i;
  EXPECT_LE(stored.size(), done.size() + 1);
  for (int32_t i = 2; i + 2 <= *done.rbegin(); i += 5) {
    if (!done.count(i + 2)) continue;
    EXPECT_EQ(db->openRecordset("SELECT PAD FROM T WHERE N = " + std::to_string(i))->value(0), Variant("u")) << i;
  }
  EXPECT_EQ(RawDb(file("test.mdb")).value("PRAGMA integrity_check"), "ok");
}

}  // namespace
}  // namespace svrZIVE::engine::testing
