// The read-only reference database (names, banks, administrative bodies,
// period range, rate tables), built from the seed files in data/reference:
// one TABLE.tsv per table, a header line of NAME:TYPE columns and one row per
// line (data/reference/README.md).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
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

// One seed file built into the library: its name and its bytes.
struct SeedFile {
  std::string_view name;
  std::string_view content;
};
// The sample seed files of data/reference, built into the library.
std::span<const SeedFile> sampleSeedFiles();

// The seed tables a new reference database is made from, and where they come
// from: the folder $ZIVE_DATA_DIR (itself, or its reference/ subfolder, when
// that holds T00_GENERAL.tsv) when the variable is set, the sample built into
// the library otherwise. A malformed file raises AutomationError.
struct ReferenceSeed {
  std::string origin;  // the folder, or "the sample built into the library"
  std::vector<SeedTable> tables;
};
ReferenceSeed referenceSeed();

// The Jet statements that create a seed table and insert one of its rows.
std::string createTableStatement(const SeedTable& table);
std::string insertStatement(const SeedTable& table, size_t row);

// Creates the reference database file `path` through the engine and fills it
// with `tables`. Never overwrites: an existing file raises AutomationError
// 3204 and stays as it is. A failure while filling removes the half-made file.
void createReferenceDatabase(const std::string& path, const std::vector<SeedTable>& tables);

}  // namespace svrZIVE
