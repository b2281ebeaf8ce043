// The catalog store of a database on a PostgreSQL server (see
// engine/pg_catalog.cpp for how its tables are laid out).
#pragma once

#include "engine/catalog_store.h"
#include "engine/pg_db.h"

namespace svrZIVE::engine::detail {

// 1 when the connection's schema holds a catalog of ours, else 0 (an SQL expression).
inline constexpr std::string_view kCatalogFoundCheck =
    "(to_regclass('zive_fields') IS NOT NULL AND "
    "to_regprocedure('jet_store(text,integer,integer,integer,text)') IS NOT NULL)::integer";

class PgCatalogStore final : public CatalogStore {
 public:
  explicit PgCatalogStore(PgConnection& connection) : CatalogStore(connection) {}

  SqlTarget target() const override { return SqlTarget::Postgres; }
  void initialize() override;
  bool isOurs() override;
  // Drops everything of ours in the current schema (see removeLinkedDatabase).
  void removeAll();
  std::vector<std::string> tableNames() override;
  void createTable(std::string table, std::vector<ColumnInfo> columns) override;
  void addColumn(std::string table, const ColumnInfo& column) override;
  void dropTable(std::string table) override;
  void rebuildTable(std::string table, const std::vector<ColumnInfo>& columns,
                    const std::map<std::string, std::string>& newValues = {},
                    const std::vector<Variant>& parameters = {}) override;
  bool columnIndexed(std::string table, std::string_view column) override;
  bool indexExists(std::string_view name) override;

  static std::string declaredType(const ColumnInfo& column);
  static std::string columnDefinition(const ColumnInfo& column, bool declareNotNull);

 protected:
  int64_t dataVersion() override;
  std::optional<StoredTable> storedTable(std::string_view name) override;
  void noteChange() override;

 private:
  std::optional<StoredTable> anyTable(std::string_view name);
  void addCounter(const std::string& table, const ColumnInfo& column);
  void declare(const std::string& table, const ColumnInfo& column, bool hadColumn);
};

}  // namespace svrZIVE::engine::detail
