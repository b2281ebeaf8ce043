// Databases and helpers of the form tests: a modifiable database made as
// `zive init` makes it (the first layout, then the upgrade), the sample
// reference database, reference databases with rate tables of the test's
// own, direct reads and writes, the statements the engine ran.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "frame/automation_error.h"
#include "frame/variant.h"

namespace svrZIVE::testing {

class FormsDir {
 public:
  FormsDir();
  ~FormsDir();
  FormsDir(const FormsDir&) = delete;
  FormsDir& operator=(const FormsDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A fresh ZIVEMOD.MDB in `dir` in the current layout, without rows.
std::string freshModifiable(const FormsDir& dir);
// The sample reference database (data/reference), made once per program.
const std::string& sampleReference();
// A new reference database `dir`/`name` holding only the tables that
// `statements` create and fill.
std::string referenceWith(const FormsDir& dir, const std::string& name, const std::vector<std::string>& statements);

void execute(const std::string& file, const std::string& sql);
// Every value of every row as text ("Null" for a null).
std::vector<std::vector<std::string>> rows(const std::string& file, const std::string& query);
std::vector<std::string> fieldNames(const std::string& file, const std::string& table);

struct Raised {
  int32_t number = 0;
  std::string source;
  std::string description;
};
Raised raisedBy(const std::function<void()>& work);

// Collects the Jet statements the engine runs on this thread while alive.
class StatementLog {
 public:
  StatementLog();
  ~StatementLog();
  const std::vector<std::string>& statements() const { return statements_; }
  // The statements that begin with `prefix`, any letter case.
  std::vector<std::string> startingWith(const std::string& prefix) const;
  void clear() { statements_.clear(); }

 private:
  std::vector<std::string> statements_;
};

// A header row of T02_Declaraciones with the given number (written directly).
void insertHeader(const std::string& file, int32_t secdec, int32_t csde, int32_t year, const std::string& periodicity,
                  int32_t period, int32_t typology, const std::string& model = "560");
double headerAmount(const std::string& file, int32_t secdec);

// A one-dimensional array 0..n-1 of Doubles first, first+1, ...
VariantArray numberedBuffer(int32_t n, double first = 1.0);

// Base of the service tests: a fresh modifiable database as the thread's
// mdbmod, the sample reference database as its mdblec, a fresh thread state
// before and after.
class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  FormsDir dir_;
  std::string mod_;
};

}  // namespace svrZIVE::testing
