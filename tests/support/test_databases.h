// What the server's tests share: scratch folders, the modifiable database as
// `zive init` makes it (the first layout, then the upgrade), the sample
// reference database, direct reads and writes, the errors raised and the
// statements the engine ran.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/variant.h"

namespace svrZIVE::testing {

// A folder of its own, removed at the end: under $ZIVE_TEST_DIR when set, in
// memory (/dev/shm) when the machine has it, else in the temporary folder.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string slash() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// The backend the databases of the tests live on: a local file, or with
// ZIVE_TEST_BACKEND=server a database of their own on the test server
// (ZIVE_TEST_PG) named by a link file at the path, dropped with the TempDir.
bool onServer();
// Marks a test that is about a file by nature (its bytes, its copy, its faults).
#define SKIP_ON_SERVER(why) \
  if (::svrZIVE::testing::onServer()) GTEST_SKIP() << "a database server has no file: " why

// `path`, where a new database may be made (createDatabase): on the server,
// a link file to an empty database is written there first.
std::string newDatabaseAt(const std::string& path);
// A copy of the database at `from` at `to`, in place of any there.
void copyDatabase(const std::string& from, const std::string& to);
// The arguments of a zive command line; on the server, the commands that
// make a database (init, demo, import-mdb, sql --create) make it there.
std::vector<std::string> onBackend(std::vector<std::string> args);

// A fresh ZIVEMOD.MDB in `dir` in the current layout, without rows but the
// settings row (a copy of one database made once by the init path).
std::string freshModifiable(const TempDir& dir);
// The sample reference database (data/reference), made once per program.
const std::string& sampleReference();
// A new database `dir`/`name` holding what `statements` create and fill.
std::string databaseWith(const TempDir& dir, const std::string& name, const std::vector<std::string>& statements);

// One statement / one query run on `file` directly through the engine.
void execute(const std::string& file, const std::string& sql);
// Every value of every row as text ("Null" for a null).
std::vector<std::vector<std::string>> rows(const std::string& file, const std::string& query);
int32_t count(const std::string& file, const std::string& table);

// The error `work` raised (number 0 and empty texts when none).
struct Raised {
  int32_t number = 0;
  std::string source;
  std::string description;
};
Raised raisedBy(const std::function<void()>& work);

// The Jet statements the engine runs on this thread while alive.
class StatementLog {
 public:
  StatementLog();
  ~StatementLog();
  StatementLog(const StatementLog&) = delete;
  StatementLog& operator=(const StatementLog&) = delete;
  const std::vector<std::string>& statements() const { return statements_; }
  // The statements that begin with `prefix`, any letter case.
  std::vector<std::string> startingWith(const std::string& prefix) const;
  bool contains(const std::string& statement) const;
  void clear() { statements_.clear(); }

 private:
  std::vector<std::string> statements_;
};

// Base of the service tests: a fresh modifiable database as the thread's
// mdbmod, the sample reference database as its mdblec, a fresh thread state
// before and after.
class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  TempDir dir_;
  std::string mod_;
};

}  // namespace svrZIVE::testing
