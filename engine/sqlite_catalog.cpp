// The catalog on a local SQLite file.
//
// Storage layout of a table:
//  - declared column types that give SQLite the right affinity and that any
//    SQLite tool understands: BOOLEAN, TINYINT (Byte), SMALLINT (Integer),
//    INTEGER (Long), CURRENCY, REAL (Single), DOUBLE, DATETIME, VARCHAR(n)
//    (Text), TEXT (Memo); a COUNTER is INTEGER PRIMARY KEY AUTOINCREMENT, so
//    that a number is never handed out again, even after its row is deleted;
//  - NOT NULL for Required, DEFAULT for DefaultValue, and named CHECK
//    constraints "zive_len_F" (text size), "zive_zls_F" (zero-length text
//    when AllowZeroLength is off) and "zive_type_F" (a number field holds a
//    number of its range), whose failures become Jet errors 3163, 3315, 3464.
// A change of Required, AllowZeroLength or DefaultValue rebuilds the table in
// one transaction (rows, rowids, indexes and the counter's next number
// kept). The one exception: a Required field without a default that is
// added to a table already in the database is not declared NOT NULL (SQLite
// cannot add such a column to a table with rows); the engine's writes still
// enforce it.
#include "engine/sqlite_catalog.h"

#include <algorithm>

namespace svrZIVE::engine::detail {

namespace {
constexpr std::string_view kSrc = kSrcDatabase;

// Runs `work` with SQLite's CHECK constraints off; they are on again
// afterwards, whatever happens.
template <class Work>
void withChecksIgnored(Connection& connection, Work&& work) {
  connection.exec("PRAGMA ignore_check_constraints = ON", kSrc);
  try {
    work();
  } catch (...) {
    connection.exec("PRAGMA ignore_check_constraints = OFF", kSrc);
    throw;
  }
  connection.exec("PRAGMA ignore_check_constraints = OFF", kSrc);
}

// True when the file has SQLite's table of counters' next numbers (made
// with the first AUTOINCREMENT column).
bool hasSequenceTable(sqlite3* db) {
  SqliteStatement st(db, "SELECT 1 FROM sqlite_schema WHERE name = 'sqlite_sequence'", kSrc);
  return st.step();
}
}  // namespace

void SqliteCatalogStore::initialize() {
  Connection& connection = connection_;
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

bool SqliteCatalogStore::isOurs() {
  Connection& connection = connection_;
  if (connection.queryInt("PRAGMA application_id", kSrc) != kApplicationId) return false;
  SqliteStatement st(db(), "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1", kSrc);
  st.bindText(1, kCatalogTable);
  return st.step();
}


std::vector<std::string> SqliteCatalogStore::tableNames() {
  std::vector<std::string> names;
  SqliteStatement st(db(),
               "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
               "AND name NOT LIKE 'zive\\_rebuild.%' ESCAPE '\\' "
               "AND name <> ?1 COLLATE NOCASE ORDER BY name COLLATE NOCASE",
               kSrc);
  st.bindText(1, kCatalogTable);
  while (st.step()) names.push_back(st.text(0));
  return names;
}


std::string SqliteCatalogStore::declaredType(const ColumnInfo& c) {
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
    // TEXT in the declared type gives the column text affinity: SQLite
    // never turns the exact key into a floating number.
    case DaoType::Decimal:
      return "DECIMAL TEXT(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    case DaoType::Unknown: break;
  }
  return "";
}


std::string SqliteCatalogStore::columnDefinition(const ColumnInfo& c, bool declareNotNull) {
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
    case DaoType::Decimal:
      typeCheck = q + " IS NULL OR (typeof(" + q + ") = 'text' AND length(" + q + ") BETWEEN 29 AND 60 AND " + q +
                  " GLOB '[0-9-]*' AND NOT ltrim(" + q + ", '-') GLOB '*[^0-9.~]*')";
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


void SqliteCatalogStore::createTable(std::string table, std::vector<ColumnInfo> columns) {
  std::string sql = "CREATE TABLE " + quoteName(table) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) sql += ", ";
    sql += columnDefinition(columns[i], true);
  }
  sql += ")";
  connection_.exec(sql, kSrc);
  insertCatalogRows(table, columns);
  forget(table);
}

