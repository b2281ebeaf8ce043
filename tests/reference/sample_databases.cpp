#include "tests/reference/sample_databases.h"

#include <unistd.h>

#include <memory>

#include "engine/dao.h"
#include "reference/reference_database.h"

namespace svrZIVE::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static int counter = 0;
  path_ = fs::temp_directory_path() /
          ("zive_reference_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

const std::string& sampleReferenceDatabase() {
  static const std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
  static const std::string path = [] {
    std::string file = (dir->path() / "ZIVELEC.MDB").string();
    createReferenceDatabase(file, findReferenceSeedDir());
    return file;
  }();
  return path;
}

std::string createModifiableDatabase(const TempDir& dir) {
  std::string path = (dir.path() / "ZIVEMOD.MDB").string();
  auto db = engine::DBEngine::forThread().createDatabase(path);
  db->execute("CREATE TABLE T00_GENERAL (T00_Idioma TEXT(5), T00_ActOnline SHORT)");
  db->execute("CREATE TABLE T01_DECLARANTES (T01_CSDE COUNTER, T01_NIF TEXT(9), T01_NOMB TEXT(60))");
  db->close();
  return path;
}

}  // namespace svrZIVE::testing
