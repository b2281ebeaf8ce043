// zive upgrade PATH [--backup-dir DIR]: brings a modifiable database of an
// earlier layout up to the current one, in place, and reports what it did.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "engine/link_file.h"
#include "frame/message_box.h"
#include "upgrade/cZIVETraspaso.h"
#include "upgrade/file_system.h"
#include "upgrade/upgrade_report.h"

namespace svrZIVE::cli {
namespace {

int usage() {
  std::cerr << "usage: zive upgrade PATH [--backup-dir DIR]\n";
  return 2;
}

// The folder of `file` with a trailing '/': where the backup copy goes by default.
std::string folderOf(const std::string& file) {
  auto parent = std::filesystem::path(file).parent_path().string();
  if (parent.empty()) return "./";
  return parent.back() == '/' ? parent : parent + "/";
}

// Why the backup copy could not be made in `folder`; empty when it can. The
// folder must exist and take a new file: a scratch file is made and removed.
std::string backupFolderProblem(const std::string& folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return "the backup folder " + folder + " does not exist";
  const std::string probe = folder + ".zive-backup-check-" + std::to_string(::getpid());
  bool writable = static_cast<bool>(std::ofstream(probe));
  std::filesystem::remove(probe, ec);
  if (!writable) return "the backup folder " + folder + " is not writable";
  return {};
}

}  // namespace

int runUpgrade(const Arguments& args) {
  std::string path, backupDir;
  bool haveBackupDir = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--backup-dir") {
      if (i + 1 >= args.size()) return usage();
      backupDir = args[++i];
      haveBackupDir = true;
    } else if (args[i].rfind("--", 0) == 0 || !path.empty()) {
      return usage();
    } else {
      path = args[i];
    }
  }
  if (path.empty()) return usage();
  if (!upgrade::FileSystem::fileExists(path)) {
    std::cerr << "zive upgrade: " << path << ": no such file\n";
    return 1;
  }
  std::string mdbPath = haveBackupDir ? backupDir : folderOf(path);
  if (mdbPath.empty() || mdbPath.back() != '/') mdbPath += '/';
  // The class goes on without a copy when it cannot make one; the command
  // refuses to start instead, so that no change is ever made without one.
  if (std::string problem = backupFolderProblem(mdbPath); !problem.empty()) {
    std::cerr << "zive upgrade: " << problem << "; nothing was changed\n";
    return 1;
  }

  upgrade::UpgradeReport report(&std::cout);
  cZIVETraspaso traspaso;
  traspaso.mdbmod(path);
  traspaso.mdbPath(mdbPath);
  traspaso.setObserver(report.observer());
  std::cout << "Upgrading " << path << " (backup copy: " << traspaso.backupPath() << ")\n";
  if (engine::linkTarget(path))
    std::cout << "The database is on a server: the backup copy holds the link file only; save the server's "
                 "data with pg_dump before an upgrade\n";
  {
    ScopedMessageCallback messages([&](const std::string& text, int style) { report.message(text, style); });
    traspaso.Traspaso();
  }
  report.finish(std::cout);
  return report.messages().empty() ? 0 : 1;
}

}  // namespace svrZIVE::cli
