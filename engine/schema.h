// What the engine knows of a table beyond what SQLite keeps: the DAO type of
// each field, its text size, Required, AllowZeroLength, DefaultValue,
// auto-increment and OrdinalPosition. Shared by the SQL translator and the
// object model; neither knows anything of the system's forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/variant.h"

namespace svrZIVE::engine {

// DAO field type codes.
enum class DaoType : int16_t {
  Unknown = 0,  // an expression whose type is only known from its value
  Boolean = 1,
  Byte = 2,
  Integer = 3,
  Long = 4,
  Currency = 5,
  Single = 6,
  Double = 7,
  Date = 8,
  Binary = 9,       // bytes, at most Size of them
  Text = 10,
  LongBinary = 11,  // bytes of any length (OLE objects, pictures)
  Memo = 12,
  GUID = 15,        // a replication identifier, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
  Decimal = 20,     // exact: Precision digits, Scale of them after the point
};

std::string_view daoTypeName(DaoType type);  // "Boolean", "Byte", ..., "Text", "Memo", "GUID"

// A type whose values the store keeps as plain numbers (a date as its day
// number); a Decimal is kept as a key text.
bool isPlainNumberType(DaoType type);

// The most bytes a Binary field holds.
inline constexpr int32_t kMaxBinarySize = 510;

struct ColumnInfo {
  std::string name;
  DaoType type = DaoType::Text;
  int32_t size = 0;               // Text: maximum characters (1 to 255); Binary: maximum bytes; others: the type's byte size
  bool required = false;
  bool allowZeroLength = false;
  std::string defaultValue;       // DAO's DefaultValue text; empty: no default
  int16_t ordinalPosition = 0;
  bool autoIncrement = false;     // COUNTER: a Long the engine assigns, never reused
  uint8_t precision = 0;          // Decimal: 1 to 28 digits in all
  uint8_t scale = 0;              // Decimal: 0 to precision digits after the point
};

// A DECIMAL field without a precision has Jet's 18 digits, none after the point.
inline constexpr uint8_t kDefaultDecimalPrecision = 18;
inline constexpr uint8_t kMaxDecimalPrecision = 28;

struct TableInfo {
  std::string name;                 // as created (letter case kept)
  std::vector<ColumnInfo> columns;  // in field-collection order: by OrdinalPosition, equal positions by name
  // Its rows carry the engine's row numbers (rowid). A table another tool
  // made on a server has none: its rows are read, never written through a
  // recordset, and rows that tie on ORDER BY come in no promised order.
  bool rowids = true;

  // Case-insensitive lookup; nullptr when there is no such column.
  const ColumnInfo* findColumn(std::string_view column) const;
};

// Sorts columns into field-collection order: ascending OrdinalPosition, fields
// with equal positions in alphabetical order of their names (case-insensitive).
void sortByOrdinalPosition(std::vector<ColumnInfo>& columns);

// ASCII case-insensitive name comparison (Jet names ignore letter case).
bool namesEqual(std::string_view a, std::string_view b);

// SQL quoting: "name" with inner quotes doubled, 'text' with inner
// apostrophes doubled.
std::string quoteName(std::string_view name);
std::string quoteText(std::string_view text);

// The SQL the translator writes: SQLite's, or PostgreSQL's where the two
// differ (truth values, the casts of stored values, named derived tables).
enum class SqlTarget { Sqlite, Postgres };

// The translator's view of the database's tables.
class Catalog {
 public:
  virtual ~Catalog() = default;
  virtual SqlTarget target() const { return SqlTarget::Sqlite; }
  // Case-insensitive lookup by table name; nullptr when there is no such table.
  virtual const TableInfo* findTable(std::string_view name) = 0;
  // The values of the one column of the translated query `sql`, read as
  // `type`: the headings of a crosstab's columns. None where nothing can be
  // read.
  virtual std::vector<Variant> columnValues(const std::string& /*sql*/, DaoType /*type*/) { return {}; }
};

}  // namespace svrZIVE::engine
