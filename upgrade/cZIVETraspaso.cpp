#include "upgrade/cZIVETraspaso.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <utility>

#include "engine/dao.h"
#include "frame/automation.h"
#include "base/automation_error.h"
#include "frame/class_registry.h"
#include "frame/message_box.h"
#include "engine/access_paths.h"
#include "upgrade/access_paths.h"
#include "upgrade/file_system.h"
#include "upgrade/step_journal.h"

namespace svrZIVE {
namespace {

using Outcome = TraspasoEvent::Outcome;
using upgrade::FileSystem;
using upgrade::WorkingObjects;

// The driver's statements 2 to 17: each makes a table current (or keeps the
// current one) and runs its existence tests in order. A failure ends the
// statement; the run goes on with the next one.
struct DriverTest {
  enum Kind : uint8_t { Table, Field } kind;
  std::string_view name;
};

struct DriverStatement {
  int number;
  std::string_view current;  // the table made current first; empty: keep the current one
  std::vector<DriverTest> tests;
};

const std::vector<DriverStatement>& driverStatements() {
  using T = DriverTest;
  static const std::vector<DriverStatement> statements = {
      {2, {}, {{T::Table, "T09_TIPOLOGIA5_NUEVA"}}},
      {3, "T08_TIPOLOGIA6", {{T::Field, "T08_CODEPI6"}}},
      {4, "T02_DECLARACIONES", {{T::Field, "T02_CAE"}}},
      {5, {}, {{T::Field, "T02_ADMCOM"}}},
      {6, {}, {{T::Table, "T00_GENERAL"}}},
      {7, "T02_DECLARACIONES", {{T::Field, "T02_NESTAB"}}},
      {8, "T03_TIPOLOGIA1", {{T::Field, "T03_TOTALCUOTA_A"}}},
      {9,
       {},
       {{T::Table, "T10_TIPOLOGIA8"},
        {T::Table, "T11_TIPOLOGIA9"},
        {T::Table, "T12_TIPOLOGIA10"},
        {T::Table, "T13_TIPOLOGIA11"},
        {T::Table, "T14_TIPOLOGIA12"},
        {T::Table, "T15_TIPOLOGIA13"},
        {T::Table, "T16_TIPOLOGIA14"}}},
      {10, "T03_TIPOLOGIA1", {{T::Field, "T03_BASEEXENTA"}}},
      {11, "T10_TIPOLOGIA8", {{T::Field, "T10_OPEPRO1"}}},
      {12, "T12_TIPOLOGIA10", {{T::Field, "T12_PPE_CLAVE1"}}},
      {13, "T14_TIPOLOGIA12", {{T::Field, "T14_CE_OPEPRO1"}}},
      {14, "T16_TIPOLOGIA14", {{T::Field, "T16_OPEPRO1"}}},
      {15, {}, {{T::Table, "T17_TIPOLOGIA15"}, {T::Table, "T18_TIPOLOGIA16"}}},
      {16, "T03_TIPOLOGIA1", {{T::Field, "T03_BASEIMP3"}}},
      {17, {}, {{T::Table, "T19_TIPOLOGIA1"}}},
  };
  return statements;
}

std::string upperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string describe(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const AutomationError& e) {
    return "error " + std::to_string(e.number()) + " (" + e.source() + "): " + e.description();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

TraspasoEvent makeEvent(int statement, std::string action, std::string name, std::string table = {}) {
  TraspasoEvent event;
  event.statement = statement;
  event.action = std::move(action);
  event.name = std::move(name);
  event.table = std::move(table);
  return event;
}

[[noreturn]] void failObjectNotSet() { throw objectNotSet(); }

}  // namespace

void cZIVETraspaso::mostrarMensaje(const std::string& text) {
  if (event_) event_->messages.push_back(text);
  MsgBox(text, vbCritical);
}

uint8_t cZIVETraspaso::CopiaSeguridad() {
  uint8_t result = 2;
  try {
    std::string backup = backupPath();
    if (!backupMade_ && !FileSystem::fileExists(backup)) {
      FileSystem::copyFile(mdbmod_, backup, true);
      backupMade_ = true;
      result = 1;
    }
  } catch (...) {
    mostrarMensaje(std::string(kBackupFailedMessage));
    result = 0;
  }
  if (event_) event_->backup = result;
  return result;
}

void cZIVETraspaso::BorrarCopiaSeguridad() {
  try {
    std::string backup = backupPath();
    if (FileSystem::fileExists(backup)) FileSystem::deleteFile(backup, true);
  } catch (...) {
    // A backup that cannot be removed stays; the next run removes it.
  }
}

template <class Work>
void cZIVETraspaso::journaled(const upgrade::JournalEntry& entry, Work&& work) {
  // Inside the run's transaction a process that dies undoes the whole run:
  // there is no step left half done to record.
  if (inTransaction_) {
    work();
    return;
  }
  upgrade::StepJournal journal(mdbmod_);
  journal.begin(entry, fills_);
  struct End {
    const upgrade::StepJournal& journal;
    const std::vector<upgrade::PendingFill>& fills;
    ~End() {
      try {
        journal.keep(fills);
      } catch (...) {
        // The record of the step stays; the next run finishes it again.
      }
    }
  } end{journal, fills_};
  work();
}

// Each table the steps added fields to is written once, with every fill its
// steps gave, as the engine writes a table anew. A fill that fails is handled
// as the step's own statement failing would be: a step with a handler shows
// its message, any other failure is the close's; the statements stay in the
// journal for the next run.
void cZIVETraspaso::runPostponedFills(engine::Database& database) {
  if (fills_.empty()) return;
  beforeChange();  // a run that only finishes an earlier one's fills changes the file too
  std::vector<upgrade::PendingFill> failed;
  std::exception_ptr unhandled;
  while (!fills_.empty()) {
    const std::string table = fills_.front().table;
    std::vector<upgrade::PendingFill> now, rest;
    for (auto& fill : fills_) (engine::namesEqual(fill.table, table) ? now : rest).push_back(std::move(fill));
    std::vector<std::string> statements;
    for (const auto& fill : now) statements.push_back(fill.statement);
    try {
      engine::rewriteTable(database, statements);
      upgrade::afterChange();
    } catch (...) {
      std::vector<std::string> shown;
      for (const auto& fill : now) {
        const upgrade::FieldStep* step = upgrade::findFieldStep(fill.step);
        if (step && step->hasHandler) {
          if (std::find(shown.begin(), shown.end(), fill.step) == shown.end()) {
            mostrarMensaje(upgrade::fieldStepMessage(*step));
            shown.push_back(fill.step);
          }
        } else if (!unhandled) {
          unhandled = std::current_exception();
        }
      }
      failed.insert(failed.end(), now.begin(), now.end());
    }
    fills_ = std::move(rest);
    if (inTransaction_) continue;  // the journal changes once the run is committed
    std::vector<upgrade::PendingFill> left = failed;
    left.insert(left.end(), fills_.begin(), fills_.end());
    upgrade::StepJournal(mdbmod_).keep(left);
  }
  fills_ = std::move(failed);
  if (unhandled) std::rethrow_exception(unhandled);
}

// The backup copy, then the run's transaction, once.
void cZIVETraspaso::beforeChange() {
  CopiaSeguridad();
  if (!workspace_ || transactionTried_) return;
  transactionTried_ = true;
  try {
    workspace_->beginTrans();
    inTransaction_ = true;
  } catch (...) {
    // The changes then commit one by one and fail as they would on their own.
  }
}

// The storage undid the whole transaction after a failure (a full disk, an
// I/O error): the run's earlier changes went with it, and the next run makes
// them again, their markers being missing. The rest of this run commits
// change by change; what it owes the journal is what the journal held.
void cZIVETraspaso::afterFailure(engine::Database& database) {
  if (!inTransaction_ || !engine::transactionUndone(database)) return;
  inTransaction_ = false;
  try {
    workspace_->rollback();
  } catch (...) {
  }
  upgrade::StepJournal journal(mdbmod_);
  pending_ = journal.pending();
  fills_ = journal.fills();
}

// Commits the run's transaction; then the journal keeps what the run left
// undone (the fills that failed, a step it never reached).
void cZIVETraspaso::commitRun(engine::Database& database) {
  afterFailure(database);
  if (!inTransaction_) return;
  inTransaction_ = false;
  workspace_->commitTrans();
  upgrade::StepJournal journal(mdbmod_);
  if (pending_) journal.begin(*pending_, fills_);
  else journal.keep(fills_);
}

TraspasoEvent::Outcome cZIVETraspaso::ComprobarTabla(std::string_view nombre, WorkingObjects& objects) {
  if (!objects.database) failObjectNotSet();
  bool exists = false;
  for (int32_t i = 0; i < objects.database->tableDefs().count(); ++i) {
    if (objects.database->tableDefs().item(i)->name() == nombre) {
      exists = true;
      break;
    }
  }
  const bool resuming = pending_ && pending_->step == nombre;
  if (exists && !resuming) return Outcome::Present;
  beforeChange();
  const upgrade::TableStep* step = upgrade::findTableStep(upperCase(nombre));
  if (!step) return Outcome::Present;
  if (resuming) pending_.reset();

  // The table's append is one atomic operation; only a step that runs a
  // statement after it is journaled.
  auto work = [&] {
    if (step->statement.empty()) {
      upgrade::runTableStep(*step, objects);
      return;
    }
    journaled(upgrade::JournalEntry{std::string(step->name), {}}, [&] {
      if (!exists) {
        upgrade::runTableStep(*step, objects);
        return;
      }
      // A run died between the append and the statement.
      auto count = objects.database->openRecordset("select count(*) from " + std::string(step->name));
      bool empty = count->value(0).toLong() == 0;
      count->close();
      if (empty) {
        objects.database->execute(step->statement);
        upgrade::afterChange();
      }
    });
  };
  if (step->hasHandler) {
    try {
      work();
    } catch (...) {
      mostrarMensaje(upgrade::tableStepMessage(*step));
      return Outcome::Failed;
    }
    return Outcome::Changed;
  }
  work();
  if (step->appendedByTest) {
    if (!objects.tables) failObjectNotSet();
    objects.tables->append(objects.table);
    if (objects.created) objects.created->push_back(std::string(step->name));
    upgrade::afterChange();
  }
  return Outcome::Changed;
}

TraspasoEvent::Outcome cZIVETraspaso::ComprobarCampo(std::string_view nombre, WorkingObjects& objects) {
  if (!objects.table) failObjectNotSet();
  const bool resuming = pending_ && pending_->step == nombre;
  if (!resuming) {
    auto& fields = objects.table->fields();
    for (int32_t i = 0, n = fields.count(); i < n; ++i) {
      if (fields.item(i)->name() == nombre) return Outcome::Present;
    }
  }
  beforeChange();
  const upgrade::FieldStep* step = upgrade::findFieldStep(nombre);
  if (!step) return Outcome::Present;
  std::optional<upgrade::JournalEntry> resume;
  if (resuming) resume = std::exchange(pending_, std::nullopt);

  auto work = [&] {
    upgrade::JournalEntry entry = resume ? *resume
                                         : (step->raised.empty() ? upgrade::JournalEntry{std::string(step->marker), {}}
                                                                 : upgrade::journalEntryFor(*step, *objects.table));
    journaled(entry, [&] { upgrade::runFieldStep(*step, objects, resume ? &entry : nullptr); });
  };
  if (step->hasHandler) {
    try {
      work();
    } catch (...) {
      mostrarMensaje(upgrade::fieldStepMessage(*step));
      return Outcome::Failed;
    }
    return Outcome::Changed;
  }
  work();
  return Outcome::Changed;
}

bool cZIVETraspaso::Traspaso() {
  WorkingObjects objects;
  std::vector<std::string> created;
  objects.created = &created;
  objects.postponed = &fills_;
  pending_.reset();
  fills_.clear();
  transactionTried_ = false;
  inTransaction_ = false;

  // Runs one unit of the driver; a failure leaving it is recorded and ends it.
  auto run = [&](TraspasoEvent& event, auto&& work) -> bool {
    created.clear();
    event_ = &event;
    bool ok = true;
    try {
      event.outcome = work();
    } catch (...) {
      event.outcome = Outcome::Error;
      event.error = describe(std::current_exception());
      ok = false;
    }
    if (objects.database && event.outcome != Outcome::Present && event.outcome != Outcome::Changed)
      afterFailure(*objects.database);
    event_ = nullptr;
    event.created = created;
    if (observer_) {
      try {
        observer_(event);
      } catch (...) {
      }
    }
    return ok;
  };

  // 1. Open the database; take its table-definition collection.
  {
    TraspasoEvent event = makeEvent(1, "open", mdbmod_);
    run(event, [&] {
      workspace_ = engine::DBEngine::forThread().createWorkspace("#Traspaso#", "admin", "");
      objects.database = workspace_->openDatabase(mdbmod_, false, false, "");
      objects.tables = &objects.database->tableDefs();
      pending_ = upgrade::StepJournal(mdbmod_).pending();
      fills_ = upgrade::StepJournal(mdbmod_).fills();
      return Outcome::Done;
    });
  }

  // 2 to 17. The existence tests and their steps. Making a table current is
  // part of the statement's first test.
  for (const auto& statement : driverStatements()) {
    bool first = true;
    for (const auto& test : statement.tests) {
      bool makeCurrent = first && !statement.current.empty();
      first = false;
      bool ok;
      if (test.kind == DriverTest::Table) {
        TraspasoEvent event = makeEvent(statement.number, "ComprobarTabla", std::string(test.name));
        ok = run(event, [&] { return ComprobarTabla(test.name, objects); });
      } else {
        std::string current(statement.current);
        if (current.empty() && objects.table) {
          try {
            current = objects.table->name();
          } catch (...) {
          }
        }
        TraspasoEvent event = makeEvent(statement.number, "ComprobarCampo", std::string(test.name), current);
        ok = run(event, [&] {
          if (makeCurrent) {
            if (!objects.tables) failObjectNotSet();
            objects.table = objects.tables->item(statement.current);
          }
          return ComprobarCampo(test.name, objects);
        });
      }
      if (!ok) break;  // the rest of the statement is skipped
    }
  }

  // 18. Close the database; release the working objects.
  {
    TraspasoEvent event = makeEvent(18, "close", mdbmod_);
    run(event, [&] {
      if (!objects.database) failObjectNotSet();
      std::exception_ptr fillFailure;
      try {
        runPostponedFills(*objects.database);
      } catch (...) {
        fillFailure = std::current_exception();
      }
      // The access paths of the tables the run found or made, before the
      // database closes; they change nothing the object model shows, and a
      // database without them works all the same, only slower.
      try {
        upgrade::giveAccessPaths(*objects.database);
      } catch (...) {
      }
      try {
        commitRun(*objects.database);
      } catch (...) {
        // Nothing of the run is kept; the journal is as the run found it.
        if (!fillFailure) fillFailure = std::current_exception();
      }
      objects.database->close();
      if (fillFailure) std::rethrow_exception(fillFailure);
      return Outcome::Done;
    });
    objects.field.reset();
    objects.table.reset();
    objects.tables = nullptr;
    objects.database.reset();
    inTransaction_ = false;
    if (workspace_) {
      try {
        workspace_->close();
      } catch (...) {
      }
      workspace_.reset();
    }
  }

  // 19. Delete the backup copy.
  {
    TraspasoEvent event = makeEvent(19, "BorrarCopiaSeguridad", backupPath());
    run(event, [&] {
      BorrarCopiaSeguridad();
      return Outcome::Done;
    });
  }
  return false;
}

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVETraspaso;

const TypeInfo& traspasoMembers() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVETraspaso");
    t.let("mdblec", "String", [](Self& o, const Variant& v) { o.mdblec(v.toText()); });
    t.let("mdbmod", "String", [](Self& o, const Variant& v) { o.mdbmod(v.toText()); });
    t.let("mdbPath", "String", [](Self& o, const Variant& v) { o.mdbPath(v.toText()); });
    t.method("Traspaso", {}, "Boolean", [](Self& o, CallArguments&) { return Variant(o.Traspaso()); });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered = registerPublicClass<cZIVETraspaso>("cZIVETraspaso", traspasoMembers);

}  // namespace
}  // namespace svrZIVE
