// The upgrade driver: existence tests, the backup copy, the messages and the
// way failures pass from a step to the driver.
#include <gtest/gtest.h>
#include <cctype>

#include "engine/dao.h"
#include "frame/class_registry.h"
#include "frame/message_box.h"
#include "upgrade/cZIVETraspaso.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade::testing {
namespace {

using Outcome = TraspasoEvent::Outcome;
namespace fs = std::filesystem;

constexpr const char* kBackup = "CopSegZIVEMod.mdb";

// The current layout without the listed steps.
EarlierLayout currentWithout(std::set<std::string> skipped, std::vector<TableLayout> extra = {}) {
  return {"current_without", "", std::move(skipped), {}, std::move(extra)};
}

const TraspasoEvent* findEvent(const RunResult& run, const std::string& name) {
  for (const auto& e : run.events)
    if (e.name == name) return &e;
  return nullptr;
}

TEST(Traspaso, CurrentDatabaseChangesNothingAndRemovesALeftoverBackup) {
  TempDir dir;
  std::string file = freshModifiable(dir);
  fillRows(file, 2);
  auto layout = readLayout(file);
  auto rows = readRows(file);
  writeFile(dir.file(kBackup), "left over by an interrupted run");

  bool leftoverUntouched = true;
  RunResult run = runUpgrade(file, dir.slash(), [&](const TraspasoEvent& e) {
    if (e.statement < 19) leftoverUntouched &= readFile(dir.file(kBackup)) == "left over by an interrupted run";
  });
  EXPECT_FALSE(run.result);
  EXPECT_TRUE(run.messages.empty());
  for (const auto& e : run.events) {
    EXPECT_EQ(e.backup, -1) << e.name;  // no copy was even tried
    EXPECT_TRUE(e.outcome == Outcome::Present || e.outcome == Outcome::Done) << e.name;
  }
  EXPECT_TRUE(leftoverUntouched);
  EXPECT_FALSE(fs::exists(dir.file(kBackup)));
  EXPECT_EQ(readLayout(file), layout);
  EXPECT_EQ(readRows(file), rows);
}

// A table or a field missing: one byte copy of the file as it was before the
// run's first change, made by that statement, deleted at the end. The backup
// folder with or without its separator: the name is a plain concatenation.
TEST(Traspaso, OneBackupOfTheFileBeforeTheFirstChangeDeletedAtTheEnd) {
  const struct { const char* missing; int statement; const char* folder; } cases[] = {
      {"T19_TIPOLOGIA1", 17, ""}, {"T03_BASEEXENTA", 10, "copia"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.missing);
    TempDir dir;
    std::string file = dir.file("ZIVEMOD.MDB");
    build(file, currentWithout({c.missing}));
    fillRows(file, 2);
    std::string original = readFile(file);
    std::string backup = dir.file(std::string(c.folder) + kBackup);

    bool copyBefore = false, copyAfter = false;
    std::string copyContent;
    RunResult run = runUpgrade(file, *c.folder ? dir.file(c.folder) : dir.slash(), [&](const TraspasoEvent& e) {
      if (e.statement < c.statement) copyBefore |= fs::exists(backup);
      if (e.statement == c.statement) {
        copyAfter = fs::exists(backup);
        copyContent = readFile(backup);
      }
    });
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.backupsMade(), 1);
    const TraspasoEvent* step = findEvent(run, c.missing);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->outcome, Outcome::Changed);
    EXPECT_EQ(step->backup, 1);
    EXPECT_FALSE(copyBefore);
    EXPECT_TRUE(copyAfter);
    EXPECT_EQ(copyContent, original);
    EXPECT_FALSE(fs::exists(backup));
  }
}

TEST(Traspaso, ABackupFoundAtStartIsNeverOverwritten) {
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, currentWithout({"T17_TIPOLOGIA15", "T19_TIPOLOGIA1"}));
  writeFile(dir.file(kBackup), "older copy");
  std::vector<std::string> seen;
  RunResult run = runUpgrade(file, dir.slash(), [&](const TraspasoEvent& e) {
    if (e.statement < 19) seen.push_back(readFile(dir.file(kBackup)));
  });
  EXPECT_EQ(run.backupsMade(), 0);
  EXPECT_EQ(findEvent(run, "T17_TIPOLOGIA15")->backup, 2);
  EXPECT_EQ(findEvent(run, "T19_TIPOLOGIA1")->backup, 2);
  for (const auto& s : seen) EXPECT_EQ(s, "older copy");
  EXPECT_FALSE(fs::exists(dir.file(kBackup)));
}

