#include "tests/support/test_databases.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "engine/dao.h"
#include "engine/link_file.h"
#include "base/automation_error.h"
#include "frame/message_box.h"
#include "frame/zive_general.h"
#include "reference/reference_database.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"
#include "tests/engine/server_backend.h"

namespace svrZIVE::testing {

namespace fs = std::filesystem;
using engine::testing::ServerAdmin;
using engine::testing::testServer;

bool onServer() {
  static const bool server = [] {
    const char* v = std::getenv("ZIVE_TEST_BACKEND");
    return v != nullptr && std::string(v) == "server";
  }();
  return server;
}

namespace {

// Without a server to run on, every test of a run on the server is skipped.
class ServerRun : public ::testing::Environment {
 public:
  void SetUp() override {
    if (onServer() && !testServer())
      GTEST_SKIP() << "ZIVE_TEST_PG is not set: the runs on a database server are skipped "
                      "(scripts/test.sh starts a throwaway PostgreSQL cluster and sets it)";
  }
};
[[maybe_unused]] const auto* const kServerRun = ::testing::AddGlobalTestEnvironment(new ServerRun);

// The databases this process made on the server, each by the link file that
// names it; whatever a TempDir does not drop goes when the process ends.
class ServerDatabases {
 public:
  // A new database, a copy of `model`, named by a link file at `path` (in
  // place of the one a link file there named; with `link` false, only its
  // connection string is given back and the path is that of its folder).
  std::string make(const std::string& path, const std::string& model, bool link = true) {
    static std::atomic<int> counter{0};
    const std::string name = "zive_t" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    if (link) dropAt(path);
    ServerAdmin admin;
    // A copy needs its model to itself: connections left to it go.
    admin.value("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + model + "'");
    admin.value("CREATE DATABASE " + name + " TEMPLATE " + model);
    {
      std::lock_guard lock(mutex_);
      if (made_.empty()) std::atexit([] { instance().dropUnder(""); });
      made_.emplace_back(path, name);
    }
    const std::string connection = engine::withConnectionSetting(*testServer(), "dbname", name);
    if (link) {
      fs::remove(path);
      engine::writeLinkFile(path, connection);
    }
    return connection;
  }
  // The database a link file at `path` names.
  std::string at(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& m : made_)
      if (m.first == path) return m.second;
    throw std::invalid_argument("no database of the tests at " + path);
  }
  void dropAt(const std::string& path) noexcept {
    drop([&](const std::string& p) { return p == path; });
  }
  void dropUnder(const std::string& folder) noexcept {
    drop([&](const std::string& p) { return p.starts_with(folder); });
  }
  static ServerDatabases& instance() {
    static ServerDatabases* databases = new ServerDatabases;  // outlives every TempDir
    return *databases;
  }

 private:
  void drop(const std::function<bool(const std::string&)>& which) noexcept {
    std::vector<std::pair<std::string, std::string>> dropped;
    {
      std::lock_guard lock(mutex_);
      auto keep = std::partition(made_.begin(), made_.end(), [&](const auto& m) { return !which(m.first); });
      dropped.assign(keep, made_.end());
      made_.erase(keep, made_.end());
    }
    try {
      if (!dropped.empty()) {
        ServerAdmin admin;
        for (const auto& m : dropped) admin.value("DROP DATABASE IF EXISTS " + m.second + " WITH (FORCE)");
      }
    } catch (...) {
    }
  }

