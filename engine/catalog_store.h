// The catalog of a database: what the engine knows of each table beyond what
// SQLite keeps, read from the table "zive_fields" in the file itself and from
// SQLite's own schema; and the writing of tables and their columns.
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
//    number of its range), whose failures become Jet errors 3163, 3315, 3464;
//  - one row per field in zive_fields (DAO type, size, Required,
//    AllowZeroLength, DefaultValue text, OrdinalPosition, auto-increment),
//    which is the authority the engine reads; columns of tables made by
//    other tools, without rows there, are described from their declared type.
// The declared constraints always mirror the catalog: a change of Required,
// AllowZeroLength or DefaultValue rebuilds the table in one transaction
// (rows, rowids, indexes and the counter's next number kept). The one
// exception: a Required field without a default that is added to a table
// already in the database is not declared NOT NULL (SQLite cannot add such a
// column to a table with rows); the engine's writes still enforce it.
// OrdinalPosition lives only in the catalog: moving a field never touches
// the table's rows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/schema.h"
#include "engine/sqlite_db.h"

namespace svrZIVE::engine::detail {

// A table as the engine sees it.
struct TableEntry {
  TableInfo info;                           // columns in field-collection order
  std::vector<std::string> storageOrder;    // column names in SQLite's order
  bool notNullDeclared(std::string_view column) const;
  std::vector<std::string> notNullColumns;  // columns declared NOT NULL in SQLite
};

class CatalogStore : public Catalog {
 public:
  explicit CatalogStore(Connection& connection) : connection_(connection) {}

  // Creates the catalog table and marks the file as ours (a new database).
  static void initialize(Connection& connection);
  // True when the file is one of ours (application_id and catalog table).
  static bool isOurs(Connection& connection);

  const TableInfo* findTable(std::string_view name) override;
  const TableEntry* findEntry(std::string_view name);
  // Table names as created, alphabetical, without SQLite's and ours.
  std::vector<std::string> tableNames();

  // Drops every cached table; the next lookup reads the file again.
  void invalidate();
  // Invalidates when another connection committed since the last check.
  // True when it did.
  bool checkForeignChanges();

  // Table writing; callers hold a write transaction.
  void createTable(std::string table, std::vector<ColumnInfo> columns);
  void addColumn(std::string table, const ColumnInfo& column);
  void dropTable(std::string table);
  // Rewrites the table as `columns` (storage order), copying the values of the
  // columns whose names are in both; drops the others. A column named in
  // `newValues` (lower case) takes that SQLite expression over the old row;
  // with new values the columns must be those of the table as it is.
  void rebuildTable(std::string table, const std::vector<ColumnInfo>& columns,
                    const std::map<std::string, std::string>& newValues = {});
  void updateCatalogRow(std::string table, const ColumnInfo& column);
  void deleteCatalogRow(std::string table, std::string_view column);
  // True when an index the user made covers the column (access paths do not
  // count: they go with the column).
  bool columnIndexed(std::string table, std::string_view column);
  // The name of the access path of `table`.`column`; every such name starts
  // with kAccessPathPrefix.
  static std::string accessPathName(std::string_view table, std::string_view column);
  static constexpr std::string_view kAccessPathPrefix = "zive_path_";

  // SQL pieces.
  static std::string declaredType(const ColumnInfo& column);
  static std::optional<std::string> defaultLiteral(const ColumnInfo& column);
  static std::string columnDefinition(const ColumnInfo& column, bool declareNotNull);

 private:
  void insertCatalogRow(std::string table, const ColumnInfo& column);
  std::unique_ptr<TableEntry> load(std::string_view name);

  Connection& connection_;
  std::map<std::string, std::unique_ptr<TableEntry>> tables_;  // by lower-case name
  int64_t dataVersion_ = -1;
};

// DAO's byte size of a field of `type` (Text: its size).
int32_t fixedSize(DaoType type);

}  // namespace svrZIVE::engine::detail