TEST(Traspaso, OneCopyPerRunAndNoneOnASecondRunOfTheSameObject) {
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, currentWithout({"T17_TIPOLOGIA15", "T18_TIPOLOGIA16", "T19_TIPOLOGIA1"}));
  cZIVETraspaso traspaso;
  traspaso.mdbmod(file);
  traspaso.mdbPath(dir.slash());
  RunResult first = runUpgrade(traspaso);
  EXPECT_EQ(first.backupsMade(), 1);
  EXPECT_EQ(findEvent(first, "T17_TIPOLOGIA15")->backup, 1);
  EXPECT_EQ(findEvent(first, "T18_TIPOLOGIA16")->backup, 2);
  EXPECT_EQ(findEvent(first, "T19_TIPOLOGIA1")->backup, 2);
  EXPECT_FALSE(fs::exists(dir.file(kBackup)));

  // Another database lacking a table, same object: no copy at all.
  std::string second = dir.file("second.mdb");
  build(second, currentWithout({"T19_TIPOLOGIA1"}));
  traspaso.mdbmod(second);
  bool copySeen = false;
  RunResult again = runUpgrade(traspaso, [&](const TraspasoEvent&) { copySeen |= fs::exists(dir.file(kBackup)); });
  EXPECT_EQ(again.backupsMade(), 0);
  EXPECT_EQ(findEvent(again, "T19_TIPOLOGIA1")->backup, 2);
  EXPECT_EQ(findEvent(again, "T19_TIPOLOGIA1")->outcome, Outcome::Changed);
  EXPECT_FALSE(copySeen);

  // A new object copies again.
  std::string third = dir.file("third.mdb");
  build(third, currentWithout({"T19_TIPOLOGIA1"}));
  EXPECT_EQ(runUpgrade(third, dir.slash()).backupsMade(), 1);
}

// A table whose name differs only in letter case counts as missing; its
// creation fails: with the step's message where the step has a handler, else
// ending its statement, whose later tables wait for the next run (statement 9
// stops at T10; T03_BASEEXENTA, tested by a later statement, is still seen).
TEST(Traspaso, ANameDifferingInLetterCaseCountsAsMissingAndItsCreationFails) {
  const struct {
    std::string table;
    bool message;
    const char* waiting;
  } cases[] = {{"T17_TIPOLOGIA15", true, nullptr}, {"T00_GENERAL", false, nullptr},
               {"T10_TIPOLOGIA8", false, "T11_TIPOLOGIA9"}};
  for (const auto& [table, message, waiting] : cases) {
    SCOPED_TRACE(table);
    TempDir dir;
    std::string file = dir.file("ZIVEMOD.MDB");
    std::string lower = table;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::set<std::string> missing{table};
    if (waiting) missing.insert(waiting);
    build(file, currentWithout(missing, {{lower, createdTable(table).columns}}));
    RunResult run = runUpgrade(file, dir.slash());
    const TraspasoEvent* e = findEvent(run, table);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->backup, 1);
    EXPECT_EQ(e->outcome, message ? Outcome::Failed : Outcome::Error);
    const std::string text = "Se ha producido un error la creación de la tabla " + table;
    EXPECT_EQ(run.messages, std::vector<std::string>(message, text));
    EXPECT_EQ(run.messageStyles, std::vector<int>(message, 16));
    // The run went on to its end; the lower-case table is still the only one.
    EXPECT_NE(findEvent(run, "T19_TIPOLOGIA1"), nullptr);
    EXPECT_EQ(findEvent(run, "T03_BASEEXENTA")->outcome, Outcome::Present);
    EXPECT_FALSE(fs::exists(dir.file(kBackup)));
    auto layout = readLayout(file);
    EXPECT_TRUE(layout.count(lower));
    EXPECT_FALSE(layout.count(table));
    if (waiting) {
      EXPECT_EQ(findEvent(run, waiting), nullptr);
      EXPECT_FALSE(layout.count(waiting));
    }
  }
}

// Nor does a file that is not a database, which is left as it was.
TEST(Traspaso, APathThatCannotBeOpenedShowsNothingAndChangesNothing) {
  TempDir dir, other;
  writeFile(other.file("ZIVEMOD.MDB"), "not a database");
  for (std::string path : {dir.file("missing.mdb"), dir.file("no/such/folder/ZIVEMOD.MDB"), std::string(),
                           other.file("ZIVEMOD.MDB")}) {
    SCOPED_TRACE(path);
    RunResult run = runUpgrade(path, dir.slash());
    EXPECT_FALSE(run.result);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.backupsMade(), 0);
    ASSERT_EQ(run.events.size(), 19u);  // each statement ends at its first failure
    for (size_t i = 0; i < run.events.size(); ++i)
      EXPECT_EQ(run.events[i].outcome, i + 1 < run.events.size() ? Outcome::Error : Outcome::Done) << i;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));  // no file or folder made
  EXPECT_EQ(readFile(other.file("ZIVEMOD.MDB")), "not a database");
}

TEST(Traspaso, BackupFailureShowsItsMessageEachTimeAndTheStepsGoOn) {
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, currentWithout({"T17_TIPOLOGIA15", "T19_TIPOLOGIA1"}));
  RunResult run = runUpgrade(file, dir.file("no/such/folder/"));
  EXPECT_EQ(run.messages, std::vector<std::string>(2, std::string(kBackupFailedMessage)));
  EXPECT_EQ(run.messageStyles, (std::vector<int>{16, 16}));
  EXPECT_EQ(findEvent(run, "T17_TIPOLOGIA15")->backup, 0);
  EXPECT_EQ(findEvent(run, "T17_TIPOLOGIA15")->outcome, Outcome::Changed);
  EXPECT_EQ(findEvent(run, "T19_TIPOLOGIA1")->outcome, Outcome::Changed);
}

