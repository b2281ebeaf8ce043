#include "engine/catalog_store.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "base/legacy_text.h"
#include "engine/dao.h"

namespace svrZIVE::engine::detail {

namespace {

constexpr std::string_view kSrc = kSrcDatabase;

std::string upperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string trimmed(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

bool isTextType(DaoType t) { return t == DaoType::Text || t == DaoType::Memo; }

// A catalog that contradicts itself or its table (written by another tool):
// no lookup of that table goes on with it.
[[noreturn]] void damaged(const std::string& what) {
  raise(kCorruptDatabase, kSrc,
        "The database is damaged: the catalog of its fields cannot be used, because " + what + ".");
}

// One row of the catalog (SELECT field_name, dao_type, size, required,
// allow_zero_length, default_value, ordinal_position, auto_increment),
// refused when it gives no type the engine knows, a size its type cannot
// have or a position beyond 16 bits.
ColumnInfo catalogRow(const Statement& st, const std::string& table) {
  ColumnInfo c;
  c.name = st.text(0);
  const int64_t type = st.int64(1), size = st.int64(2), position = st.int64(6);
  const std::string field = utf8Text(table + "." + c.name);
  if (type < 1 || type > std::numeric_limits<int16_t>::max() ||
      daoTypeName(static_cast<DaoType>(type)) == daoTypeName(DaoType::Unknown))
    damaged("it gives the field '" + field + "' the type code " + std::to_string(type) + ", which is no field type");
  c.type = static_cast<DaoType>(type);
  const bool sized = c.type == DaoType::Text ? size >= 1 && size <= 255
                                             : size >= 0 && size <= std::numeric_limits<int32_t>::max();
  if (!sized) damaged("it gives the field '" + field + "' the size " + std::to_string(size));
  if (position < std::numeric_limits<int16_t>::min() || position > std::numeric_limits<int16_t>::max())
    damaged("it gives the field '" + field + "' the ordinal position " + std::to_string(position));
  c.size = static_cast<int32_t>(size);
  c.required = st.int64(3) != 0;
  c.allowZeroLength = st.int64(4) != 0;
  c.defaultValue = st.text(5);
  c.ordinalPosition = static_cast<int16_t>(position);
  c.autoIncrement = st.int64(7) != 0;
  return c;
}

// A column of a table that has no catalog row (made by another tool):
// described from its declared type.
ColumnInfo describeForeignColumn(const std::string& name, const std::string& declared, bool notNull,
                                 const std::string& dflt) {
  ColumnInfo c;
  c.name = name;
  c.required = notNull;
  c.allowZeroLength = true;
  c.defaultValue = dflt;
  std::string t = upperAscii(trimmed(declared));
  std::string base = t.substr(0, t.find('('));
  base = trimmed(base);
  int32_t size = 0;
  if (auto open = t.find('('); open != std::string::npos) size = std::atoi(t.c_str() + open + 1);
  if (base == "BOOLEAN" || base == "BIT" || base == "YESNO" || base == "LOGICAL") c.type = DaoType::Boolean;
  else if (base == "TINYINT" || base == "BYTE") c.type = DaoType::Byte;
  else if (base == "SMALLINT" || base == "SHORT") c.type = DaoType::Integer;
  else if (base.find("INT") != std::string::npos) c.type = DaoType::Long;
  else if (base == "CURRENCY" || base == "MONEY") c.type = DaoType::Currency;
  else if (base == "SINGLE") c.type = DaoType::Single;
  else if (base.find("DOUB") != std::string::npos || base.find("FLOA") != std::string::npos || base == "REAL" ||
           base == "NUMERIC" || base == "DECIMAL")
    c.type = DaoType::Double;
  else if (base == "GUID" || base == "UNIQUEIDENTIFIER") c.type = DaoType::GUID;
  else if ((base == "BINARY" || base == "VARBINARY") && size > 0) {
    c.type = DaoType::Binary;
    c.size = size;
  } else if (base.find("BLOB") != std::string::npos || base.find("BINARY") != std::string::npos)
    c.type = DaoType::LongBinary;
  else if (base.find("DATE") != std::string::npos || base.find("TIME") != std::string::npos) c.type = DaoType::Date;
  else if ((base.find("CHAR") != std::string::npos || base == "TEXT") && size > 0 && size <= 255) {
    c.type = DaoType::Text;
    c.size = size;
  } else if (base.find("CHAR") != std::string::npos || base.find("TEXT") != std::string::npos ||
             base.find("CLOB") != std::string::npos || base == "MEMO")
    c.type = DaoType::Memo;
  else c.type = DaoType::Unknown;
  if (c.type != DaoType::Text && c.type != DaoType::Binary) c.size = fixedSize(c.type);
  return c;
}

}  // namespace

int32_t fixedSize(DaoType type) {
  switch (type) {
    case DaoType::Boolean:
    case DaoType::Byte: return 1;
    case DaoType::Integer: return 2;
    case DaoType::Long:
    case DaoType::Single: return 4;
    case DaoType::Currency:
    case DaoType::Double:
    case DaoType::Date: return 8;
    case DaoType::GUID: return 16;
    default: return 0;
  }
}

bool TableEntry::notNullDeclared(std::string_view column) const {
  return std::any_of(notNullColumns.begin(), notNullColumns.end(),
                     [&](const std::string& c) { return namesEqual(c, column); });
}

void CatalogStore::initialize(Connection& connection) {
  connection.exec("PRAGMA application_id = " + std::to_string(kApplicationId), kSrc);
  connection.exec("CREATE TABLE IF NOT EXISTS " + std::string(kCatalogTable) +
                      " ("
                      "table_name TEXT NOT NULL COLLATE NOCASE, "
                      "field_name TEXT NOT NULL COLLATE NOCASE, "
                      "dao_type INTEGER NOT NULL, "
                      "size INTEGER NOT NULL DEFAULT 0, "
                      "required INTEGER NOT NULL DEFAULT 0, "
                      "allow_zero_length INTEGER NOT NULL DEFAULT 0, "
                      "default_value TEXT NOT NULL DEFAULT '', "
                      "ordinal_position INTEGER NOT NULL DEFAULT 0, "
                      "auto_increment INTEGER NOT NULL DEFAULT 0, "
                      "PRIMARY KEY (table_name, field_name)) WITHOUT ROWID",
                  kSrc);
}

bool CatalogStore::isOurs(Connection& connection) {
  if (connection.queryInt("PRAGMA application_id", kSrc) != kApplicationId) return false;
  Statement st(connection.handle(), "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1", kSrc);
  st.bindText(1, kCatalogTable);
  return st.step();
}

void CatalogStore::invalidate() { tables_.clear(); }

bool CatalogStore::checkForeignChanges() {
  int64_t v = connection_.queryFixed("PRAGMA data_version", kSrc);
  bool changed = dataVersion_ != -1 && v != dataVersion_;
  dataVersion_ = v;
  if (changed) invalidate();
  return changed;
}

const TableInfo* CatalogStore::findTable(std::string_view name) {
  const TableEntry* e = findEntry(name);
  return e ? &e->info : nullptr;
}

const TableEntry* CatalogStore::findEntry(std::string_view name) {
  std::string key = lowerAscii(name);
  auto it = tables_.find(key);
  if (it != tables_.end()) return it->second.get();
  auto entry = load(name);
  if (!entry) return nullptr;
  return (tables_[key] = std::move(entry)).get();
}

std::unique_ptr<TableEntry> CatalogStore::load(std::string_view name) {
  if (namesEqual(name, kCatalogTable) || lowerAscii(name).rfind("sqlite_", 0) == 0) return nullptr;
  sqlite3* db = connection_.handle();
  auto entry = std::make_unique<TableEntry>();
  {
    Statement st(db, "SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE", kSrc);
    st.bindText(1, name);
    if (!st.step()) return nullptr;
    entry->info.name = st.text(0);
  }
  struct Stored {
    std::string name, type, dflt;
    bool notNull;
  };
  std::vector<Stored> stored;
  {
    Statement st(db, "SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info(?1) ORDER BY cid", kSrc);
    st.bindText(1, entry->info.name);
    while (st.step()) stored.push_back({st.text(0), st.text(1), st.isNull(3) ? "" : st.text(3), st.int64(2) != 0});
  }
  std::vector<ColumnInfo> described;
  {
    Statement st(db,
                 "SELECT field_name, dao_type, size, required, allow_zero_length, default_value, "
                 "ordinal_position, auto_increment FROM " +
                     std::string(kCatalogTable) + " WHERE table_name = ?1",
                 kSrc);
    st.bindText(1, entry->info.name);
    while (st.step()) described.push_back(catalogRow(st, entry->info.name));
  }
  int32_t nextPosition = 0;
  for (const auto& c : described) nextPosition = std::max<int32_t>(nextPosition, c.ordinalPosition + 1);
  for (const auto& s : stored) {
    entry->storageOrder.push_back(s.name);
    if (s.notNull) entry->notNullColumns.push_back(s.name);
    auto it = std::find_if(described.begin(), described.end(),
                           [&](const ColumnInfo& c) { return namesEqual(c.name, s.name); });
    if (it != described.end()) {
      it->name = s.name;  // SQLite's spelling is the column's
      entry->info.columns.push_back(*it);
    } else {
      ColumnInfo c = describeForeignColumn(s.name, s.type, s.notNull, s.dflt);
      c.ordinalPosition = static_cast<int16_t>(nextPosition++);
      entry->info.columns.push_back(std::move(c));
    }
  }
  for (const auto& c : described) {
    if (!entry->info.findColumn(c.name))
      damaged("it lists the field '" + utf8Text(entry->info.name + "." + c.name) + "', which the table does not have");
  }
  sortByOrdinalPosition(entry->info.columns);
  return entry;
}

std::vector<std::string> CatalogStore::tableNames() {
  std::vector<std::string> names;
  Statement st(connection_.handle(),
               "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
               "AND name <> ?1 COLLATE NOCASE ORDER BY name COLLATE NOCASE",
               kSrc);
  st.bindText(1, kCatalogTable);
  while (st.step()) names.push_back(st.text(0));
  return names;
}

std::string CatalogStore::declaredType(const ColumnInfo& c) {
  switch (c.type) {
    case DaoType::Boolean: return "BOOLEAN";
    case DaoType::Byte: return "TINYINT";
    case DaoType::Integer: return "SMALLINT";
    case DaoType::Long: return "INTEGER";
    case DaoType::Currency: return "CURRENCY";
    case DaoType::Single: return "REAL";
    case DaoType::Double: return "DOUBLE";
    case DaoType::Date: return "DATETIME";
    case DaoType::Text: return "VARCHAR(" + std::to_string(c.size) + ")";
    case DaoType::Memo: return "TEXT";
    case DaoType::Binary: return "VARBINARY(" + std::to_string(c.size) + ")";
    case DaoType::LongBinary: return "BLOB";
    case DaoType::GUID: return "GUID";
    case DaoType::Unknown: break;
  }
  return "";
}

// DefaultValue is a Jet literal kept as text: a quoted text is that text, a
// number is that number, True/Yes/On and False/No/Off are -1 and 0, Null and
// the empty text are no default; anything else is taken as the text itself
// (for a number field, which cannot hold it, SQLite gets no default). A
// leading "=", as Access writes a default it took as an expression, is not
// part of the value. Binary and GUID fields get no SQLite default.
std::optional<std::string> CatalogStore::defaultLiteral(const ColumnInfo& c) {
  std::string text = trimmed(c.defaultValue);
  if (!text.empty() && text.front() == '=') text = trimmed(std::string_view(text).substr(1));
  if (text.empty() || c.type == DaoType::Binary || c.type == DaoType::LongBinary || c.type == DaoType::GUID)
    return std::nullopt;
  bool textual = isTextType(c.type);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    char q = text.front();
    std::string inner;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
      inner.push_back(text[i]);
      if (text[i] == q && i + 2 < text.size() && text[i + 1] == q) ++i;
    }
    if (textual) return quoteText(inner);
    double d;
    if (parseNumber(inner, d)) return formatDouble(d);
    return std::nullopt;
  }
  std::string upper = upperAscii(text);
  if (upper == "NULL") return std::nullopt;
  if (upper == "TRUE" || upper == "YES" || upper == "ON") return textual ? quoteText(text) : "-1";
  if (upper == "FALSE" || upper == "NO" || upper == "OFF") return textual ? quoteText(text) : "0";
  double d;
  if (parseNumber(text, d)) return textual ? quoteText(formatDouble(d)) : formatDouble(d);
  if (textual) return quoteText(text);
  return std::nullopt;
}