void SqliteCatalogStore::addColumn(std::string table, const ColumnInfo& column) {
  if (column.autoIncrement) {
    // SQLite cannot add a key column: the table is written anew, and the
    // counter numbers the rows already there.
    const TableEntry* e = findEntry(table);
    std::vector<ColumnInfo> columns;
    for (const auto& name : e->storageOrder) columns.push_back(*e->info.findColumn(name));
    columns.push_back(column);
    rebuildTable(table, columns);
    insertCatalogRow(table, column);
    forget(table);
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
    SqliteStatement any(db(), "SELECT 1 FROM " + quoteName(table) + " LIMIT 1", kSrc);
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
  const TableEntry* e = findEntry(table);
  if (e && !e->storageOrder.empty() && appendToDeclaration(e->info.name, e->storageOrder.back(), definition)) {
    insertCatalogRow(table, column);
    forget(table);
    return;
  }
  withChecksIgnored(connection_,
                    [&] { connection_.exec("ALTER TABLE " + quoteName(table) + " ADD COLUMN " + definition, kSrc); });
  insertCatalogRow(table, column);
  forget(table);
}

// Even with the CHECK constraints ignored, SQLite's ADD COLUMN reads the whole
// table through (pragma_quick_check) when the new column has one, and ours all
// do: on a table of 100,000 rows that is tens of milliseconds per field. What
// it writes is the table's declaration with the column's definition appended;
// for a declaration of ours (column definitions only, the last one that of
// `lastColumn`) the same is written here, as SQLite documents for changes of
// a declaration that leave the stored rows valid (a row without the column
// reads its default), and the schema is read again. False, and nothing done,
// for any other declaration. The file's format has room for added columns
// with defaults: the engine makes its files with a SQLite that writes format 4.
bool SqliteCatalogStore::appendToDeclaration(const std::string& table, const std::string& lastColumn,
                                             const std::string& definition) {
  std::string sql;
  {
    SqliteStatement st(db(), "SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?1", kSrc);
    st.bindText(1, table);
    if (!st.step() || st.isNull(0)) return false;
    sql = st.text(0);
  }
  if (sql.empty() || sql.back() != ')') return false;
  // The start of the last item of the list in parentheses: quotes and
  // nested parentheses (CHECK expressions) skipped.
  size_t lastItem = std::string::npos;
  int depth = 0;
  for (size_t i = 0; i + 1 < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '"' || c == '\'' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      size_t end = sql.find(close, i + 1);
      while (end != std::string::npos && close != ']' && end + 1 < sql.size() && sql[end + 1] == close)
        end = sql.find(close, end + 2);
      if (end == std::string::npos) return false;
      i = end;
    } else if (c == '(') {
      if (++depth == 1) lastItem = i + 1;
    } else if (c == ')') {
      if (--depth < 1) return false;  // the list ends before the declaration does
    } else if (c == ',' && depth == 1) {
      lastItem = i + 1;
    }
  }
  if (depth != 1 || lastItem == std::string::npos) return false;
  while (lastItem < sql.size() && sql[lastItem] == ' ') ++lastItem;
  const std::string named = quoteName(lastColumn) + " ";
  if (sql.compare(lastItem, named.size(), named) != 0) return false;
  sql.insert(sql.size() - 1, ", " + definition);
  return writeDeclaration(table, table, sql);
}

// Gives the table `table` the name `newName` and the declaration `sql` in
// the schema, which is then read again; its rows stay where they are. For
// declarations the rows stored hold to, as SQLite documents. False, and
// nothing changed, when the SQLite at hand refuses to write its schema (built
// or configured defensive): the caller then goes SQLite's own way.
bool SqliteCatalogStore::writeDeclaration(const std::string& table, const std::string& newName,
                                          const std::string& sql) {
  const int64_t version = connection_.queryFixed("PRAGMA schema_version", kSrc);
  connection_.exec("PRAGMA writable_schema = ON", kSrc);
  bool written = false;
  try {
    SqliteStatement st(db(), "UPDATE sqlite_schema SET name = ?3, tbl_name = ?3, sql = ?1 WHERE type = 'table' AND name = ?2",
                       kSrc);
    st.bindText(1, sql);
    st.bindText(2, table);
    st.bindText(3, newName);
    st.run();
    written = sqlite3_changes(db()) == 1;
    if (written) connection_.exec("PRAGMA schema_version = " + std::to_string(version + 1), kSrc);
  } catch (...) {
    connection_.exec("PRAGMA writable_schema = RESET", kSrc);
    if (written) throw;  // the change is undone with the statement that made it
    return false;
  }
  connection_.exec("PRAGMA writable_schema = RESET", kSrc);
  return written;
}

