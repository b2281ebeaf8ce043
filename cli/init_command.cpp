// zive init DIR: a new data folder with the modifiable database ZIVEMOD.MDB
// in the current layout: the layout the product first shipped, brought up to
// date by the upgrade, exactly as an installed database of that first
// version would be.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "engine/dao.h"
#include "frame/message_box.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"
#include "upgrade/upgrade_report.h"

namespace svrZIVE::cli {
namespace {

constexpr const char* kModifiableName = "ZIVEMOD.MDB";

int usage() {
  std::cerr << "usage: zive init DIR\n";
  return 2;
}

// ZIVEMOD.MDB: the first layout, then the upgrade. False when the upgrade
// showed a message or a statement failed (the report says which).
bool createModifiable(const std::string& file, const std::string& folder) {
  auto db = engine::DBEngine::forThread().createDatabase(file);
  upgrade::createBaseLayout(*db);
  db->close();

  upgrade::UpgradeReport report(&std::cout, /*all=*/false);
  cZIVETraspaso traspaso;
  traspaso.mdbmod(file);
  traspaso.mdbPath(folder);
  traspaso.setObserver(report.observer());
  {
    ScopedMessageCallback messages([&](const std::string& text, int style) { report.message(text, style); });
    traspaso.Traspaso();
  }
  report.finish(std::cout);
  return report.messages().empty() && report.errors() == 0;
}

// ZIVELEC.MDB, the reference database, is created here too once its
// contents are part of the product (reference tables and their seed data).

}  // namespace

int runInit(const Arguments& args) {
  if (args.size() != 1 || args[0].rfind("--", 0) == 0) return usage();
  std::string folder = args[0];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec || !std::filesystem::is_directory(folder)) {
    std::cerr << "zive init: cannot create the folder " << folder << (ec ? ": " + ec.message() : "") << '\n';
    return 1;
  }
  if (folder.back() != '/') folder += '/';
  std::string modifiable = folder + kModifiableName;
  if (std::filesystem::exists(modifiable, ec)) {
    std::cerr << "zive init: " << modifiable << " already exists; it is left as it is\n";
    return 1;
  }
  try {
    std::cout << "Creating " << modifiable << '\n';
    if (!createModifiable(modifiable, folder)) {
      std::cerr << "zive init: the upgrade of the new database did not complete\n";
      return 1;
    }
  } catch (const AutomationError& e) {
    std::cerr << "zive init: error " << e.number() << " (" << e.source() << "): " << e.description() << '\n';
    return 1;
  }
  std::cout << modifiable << " is ready.\n";
  return 0;
}

}  // namespace svrZIVE::cli
