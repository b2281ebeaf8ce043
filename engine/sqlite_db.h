// The storage on a local SQLite file: one connection with our settings,
// prepared statements, write transactions, and the translation of SQLite's
// failures into Jet's error numbers.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/storage.h"

namespace svrZIVE::engine::detail {

// Every SQLite database of ours carries this application_id ("ZIVE").
inline constexpr int32_t kApplicationId = 0x5A495645;

// The Jet error for a failure `rc` that SQLite reported on `db`.
AutomationError sqliteError(sqlite3* db, int rc, std::string_view source);

class SqliteStatement final : public Statement {
 public:
  SqliteStatement(sqlite3* db, std::string_view sql, std::string_view source);
  ~SqliteStatement() override;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  void bind(int index, const Variant& value) override;
  void bindText(int index, std::string_view text) override;
  void bindInt(int index, int64_t value) override;
  void bindDouble(int index, double value) override;
  void bindNull(int index) override;
  bool step() override;
  void reset() override;

  int columnCount() const override { return sqlite3_column_count(stmt_); }
  Stored stored(int column) const override;
  int64_t int64(int column) const override { return sqlite3_column_int64(stmt_, column); }
  double real(int column) const override { return sqlite3_column_double(stmt_, column); }
  std::string text(int column) const override;
  Bytes blob(int column) const override;
  std::string origin(int column) const override;
  sqlite3_stmt* handle() const { return stmt_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string source_;
};

// One SQLite connection, closed with the object.
class SqliteConnection final : public Connection {
 public:
  SqliteConnection() = default;
  ~SqliteConnection() override;
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  void open(const std::string& path, bool readOnly, bool create, std::string_view source) override;
  void close() override;
  bool isOpen() const override { return db_ != nullptr; }
  void configure(bool exclusive, std::string_view source) override;
  void prepareForJet(bool exclusive, std::string_view source) override;
  std::unique_ptr<CatalogStore> makeCatalog() override;
  sqlite3* handle() const { return db_; }

  std::unique_ptr<Statement> prepare(std::string_view sql, std::string_view source) override;
  void exec(std::string_view sql, std::string_view source) override;
  // Prepared once per connection, kept until it closes.
  void execFixed(std::string_view sql, std::string_view source) override;
  int64_t queryFixed(std::string_view sql, std::string_view source) override;
  void execQuietly(std::string_view sql) noexcept override;
  int changes() const override { return sqlite3_changes(db_); }
  int64_t lastInsertRowid() const override { return sqlite3_last_insert_rowid(db_); }
  bool inTransaction() const override { return !sqlite3_get_autocommit(db_); }
  // BEGIN IMMEDIATE for a write, BEGIN DEFERRED for a read.
  void begin(bool write, std::string_view source) override;

 private:
  SqliteStatement& fixed(std::string_view sql, std::string_view source);
  sqlite3* db_ = nullptr;
  std::vector<std::pair<std::string, std::unique_ptr<SqliteStatement>>> fixed_;
};

}  // namespace svrZIVE::engine::detail