// A failing field step keeps the fields it made before the failure, shows its
// message where it has a handler (else its error passes to the driver), does
// not run its statement, and the driver goes on; what the steps before it
// did is kept, and no journal is left. T08_TIPOLOGIA6 holding
// "t08_tipo6": the step adds T08_CODEPI6 and T08_BASIMP6, then fails on
// T08_TIPO6 (the name is taken, letter case aside). T10_SEXENT1 at position
// 32760: T10_OPEPRO2 would need 32774.
TEST(Traspaso, AFailingFieldStepKeepsItsEarlierFieldsAndTheDriverGoesOn) {
  EarlierLayout t08{"t08", "T09_TIPOLOGIA5_NUEVA"}, t02{"t02", "T02_NESTAB", {"T02_CAE", "T02_ADMCOM"}},
      t10{"t10", "T10_OPEPRO1"};
  t08.replaced["T08_TIPOLOGIA6"] = withColumns(firstLayoutTable("T08_TIPOLOGIA6"), "t08_tipo6");
  t02.replaced["T02_DECLARACIONES"] = withColumns(firstLayoutTable("T02_DECLARACIONES"),
                                                  "T02_CAE:T13= T02_TTA:T1= T02_ADMCOM:T2= t02_direstab:T50=");
  t10.replaced["T10_TIPOLOGIA8"] =
      without(createdTable("T10_TIPOLOGIA8"), [](const std::string& n) { return n.rfind("T10_OPEPRO", 0) == 0; });
  const struct {
    const EarlierLayout& layout;
    std::string table;
    bool handler;
    std::vector<std::string> created;  // then the field it fails on
    const char* next;                  // a step after it that the driver runs
    const char* before;                // a table a step before it creates
  } cases[] = {
      {t08, "T08_TIPOLOGIA6", true, {"T08_CODEPI6", "T08_BASIMP6", "T08_TIPO6"}, "T19_TIPOLOGIA1",
       "T09_TIPOLOGIA5_NUEVA"},
      {t02, "T02_DECLARACIONES", false, {"T02_NESTAB", "T02_DIRESTAB"}, "T03_TOTALCUOTA_A", nullptr},
      {t10, "T10_TIPOLOGIA8", true, {"T10_OPEPRO1", "T10_OPEPRO2"}, "T12_PPE_CLAVE1", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    TempDir dir;
    std::string file = dir.file("ZIVEMOD.MDB");
    build(file, c.layout);
    fillRows(file, 2);
    if (&c.layout == &t10) {
      auto db = engine::DBEngine::forThread().openDatabase(file);
      db->tableDefs().item("T10_TIPOLOGIA8")->fields().item("T10_SEXENT1")->setOrdinalPosition(32760);
      db->close();
    }
    RunResult run = runUpgrade(file, dir.slash());
    std::vector<std::string> messages, created;
    if (c.handler) messages.push_back("Se ha producido un error la creación de los campos de la tabla " + c.table);
    EXPECT_EQ(run.messages, messages);
    const TraspasoEvent* e = findEvent(run, c.created[0]);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->outcome, c.handler ? Outcome::Failed : Outcome::Error);
    for (size_t i = 0; i + 1 < c.created.size(); ++i) created.push_back(c.table + "." + c.created[i]);
    EXPECT_EQ(e->created, created);
    const Row row = readRows(file)[c.table].at(0);
    EXPECT_NE(row.at(c.created[0]), "String: ");  // the statement did not run
    EXPECT_FALSE(row.count(c.created.back()));
    EXPECT_EQ(findEvent(run, c.next)->outcome, Outcome::Changed);
    if (c.before) {
      EXPECT_TRUE(readLayout(file).count(c.before));
    }
    EXPECT_FALSE(fs::exists(file + "-traspaso"));
  }
}

TEST(LateBinding, CreatedByNameItsPathsAreWriteOnlyAndTraspasoIsFalse) {
  TempDir dir;
  std::string file = dir.file("ZIVEMOD.MDB");
  build(file, currentWithout({"T19_TIPOLOGIA1"}));
  auto object = CreateObject("svrZIVE.cZIVETraspaso");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->className(), "cZIVETraspaso");
  object->let("mdbmod", Variant(file));
  object->let("mdblec", Variant(dir.file("ZIVELEC.MDB")));
  object->let("MDBPATH", Variant(dir.slash()));
  std::vector<std::string> messages;
  ScopedMessageCallback callback([&](const std::string& text, int) { messages.push_back(text); });
  Variant result = object->call("Traspaso");
  EXPECT_EQ(result, Variant(false));
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(readLayout(file).count("T19_TIPOLOGIA1"));
  // Write-only properties: reading one is an error.
  EXPECT_THROW(object->get("mdbmod"), AutomationError);
}

}  // namespace
}  // namespace svrZIVE::upgrade::testing
