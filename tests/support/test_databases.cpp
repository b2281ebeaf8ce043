#include "tests/support/test_databases.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "engine/dao.h"
#include "base/automation_error.h"
#include "frame/message_box.h"
#include "frame/zive_general.h"
#include "reference/reference_database.h"
#include "upgrade/base_layout.h"
#include "upgrade/cZIVETraspaso.h"

namespace svrZIVE::testing {

namespace fs = std::filesystem;

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

const std::string& initialisedTemplate() {
  static const std::string path = [] {
    std::string file = programDir().file("ZIVEMOD.MDB");
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
    return file;
  }();
  return path;
}

}  // namespace

std::string freshModifiable(const TempDir& dir) {
  std::string file = dir.file("ZIVEMOD.MDB");
  fs::copy_file(initialisedTemplate(), file, fs::copy_options::overwrite_existing);
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
  std::string file = dir.file(name);
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
