// zive link PATH URI: a link file at PATH to the database server named by
// URI (a libpq connection string or URI, without a password), so that PATH
// names the server's database wherever a database path is taken.
#include <iostream>

#include "cli/commands.h"
#include "base/automation_error.h"
#include "engine/link_file.h"

namespace svrZIVE::cli {

int runLink(const Arguments& args) {
  if (args.size() != 2 || args[0].rfind("--", 0) == 0) {
    std::cerr << "usage: zive link PATH URI\n";
    return 2;
  }
  try {
    engine::writeLinkFile(args[0], args[1]);
  } catch (const AutomationError& e) {
    std::cerr << "zive link: error " << e.number() << ": " << e.description() << '\n';
    return 1;
  }
  std::cout << args[0] << " now names the database on " << args[1] << ".\n";
  return 0;
}

}  // namespace svrZIVE::cli
