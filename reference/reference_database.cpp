#include "reference/reference_database.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>

#include "engine/dao.h"
#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSeedExtension = ".tsv";
constexpr const char* kSeedMarker = "T00_GENERAL.tsv";
constexpr const char* kNullCell = "\\N";

[[noreturn]] void seedError(const fs::path& file, size_t line, const std::string& what) {
  std::string where = file.filename().string();
  if (line > 0) where += " line " + std::to_string(line);
  throw AutomationError(kInvalidProcedureCall, std::string(kRuntimeSource),
                        "Reference seed " + where + ": " + what);
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> cells;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return cells;
}

bool validName(const std::string& name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

SeedColumn parseColumn(const std::string& cell, const fs::path& file) {
  size_t colon = cell.find(':');
  if (colon == std::string::npos) seedError(file, 1, "column '" + cell + "' has no type");
  SeedColumn column;
  column.name = cell.substr(0, colon);
  std::string type = cell.substr(colon + 1);
  if (!validName(column.name)) seedError(file, 1, "bad column name '" + column.name + "'");
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  using engine::DaoType;
  if (type == "BYTE") {
    column.type = DaoType::Byte;
    column.size = 1;
  } else if (type == "SHORT") {
    column.type = DaoType::Integer;
    column.size = 2;
  } else if (type == "LONG") {
    column.type = DaoType::Long;
    column.size = 4;
  } else if (type == "DOUBLE") {
    column.type = DaoType::Double;
    column.size = 8;
  } else if (type.starts_with("TEXT(") && type.ends_with(")")) {
    std::string digits = type.substr(5, type.size() - 6);
    int size = 0;
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }) ||
        (size = std::stoi(digits)) < 1 || size > 255) {
      seedError(file, 1, "bad text size in '" + cell + "'");
    }
    column.type = DaoType::Text;
    column.size = size;
  } else {
    seedError(file, 1, "unknown type in '" + cell + "'");
  }
  column.ddlType = type;
  return column;
}

// Checks a cell against its column; numbers must read as numbers (and
// integers as integers), texts must fit the column's size in characters.
void checkCell(const std::string& cell, const SeedColumn& column, const fs::path& file,
               size_t line) {
  if (column.type == engine::DaoType::Text) {
    size_t characters = 0;
    for (unsigned char c : cell) characters += (c & 0xC0) != 0x80;
    if (characters > static_cast<size_t>(column.size)) {
      seedError(file, line, column.name + " is longer than " + std::to_string(column.size));
    }
    return;
  }
  double value = 0;
  if (cell.empty() || !parseNumber(cell, value)) {
    seedError(file, line, column.name + " '" + cell + "' is not a number");
  }
  if (column.type == engine::DaoType::Double) return;
  double low = column.type == engine::DaoType::Byte      ? 0
               : column.type == engine::DaoType::Integer ? -32768.0
                                                         : -2147483648.0;
  double high = column.type == engine::DaoType::Byte      ? 255
                : column.type == engine::DaoType::Integer ? 32767.0
                                                          : 2147483647.0;
  if (!(value >= low && value <= high) || value != std::trunc(value)) {
    seedError(file, line, column.name + " '" + cell + "' does not fit " +
                              std::string(engine::daoTypeName(column.type)));
  }
}

// One seed file, `file` naming it in messages and giving the table's name.
SeedTable parseSeed(const fs::path& file, std::istream& in) {
  SeedTable table;
  table.name = file.stem().string();
  if (!validName(table.name)) seedError(file, 0, "bad table name");
  std::string line;
  size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (number == 1) {
      for (const auto& cell : splitTabs(line)) table.columns.push_back(parseColumn(cell, file));
      for (size_t i = 0; i < table.columns.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
          if (engine::namesEqual(table.columns[i].name, table.columns[j].name)) {
            seedError(file, 1, "column " + table.columns[i].name + " twice");
          }
        }
      }
      continue;
    }
    if (line.empty()) continue;
    std::vector<std::string> cells = splitTabs(line);
    if (cells.size() != table.columns.size()) {
      seedError(file, number, std::to_string(cells.size()) + " cells for " +
                                  std::to_string(table.columns.size()) + " columns");
    }
    std::vector<std::optional<std::string>> row;
    row.reserve(cells.size());
    for (size_t c = 0; c < cells.size(); ++c) {
      if (cells[c] == kNullCell) {
        row.emplace_back(std::nullopt);
        continue;
      }
      checkCell(cells[c], table.columns[c], file, number);
      row.emplace_back(std::move(cells[c]));
    }
    table.rows.push_back(std::move(row));
  }
  if (table.columns.empty()) seedError(file, 0, "has no header line");
  return table;
}

