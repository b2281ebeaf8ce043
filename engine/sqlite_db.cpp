#include "engine/sqlite_db.h"

#include <cerrno>
#include <cstring>

#include "engine/sqlite_catalog.h"
#include "engine/jet/translator.h"

namespace svrZIVE::engine::detail {

namespace {
bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}
}  // namespace

AutomationError sqliteError(sqlite3* db, int rc, std::string_view source) {
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int code = rc & 0xff;
  auto make = [&](int32_t number, std::string description) {
    return AutomationError(number, std::string(source), std::move(description));
  };

  // Our SQL functions report Jet errors as "#NNNN#description".
  if (auto error = functionError(message, source)) return *error;

  switch (rc) {
    case SQLITE_CONSTRAINT_NOTNULL: {
      std::string field = startsWith(message, "NOT NULL constraint failed: ")
                              ? message.substr(std::strlen("NOT NULL constraint failed: "))
                              : std::string();
      return make(kRequiredIsNull, jetMessage(kRequiredIsNull, field));
    }
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID: return make(kDuplicateKey, jetMessage(kDuplicateKey));
    case SQLITE_CONSTRAINT_CHECK: {
      // Our column constraints are named "zive_<kind>_<field>".
      constexpr std::string_view kPrefix = "CHECK constraint failed: ";
      std::string name = startsWith(message, kPrefix) ? message.substr(kPrefix.size()) : message;
      if (startsWith(name, "zive_len_")) return make(kFieldTooSmall, jetMessage(kFieldTooSmall));
      if (startsWith(name, "zive_zls_"))
        return make(kZeroLengthNotAllowed, jetMessage(kZeroLengthNotAllowed, name.substr(9)));
      if (startsWith(name, "zive_type_"))
        return make(kTypeMismatchInExpression, jetMessage(kTypeMismatchInExpression));
      return make(kValidationRuleViolated, jetMessage(kValidationRuleViolated, name));
    }
    default: break;
  }
  switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return make(kCouldNotLock, jetMessage(kCouldNotLock));
    case SQLITE_READONLY: return make(kReadOnlyDatabase, jetMessage(kReadOnlyDatabase));
    case SQLITE_NOTADB: return make(kUnrecognizedFormat, jetMessage(kUnrecognizedFormat, ""));
    case SQLITE_CORRUPT: return make(kCorruptDatabase, jetMessage(kCorruptDatabase, ""));
    case SQLITE_FULL:
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG: return make(kSystemResourceExceeded, "System resource exceeded (" + message + ").");
    case SQLITE_IOERR: return make(kDiskError, "Disk or network error (" + message + ").");
    case SQLITE_MISMATCH: return make(kTypeMismatchInExpression, jetMessage(kTypeMismatchInExpression));
    case SQLITE_CONSTRAINT:
      return make(kValidationRuleViolated, "The changes were refused by a rule of the table: " + message + ".");
    default: break;
  }
  if (startsWith(message, "no such table: "))
    return make(kInputTableNotFound, "The database engine cannot find the input table or query '" +
                                         message.substr(15) + "'. Make sure it exists and that its name is "
                                                              "spelled correctly.");
  return make(kReservedError, "The database engine could not carry out the statement: " + message + ".");
}

Bytes SqliteStatement::blob(int column) const {
  const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, column));
  return p ? Bytes(p, p + sqlite3_column_bytes(stmt_, column)) : Bytes();
}

// ---------------------------------------------------------------------------

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql, std::string_view source) : db_(db), source_(source) {
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) {
    AutomationError error = sqliteError(db, rc, source);
    sqlite3_finalize(stmt_);
    throw error;
  }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