std::string CatalogStore::columnDefinition(const ColumnInfo& c, bool declareNotNull) {
  std::string q = quoteName(c.name);
  if (c.autoIncrement) return q + " INTEGER PRIMARY KEY AUTOINCREMENT";
  std::string def = q + " " + declaredType(c);
  if (declareNotNull && c.required) def += " NOT NULL";
  if (auto dflt = defaultLiteral(c)) def += " DEFAULT " + *dflt;
  else if (c.type == DaoType::Boolean) def += " DEFAULT 0";  // a Jet Yes/No field left out is No
  std::string typeCheck;
  auto integerIn = [&](const char* lo, const char* hi) {
    return q + " IS NULL OR (typeof(" + q + ") = 'integer' AND " + q + " BETWEEN " + lo + " AND " + hi + ")";
  };
  switch (c.type) {
    case DaoType::Boolean: typeCheck = q + " IS NULL OR typeof(" + q + ") = 'integer'"; break;
    case DaoType::Byte: typeCheck = integerIn("0", "255"); break;
    case DaoType::Integer: typeCheck = integerIn("-32768", "32767"); break;
    case DaoType::Long: typeCheck = integerIn("-2147483648", "2147483647"); break;
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Date: typeCheck = "typeof(" + q + ") IN ('integer', 'real', 'null')"; break;
    case DaoType::Binary:
    case DaoType::LongBinary: typeCheck = "typeof(" + q + ") IN ('blob', 'null')"; break;
    case DaoType::GUID:
      typeCheck = q + " IS NULL OR (typeof(" + q + ") = 'text' AND " + q +
                  " GLOB '{[0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F]-"
                  "[0-9A-F][0-9A-F][0-9A-F][0-9A-F]-[0-9A-F][0-9A-F][0-9A-F][0-9A-F]-"
                  "[0-9A-F][0-9A-F][0-9A-F][0-9A-F]-[0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F]"
                  "[0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F][0-9A-F]}')";
      break;
    default: break;
  }
  if (!typeCheck.empty()) def += " CONSTRAINT " + quoteName("zive_type_" + c.name) + " CHECK (" + typeCheck + ")";
  if (c.type == DaoType::Text || c.type == DaoType::Binary)
    def += " CONSTRAINT " + quoteName("zive_len_" + c.name) + " CHECK (length(" + q + ") <= " +
           std::to_string(c.size) + ")";
  if (isTextType(c.type) && !c.allowZeroLength)
    def += " CONSTRAINT " + quoteName("zive_zls_" + c.name) + " CHECK (" + q + " <> '')";
  return def;
}

