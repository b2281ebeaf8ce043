// An Access database file (.mdb of Jet 3 or Jet 4, .accdb of ACE) as Debian's
// mdbtools library reads it: its user tables, their fields with the
// properties DAO shows (type, size, Required, AllowZeroLength, DefaultValue,
// AutoNumber) and their records as variants of the fields' types. Nothing
// else in the system knows of mdbtools.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/variant.h"
#include "engine/schema.h"

namespace svrZIVE::access {

struct AccessTable {
  std::string name;
  std::vector<engine::ColumnInfo> columns;  // in the file's field order
  int64_t rows = 0;                         // as the table's header counts them
};

class AccessFile {
 public:
  // Opens `path` for reading. A missing file raises 3024, one that cannot be
  // read 3051, one that is not an Access database 3343; each message names
  // the file and says what to do.
  explicit AccessFile(const std::string& path);
  ~AccessFile();
  AccessFile(const AccessFile&) = delete;
  AccessFile& operator=(const AccessFile&) = delete;

  std::string_view format() const;  // "Jet 3", "Jet 4" or "ACE"
  // The user tables, in the order of the file's catalog.
  const std::vector<AccessTable>& tables() const { return tables_; }

  // Calls `row` with each record of tables()[index], a value per field in
  // field order: Null kept apart from the empty text, texts in UTF-8, dates
  // as their day numbers, binary fields as bytes, GUIDs as "{...}" texts.
  void readRows(size_t index, const std::function<void(std::span<const Variant>)>& row);

 private:
  struct Handle;
  std::string path_;
  std::unique_ptr<Handle> handle_;
  std::vector<AccessTable> tables_;
};

// A Decimal field's value from the text mdbtools writes for it ("-12.3400"):
// every digit kept. 3343 for a text that is no number.
Variant decimalValue(std::string_view text);

}  // namespace svrZIVE::access
