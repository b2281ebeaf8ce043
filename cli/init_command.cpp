// zive init DIR [--reference ACCESS_FILE]: a data folder with the modifiable
// database ZIVEMOD.MDB in the current layout (the layout the product first
// shipped, brought up to date by the upgrade, exactly as an installed
// database of that first version would be) and the reference database
// ZIVELEC.MDB, made from the sample seed files or imported from the official
// Access reference database. A file that exists already is never touched.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "engine/dao.h"
#include "frame/message_box.h"
#include "import/access_import.h"
#include "reference/reference_database.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"
#include "upgrade/upgrade_report.h"

namespace svrZIVE::cli {
namespace {

constexpr const char* kModifiableName = "ZIVEMOD.MDB";
constexpr const char* kReferenceName = "ZIVELEC.MDB";

int usage() {
  std::cerr << "usage: zive init DIR [--reference ACCESS_FILE]\n";
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

// ZIVELEC.MDB: the official reference database imported from its Access
// file, or the sample reference tables from the seed files.
void createReference(const std::string& file, const std::string& accessFile) {
  if (!accessFile.empty()) {
    std::cout << "Creating " << file << " from the Access reference database " << accessFile << '\n';
    for (const auto& t : access::importAccessFile(accessFile, file))
      std::cout << "  " << t.name << ": " << t.rows << " rows\n";
    return;
  }
  std::string seeds = findReferenceSeedDir();
  std::cout << "Creating " << file << " from the sample data in " << seeds << '\n';
  createReferenceDatabase(file, seeds);
}

}  // namespace

int runInit(const Arguments& args) {
  std::string folder, accessReference;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--reference" && i + 1 < args.size() && accessReference.empty()) accessReference = args[++i];
    else if (args[i].rfind("--", 0) == 0 || !folder.empty()) return usage();
    else folder = args[i];
  }
  if (folder.empty()) return usage();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec || !std::filesystem::is_directory(folder)) {
    std::cerr << "zive init: cannot create the folder " << folder << (ec ? ": " + ec.message() : "") << '\n';
    return 1;
  }
  if (folder.back() != '/') folder += '/';
  std::string modifiable = folder + kModifiableName;
  std::string reference = folder + kReferenceName;
  bool haveModifiable = std::filesystem::exists(modifiable, ec);
  bool haveReference = std::filesystem::exists(reference, ec);
  if (haveModifiable && haveReference) {
    std::cerr << "zive init: " << modifiable << " and " << reference
              << " already exist; they are left as they are\n";
    return 1;
  }
  try {
    if (haveModifiable) {
      std::cout << modifiable << " already exists; it is left as it is\n";
    } else {
      std::cout << "Creating " << modifiable << '\n';
      if (!createModifiable(modifiable, folder)) {
        std::cerr << "zive init: the upgrade of the new database did not complete\n";
        return 1;
      }
    }
    if (haveReference) std::cout << reference << " already exists; it is left as it is\n";
    else createReference(reference, accessReference);
  } catch (const AutomationError& e) {
    std::cerr << "zive init: error " << e.number() << " (" << e.source() << "): " << e.description() << '\n';
    return 1;
  }
  std::cout << folder << " is ready: " << kModifiableName << " and " << kReferenceName << ".\n";
  return 0;
}

}  // namespace svrZIVE::cli
