// Two fresh databases in a temporary folder, a modifiable one (ZIVEMOD.MDB)
// with table TM and a reference one (ZIVELEC.MDB) with table TR, and a record
// of the busy pointer. The thread's component state ends after each test.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/dao.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"
#include "tests/base/base_support.h"

namespace svrZIVE::testing {

// A new empty folder of the test's own, under the temporary folder.
inline std::filesystem::path freshFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zive_frame_XXXXXX").string();
  return ::mkdtemp(pattern.data());
}

class FrameFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::pair<std::string, std::vector<std::string>> databases[] = {
        {modPath_, {"CREATE TABLE TM (A LONG, B TEXT(50))", "INSERT INTO TM (A, B) VALUES (1, 'mod')"}},
        {refPath_, {"CREATE TABLE TR (A LONG, B TEXT(50))", "INSERT INTO TR (A, B) VALUES (1, 'ref')",
                    "INSERT INTO TR (A, B) VALUES (2, 'ref2')"}}};
    for (const auto& [path, statements] : databases) {
      auto db = engine::DBEngine::forThread().createDatabase(path);
      for (const std::string& s : statements) db->execute(s);
      db->close();
    }
    ZIVEGeneral::setMousePointerHandler([this](int p) { pointer_.push_back(p); });
  }
  void TearDown() override {
    ZIVEGeneral::endThreadState();
    ZIVEGeneral::setMousePointerHandler({});
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // The shared connection, initialised on `path`.
  static cZIVEConexionDAO& connection(const std::string& path) {
    cZIVEConexionDAO& c = ZIVEGeneral::sharedConnection();
    c.InicializaBD(path);
    return c;
  }

  std::filesystem::path folder_ = freshFolder();
  std::string modPath_ = (folder_ / "ZIVEMOD.MDB").string(), refPath_ = (folder_ / "ZIVELEC.MDB").string();
  std::vector<int> pointer_;
};

}  // namespace svrZIVE::testing
