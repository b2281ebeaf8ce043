// cZIVETraspaso: brings a modifiable database of an earlier layout up to the
// current one, in place, table by table and field by field, with a backup
// copy of the file made just before the first change and deleted at the end.
//
// Unlike the other service classes it keeps its paths in the object and
// opens the database directly through the thread's engine, not through the
// shared connection. It never raises: a step with a handler of its own shows
// its message (style 16) and ends; any other failure ends the driver's
// current statement and the run goes on with the next one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "upgrade/schema_steps.h"

namespace svrZIVE {

// The backup copy's file name, put directly after mdbPath.
inline constexpr std::string_view kBackupFileName = "CopSegZIVEMod.mdb";

inline constexpr std::string_view kBackupFailedMessage =
    "Se ha producido un error en la copia de seguridad. La aplicación no puede ser utilizada ya que de lo "
    "contrario podría perderse información";

// What one test of the driver did, for a caller that follows the run.
struct TraspasoEvent {
  enum class Outcome : uint8_t {
    Done,     // a statement without a test (open, close, backup removal) completed
    Present,  // the table or marker field exists: nothing to do
    Changed,  // the step ran to its end
    Failed,   // the step's handler showed its message and ended it
    Error,    // the statement failed and passed its error to the driver
  };
  int statement = 0;        // 1 to 19
  std::string action;       // "open", "ComprobarTabla", "ComprobarCampo", "close", "BorrarCopiaSeguridad"
  std::string name;         // the table or marker field tested; the current table for field tests
  std::string table;        // ComprobarCampo: the current table's name as the driver chose it
  Outcome outcome = Outcome::Done;
  std::vector<std::string> created;   // tables ("T17_TIPOLOGIA15") and fields ("T02_DECLARACIONES.T02_CAE")
  std::vector<std::string> messages;  // messages shown during this test
  int backup = -1;                    // CopiaSeguridad's result when it was called, else -1
  std::string error;                  // Error: the failure's number and description
};

using TraspasoObserver = std::function<void(const TraspasoEvent&)>;

class cZIVETraspaso {
 public:
  // Path properties (write only).
  void mdblec(std::string_view path) { mdblec_ = path; }
  void mdbmod(std::string_view path) { mdbmod_ = path; }
  void mdbPath(std::string_view path) { mdbPath_ = path; }

  // Runs the upgrade. The result is False on every path.
  bool Traspaso();

  // Follows the run test by test (not part of the automation interface).
  void setObserver(TraspasoObserver observer) { observer_ = std::move(observer); }

  // --- The class's own operations, not registered for late binding ---------

  // Makes the backup copy unless this object made one already or a copy is
  // there: 1 copied now, 2 no copy needed, 0 the copy failed (message shown).
  uint8_t CopiaSeguridad();
  // Deletes the backup copy if it exists, read-only or not; errors ignored.
  void BorrarCopiaSeguridad();
  // Runs the creation step of `nombre` when no table of exactly that name exists.
  TraspasoEvent::Outcome ComprobarTabla(std::string_view nombre, upgrade::WorkingObjects& objects);
  // Runs the field step of the marker `nombre` when the current table has no
  // field of exactly that name.
  TraspasoEvent::Outcome ComprobarCampo(std::string_view nombre, upgrade::WorkingObjects& objects);

  std::string backupPath() const { return mdbPath_ + std::string(kBackupFileName); }

 private:
  void mostrarMensaje(const std::string& text);
  // Runs `work` between the journal's record of `entry` and its removal.
  template <class Work>
  void journaled(const upgrade::JournalEntry& entry, Work&& work);

  std::string mdblec_;
  std::string mdbmod_;
  std::string mdbPath_;
  bool backupMade_ = false;
  TraspasoObserver observer_;
  TraspasoEvent* event_ = nullptr;  // the test being run, while Traspaso runs
  // The step a run that died in the middle of it left unfinished; the test
  // that selects that step finishes it even though its marker exists.
  std::optional<upgrade::JournalEntry> pending_;
  // The fill statements the field steps left to the end of the run (and those
  // an earlier run left undone), in the order the steps gave them.
  std::vector<upgrade::PendingFill> fills_;
  void runPostponedFills(engine::Database& database);

  // The run's changes are one transaction of a workspace of its own, begun
  // just before the first change and committed at the close; each engine
  // operation in it is undone alone when it fails, as it would be on its
  // own, so a failing step keeps what it did before and the steps before it
  // are committed with the rest. Without it (a file that cannot be written,
  // the storage undoing the transaction after a failure) each operation
  // commits on its own, with the step journal kept as it goes.
  std::shared_ptr<engine::Workspace> workspace_;
  bool transactionTried_ = false;
  bool inTransaction_ = false;
  void beforeChange();
  void afterFailure(engine::Database& database);
  void commitRun(engine::Database& database);
};

}  // namespace svrZIVE
