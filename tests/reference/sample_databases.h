// Databases the reference tests share: the sample reference database, built
// once per test program from data/reference, and fresh modifiable databases
// holding the settings row and the declarant table.
#pragma once

#include <filesystem>
#include <string>

namespace svrZIVE::testing {

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The path of the sample reference database (ZIVELEC.MDB), created on first
// use and removed when the program ends. Tests only read it.
const std::string& sampleReferenceDatabase();

// A new modifiable database `dir`/ZIVEMOD.MDB with T00_GENERAL (T00_Idioma,
// T00_ActOnline) and T01_DECLARANTES (T01_CSDE, T01_NIF, T01_NOMB); no rows.
std::string createModifiableDatabase(const TempDir& dir);

}  // namespace svrZIVE::testing