void SqliteStatement::bind(int index, const Variant& value) {
  int rc = SQLITE_OK;
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null: rc = sqlite3_bind_null(stmt_, index); break;
    // Jet keeps True as -1.
    case VarType::Boolean: rc = sqlite3_bind_int(stmt_, index, value.asBoolean() ? -1 : 0); break;
    case VarType::Byte: rc = sqlite3_bind_int(stmt_, index, value.asByte()); break;
    case VarType::Integer: rc = sqlite3_bind_int(stmt_, index, value.asInteger()); break;
    case VarType::Long: rc = sqlite3_bind_int(stmt_, index, value.asLong()); break;
    case VarType::Double: rc = sqlite3_bind_double(stmt_, index, value.asDouble()); break;
    case VarType::Date: rc = sqlite3_bind_double(stmt_, index, value.asDate()); break;
    case VarType::String: {
      const std::string& s = value.asString();
      rc = sqlite3_bind_text(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      break;
    }
    case VarType::ByteArray: {
      const Bytes& b = value.asBytes();
      rc = sqlite3_bind_blob(stmt_, index, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
      break;
    }
    case VarType::Decimal: {  // its key, as a Decimal field holds it
      const std::string key = value.asDecimal().key();
      rc = sqlite3_bind_text(stmt_, index, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
      break;
    }
    default: raiseJet(kTypeMismatchInExpression, source_);
  }
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void SqliteStatement::bindText(int index, std::string_view text) {
  int rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void SqliteStatement::bindInt(int index, int64_t value) {
  int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void SqliteStatement::bindDouble(int index, double value) {
  int rc = sqlite3_bind_double(stmt_, index, value);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void SqliteStatement::bindNull(int index) {
  int rc = sqlite3_bind_null(stmt_, index);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

bool SqliteStatement::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  AutomationError error = sqliteError(db_, rc, source_);
  sqlite3_reset(stmt_);
  throw error;
}

void SqliteStatement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

Stored SqliteStatement::stored(int column) const {
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL: return Stored::Null;
    case SQLITE_INTEGER: return Stored::Integer;
    case SQLITE_FLOAT: return Stored::Real;
    case SQLITE_BLOB: return Stored::Blob;
    default: return Stored::Text;
  }
}

std::string SqliteStatement::origin(int column) const {
  const char* table = sqlite3_column_table_name(stmt_, column);
  const char* field = sqlite3_column_origin_name(stmt_, column);
  if (table && field) return std::string(table) + "." + field;
  const char* name = sqlite3_column_name(stmt_, column);
  return name ? name : "";
}

std::string SqliteStatement::text(int column) const {
  const unsigned char* p = sqlite3_column_text(stmt_, column);
  int n = sqlite3_column_bytes(stmt_, column);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

// ---------------------------------------------------------------------------

SqliteConnection::~SqliteConnection() { close(); }

void SqliteConnection::open(const std::string& path, bool readOnly, bool create, std::string_view source) {
  close();
  int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  if (create) flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_EXRESCODE, nullptr);
  if (rc != SQLITE_OK) {
    int sysErrno = db ? sqlite3_system_errno(db) : 0;
    sqlite3_close_v2(db);
    if (sysErrno == EACCES || sysErrno == EPERM) raiseJet(kCannotOpenFile, source, path);
    raiseJet(kInvalidPath, source, path);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, busyTimeoutMs());
  db_ = db;
}

void SqliteConnection::close() {
  fixed_.clear();  // finalized before the connection closes
  if (db_) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

void SqliteConnection::exec(std::string_view sql, std::string_view source) {
  std::string text(sql);
  char* err = nullptr;
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
  sqlite3_free(err);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source);
}

std::unique_ptr<Statement> SqliteConnection::prepare(std::string_view sql, std::string_view source) {
  return std::make_unique<SqliteStatement>(db_, sql, source);
}

SqliteStatement& SqliteConnection::fixed(std::string_view sql, std::string_view source) {
  for (auto& [text, statement] : fixed_)
    if (text == sql) return *statement;
  auto statement = std::make_unique<SqliteStatement>(db_, sql, source);
  fixed_.emplace_back(std::string(sql), std::move(statement));
  return *fixed_.back().second;
}

void SqliteConnection::execFixed(std::string_view sql, std::string_view source) {
  sqlite3_stmt* st = fixed(sql, source).handle();
  int rc = sqlite3_step(st);
  while (rc == SQLITE_ROW) rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) {
    AutomationError error = sqliteError(db_, rc, source);
    sqlite3_reset(st);
    throw error;
  }
  sqlite3_reset(st);
}

int64_t SqliteConnection::queryFixed(std::string_view sql, std::string_view source) {
  sqlite3_stmt* st = fixed(sql, source).handle();
  int rc = sqlite3_step(st);
  int64_t value = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
  while (rc == SQLITE_ROW) rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) {
    AutomationError error = sqliteError(db_, rc, source);
    sqlite3_reset(st);
    throw error;
  }
  sqlite3_reset(st);
  return value;
}

void SqliteConnection::execQuietly(std::string_view sql) noexcept {
  if (!db_) return;
  std::string text(sql);
  sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
}

void SqliteConnection::begin(bool write, std::string_view source) {
  execFixed(write ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED", source);
}

void SqliteConnection::configure(bool exclusive, std::string_view source) {
  if (exclusive) exec("PRAGMA locking_mode = EXCLUSIVE", source);
  // A rollback journal, never a write-ahead log: a copy of the one file is
  // a complete backup. Every commit reaches the disk before it returns.
  exec("PRAGMA journal_mode = DELETE", source);
  exec("PRAGMA synchronous = FULL", source);
}

void SqliteConnection::prepareForJet(bool exclusive, std::string_view source) {
  jet::registerJetFunctions(db_);
  if (exclusive) {
    // In exclusive locking mode the lock taken by a write transaction is
    // kept after it ends: other connections can neither read nor write.
    exec("BEGIN EXCLUSIVE", source);
    exec("COMMIT", source);
  }
}

std::unique_ptr<CatalogStore> SqliteConnection::makeCatalog() { return std::make_unique<SqliteCatalogStore>(*this); }

}  // namespace svrZIVE::engine::detail