void CatalogStore::insertCatalogRow(std::string table, const ColumnInfo& c) {
  Statement st(connection_.handle(),
               "INSERT OR REPLACE INTO " + std::string(kCatalogTable) +
                   " (table_name, field_name, dao_type, size, required, allow_zero_length, default_value, "
                   "ordinal_position, auto_increment) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
               kSrc);
  st.bindText(1, table);
  st.bindText(2, c.name);
  st.bindInt(3, static_cast<int>(c.type));
  st.bindInt(4, c.size);
  st.bindInt(5, c.required ? 1 : 0);
  st.bindInt(6, c.allowZeroLength ? 1 : 0);
  st.bindText(7, c.defaultValue);
  st.bindInt(8, c.ordinalPosition);
  st.bindInt(9, c.autoIncrement ? 1 : 0);
  st.run();
}

void CatalogStore::updateCatalogRow(std::string table, const ColumnInfo& c) {
  insertCatalogRow(table, c);
  tables_.erase(lowerAscii(table));
}

void CatalogStore::deleteCatalogRow(std::string table, std::string_view column) {
  Statement st(connection_.handle(),
               "DELETE FROM " + std::string(kCatalogTable) + " WHERE table_name = ?1 AND field_name = ?2", kSrc);
  st.bindText(1, table);
  st.bindText(2, column);
  st.run();
  tables_.erase(lowerAscii(table));
}