// The old rows of a table written anew. Inside the workspace's transaction
// they are set aside under a name of ours (its indexes dropped) and dropped
// when it commits: a later table written anew in it then takes pages at the
// end of the file, which need no copy in the rollback journal, rather than
// the pages freed, whose old contents SQLite must journal first.
void SqliteCatalogStore::dropRewritten(const std::string& table) {
  std::string sql;
  std::vector<std::string> indexes;
  bool ownIndexes = true;
  if (dropAtCommit_) {
    SqliteStatement st(db(), "SELECT type, name, sql FROM sqlite_schema WHERE tbl_name = ?1", kSrc);
    st.bindText(1, table);
    while (st.step()) {
      if (st.text(0) == "table") sql = st.isNull(2) ? "" : st.text(2);
      else if (st.text(0) == "index" && !st.isNull(2)) indexes.push_back(st.text(1));
      else ownIndexes = false;  // one SQLite made for a constraint, or a trigger
    }
  }
  const std::string declared = "CREATE TABLE " + quoteName(table) + " (";
  if (!dropAtCommit_ || !ownIndexes || sql.rfind(declared, 0) != 0) {
    connection_.exec("DROP TABLE " + quoteName(table), kSrc);
    return;
  }
  for (const auto& index : indexes) connection_.exec("DROP INDEX " + quoteName(index), kSrc);
  if (hasSequenceTable(db())) {
    SqliteStatement seq(db(), "DELETE FROM sqlite_sequence WHERE name = ?1", kSrc);
    seq.bindText(1, table);
    seq.run();
  }
  const std::string aside = "zive_rebuild." + std::to_string(setAside_.size()) + "." + table;
  if (writeDeclaration(table, aside, "CREATE TABLE " + quoteName(aside) + sql.substr(declared.size() - 2)))
    setAside_.push_back(aside);
  else
    connection_.exec("DROP TABLE " + quoteName(table), kSrc);
}

void SqliteCatalogStore::beforeCommit() {
  while (!setAside_.empty()) {
    connection_.exec("DROP TABLE IF EXISTS " + quoteName(setAside_.back()), kSrc);
    setAside_.pop_back();
  }
}

void SqliteCatalogStore::dropTable(std::string table) {
  connection_.exec("DROP TABLE " + quoteName(table), kSrc);
  deleteCatalogRows(table);
  forget(table);
}

bool SqliteCatalogStore::columnIndexed(std::string table, std::string_view column) {
  SqliteStatement st(db(),
               "SELECT 1 FROM pragma_index_list(?1) AS il, pragma_index_info(il.name) AS ii "
               "WHERE ii.name = ?2 COLLATE NOCASE AND substr(il.name, 1, ?4) <> ?3",
               kSrc);
  st.bindText(1, table);
  st.bindText(2, column);
  st.bindText(3, kAccessPathPrefix);
  st.bindInt(4, static_cast<int>(kAccessPathPrefix.size()));
  return st.step();
}


