// The storage on a PostgreSQL server, through libpq: a database named by a
// link file (engine/link_file.h). The same statements as on a local file,
// with ?N parameters sent as $N, every value travelling as text; a write
// transaction takes one lock of the database first, as a local file's
// writer does, so that writers follow one another; a lost connection is a
// Jet error and the next operation connects again.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/storage.h"

namespace svrZIVE::engine::detail {

class PgConnection;

class PgStatement final : public Statement {
 public:
  PgStatement(PgConnection& connection, std::string_view sql, std::string_view source);
  ~PgStatement() override;
  PgStatement(const PgStatement&) = delete;
  PgStatement& operator=(const PgStatement&) = delete;

  void bind(int index, const Variant& value) override;
  void bindText(int index, std::string_view text) override;
  void bindInt(int index, int64_t value) override;
  void bindDouble(int index, double value) override;
  void bindNull(int index) override;
  bool step() override;
  void reset() override;

  int columnCount() const override;
  Stored stored(int column) const override;
  int64_t int64(int column) const override;
  double real(int column) const override;
  std::string text(int column) const override;
  Bytes blob(int column) const override;
  std::string exactDigits(int column) const override;
  std::string origin(int column) const override;

 private:
  struct Parameter {
    std::optional<std::string> value;
    // 0: the server infers it; bytea values go as bytes. A parameter no
    // statement text uses (a literal written into it) is given a type.
    Oid type = 25;
  };
  Parameter& parameter(int index);
  // Runs the statement with the parameters bound, before its first row.
  void execute() const;
  const char* cell(int column) const { return PQgetvalue(result_, row_, column); }

  PgConnection& connection_;
  std::string sql_;
  std::string source_;
  bool insert_ = false;  // an INSERT, which gives back the rowids of its rows
  std::vector<Parameter> parameters_;
  mutable PGresult* result_ = nullptr;
  mutable int row_ = -1;
};

class PgConnection final : public Connection {
 public:
  PgConnection() = default;
  ~PgConnection() override;
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // `path`: the link file.
  void open(const std::string& path, bool readOnly, bool create, std::string_view source) override;
  void close() override;
  bool isOpen() const override { return conn_ != nullptr; }
  void configure(bool exclusive, std::string_view source) override;
  void prepareForJet(bool exclusive, std::string_view source) override;
  std::unique_ptr<CatalogStore> makeCatalog() override;

  std::unique_ptr<Statement> prepare(std::string_view sql, std::string_view source) override;
  void exec(std::string_view sql, std::string_view source) override;
  // COMMIT of a read transaction, which was never begun, sends nothing.
  void execFixed(std::string_view sql, std::string_view source) override;
  void execQuietly(std::string_view sql) noexcept override;
  int changes() const override { return changes_; }
  int64_t lastInsertRowid() const override { return lastRowid_; }
  bool inTransaction() const override;
  bool failureSpoilsTransaction() const override { return true; }
  // BEGIN and the database's write lock for a write; nothing for a read.
  void begin(bool write, std::string_view source) override;

  // For statements and the catalog.
  PGconn* handle(std::string_view source);  // connected again when the connection was lost
  // The Jet error of a failed `result` (which it clears).
  [[noreturn]] void fail(PGresult* result, std::string_view source);
  void setChanges(int changes, int64_t lastRowid);
  // How many times the catalog was changed by other connections, as far as
  // their notices have arrived.
  int64_t catalogNotices();
  // What the open asked the server in the same round trip as its settings
  // and its lock: whether the catalog of ours is there and whether the
  // functions are this build's. Each answer serves its first asker only.
  std::optional<bool> takeCatalogFound() { return std::exchange(catalogFound_, std::nullopt); }
  std::optional<bool> takeFunctionsCurrent() { return std::exchange(functionsCurrent_, std::nullopt); }

 private:
  void connect(std::string_view source);
  PGconn* conn_ = nullptr;
  std::string conninfo_;
  int changes_ = 0;
  int64_t lastRowid_ = 0;
  int64_t notices_ = 0;
  bool readPending_ = false;
  std::string session_;   // the settings every connection gets
  std::string openLock_;  // the call that takes the open lock
  std::optional<bool> catalogFound_, functionsCurrent_;
};

}  // namespace svrZIVE::engine::detail
