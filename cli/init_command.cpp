// zive init DIR [--reference ACCESS_FILE]: a data folder with the modifiable
// database ZIVEMOD.MDB in the current layout (the layout the product first
// shipped, brought up to date by the upgrade, exactly as an installed
// database of that first version would be) and the reference database
// ZIVELEC.MDB, made from the sample built into the library (or the seed files
// of $ZIVE_DATA_DIR) or imported from the official Access reference database.
// With --server URI, ZIVEMOD.MDB is a link file to the database server named
// by URI, and the layout is created there (the reference database stays a
// local file). A file that exists already is never touched; a run that
// fails removes what it made.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "engine/dao.h"
#include "engine/link_file.h"
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
  std::cerr << "usage: zive init DIR [--reference ACCESS_FILE] [--server URI]\n";
  return 2;
}

// ZIVEMOD.MDB: the first layout, then the upgrade. False when the upgrade
// showed a message or a statement failed (the report says which). `made`:
// the database was made (a server's database that held ours already is not).
bool createModifiable(const std::string& file, const std::string& folder, bool& made) {
  auto db = engine::DBEngine::forThread().createDatabase(file);
  made = true;
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

// Everything init needs, checked before it makes anything: the folder (made
// when missing) takes a new file. Empty when it does; else what is wrong.
std::string folderProblem(const std::string& folder, bool& madeFolder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  madeFolder = !fs::exists(folder, ec);
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder)) return "cannot create the folder " + folder + (ec ? ": " + ec.message() : "");
  const std::string probe = folder + "/.zive-init-check";
  bool writable = static_cast<bool>(std::ofstream(probe));
  fs::remove(probe, ec);
  if (!writable) return "cannot write into the folder " + folder;
  return {};
}

// ZIVELEC.MDB imported from the official Access reference database.
void importReference(const std::string& file, const std::string& accessFile) {
  std::cout << "Creating " << file << " from the Access reference database " << accessFile << '\n';
  for (const auto& t : access::importAccessFile(accessFile, file))
    std::cout << "  " << t.name << ": " << t.rows << " rows\n";
}

}  // namespace

int runInit(const Arguments& args) {
  namespace fs = std::filesystem;
  std::string folder, accessReference, server;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--reference" && i + 1 < args.size() && accessReference.empty()) accessReference = args[++i];
    else if (args[i] == "--server" && i + 1 < args.size() && server.empty()) server = args[++i];
    else if (args[i].rfind("--", 0) == 0 || !folder.empty()) return usage();
    else folder = args[i];
  }
  if (folder.empty()) return usage();
  if (folder.back() != '/') folder += '/';
  std::string modifiable = folder + kModifiableName;
  std::string reference = folder + kReferenceName;
  std::error_code ec;
  bool haveModifiable = fs::exists(modifiable, ec);
  bool haveReference = fs::exists(reference, ec);
  if (haveModifiable && haveReference) {
    std::cerr << "zive init: " << modifiable << " and " << reference
              << " already exist; they are left as they are\n";
    return 1;
  }

  // What could stop the run is found out first, so that a failure leaves
  // nothing behind: the seed tables, then the folder.
  ReferenceSeed seed;
  bool madeFolder = false;
  try {
    if (!haveReference && accessReference.empty()) seed = referenceSeed();
  } catch (const AutomationError& e) {
    std::cerr << "zive init: " << e.description() << "; nothing was created\n";
    return 1;
  }
  if (!accessReference.empty() && !haveReference && !fs::is_regular_file(accessReference, ec)) {
    std::cerr << "zive init: there is no Access reference database at " << accessReference
              << "; nothing was created\n";
    return 1;
  }
  if (std::string problem = folderProblem(folder, madeFolder); !problem.empty()) {
    std::cerr << "zive init: " << problem << "; nothing was created\n";
    return 1;
  }

  bool madeModifiable = false, madeDatabase = false;
  auto undo = [&] {
    if (madeModifiable) {
      // On a server, what the run made there goes too.
      try {
        if (madeDatabase) engine::removeLinkedDatabase(modifiable);
      } catch (const AutomationError& e) {
        std::cerr << "zive init: what was made on the server could not be removed: " << e.description() << '\n';
      }
      fs::remove(modifiable, ec);
      fs::remove(folder + "CopSegZIVEMod.mdb", ec);
    }
    if (madeFolder) fs::remove(folder, ec);  // only when empty
  };
  try {
    if (haveModifiable) {
      std::cout << modifiable << " already exists; it is left as it is\n";
    } else {
      std::cout << "Creating " << modifiable << (server.empty() ? "" : " on the server " + server) << '\n';
      madeModifiable = true;
      if (!server.empty()) engine::writeLinkFile(modifiable, server);
      if (!createModifiable(modifiable, folder, madeDatabase)) {
        std::cerr << "zive init: the upgrade of the new database did not complete; nothing was created\n";
        undo();
        return 1;
      }
    }
    if (haveReference) {
      std::cout << reference << " already exists; it is left as it is\n";
    } else if (!accessReference.empty()) {
      importReference(reference, accessReference);
    } else {
      std::cout << "Creating " << reference << " from " << seed.origin << '\n';
      createReferenceDatabase(reference, seed.tables);
    }
  } catch (const AutomationError& e) {
    std::cerr << "zive init: error " << e.number() << " (" << e.source() << "): " << e.description()
              << "; nothing was created\n";
    undo();
    return 1;
  }
  std::cout << folder << " is ready: " << kModifiableName << " and " << kReferenceName << ".\n";
  return 0;
}

}  // namespace svrZIVE::cli
