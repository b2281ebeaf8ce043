// The read-only reference database (names, banks, administrative bodies,
// period range, rate tables), built from the seed files in data/reference:
// one TABLE.tsv per table, a header line of NAME:TYPE columns and one row per
// line (data/reference/README.md).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/schema.h"

namespace svrZIVE {

// One column of a seed table: its name, DAO type and size, and the Jet DDL
// type it is created with ("SHORT", "TEXT(50)", ...).
struct SeedColumn {
  std::string name;
  engine::DaoType type = engine::DaoType::Text;
  int32_t size = 0;
  std::string ddlType;
};

// One seed table; a cell without a value (written \N) is a database null.
struct SeedTable {
  std::string name;
  std::vector<SeedColumn> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
};

// Reads every TABLE.tsv of `seedDir`, in file-name order. A missing folder or
// a malformed file raises AutomationError naming the file and line.
std::vector<SeedTable> readReferenceSeed(const std::string& seedDir);

// The Jet statements that create a seed table and insert one of its rows.
std::string createTableStatement(const SeedTable& table);
std::string insertStatement(const SeedTable& table, size_t row);

// Creates the reference database file `path` through the engine and fills it
// from the seed files of `seedDir`. Never overwrites: an existing file raises
// AutomationError 3204 and stays as it is. A failure while filling removes the
// half-made file.
void createReferenceDatabase(const std::string& path, const std::string& seedDir);

// The folder of the seed files: $ZIVE_DATA_DIR (itself or its reference/
// subfolder); then, from the running program's folder upwards,
// data/reference and share/svrZIVE/reference; then ./data/reference. A folder
// counts when it holds T00_GENERAL.tsv. Raises AutomationError 3024 when none
// does.
std::string findReferenceSeedDir();

}  // namespace svrZIVE
