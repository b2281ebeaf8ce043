#include "upgrade/upgrade_report.h"

#include <cstdio>

#include "upgrade/schema_steps.h"

namespace svrZIVE::upgrade {
namespace {

using Outcome = TraspasoEvent::Outcome;

std::string subject(const TraspasoEvent& event) {
  if (event.action == "ComprobarCampo" && !event.table.empty()) return event.table + "." + event.name;
  return event.name;
}

std::string joinFields(const std::vector<std::string>& created) {
  std::string out;
  for (const auto& name : created) {
    auto dot = name.find('.');
    if (!out.empty()) out += ", ";
    out += dot == std::string::npos ? name : name.substr(dot + 1);
  }
  return out;
}

}  // namespace

std::string UpgradeReport::describe(const TraspasoEvent& event) {
  char number[8];
  std::snprintf(number, sizeof number, "[%2d] ", event.statement);
  std::string line = number;
  if (event.action == "open") {
    line += "open " + event.name;
  } else if (event.action == "close") {
    line += "close";
  } else if (event.action == "BorrarCopiaSeguridad") {
    line += "remove backup copy " + event.name;
  } else {
    line += subject(event) + ": ";
    switch (event.outcome) {
      case Outcome::Present: line += "present"; break;
      case Outcome::Changed:
        if (event.action == "ComprobarTabla") {
          line += "table created";
          if (const TableStep* step = findTableStep(event.name))
            line += " (" + std::to_string(tableColumns(*step).size()) + " fields)";
        } else {
          line += "added " + joinFields(event.created);
        }
        break;
      case Outcome::Failed:
        line += "step failed";
        if (!event.created.empty()) line += " (kept: " + joinFields(event.created) + ")";
        break;
      case Outcome::Error:
      case Outcome::Done: break;
    }
  }
  if (event.outcome == Outcome::Error) {
    if (line.back() != ' ') line += ": ";
    line += "failed, " + event.error;
  }
  if (event.backup == 1) line += "  [backup copy made]";
  if (event.backup == 0) line += "  [backup copy failed]";
  return line;
}

void UpgradeReport::record(const TraspasoEvent& event) {
  if (event.backup == 1) backupMade_ = true;
  for (const auto& name : event.created) {
    if (name.find('.') == std::string::npos) ++tables_;
    else ++fields_;
  }
  if (event.outcome == Outcome::Failed) ++failed_;
  if (event.outcome == Outcome::Error) {
    ++errors_;
    errorLines_.push_back(describe(event));
  }
  if (!progress_) return;
  if (!all_ && (event.outcome == Outcome::Present || event.outcome == Outcome::Done)) return;
  *progress_ << describe(event) << '\n' << std::flush;
}

TraspasoObserver UpgradeReport::observer() {
  return [this](const TraspasoEvent& event) { record(event); };
}

void UpgradeReport::message(const std::string& text, int) { messages_.push_back(text); }

void UpgradeReport::finish(std::ostream& out) const {
  if (!messages_.empty()) {
    out << "\nMessages shown:\n";
    for (const auto& m : messages_) out << "  " << m << '\n';
  }
  if (!errorLines_.empty()) {
    out << "\nStatements that failed:\n";
    for (const auto& e : errorLines_) out << "  " << e << '\n';
  }
  out << "\nSummary: " << tables_ << (tables_ == 1 ? " table" : " tables") << " created, " << fields_
      << (fields_ == 1 ? " field" : " fields") << " added, " << failed_ << (failed_ == 1 ? " step" : " steps")
      << " failed with a message, " << errors_ << (errors_ == 1 ? " statement" : " statements")
      << " failed; " << (backupMade_ ? "a backup copy was made before the first change" : "no backup copy was made")
      << ".\n";
}

}  // namespace svrZIVE::upgrade