  std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> made_;
};

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  fs::path root;
  if (const char* env = std::getenv("ZIVE_TEST_DIR")) root = env;
  else if (fs::is_directory("/dev/shm")) root = "/dev/shm";
  else root = fs::temp_directory_path();
  path_ = root / ("zive_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  if (onServer()) ServerDatabases::instance().dropUnder(slash());
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

namespace {

const TempDir& programDir() {
  static const std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
  return *dir;
}

// What `zive init` makes at `file`: the first layout, then the upgrade.
void initialise(const std::string& file) {
  {
    auto db = engine::DBEngine::forThread().createDatabase(file);
    upgrade::createBaseLayout(*db);
    db->close();
  }
  std::vector<std::string> shown;
  {
    ScopedMessageCallback messages([&](const std::string& text, int) { shown.push_back(text); });
    cZIVETraspaso traspaso;
    traspaso.mdbmod(file);
    traspaso.mdbPath(programDir().slash());
    traspaso.Traspaso();
  }
  if (!shown.empty()) throw std::runtime_error("the upgrade of a new database showed: " + shown.front());
}

const std::string& initialisedTemplate() {
  static const std::string path = [] {
    std::string file = programDir().file("ZIVEMOD.MDB");
    initialise(file);
    return file;
  }();
  return path;
}

// This build of the program and its libraries: each file mapped into the
// process with the time it was written.
std::string build() {
  std::ifstream maps("/proc/self/maps");
  std::set<std::string> files;
  for (std::string line; std::getline(maps, line);)
    if (auto slash = line.find(" /"); slash != std::string::npos) files.insert(line.substr(slash + 1));
  std::string stamp;
  std::error_code ec;
  for (const auto& file : files)
    stamp += file + "@" + std::to_string(fs::last_write_time(file, ec).time_since_epoch().count()) + ";";
  return std::to_string(std::hash<std::string>{}(stamp) % 1000000007);
}

// The server's copy of what `zive init` makes, made once for every run of
// this build of the program (test processes of one run share it) and copied
// per test with CREATE DATABASE ... TEMPLATE.
const std::string& serverTemplate() {
  static const std::string name = [] {
    const std::string name = "zive_tpl_" + build();
    ServerAdmin admin;
    admin.value("SELECT pg_advisory_lock(5761)");  // one process makes it, the others wait
    if (admin.value("SELECT count(*) FROM pg_database WHERE datname = '" + name + "'") == "0") {
      const std::string building = name + "_new";
      admin.value("DROP DATABASE IF EXISTS " + building + " WITH (FORCE)");
      admin.value("CREATE DATABASE " + building);
      const std::string link = programDir().file("TEMPLATE.MDB");
      fs::remove(link);
      engine::writeLinkFile(link, engine::withConnectionSetting(*testServer(), "dbname", building));
      initialise(link);
      admin.value("ALTER DATABASE " + building + " RENAME TO " + name);
      // The templates of earlier builds go once they are an hour old (a run
      // of another build may still be copying a newer one).
      admin.value("COMMENT ON DATABASE " + name + " IS '" + std::to_string(::time(nullptr)) + "'");
      const std::string old = admin.value(
          "SELECT string_agg(datname, ' ') FROM pg_database WHERE datname LIKE 'zive\\_tpl\\_%' AND datname <> '" +
          name + "' AND coalesce(substring(shobj_description(oid, 'pg_database') FROM '^[0-9]+$')::bigint, 0) < " +
          std::to_string(::time(nullptr) - 3600));
      for (size_t at = 0, end; at < old.size(); at = end + 1) {
        end = std::min(old.find(' ', at), old.size());
        try {
          admin.value("DROP DATABASE IF EXISTS " + old.substr(at, end - at));
        } catch (const std::exception&) {  // in use: left for a later run
        }
      }
    }
    admin.value("SELECT pg_advisory_unlock(5761)");
    return name;
  }();
  return name;
}

}  // namespace

std::string newDatabaseAt(const std::string& path) {
  if (onServer()) ServerDatabases::instance().make(path, "template0");
  return path;
}

void copyDatabase(const std::string& from, const std::string& to) {
  if (onServer()) ServerDatabases::instance().make(to, ServerDatabases::instance().at(from));
  else fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

std::vector<std::string> onBackend(std::vector<std::string> args) {
  if (!onServer() || args.size() < 2) return args;
  if (args[0] == "sql" && args[1] == "--create" && args.size() > 2) newDatabaseAt(args[2]);
  const bool named = std::find(args.begin(), args.end(), "--server") != args.end();
  if (!named && (args[0] == "init" || args[0] == "demo" || args[0] == "import-mdb"))
    args.insert(args.end(), {"--server", ServerDatabases::instance().make(args.back(), "template0", false)});
  return args;
}

std::string freshModifiable(const TempDir& dir) {
  std::string file = dir.file("ZIVEMOD.MDB");
  if (onServer()) ServerDatabases::instance().make(file, serverTemplate());
  else fs::copy_file(initialisedTemplate(), file, fs::copy_options::overwrite_existing);
  return file;
}

const std::string& sampleReference() {
  static const std::string path = [] {
    std::string file = programDir().file("ZIVELEC.MDB");
    createReferenceDatabase(file, referenceSeed().tables);
    return file;
  }();
  return path;
}

std::string databaseWith(const TempDir& dir, const std::string& name, const std::vector<std::string>& statements) {
  std::string file = newDatabaseAt(dir.file(name));
  auto db = engine::DBEngine::forThread().createDatabase(file);
  for (const std::string& s : statements) db->execute(s);
  db->close();
  return file;
}

void execute(const std::string& file, const std::string& sql) {
  auto db = engine::DBEngine::forThread().openDatabase(file);
  db->execute(sql);
  db->close();
}

std::vector<std::vector<std::string>> rows(const std::string& file, const std::string& query) {
  auto db = engine::DBEngine::forThread().openDatabase(file);
  auto rs = db->openRecordset(query);
  std::vector<std::vector<std::string>> out;
  for (; !rs->eof(); rs->moveNext()) {
    std::vector<std::string> row;
    for (int32_t c = 0; c < rs->fields().count(); ++c) {
      Variant v = rs->value(c);
      row.push_back(v.isNull() ? "Null" : v.toText());
    }
    out.push_back(std::move(row));
  }
  rs->close();
  db->close();
  return out;
}

int32_t count(const std::string& file, const std::string& table) {
  return std::stoi(rows(file, "SELECT COUNT(*) FROM " + table).at(0).at(0));
}

Raised raisedBy(const std::function<void()>& work) {
  try {
    work();
  } catch (const AutomationError& e) {
    return {e.number(), e.source(), e.description()};
  }
  return {};
}

StatementLog::StatementLog() {
  engine::setStatementTrace([this](std::string_view jet, std::string_view) { statements_.emplace_back(jet); });
}

StatementLog::~StatementLog() { engine::setStatementTrace({}); }

std::vector<std::string> StatementLog::startingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& s : statements_) {
    bool same = s.size() >= prefix.size();
    for (std::size_t i = 0; i < prefix.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(s[i])) == std::tolower(static_cast<unsigned char>(prefix[i]));
    if (same) out.push_back(s);
  }
  return out;
}

bool StatementLog::contains(const std::string& statement) const {
  for (const std::string& s : statements_)
    if (s == statement) return true;
  return false;
}

void ServiceTest::SetUp() {
  ZIVEGeneral::endThreadState();
  mod_ = freshModifiable(dir_);
  ZIVEGeneral::setModifiablePath(mod_);
  ZIVEGeneral::setReferencePath(sampleReference());
}

void ServiceTest::TearDown() {
  engine::setStatementTrace({});
  ZIVEGeneral::endThreadState();
}

}  // namespace svrZIVE::testing
