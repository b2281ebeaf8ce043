// DBEngine (one per thread) and Workspace: opening and creating database files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "engine/engine_impl.h"
#include "engine/link_file.h"

namespace svrZIVE::engine {

namespace {

using namespace detail;

std::string parentFolder(const std::string& path) {
  std::filesystem::path p(path);
  std::filesystem::path parent = p.parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Jet's answers for a path that does not lead to a database file: 3044 for an
// empty or malformed path or a folder that does not exist, 3024 for a missing
// file in an existing folder.
void checkExistingFile(const std::string& path, std::string_view source) {
  if (path.empty() || path.find('\0') != std::string::npos) raiseJet(kInvalidPath, source, path);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == EACCES) raiseJet(kCannotOpenFile, source, path);
    if (errno == ENOENT && isFolder(parentFolder(path))) raiseJet(kFileNotFound, source, path);
    raiseJet(kInvalidPath, source, path);
  }
  if (S_ISDIR(st.st_mode)) raiseJet(kInvalidPath, source, path);
}

std::shared_ptr<Database> openDatabaseFile(std::string_view path, bool exclusive, bool readOnly,
                                           std::string_view source) {
  std::string file(path);
  checkExistingFile(file, source);
  auto db = std::make_shared<DatabaseImpl>(file, readOnly, exclusive);
  db->open();
  return db;
}

class WorkspaceImpl : public Workspace {
 public:
  WorkspaceImpl(std::string name, std::string user) : name_(std::move(name)), user_(std::move(user)) {}
  ~WorkspaceImpl() override {
    // A workspace dropped with a transaction pending gives it up; the
    // databases may live on.
    for (auto& db : databases()) db->rollbackAllLevels();
  }

  std::string name() const override {
    ensureOpen();
    return name_;
  }
  std::string userName() const override {
    ensureOpen();
    return user_;
  }
  std::shared_ptr<Database> openDatabase(std::string_view path, bool exclusive, bool readOnly,
                                         std::string_view /*connect*/) override {
    ensureOpen();
    auto db = std::static_pointer_cast<DatabaseImpl>(openDatabaseFile(path, exclusive, readOnly, kSrcDatabase));
    adopt(db);
    return db;
  }
  bool isOpen() const { return open_; }
  // A database this workspace did not open itself (DBEngine's createDatabase).
  void adopt(const std::shared_ptr<DatabaseImpl>& db) {
    ensureOpen();
    // A database opened while a transaction is pending joins it.
    if (depth_ > 0 && !db->readOnly()) {
      try {
        for (int level = 0; level < depth_; ++level) db->beginLevel(kSrcWorkspace);
      } catch (...) {
        db->close();
        throw;
      }
    }
    std::erase_if(databases_, [](const auto& w) { return w.expired(); });
    databases_.push_back(db);
  }
  void close() override {
    ensureOpen();
    for (auto& db : databases()) {
      db->rollbackAllLevels();
      db->close();
    }
    databases_.clear();
    depth_ = 0;
    open_ = false;
  }

  void beginTrans() override {
    ensureOpen();
    if (depth_ >= kMaxDepth) raiseJet(kTooManyTransactions, kSrcWorkspace);
    std::vector<std::shared_ptr<DatabaseImpl>> begun;
    try {
      for (auto& db : databases()) {
        if (db->readOnly() || db->transactionLevels() != depth_) continue;
        db->beginLevel(kSrcWorkspace);
        begun.push_back(db);
      }
    } catch (...) {
      // All or none: the databases already in the new level leave it.
      for (auto& db : begun) {
        try {
          db->rollbackLevel(kSrcWorkspace);
        } catch (...) {
        }
      }
      throw;
    }
    ++depth_;
  }

  void commitTrans() override {
    ensureOpen();
    if (depth_ == 0) raiseJet(kNoTransaction, kSrcWorkspace);
    // A database whose commit fails keeps the level pending (so does the
    // workspace): CommitTrans may be tried again, or Rollback undo it.
    for (auto& db : databases())
      if (db->transactionLevels() == depth_) db->commitLevel(kSrcWorkspace);
    --depth_;
  }

  void rollback() override {
    ensureOpen();
    if (depth_ == 0) raiseJet(kNoTransaction, kSrcWorkspace);
    --depth_;
    std::exception_ptr failure;
    for (auto& db : databases()) {
      if (db->transactionLevels() <= depth_) continue;
      try {
        db->rollbackLevel(kSrcWorkspace);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    }
    if (failure) std::rethrow_exception(failure);
  }

 private:
  static constexpr int kMaxDepth = 5;

  void ensureOpen() const {
    if (!open_) raiseJet(kObjectClosed, kSrcWorkspace);
  }
  // The databases still open, in the order they were opened.
  std::vector<std::shared_ptr<DatabaseImpl>> databases() const {
    std::vector<std::shared_ptr<DatabaseImpl>> open;
    for (const auto& w : databases_)
      if (auto db = w.lock(); db && db->isOpen()) open.push_back(std::move(db));
    return open;
  }

  std::string name_, user_;
  bool open_ = true;
  int depth_ = 0;
  std::vector<std::weak_ptr<DatabaseImpl>> databases_;
};

class DBEngineImpl : public DBEngine {
 public:
  std::shared_ptr<Workspace> createWorkspace(std::string_view name, std::string_view user,
                                             std::string_view /*password*/, int type) override {
    if (type != dbUseJet) raiseJet(kInvalidArgument, kSrcEngine);
    return std::make_shared<WorkspaceImpl>(std::string(name), std::string(user));
  }

  std::shared_ptr<Database> openDatabase(std::string_view path, bool exclusive, bool readOnly,
                                         std::string_view connect) override {
    return workspace().openDatabase(path, exclusive, readOnly, connect);
  }

  std::shared_ptr<Database> createDatabase(std::string_view path) override {
    std::string file(path);
    if (file.empty() || file.find('\0') != std::string::npos || !isFolder(parentFolder(file)))
      raiseJet(kInvalidPath, kSrcEngine, file);
    // A link file names a database server: the new database is made there
    // (3204 when the server holds one of ours already).
    if (linkTarget(file)) {
      auto db = std::make_shared<DatabaseImpl>(file, false, false);
      db->create();
      if (workspace().isOpen()) workspace().adopt(db);
      return db;
    }
    // The file is made here, exclusively, so that an existing one is never
    // taken over.
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) raiseJet(kDatabaseExists, kSrcEngine);
      if (errno == EACCES) raiseJet(kCannotOpenFile, kSrcEngine, file);
      raiseJet(kInvalidPath, kSrcEngine, file);
    }
    ::close(fd);
    auto db = std::make_shared<DatabaseImpl>(file, false, false);
    try {
      db->create();
    } catch (...) {
      std::remove(file.c_str());
      throw;
    }
    if (workspace().isOpen()) workspace().adopt(db);
    return db;
  }

  std::shared_ptr<Workspace> defaultWorkspace() override { return std::shared_ptr<Workspace>(workspacePtr()); }

 private:
  std::shared_ptr<WorkspaceImpl>& workspacePtr() {
    if (!defaultWorkspace_) defaultWorkspace_ = std::make_shared<WorkspaceImpl>("#Default Workspace#", "admin");
    return defaultWorkspace_;
  }
  WorkspaceImpl& workspace() { return *workspacePtr(); }

  std::shared_ptr<WorkspaceImpl> defaultWorkspace_;
};

}  // namespace

DBEngine& DBEngine::forThread() {
  thread_local DBEngineImpl engine;
  return engine;
}

}  // namespace svrZIVE::engine
