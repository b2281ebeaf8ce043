// zive: creates and upgrades databases, calls any operation by name, runs SQL
// in the Jet dialect, and runs the demo.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "cli/commands.h"

namespace {

struct Command {
  std::string_view name;
  std::string_view usage;
  int (*run)(const svrZIVE::cli::Arguments&);
};

constexpr Command kCommands[] = {
    {"sql", "sql [--create] [--json] FILE \"STATEMENT\"   run one Jet SQL statement",
     svrZIVE::cli::runSql},
    {"classes", "classes [--json]   list the public classes, their identifiers and members", svrZIVE::cli::runClasses},
    {"call", "call [--mod PATH] [--ref PATH] [--json] [--typed] Class.Member [ARG ...]   call a member by name", svrZIVE::cli::runCall},
    {"init", "init DIR [--reference ACCESS_FILE] [--server URI]   create DIR/ZIVEMOD.MDB (current layout) and DIR/ZIVELEC.MDB (sample reference data, or imported from the official Access file)", svrZIVE::cli::runInit},
    {"link", "link PATH URI   write a link file at PATH naming the database on the PostgreSQL server URI",
     svrZIVE::cli::runLink},
    {"upgrade", "upgrade PATH [--backup-dir DIR]   bring a database up to the current layout", svrZIVE::cli::runUpgrade},
    {"import-mdb", "import-mdb [--json] [--server URI] ACCESS_FILE DEST_FILE   bring an Access database (.mdb, .accdb) into a new database",
     svrZIVE::cli::runImportMdb},
    {"demo", "demo [DIR] [--server URI]   walk the road of one return on DIR/ZIVEMOD.MDB (default ./zive-data)", svrZIVE::cli::runDemo},
};

int usage(FILE* out) {
  std::fprintf(out, "usage: zive COMMAND [ARGUMENTS]\n\ncommands:\n");
  for (const auto& c : kCommands) std::fprintf(out, "  zive %.*s\n", int(c.usage.size()), c.usage.data());
  return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage(stderr);
  std::string_view name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") return usage(stdout);
  for (const auto& c : kCommands) {
    if (c.name != name) continue;
    // Commands report the engine's errors themselves; anything else that
    // escapes them still ends the command with a message, not an abort.
    try {
      return c.run(svrZIVE::cli::Arguments(argv + 2, argv + argc));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "zive %s: %s\n", argv[1], e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "zive: unknown command '%s'\n\n", argv[1]);
  return usage(stderr);
}
