// An upgrade stopped after any of its changes: the process dies (in a child,
// so that nothing of it survives but the files), the database opens, keeps
// every row, and a new run brings it to the current layout with the new
// fields filled. Kills at random moments of a large run are
// bench/crash_loop.py's.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "upgrade/schema_steps.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade::testing {
namespace {

namespace fs = std::filesystem;
using Outcome = TraspasoEvent::Outcome;

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
  build(base, {"first", "T09_TIPOLOGIA5_NUEVA"});
  fillRows(base, 2);
  Rows before = readRows(base);

  // The number of changes of a whole run.
  int changes = 0;
  copyDatabase(base, dir.file("count.mdb"));
  setChangeHook([&] { ++changes; });
  runUpgrade(dir.file("count.mdb"), dir.slash());
  setChangeHook({});
  ASSERT_GT(changes, 40);

  std::string file = dir.file("ZIVEMOD.MDB");
  for (int stopAt = 1; stopAt < changes; ++stopAt) {
    SCOPED_TRACE("stopped after change " + std::to_string(stopAt) + " of " + std::to_string(changes));
    copyDatabase(base, file);
    if (::fork() == 0) {
      int count = 0;
      setChangeHook([&count, stopAt] {
        if (++count == stopAt) ::_exit(3);
      });
      runUpgrade(file, dir.slash());
      ::_exit(0);
    }
    int status = 0;
    ::wait(&status);
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
    expectLayout(readLayout(file), initLayout());
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
  expectLayout(readLayout(file), initLayout());
  EXPECT_FALSE(fs::exists(file + "-traspaso"));
}

}  // namespace
}  // namespace svrZIVE::upgrade::testing