void CatalogStore::createTable(std::string table, std::vector<ColumnInfo> columns) {
  std::string sql = "CREATE TABLE " + quoteName(table) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) sql += ", ";
    sql += columnDefinition(columns[i], true);
  }
  sql += ")";
  connection_.exec(sql, kSrc);
  for (const auto& c : columns) insertCatalogRow(table, c);
  tables_.erase(lowerAscii(table));
}

void CatalogStore::addColumn(std::string table, const ColumnInfo& column) {
  if (column.autoIncrement) {
    // SQLite cannot add a key column: the table is written anew, and the
    // counter numbers the rows already there.
    const TableEntry* e = findEntry(table);
    std::vector<ColumnInfo> columns;
    for (const auto& name : e->storageOrder) columns.push_back(*e->info.findColumn(name));
    columns.push_back(column);
    rebuildTable(table, columns);
    insertCatalogRow(table, column);
    tables_.erase(lowerAscii(table));
    return;
  }
  // NOT NULL needs a default SQLite can give the rows already there.
  bool declareNotNull = column.required && (defaultLiteral(column) || column.type == DaoType::Boolean);
  const std::string definition = columnDefinition(column, declareNotNull);
  // SQLite checks every row of the table against every CHECK constraint of
  // the table when a column is added to it, which makes adding the fields of
  // an upgrade one by one cost a pass over the whole table each. The rows
  // there already held to the other constraints; the one thing to know is
  // whether the value the new column gives them (its default, or Null) holds
  // to the new column's own: that is tried on one row of a scratch table.
  // SQLite still checks the table's structure and its NOT NULL columns.
  bool hasRows = false;
  {
    Statement any(connection_.handle(), "SELECT 1 FROM " + quoteName(table) + " LIMIT 1", kSrc);
    hasRows = any.step();
  }
  if (hasRows) {
    connection_.exec("CREATE TEMP TABLE zive_new_column (" + definition + ")", kSrc);
    try {
      connection_.exec("INSERT INTO temp.zive_new_column DEFAULT VALUES", kSrc);
    } catch (const AutomationError&) {
      connection_.exec("DROP TABLE temp.zive_new_column", kSrc);
      // What SQLite reports when a row of the table fails a constraint.
      raise(kValidationRuleViolated, kSrc, "The changes were refused by a rule of the table: CHECK constraint failed.");
    }
    connection_.exec("DROP TABLE temp.zive_new_column", kSrc);
  }
  connection_.exec("PRAGMA ignore_check_constraints = ON", kSrc);
  try {
    connection_.exec("ALTER TABLE " + quoteName(table) + " ADD COLUMN " + definition, kSrc);
  } catch (...) {
    connection_.exec("PRAGMA ignore_check_constraints = OFF", kSrc);
    throw;
  }
  connection_.exec("PRAGMA ignore_check_constraints = OFF", kSrc);
  insertCatalogRow(table, column);
  tables_.erase(lowerAscii(table));
}

