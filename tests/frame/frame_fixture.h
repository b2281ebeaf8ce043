// Two fresh databases in a temporary folder, a modifiable one (ZIVEMOD.MDB)
// with table TM and a reference one (ZIVELEC.MDB) with table TR, and a record
// of the busy pointer. The thread's component state ends after each test.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"
#include "tests/base/base_support.h"

namespace svrZIVE::testing {

inline std::filesystem::path freshFolder(const std::string& name) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = info ? std::string(info->test_suite_name()) + "_" + info->name() : "x";
  for (char& c : test) {
    if (c == '/') c = '_';
  }
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zive_frame_" + name + "_" + test + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

inline void makeDatabase(const std::string& path, const std::vector<std::string>& statements) {
  auto db = engine::DBEngine::forThread().createDatabase(path);
  for (const std::string& s : statements) db->execute(s);
  db->close();
}

class FrameFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = freshFolder("db");
    modPath_ = (folder_ / "ZIVEMOD.MDB").string();
    refPath_ = (folder_ / "ZIVELEC.MDB").string();
    makeDatabase(modPath_, {"CREATE TABLE TM (A LONG, B TEXT(50))", "INSERT INTO TM (A, B) VALUES (1, 'mod')"});
    makeDatabase(refPath_, {"CREATE TABLE TR (A LONG, B TEXT(50))", "INSERT INTO TR (A, B) VALUES (1, 'ref')",
                            "INSERT INTO TR (A, B) VALUES (2, 'ref2')"});
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
  static int32_t count(cZIVEConexionDAO& c, const std::string& sql) {
    auto rs = c.openRecordset(sql);
    rs->moveLast();
    return rs->recordCount();
  }

  std::filesystem::path folder_;
  std::string modPath_;
  std::string refPath_;
  std::vector<int> pointer_;
};

}  // namespace svrZIVE::testing
