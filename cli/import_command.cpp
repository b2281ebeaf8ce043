// zive import-mdb [--json] ACCESS_FILE DEST_FILE: an Access database (Jet 3
// or Jet 4 .mdb, ACE .accdb) brought into a new database of ours, every
// table with its fields and records. A running count on a terminal, then a
// line per table and a summary; with --json only {"tables": [...]}.
#include <unistd.h>

#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "base/automation_error.h"
#include "cli/commands.h"
#include "cli/table_printer.h"
#include "import/access_import.h"
#include "upgrade/access_paths.h"

namespace svrZIVE::cli {
namespace {

int usage() {
  std::cerr << "usage: zive import-mdb [--json] [--server URI] ACCESS_FILE DEST_FILE\n";
  return 2;
}

}  // namespace

int runImportMdb(const Arguments& args) {
  bool json = false;
  std::vector<std::string> paths;
  std::string server;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") json = true;
    else if (a == "--server" && i + 1 < args.size() && server.empty()) server = args[++i];
    else if (a.rfind("--", 0) == 0) return usage();
    else paths.push_back(a);
  }
  if (paths.size() != 2) return usage();

  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  access::ImportProgress progress;
  if (terminal) {
    progress = [](const std::string& table, int64_t done, int64_t total) {
      std::cerr << "\r\033[K" << table << ": " << done << " of " << total << " records" << std::flush;
    };
  }
  std::vector<access::ImportedTable> tables;
  try {
    tables = access::importAccessFile(paths[0], paths[1], progress, upgrade::giveAccessPaths, server);
  } catch (const AutomationError& e) {
    if (terminal) std::cerr << "\r\033[K";
    if (json) {
      std::cout << nlohmann::json{{"number", e.number()}, {"source", e.source()}, {"description", e.description()}}
                       .dump()
                << '\n';
    } else {
      std::cerr << "zive import-mdb: error " << e.number() << " (" << e.source() << "): " << e.description() << '\n';
    }
    return 1;
  }
  if (terminal) std::cerr << "\r\033[K" << std::flush;

  if (json) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& t : tables) list.push_back({{"name", t.name}, {"rows", t.rows}});
    std::cout << nlohmann::json{{"tables", list}}.dump() << '\n';
    return 0;
  }
  int64_t rows = 0;
  TextTable table{{"table", "rows"}, {}, {false, true}};
  for (const auto& t : tables) {
    table.rows.push_back({t.name, std::to_string(t.rows)});
    rows += t.rows;
  }
  table.print(std::cout);
  std::cout << "Imported " << tables.size() << " tables, " << rows << " rows, from " << paths[0] << " into "
            << paths[1] << ".\n";
  return 0;
}

}  // namespace svrZIVE::cli
