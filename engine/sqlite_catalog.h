// The catalog store of a local SQLite file (see engine/sqlite_catalog.cpp for
// how its tables are laid out).
#pragma once

#include "engine/catalog_store.h"
#include "engine/sqlite_db.h"

namespace svrZIVE::engine::detail {

class SqliteCatalogStore final : public CatalogStore {
 public:
  explicit SqliteCatalogStore(SqliteConnection& connection) : CatalogStore(connection) {}

  void initialize() override;
  bool isOurs() override;
  std::vector<std::string> tableNames() override;
  void createTable(std::string table, std::vector<ColumnInfo> columns) override;
  void addColumn(std::string table, const ColumnInfo& column) override;
  void dropTable(std::string table) override;
  void rebuildTable(std::string table, const std::vector<ColumnInfo>& columns,
                    const std::map<std::string, std::string>& newValues = {},
                    const std::vector<Variant>& parameters = {}) override;
  bool columnIndexed(std::string table, std::string_view column) override;
  bool indexExists(std::string_view name) override;
  void transactionBegun() override { dropAtCommit_ = true; }
  void beforeCommit() override;
  void transactionEnded() override {
    dropAtCommit_ = false;
    setAside_.clear();
  }

  // SQL pieces.
  static std::string declaredType(const ColumnInfo& column);
  static std::string columnDefinition(const ColumnInfo& column, bool declareNotNull);

 protected:
  int64_t dataVersion() override;
  std::optional<StoredTable> storedTable(std::string_view name) override;

 private:
  sqlite3* db() const { return static_cast<SqliteConnection&>(connection_).handle(); }
  bool appendToDeclaration(const std::string& table, const std::string& lastColumn, const std::string& definition);
  bool writeDeclaration(const std::string& table, const std::string& newName, const std::string& sql);
  void dropRewritten(const std::string& table);
  // Inside the workspace's transaction the rows of a table written anew are
  // dropped when it commits (tables set aside under these names).
  bool dropAtCommit_ = false;
  std::vector<std::string> setAside_;
};

}  // namespace svrZIVE::engine::detail
