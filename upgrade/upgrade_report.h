// Follows an upgrade run and writes what it did: one line per test as it
// happens, then the messages shown, then a summary. Used by `zive upgrade`
// and `zive init`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "upgrade/cZIVETraspaso.h"

namespace svrZIVE::upgrade {

class UpgradeReport {
 public:
  // `progress`: where the per-test lines go as the run goes (nullptr: none).
  // `all`: also list the tests that found their table or field present.
  explicit UpgradeReport(std::ostream* progress, bool all = true) : progress_(progress), all_(all) {}

  // The observer to give cZIVETraspaso::setObserver.
  TraspasoObserver observer();
  // The message callback that records what the run shows (for ScopedMessageCallback).
  void message(const std::string& text, int style);

  // The messages shown and the summary.
  void finish(std::ostream& out) const;

  const std::vector<std::string>& messages() const { return messages_; }
  int tablesCreated() const { return tables_; }
  int fieldsAdded() const { return fields_; }
  int stepsFailed() const { return failed_; }
  int errors() const { return errors_; }
  bool backupMade() const { return backupMade_; }

  // One line describing an event ("[ 9] T10_TIPOLOGIA8: table created (113 fields)").
  static std::string describe(const TraspasoEvent& event);

 private:
  void record(const TraspasoEvent& event);

  std::ostream* progress_;
  bool all_;
  std::vector<std::string> messages_;
  std::vector<std::string> errorLines_;
  int tables_ = 0;
  int fields_ = 0;
  int failed_ = 0;
  int errors_ = 0;
  bool backupMade_ = false;
};

}  // namespace svrZIVE::upgrade