SeedTable readSeedFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) seedError(file, 0, "cannot be read");
  return parseSeed(file, in);
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

bool isSeedDir(const fs::path& dir) {
  std::error_code ec;
  return fs::is_regular_file(dir / kSeedMarker, ec);
}

}  // namespace

std::vector<SeedTable> readReferenceSeed(const std::string& seedDir) {
  std::error_code ec;
  if (!fs::is_directory(seedDir, ec)) {
    throw AutomationError(engine::kFileNotFound, std::string(kRuntimeSource),
                          "Reference seed folder '" + seedDir + "' not found");
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(seedDir)) {
    if (entry.is_regular_file() && entry.path().extension() == kSeedExtension) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    throw AutomationError(engine::kFileNotFound, std::string(kRuntimeSource),
                          "Reference seed folder '" + seedDir + "' has no seed files");
  }
  std::vector<SeedTable> tables;
  for (const auto& file : files) tables.push_back(readSeedFile(file));
  return tables;
}

std::string createTableStatement(const SeedTable& table) {
  std::string sql = "CREATE TABLE " + table.name + " (";
  for (size_t c = 0; c < table.columns.size(); ++c) {
    if (c > 0) sql += ", ";
    sql += table.columns[c].name + " " + table.columns[c].ddlType;
  }
  return sql + ")";
}

std::string insertStatement(const SeedTable& table, size_t row) {
  std::string sql = "INSERT INTO " + table.name + " (";
  for (size_t c = 0; c < table.columns.size(); ++c) {
    if (c > 0) sql += ", ";
    sql += table.columns[c].name;
  }
  sql += ") VALUES (";
  const auto& cells = table.rows.at(row);
  for (size_t c = 0; c < cells.size(); ++c) {
    if (c > 0) sql += ", ";
    if (!cells[c]) {
      sql += "NULL";
    } else if (table.columns[c].type == engine::DaoType::Text) {
      sql += quoted(*cells[c]);
    } else {
      double value = 0;
      parseNumber(*cells[c], value);
      sql += formatDouble(value);
    }
  }
  return sql + ")";
}

void createReferenceDatabase(const std::string& path, const std::vector<SeedTable>& tables) {
  std::error_code ec;
  if (fs::exists(path, ec)) {
    throw AutomationError(engine::kDatabaseExists, "DAO.DBEngine", "Database already exists.");
  }
  std::shared_ptr<engine::Database> db = engine::DBEngine::forThread().createDatabase(path);
  auto& dbe = engine::DBEngine::forThread();
  bool inTransaction = false;
  try {
    for (const auto& table : tables) {
      annotate(table.name + ": ", [&] { db->execute(createTableStatement(table), engine::dbFailOnError); });
    }
    // The rows in one transaction: one commit to disk instead of one per row.
    dbe.beginTrans();
    inTransaction = true;
    for (const auto& table : tables) {
      annotate(table.name + ": ", [&] {
        for (size_t r = 0; r < table.rows.size(); ++r) {
          db->execute(insertStatement(table, r), engine::dbFailOnError);
        }
      });
    }
    dbe.commitTrans();
    inTransaction = false;
    db->close();
  } catch (...) {
    // The thread's workspace must not stay inside the failed transaction:
    // the next operation of the thread would run in it.
    try {
      if (inTransaction) dbe.rollback();
    } catch (...) {
    }
    try {
      db->close();
    } catch (...) {
    }
    db.reset();
    fs::remove(path, ec);
    throw;
  }
}

ReferenceSeed referenceSeed() {
  if (const char* env = std::getenv("ZIVE_DATA_DIR"); env != nullptr && *env != '\0') {
    for (const fs::path& dir : {fs::path(env), fs::path(env) / "reference"}) {
      std::error_code ec;
      if (isSeedDir(dir)) {
        std::string folder = fs::absolute(dir, ec).lexically_normal().string();
        return {folder, readReferenceSeed(folder)};
      }
    }
    throw AutomationError(engine::kFileNotFound, std::string(kRuntimeSource),
                          "ZIVE_DATA_DIR (" + std::string(env) + ") holds no reference seed files");
  }
  ReferenceSeed seed{"the sample built into the library", {}};
  for (const SeedFile& file : sampleSeedFiles()) {
    std::istringstream in{std::string(file.content)};
    seed.tables.push_back(parseSeed(fs::path(file.name), in));
  }
  return seed;
}

}  // namespace svrZIVE