void CatalogStore::dropTable(std::string table) {
  connection_.exec("DROP TABLE " + quoteName(table), kSrc);
  Statement st(connection_.handle(), "DELETE FROM " + std::string(kCatalogTable) + " WHERE table_name = ?1", kSrc);
  st.bindText(1, table);
  st.run();
  tables_.erase(lowerAscii(table));
}

bool CatalogStore::columnIndexed(std::string table, std::string_view column) {
  Statement st(connection_.handle(),
               "SELECT 1 FROM pragma_index_list(?1) AS il, pragma_index_info(il.name) AS ii "
               "WHERE ii.name = ?2 COLLATE NOCASE AND substr(il.name, 1, ?4) <> ?3",
               kSrc);
  st.bindText(1, table);
  st.bindText(2, column);
  st.bindText(3, kAccessPathPrefix);
  st.bindInt(4, static_cast<int>(kAccessPathPrefix.size()));
  return st.step();
}

std::string CatalogStore::accessPathName(std::string_view table, std::string_view column) {
  return std::string(kAccessPathPrefix) + lowerAscii(std::string(table)) + "_" + lowerAscii(std::string(column));
}

void CatalogStore::rebuildTable(std::string table, const std::vector<ColumnInfo>& columns,
                                const std::map<std::string, std::string>& newValues) {
  const TableEntry* old = findEntry(table);
  if (!old) raiseJet(kItemNotFound, kSrc);
  std::vector<std::string> oldColumns = old->storageOrder;
  std::vector<std::string> oldNotNull = old->notNullColumns;
  std::string realName = old->info.name;
  sqlite3* db = connection_.handle();
  auto had = [&](std::string_view name) {
    return std::any_of(oldColumns.begin(), oldColumns.end(), [&](const std::string& c) { return namesEqual(c, name); });
  };

  std::optional<int64_t> sequence;
  {
    Statement st(db, "SELECT 1 FROM sqlite_schema WHERE name = 'sqlite_sequence'", kSrc);
    if (st.step()) {
      Statement seq(db, "SELECT seq FROM sqlite_sequence WHERE name = ?1", kSrc);
      seq.bindText(1, realName);
      if (seq.step()) sequence = seq.int64(0);
    }
  }
  // The indexes come back on the new table; an access path whose column is
  // gone goes with it.
  std::vector<std::string> indexes;
  {
    Statement st(db,
                 "SELECT s.sql, substr(s.name, 1, ?3) = ?2, "
                 "(SELECT group_concat(ii.name, char(9)) FROM pragma_index_info(s.name) AS ii) "
                 "FROM sqlite_schema AS s WHERE s.type = 'index' AND s.tbl_name = ?1 AND s.sql IS NOT NULL",
                 kSrc);
    st.bindText(1, realName);
    st.bindText(2, kAccessPathPrefix);
    st.bindInt(3, static_cast<int>(kAccessPathPrefix.size()));
    while (st.step()) {
      const bool path = st.int64(1) != 0;
      const std::string column = st.text(2);
      if (path && std::none_of(columns.begin(), columns.end(),
                               [&](const ColumnInfo& c) { return namesEqual(c.name, column); }))
        continue;
      indexes.push_back(st.text(0));
    }
  }

  // NOT NULL is declared for a Required column when its rows allow it: it was
  // declared before, or no row holds Null there now.
  auto declareNotNull = [&](const ColumnInfo& c) {
    if (!c.required) return false;
    if (!had(c.name)) return true;
    if (std::any_of(oldNotNull.begin(), oldNotNull.end(), [&](const std::string& n) { return namesEqual(n, c.name); }))
      return true;
    // Rows given new values keep their declarations as they are.
    if (!newValues.empty()) return false;
    Statement st(db, "SELECT count(*) FROM " + quoteName(realName) + " WHERE " + quoteName(c.name) + " IS NULL", kSrc);
    st.step();
    return st.int64(0) == 0;
  };

  const std::string temp = "zive_rebuild_" + realName;
  std::string create = "CREATE TABLE " + quoteName(temp) + " (";
  std::string targets, sources;
  const ColumnInfo* counter = nullptr;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnInfo& c = columns[i];
    if (i) create += ", ";
    create += columnDefinition(c, declareNotNull(c));
    if (c.autoIncrement) counter = &c;
    auto newValue = newValues.find(lowerAscii(c.name));
    if (newValue != newValues.end() || had(c.name)) {
      targets += (targets.empty() ? "" : ", ") + quoteName(c.name);
      sources += (sources.empty() ? "" : ", ") + (newValue != newValues.end() ? newValue->second : quoteName(c.name));
    }
  }
  create += ")";
  // Rows keep their rowids; a new counter column numbers them by rowid.
  std::string rowidTarget;
  if (!counter) rowidTarget = "rowid";
  else if (!had(counter->name)) rowidTarget = quoteName(counter->name);
  if (!rowidTarget.empty()) {
    targets = rowidTarget + (targets.empty() ? "" : ", ") + targets;
    sources = "rowid" + std::string(sources.empty() ? "" : ", ") + sources;
  }

  connection_.exec(create, kSrc);
  // Rows given new values are rows of the same layout, each of which passed
  // the table's checks, with values that passed the same checks on their way
  // in (jet_store): copying them need not check them again.
  const std::string copy = "INSERT INTO " + quoteName(temp) + " (" + targets + ") SELECT " + sources + " FROM " +
                           quoteName(realName);
  if (newValues.empty()) {
    connection_.exec(copy, kSrc);
  } else {
    connection_.exec("PRAGMA ignore_check_constraints = ON", kSrc);
    try {
      connection_.exec(copy, kSrc);
    } catch (...) {
      connection_.exec("PRAGMA ignore_check_constraints = OFF", kSrc);
      throw;
    }
    connection_.exec("PRAGMA ignore_check_constraints = OFF", kSrc);
  }
  connection_.exec("DROP TABLE " + quoteName(realName), kSrc);
  connection_.exec("ALTER TABLE " + quoteName(temp) + " RENAME TO " + quoteName(realName), kSrc);
  for (const auto& sql : indexes) connection_.exec(sql, kSrc);
  if (sequence && counter) {
    Statement up(db, "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = ?2", kSrc);
    up.bindInt(1, *sequence);
    up.bindText(2, realName);
    up.run();
    if (connection_.changes() == 0) {
      Statement ins(db, "INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)", kSrc);
      ins.bindText(1, realName);
      ins.bindInt(2, *sequence);
      ins.run();
    }
  }
  tables_.erase(lowerAscii(table));
}

}  // namespace svrZIVE::engine::detail
