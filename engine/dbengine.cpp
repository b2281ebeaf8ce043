// DBEngine (one per thread) and Workspace: opening and creating database files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "engine/engine_impl.h"

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
    auto db = openDatabaseFile(path, exclusive, readOnly, kSrcDatabase);
    std::erase_if(databases_, [](const auto& w) { return w.expired(); });
    databases_.push_back(std::static_pointer_cast<DatabaseImpl>(db));
    return db;
  }
  void close() override {
    ensureOpen();
    for (auto& w : databases_)
      if (auto db = w.lock(); db && db->isOpen()) db->close();
    databases_.clear();
    open_ = false;
  }

 private:
  void ensureOpen() const {
    if (!open_) raiseJet(kObjectClosed, kSrcWorkspace);
  }
  std::string name_, user_;
  bool open_ = true;
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
    if (!defaultWorkspace_) defaultWorkspace_ = std::make_shared<WorkspaceImpl>("#Default Workspace#", "admin");
    return defaultWorkspace_->openDatabase(path, exclusive, readOnly, connect);
  }

  std::shared_ptr<Database> createDatabase(std::string_view path) override {
    std::string file(path);
    if (file.empty() || file.find('\0') != std::string::npos || !isFolder(parentFolder(file)))
      raiseJet(kInvalidPath, kSrcEngine, file);
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
    return db;
  }

 private:
  std::shared_ptr<WorkspaceImpl> defaultWorkspace_;
};

}  // namespace

DBEngine& DBEngine::forThread() {
  thread_local DBEngineImpl engine;
  return engine;
}

}  // namespace svrZIVE::engine