void SqliteCatalogStore::rebuildTable(std::string table, const std::vector<ColumnInfo>& columns,
                                      const std::map<std::string, std::string>& newValues,
                                      const std::vector<Variant>& parameters) {
  const TableEntry* old = findEntry(table);
  if (!old) raiseJet(kItemNotFound, kSrc);
  std::vector<std::string> oldColumns = old->storageOrder;
  std::vector<std::string> oldNotNull = old->notNullColumns;
  std::string realName = old->info.name;
  auto had = [&](std::string_view name) {
    return std::any_of(oldColumns.begin(), oldColumns.end(), [&](const std::string& c) { return namesEqual(c, name); });
  };

  std::optional<int64_t> sequence;
  if (hasSequenceTable(db())) {
    SqliteStatement seq(db(), "SELECT seq FROM sqlite_sequence WHERE name = ?1", kSrc);
    seq.bindText(1, realName);
    if (seq.step()) sequence = seq.int64(0);
  }
  // The indexes come back on the new table; an access path whose column is
  // gone goes with it.
  std::vector<std::string> indexes;
  {
    SqliteStatement st(db(),
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
    SqliteStatement st(db(), "SELECT count(*) FROM " + quoteName(realName) + " WHERE " + quoteName(c.name) + " IS NULL", kSrc);
    st.step();
    return st.int64(0) == 0;
  };

  const std::string temp = "zive_rebuild_" + realName;
  std::string create = " (";
  std::vector<std::pair<std::string, std::string>> copied;  // column of the copy, and its value
  const ColumnInfo* counter = nullptr;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnInfo& c = columns[i];
    if (i) create += ", ";
    create += columnDefinition(c, declareNotNull(c));
    if (c.autoIncrement) {
      counter = &c;
      continue;
    }
    auto newValue = newValues.find(lowerAscii(c.name));
    if (newValue != newValues.end() || had(c.name))
      copied.emplace_back(quoteName(c.name), newValue != newValues.end() ? newValue->second : quoteName(c.name));
  }
  create += ")";
  const std::string declaration = "CREATE TABLE " + quoteName(realName) + create;
  create = "CREATE TABLE " + quoteName(temp) + create;
  // Rows keep their rowids, and a new counter column numbers them by rowid.
  // Rows numbered 1 to N without a gap, copied in that order, get the same
  // numbers from SQLite, which then appends each one without looking for its
  // number first.
  bool numberedInOrder = false;
  if (!copied.empty()) {
    SqliteStatement st(db(), "SELECT min(rowid) = 1 AND max(rowid) = count(*) FROM " + quoteName(realName), kSrc);
    numberedInOrder = st.step() && st.int64(0) == 1;
  }
  if (!numberedInOrder) copied.emplace(copied.begin(), counter ? quoteName(counter->name) : "rowid", "rowid");
  std::string targets, sources;
  for (const auto& [target, source] : copied) {
    targets += (targets.empty() ? "" : ", ") + target;
    sources += (sources.empty() ? "" : ", ") + source;
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
    withChecksIgnored(connection_, [&] {
      auto st = connection_.prepare(copy, kSrc);
      for (size_t i = 0; i < parameters.size(); ++i) st->bind(static_cast<int>(i + 1), parameters[i]);
      st->run();
    });
  }
  dropRewritten(realName);
  // The copy takes the table's name as SQLite's RENAME would give it, without
  // reading every declaration of the schema twice to find references to it
  // (a table of ours has none).
  if (!writeDeclaration(temp, realName, declaration))
    connection_.exec("ALTER TABLE " + quoteName(temp) + " RENAME TO " + quoteName(realName), kSrc);
  if (counter) {
    SqliteStatement seq(db(), "UPDATE sqlite_sequence SET name = ?1 WHERE name = ?2", kSrc);
    seq.bindText(1, realName);
    seq.bindText(2, temp);
    seq.run();
  }
  for (const auto& sql : indexes) connection_.exec(sql, kSrc);
  if (sequence && counter) {
    SqliteStatement up(db(), "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = ?2", kSrc);
    up.bindInt(1, *sequence);
    up.bindText(2, realName);
    up.run();
    if (connection_.changes() == 0) {
      SqliteStatement ins(db(), "INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)", kSrc);
      ins.bindText(1, realName);
      ins.bindInt(2, *sequence);
      ins.run();
    }
  }
  forget(table);
}


int64_t SqliteCatalogStore::dataVersion() { return connection_.queryFixed("PRAGMA data_version", kSrc); }

std::optional<StoredTable> SqliteCatalogStore::storedTable(std::string_view name) {
  StoredTable table;
  {
    SqliteStatement st(db(), "SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE", kSrc);
    st.bindText(1, name);
    if (!st.step()) return std::nullopt;
    table.name = st.text(0);
  }
  {
    SqliteStatement st(db(), "SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info(?1) ORDER BY cid",
                       kSrc);
    st.bindText(1, table.name);
    while (st.step())
      table.columns.push_back({st.text(0), st.text(1), st.isNull(3) ? "" : st.text(3), st.int64(2) != 0});
  }
  table.described = catalogRows(table.name);
  return table;
}

bool SqliteCatalogStore::indexExists(std::string_view name) {
  SqliteStatement st(db(), "SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = ?1 COLLATE NOCASE", kSrc);
  st.bindText(1, name);
  return st.step();
}

}  // namespace svrZIVE::engine::detail
