// The upgrade's step journal: a small file beside the database, written
// (and flushed to disk) before a multi-operation step makes its first change
// and removed when the step ends, whether it succeeded or failed. Each engine
// operation is atomic, but a step is several of them; a file left behind by
// a process that died in the middle of a step names that step, and the next
// run finishes it: it creates the step's fields that are still missing,
// runs its statements again and sets the positions the step computed.
//
// Field steps leave the statements that fill their new fields to the end of
// the run, where each table is written once with all of them; until then the
// journal keeps them too, so that a run that dies first leaves them to the
// next one (which runs them at its end).
//
// The file is "<database path>-traspaso", one line per item:
//   step <marker or table name>
//   position <field> <ordinal position when the step started>
//   fill <marker> <table> <statement>
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace svrZIVE::upgrade {

struct JournalEntry {
  std::string step;
  std::vector<std::pair<std::string, int16_t>> positions;

  std::optional<int16_t> positionOf(const std::string& field) const;
};

// A statement a field step left to the end of the run.
struct PendingFill {
  std::string step;  // the step's marker
  std::string table;
  std::string statement;
  bool operator==(const PendingFill&) const = default;
};

class StepJournal {
 public:
  explicit StepJournal(std::string databasePath) : path_(std::move(databasePath) + "-traspaso") {}

  const std::string& path() const { return path_; }
  // The step an interrupted run left unfinished; nullopt when there is none
  // (or the file cannot be read).
  std::optional<JournalEntry> pending() const;
  // The fills an earlier run left to its end and did not run.
  std::vector<PendingFill> fills() const;
  // Records `entry` (and the fills still to run) durably before the step's
  // first change. Throws an AutomationError when the file cannot be written.
  void begin(const JournalEntry& entry, const std::vector<PendingFill>& fills = {}) const;
  // Records just the fills still to run, durably; none: as end().
  void keep(const std::vector<PendingFill>& fills) const;
  // Removes the record durably; failures are ignored.
  void end() const noexcept;

 private:
  void write(std::string text, const std::vector<PendingFill>& fills) const;
  std::string path_;
};

}  // namespace svrZIVE::upgrade
