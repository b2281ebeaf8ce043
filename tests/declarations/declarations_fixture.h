// Modifiable databases for the declarant and declaration tests, made as users
// get them (`zive init`: the first layout, then the upgrade), and helpers to
// read what the services wrote.
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

// A folder of its own, removed at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A fresh ZIVEMOD.MDB in `dir`, in the current layout, without declarants or
// declarations (a copy of one database made once per program by the init path).
std::string freshModifiable(const ScratchDir& dir);

// Runs one statement / one query on `file` directly through the engine.
void execute(const std::string& file, const std::string& sql);
// Every value of every row, as text ("Null" for a null).
std::vector<std::vector<std::string>> rows(const std::string& file, const std::string& query);
int32_t count(const std::string& file, const std::string& table);

// The error `work` raised (number 0 and an empty description when none).
struct Raised {
  int32_t number = 0;
  std::string source;
  std::string description;
};
Raised raisedBy(const std::function<void()>& work);

// A declarant buffer (0 to 15) with distinct values; element 0 Empty.
Variant declarantBuffer(const std::string& nif = "B12345678", const std::string& name = "DESTILERIAS SA");
// A declaration buffer (0 to 12); element 0 Empty, establishment fields empty.
Variant declarationBuffer(int32_t csde, int32_t year = 2016, int32_t periodicity = 1, int32_t period = 3,
                          const std::string& model = "560", int32_t typology = 1);

// Base for the service tests: a fresh database whose path is the thread's
// mdbmod, and a fresh thread state before and after.
class DeclarationsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  ScratchDir dir_;
  std::string mod_;
};

}  // namespace svrZIVE::testing
