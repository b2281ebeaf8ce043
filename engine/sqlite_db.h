// The engine's hold on SQLite: one connection with our settings, prepared
// statements, write transactions, and the translation of SQLite's failures
// into Jet's error numbers. Nothing in here knows the DAO object model.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/jet/errors.h"
#include "engine/schema.h"
#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE::engine::detail {

// Every database of ours carries this SQLite application_id ("ZIVE")...
inline constexpr int32_t kApplicationId = 0x5A495645;
// ... and this table, which keeps what SQLite cannot hold of a field.
inline constexpr std::string_view kCatalogTable = "zive_fields";

// Sources of the errors, as DAO names its objects.
inline constexpr std::string_view kSrcEngine = "DAO.DBEngine";
inline constexpr std::string_view kSrcWorkspace = "DAO.Workspace";
inline constexpr std::string_view kSrcDatabase = "DAO.Database";
inline constexpr std::string_view kSrcRecordset = "DAO.Recordset";
inline constexpr std::string_view kSrcField = "DAO.Field";
inline constexpr std::string_view kSrcFields = "DAO.Fields";
inline constexpr std::string_view kSrcTableDef = "DAO.TableDef";
inline constexpr std::string_view kSrcTableDefs = "DAO.TableDefs";
inline constexpr std::string_view kSrcRecordsets = "DAO.Recordsets";

[[noreturn]] void raise(int32_t number, std::string_view source, std::string description);

[[noreturn]] void raiseJet(int32_t number, std::string_view source, std::string_view arg = {});

// The Jet error for a failure `rc` that SQLite reported on `db`.
AutomationError sqliteError(sqlite3* db, int rc, std::string_view source);

// How long a statement waits for another connection's lock before it fails
// with 3050 (an open, with 3045). Tests shorten it.
int busyTimeoutMs();
void setBusyTimeoutMs(int ms);

std::string lowerAscii(std::string_view text);

// The statement trace of this thread (engine/dao.h setStatementTrace) and the
// ZIVE_TRACE=1 print to standard error.
void traceStatement(std::string_view jet, std::string_view sqlite);
// True when traceStatement prints or calls anything.
bool tracing();

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql, std::string_view source);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void bind(int index, const Variant& value);  // 1-based
  void bindText(int index, std::string_view text);
  void bindInt(int index, int64_t value);
  void bindDouble(int index, double value);
  void bindNull(int index);
  // Advances: true on a row, false when done; failures raise.
  bool step();
  void run() { while (step()) {} }
  void reset();

  int columnCount() const { return sqlite3_column_count(stmt_); }
  int columnType(int column) const { return sqlite3_column_type(stmt_, column); }
  int64_t int64(int column) const { return sqlite3_column_int64(stmt_, column); }
  double real(int column) const { return sqlite3_column_double(stmt_, column); }
  std::string text(int column) const;
  Bytes blob(int column) const;
  bool isNull(int column) const { return columnType(column) == SQLITE_NULL; }
  sqlite3_stmt* handle() const { return stmt_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string source_;
};

// One SQLite connection, closed with the object.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens an existing file (never creates one); raises 3044/3051 when SQLite
  // cannot open it. `create`: the file may be new.
  void open(const std::string& path, bool readOnly, bool create, std::string_view source);
  void close();
  bool isOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }

  void exec(std::string_view sql, std::string_view source);  // one or more statements, no rows
  int64_t queryInt(std::string_view sql, std::string_view source);  // first column of the first row
  // The same for one fixed statement the engine runs over and over (BEGIN,
  // COMMIT, PRAGMA data_version): prepared once per connection, kept until
  // it closes.
  void execFixed(std::string_view sql, std::string_view source);
  int64_t queryFixed(std::string_view sql, std::string_view source);
  int changes() const { return sqlite3_changes(db_); }
  int64_t lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }
  bool inTransaction() const { return !sqlite3_get_autocommit(db_); }

 private:
  Statement& fixed(std::string_view sql, std::string_view source);
  sqlite3* db_ = nullptr;
  std::vector<std::pair<std::string, std::unique_ptr<Statement>>> fixed_;
};

// A transaction, rolled back unless committed. By default a write
// transaction (BEGIN IMMEDIATE: the write lock is taken up front, so that a
// writer waits for another one instead of failing on a deadlock).
//
// On a connection already inside a transaction (a workspace's), a write
// transaction is a savepoint in it, released on commit and rolled back to
// otherwise, and a read transaction is nothing: the enclosing transaction
// already holds the lock and the snapshot.
class Transaction {
 public:
  // `immediate` false: a deferred transaction, for reading several
  // statements from one snapshot of the file under one lock.
  Transaction(Connection& connection, std::string_view source, bool immediate = true);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  enum class Kind { Own, Savepoint, Enclosed };
  Connection& connection_;
  std::string_view source_;
  Kind kind_ = Kind::Own;
  bool done_ = false;
};

}  // namespace svrZIVE::engine::detail
