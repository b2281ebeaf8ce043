#include "import/access_import.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/dao.h"
#include "engine/link_file.h"
#include "engine/table_appender.h"
#include "import/access_file.h"

namespace svrZIVE::access {

namespace {

namespace fs = std::filesystem;
using engine::DaoType;

constexpr const char* kSource = "svrZIVE.AccessImport";
constexpr int32_t kDatabaseExists = 3204;
constexpr int32_t kDiskError = 3043;
constexpr int64_t kProgressStep = 1000;

// Where the new database is written until it is complete: a hidden file
// beside the destination, so that the last step is a rename in one folder.
std::string temporaryPrefix(const fs::path& destination) { return "." + destination.filename().string() + ".import-"; }

fs::path temporaryPath(const fs::path& destination) {
  return destination.parent_path() / (temporaryPrefix(destination) + std::to_string(::getpid()));
}

void removeDatabaseFile(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
  fs::remove(file.string() + "-journal", ec);
}

// The temporary files of earlier imports into `destination` whose process
// is gone (killed before it could clean up).
void removeAbandonedFiles(const fs::path& destination) {
  const std::string prefix = temporaryPrefix(destination);
  std::error_code ec;
  const fs::path folder = destination.parent_path().empty() ? fs::path(".") : destination.parent_path();
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string pid = name.substr(prefix.size());
    if (pid.empty() || pid.size() > 9 || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (::kill(static_cast<pid_t>(std::stol(pid)), 0) == 0 || errno != ESRCH) continue;
    removeDatabaseFile(entry.path());
  }
}

// Gives the complete file the destination's name, never replacing a file
// that appeared there meanwhile.
void moveIntoPlace(const fs::path& from, const fs::path& to) {
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return;
  }
  const int error = errno;
  if (error == EEXIST)
    throw AutomationError(kDatabaseExists, kSource,
                          "The file '" + to.string() + "' appeared while the import ran; it is left as it is.");
  // A file system without hard links: check, then rename.
  std::error_code ec;
  if (fs::exists(to, ec))
    throw AutomationError(kDatabaseExists, kSource, "The file '" + to.string() + "' already exists.");
  fs::rename(from, to, ec);
  if (ec)
    throw AutomationError(kDiskError, kSource,
                          "Could not name the new database '" + to.string() + "': " + ec.message() + ".");
}

void createTable(engine::Database& db, const AccessTable& table) {
  auto definition = db.createTableDef(table.name);
  for (const auto& c : table.columns) {
    auto field = definition->createField(c.name, c.type, c.size);
    if (c.type == engine::DaoType::Decimal) {
      field->setPrecision(c.precision);
      field->setScale(c.scale);
    }
    if (c.autoIncrement) field->setAttributes(engine::dbAutoIncrField);
    field->setRequired(c.required);
    if (c.type == DaoType::Text || c.type == DaoType::Memo) field->setAllowZeroLength(c.allowZeroLength);
    if (!c.defaultValue.empty()) field->setDefaultValue(Variant(c.defaultValue));
    definition->fields().append(field);
  }
  db.tableDefs().append(definition);
}

}  // namespace

std::vector<ImportedTable> importAccessFile(const std::string& accessFile, const std::string& destination,
                                            const ImportProgress& progress, const CompleteDatabase& complete,
                                            const std::string& server) {
  const fs::path target(destination);
  std::error_code ec;
  if (fs::exists(target, ec))
    throw AutomationError(kDatabaseExists, kSource,
                          "The file '" + destination +
                              "' already exists; it is left as it is. Give the name of a new file to import into.");
  AccessFile source(accessFile);

  const fs::path temporary = temporaryPath(target);
  removeAbandonedFiles(target);
  removeDatabaseFile(temporary);
  std::vector<ImportedTable> imported;
  auto& dbEngine = engine::DBEngine::forThread();
  std::shared_ptr<engine::Database> db;
  bool inTransaction = false;
  try {
    if (!server.empty()) engine::writeLinkFile(temporary.string(), server);
    db = dbEngine.createDatabase(temporary.string());
    for (const auto& table : source.tables()) createTable(*db, table);
    // Every record in one transaction: one write of the file at the end.
    dbEngine.beginTrans();
    inTransaction = true;
    for (size_t i = 0; i < source.tables().size(); ++i) {
      const AccessTable& table = source.tables()[i];
      engine::TableAppender appender(*db, table.name);
      ImportedTable done{table.name, 0};
      if (progress) progress(table.name, 0, table.rows);
      source.readRows(i, [&](std::span<const Variant> values) {
        appender.append(values);
        if (++done.rows % kProgressStep == 0 && progress) progress(table.name, done.rows, table.rows);
      });
      if (progress) progress(table.name, done.rows, done.rows);
      imported.push_back(std::move(done));
    }
    dbEngine.commitTrans();
    inTransaction = false;
    if (complete) complete(*db);
    db->close();
    db.reset();
    moveIntoPlace(temporary, target);
  } catch (...) {
    try {
      if (inTransaction) dbEngine.rollback();
      if (db) db->close();
    } catch (...) {
    }
    removeDatabaseFile(temporary);
    throw;
  }
  return imported;
}

}  // namespace svrZIVE::access
