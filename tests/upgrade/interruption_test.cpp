// An upgrade stopped at any moment: the process dies (in a child, so that
// nothing of it survives but the files), the database opens, keeps every row,
// and a new run brings it to the current layout with the new fields filled.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "frame/message_box.h"
#include "upgrade/base_layout.h"
#include "upgrade/schema_steps.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade::testing {
namespace {

namespace fs = std::filesystem;
using Outcome = TraspasoEvent::Outcome;

// Runs Traspaso in a child process; `prepare` runs in the child first.
pid_t upgradeInChild(const std::string& file, const std::string& folder, const std::function<void()>& prepare) {
  pid_t pid = ::fork();
  if (pid == 0) {
    setMessageCallback([](const std::string&, int) {});
    if (prepare) prepare();
    cZIVETraspaso traspaso;
    traspaso.mdbmod(file);
    traspaso.mdbPath(folder);
    traspaso.Traspaso();
    ::_exit(0);
  }
  return pid;
}

int waitFor(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

void copyFresh(const std::string& from, const std::string& to) {
  fs::remove(to);
  fs::copy_file(from, to);
}

void expectCompleteRun(const RunResult& run) {
  EXPECT_TRUE(run.messages.empty()) << run.messages.front();
  for (const auto& e : run.events)
    EXPECT_NE(e.outcome, Outcome::Error) << e.statement << " " << e.name << ": " << e.error;
}

// Stops the run of the first layout after its n-th change, for n over every
// change of a whole run: a stop inside each step, between its field appends,
// its statements and its position changes.
TEST(Interruption, StoppedAfterAnyChangeANewRunCompletesTheUpgrade) {
  TempDir dir;
  std::string base = dir.file("base.mdb");
  build(base, {"first", "T09_TIPOLOGIA5_NUEVA", {}, {}, {}});
  fillRows(base, 2);
  Rows before = readRows(base);

  // The number of changes of a whole run.
  int changes = 0;
  {
    copyFresh(base, dir.file("count.mdb"));
    setChangeHook([&] { ++changes; });
    runUpgrade(dir.file("count.mdb"), dir.slash());
    setChangeHook({});
  }
  ASSERT_GT(changes, 40);

  std::string file = dir.file("ZIVEMOD.MDB");
  for (int stopAt = 1; stopAt < changes; ++stopAt) {
    SCOPED_TRACE("stopped after change " + std::to_string(stopAt) + " of " + std::to_string(changes));
    copyFresh(base, file);
    pid_t pid = upgradeInChild(file, dir.slash(), [stopAt] {
      auto count = std::make_shared<int>(0);
      setChangeHook([count, stopAt] {
        if (++*count == stopAt) ::_exit(3);
      });
    });
    int status = waitFor(pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 3);

    // It opens and keeps every row and value.
    Rows interrupted = readRows(file);
    for (const auto& [table, rows] : before) {
      ASSERT_EQ(interrupted[table].size(), rows.size()) << table;
      for (size_t r = 0; r < rows.size(); ++r)
        for (const auto& [column, value] : rows[r]) ASSERT_EQ(interrupted[table][r][column], value) << column;
    }

    RunResult run = runUpgrade(file, dir.slash());
    expectCompleteRun(run);
    expectLayout(file, initLayout());
    expectRowsUpgraded(before, readRows(file));
    EXPECT_FALSE(fs::exists(file + "-traspaso"));
    EXPECT_FALSE(fs::exists(dir.file("CopSegZIVEMod.mdb")));
    if (HasFailure()) break;
  }
}

// A journal naming a step whose work is all done: the step's statements run
// again (they only set its own fields) and nothing is created twice.
TEST(Interruption, AJournalOfAFinishedStepChangesNoLayout) {
  TempDir dir;
  std::string file = freshModifiable(dir);
  StepJournal(file).begin({"T08_CODEPI6", {{"T08_CUOTAINTEGRA", 21}, {"T08_DEDUCCUOTA", 22}, {"T08_CUOTA", 23}}});
  RunResult run = runUpgrade(file, dir.slash());
  expectCompleteRun(run);
  EXPECT_EQ(run.backupsMade(), 1);
  expectLayout(file, initLayout());
  EXPECT_FALSE(fs::exists(file + "-traspaso"));
}

// A large database of the first layout, killed (SIGKILL) at moments spread
// over the upgrade.
TEST(Interruption, KilledDuringTheUpgradeOfALargeDatabase) {
  constexpr int kRows = 20000;
  TempDir dir;
  std::string base = dir.file("large.mdb");
  {
    auto db = engine::DBEngine::forThread().createDatabase(base);
    createBaseLayout(*db);
    db->close();
  }
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(base.c_str(), &raw), SQLITE_OK);
    std::string t08Columns = "T08_SECDEC", t08Values = "i";
    for (int n = 1; n <= 5; ++n) {
      std::string k = std::to_string(n);
      t08Columns += ",T08_CODEPI" + k + ",T08_BASIMP" + k + ",T08_TIPO" + k + ",T08_CUOTA" + k;
      t08Values += ",'E" + k + "',i*" + k + ".5,0.0" + k + ",i*0.1" + k;
    }
    t08Columns += ",T08_CUOTAINTEGRA,T08_DEDUCCUOTA,T08_CUOTA";
    t08Values += ",i*2.5,i*0.5,i*2.0";
    std::string sql =
        "BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kRows) + ")"
        " INSERT INTO T02_DECLARACIONES (T02_CSDE,T02_EJER,T02_PERDAD,T02_PERNUM,T02_MODELO,T02_TIPOL,T02_IMPFIN)"
        " SELECT i % 100 + 1, 2010 + i % 10, '1', printf('%02d', i % 12 + 1), '560', 1, i * 1.5 FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kRows) + ")"
        " INSERT INTO T03_TIPOLOGIA1 (T03_SECDEC,T03_BASEIMP,T03_TIPO,T03_CUOTA) SELECT i, i * 10.0, 0.07, i * 0.7 FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kRows) + ")"
        " INSERT INTO T08_TIPOLOGIA6 (" + t08Columns + ") SELECT " + t08Values + " FROM n;"
        "COMMIT;";
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_close(raw);
  }
  // What every run must keep, and what the filling statements must give.
  auto sums = [](const std::string& file) {
    std::vector<std::vector<std::string>> out;
    for (const char* q : {"select count(*), sum(T03_CUOTA), sum(T03_BASEIMP) from T03_TIPOLOGIA1",
                          "select count(*), sum(T08_CUOTA), sum(T08_BASIMP5) from T08_TIPOLOGIA6",
                          "select count(*), sum(T02_IMPFIN) from T02_DECLARACIONES"})
      out.push_back(svrZIVE::testing::rows(file, q).at(0));
    return out;
  };
  const auto expectedSums = sums(base);
  const char* const unfilled[] = {
      "select count(*) from T03_TIPOLOGIA1 where T03_TOTALCUOTA_A is null or T03_TOTALCUOTA_A <> T03_CUOTA"
      " or T03_BASEEXENTA <> 0 or T03_CUOTA3 <> 0",
      "select count(*) from T08_TIPOLOGIA6 where T08_CODEPI6 is null or T08_CODEPI6 <> ' ' or T08_CUOTA6 <> 0",
      "select count(*) from T02_DECLARACIONES where T02_CAE is null or T02_TTA <> ' ' or T02_ADMCOM <> ' '"
      " or T02_DIRESTAB <> ' '"};

  // How long a whole run takes.
  std::string file = dir.file("ZIVEMOD.MDB");
  copyFresh(base, file);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(waitFor(upgradeInChild(file, dir.slash(), {})), 0);
  auto whole = std::chrono::steady_clock::now() - start;
  expectLayout(file, initLayout());

  for (double fraction : {0.1, 0.3, 0.5, 0.7, 0.9}) {
    SCOPED_TRACE("killed at " + std::to_string(fraction));
    copyFresh(base, file);
    pid_t pid = upgradeInChild(file, dir.slash(), {});
    std::this_thread::sleep_for(std::chrono::duration_cast<std::chrono::microseconds>(whole * fraction));
    ::kill(pid, SIGKILL);
    waitFor(pid);

    EXPECT_EQ(sums(file), expectedSums);
    RunResult run = runUpgrade(file, dir.slash());
    expectCompleteRun(run);
    expectLayout(file, initLayout());
    EXPECT_EQ(sums(file), expectedSums);
    for (const char* q : unfilled) EXPECT_EQ(svrZIVE::testing::rows(file, q).at(0).at(0), "0") << q;
    EXPECT_FALSE(fs::exists(file + "-traspaso"));
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace svrZIVE::upgrade::testing
