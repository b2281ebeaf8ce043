// The catalog of a database: what the engine knows of each table beyond what
// the store keeps, read from the table "zive_fields" in the database itself
// and from the store's own description of its tables; and the writing of
// tables and their columns, which each backend does its own way
// (SqliteCatalogStore in engine/sqlite_catalog.cpp).
//
// zive_fields has one row per field (DAO type, size, Required,
// AllowZeroLength, DefaultValue text, OrdinalPosition, auto-increment) and is
// the authority the engine reads; columns of tables made by other tools,
// without rows there, are described from their declared type. The declared
// constraints of a table (NOT NULL, DEFAULT, the size and zero-length checks)
// always mirror the catalog. OrdinalPosition lives only in the catalog:
// moving a field never touches the table's rows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/schema.h"
#include "engine/storage.h"

namespace svrZIVE::engine::detail {

// A table as the engine sees it.
struct TableEntry {
  TableInfo info;                           // columns in field-collection order
  std::vector<std::string> storageOrder;    // column names in the store's order
  std::vector<std::string> notNullColumns;  // columns declared NOT NULL in the store
};

// A column as the store describes it.
struct StoredColumn {
  std::string name, type, dflt;
  bool notNull = false;  // read by a local file's rebuild only
};

// A table as the store holds it: its name as the store spells it, its
// columns in storage order, and the catalog's rows of its fields.
struct StoredTable {
  std::string name;
  std::vector<StoredColumn> columns;
  std::vector<ColumnInfo> described;
  bool rowids = true;  // TableInfo::rowids
};

class CatalogStore : public Catalog {
 public:
  explicit CatalogStore(Connection& connection) : connection_(connection) {}
  ~CatalogStore() override = default;

  // Creates the catalog table and marks the database as ours (a new database).
  virtual void initialize() = 0;
  // True when the database is one of ours.
  virtual bool isOurs() = 0;

  const TableInfo* findTable(std::string_view name) override;
  std::vector<Variant> columnValues(const std::string& sql, DaoType type) override;
  const TableEntry* findEntry(std::string_view name);
  // Table names as created, alphabetical, without the store's and ours.
  virtual std::vector<std::string> tableNames() = 0;

  // The workspace's transaction: begun, about to commit (what was left to
  // its end is done; a failure leaves it pending), ended (committed or
  // rolled back).
  virtual void transactionBegun() {}
  virtual void beforeCommit() {}
  virtual void transactionEnded() {}

  // Drops every cached table; the next lookup reads the database again.
  void invalidate();
  // Invalidates when another connection committed since the last check.
  // True when it did.
  bool checkForeignChanges();

  // Table writing; callers hold a write transaction.
  virtual void createTable(std::string table, std::vector<ColumnInfo> columns) = 0;
  virtual void addColumn(std::string table, const ColumnInfo& column) = 0;
  virtual void dropTable(std::string table) = 0;
  // Rewrites the table as `columns` (storage order), copying the values of the
  // columns whose names are in both; drops the others. A column named in
  // `newValues` (lower case) takes that expression (of the translation) over
  // the old row; with new values the columns must be those of the table as
  // it is. Parameter ?N of those expressions is `parameters[N - 1]`.
  virtual void rebuildTable(std::string table, const std::vector<ColumnInfo>& columns,
                            const std::map<std::string, std::string>& newValues = {},
                            const std::vector<Variant>& parameters = {}) = 0;
  void updateCatalogRow(std::string table, const ColumnInfo& column);
  void deleteCatalogRow(std::string table, std::string_view column);
  // True when an index the user made covers the column (access paths do not
  // count: they go with the column).
  virtual bool columnIndexed(std::string table, std::string_view column) = 0;
  // True when the database has an index of that name (letter case aside).
  virtual bool indexExists(std::string_view name) = 0;
  // The name of the access path of `table`.`column`; every such name starts
  // with kAccessPathPrefix.
  static std::string accessPathName(std::string_view table, std::string_view column);
  static constexpr std::string_view kAccessPathPrefix = "zive_path_";

  // The default a field's DefaultValue gives its column, as an SQL literal; a
  // Decimal's is its key, or its digits for a store that keeps it as a number.
  static std::optional<std::string> defaultLiteral(const ColumnInfo& column, bool decimalDigits = false);

 protected:
  // A number that changes whenever another connection commits.
  virtual int64_t dataVersion() = 0;
  // The table named `name` (any letter case), when there is one.
  virtual std::optional<StoredTable> storedTable(std::string_view name) = 0;
  // The catalog's rows of `table` (spelled as the store spells it).
  std::vector<ColumnInfo> catalogRows(const std::string& table);
  // One row of the catalog (field_name, dao_type, size, required,
  // allow_zero_length, default_value, ordinal_position, auto_increment in
  // columns 0 to 7), refused as damage when it describes no field we can have.
  static ColumnInfo catalogRow(const Statement& st, const std::string& table);
  void insertCatalogRow(std::string table, const ColumnInfo& column);
  void insertCatalogRows(std::string table, const std::vector<ColumnInfo>& columns);
  void deleteCatalogRows(std::string_view table);
  void forget(std::string_view table) { tables_.erase(lowerAscii(table)); }
  // Called on every change of the catalog's rows, inside its transaction.
  virtual void noteChange() {}

  Connection& connection_;

 private:
  std::unique_ptr<TableEntry> load(std::string_view name);

  std::map<std::string, std::unique_ptr<TableEntry>> tables_;  // by lower-case name
  int64_t dataVersion_ = -1;
};

bool isTextType(DaoType type);

// DAO's byte size of a field of `type` (Text: its size).
int32_t fixedSize(DaoType type);

}  // namespace svrZIVE::engine::detail
