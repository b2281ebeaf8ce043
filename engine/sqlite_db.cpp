#include "engine/sqlite_db.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/dao.h"

namespace svrZIVE::engine {

namespace {
thread_local StatementTrace tThreadTrace;

bool traceToStderr() {
  static const bool enabled = [] {
    const char* v = std::getenv("ZIVE_TRACE");
    return v != nullptr && std::strcmp(v, "1") == 0;
  }();
  return enabled;
}
}  // namespace

void setStatementTrace(StatementTrace trace) { tThreadTrace = std::move(trace); }

namespace detail {

namespace {
std::atomic<int> gBusyTimeoutMs{5000};

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}
}  // namespace

int busyTimeoutMs() { return gBusyTimeoutMs.load(); }
void setBusyTimeoutMs(int ms) { gBusyTimeoutMs.store(ms); }

void raise(int32_t number, std::string_view source, std::string description) {
  throw AutomationError(number, std::string(source), std::move(description));
}

void raiseJet(int32_t number, std::string_view source, std::string_view arg) {
  raise(number, source, jetMessage(number, arg));
}

AutomationError sqliteError(sqlite3* db, int rc, std::string_view source) {
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int code = rc & 0xff;
  auto make = [&](int32_t number, std::string description) {
    return AutomationError(number, std::string(source), std::move(description));
  };

  // Our SQL functions report Jet errors as "#NNNN#description".
  if (message.size() > 2 && message[0] == '#') {
    size_t end = message.find('#', 1);
    if (end != std::string::npos && end > 1) {
      char* stop = nullptr;
      long number = std::strtol(message.c_str() + 1, &stop, 10);
      if (stop == message.c_str() + end) return make(static_cast<int32_t>(number), message.substr(end + 1));
    }
  }

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

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool tracing() { return static_cast<bool>(tThreadTrace) || traceToStderr(); }

void traceStatement(std::string_view jet, std::string_view sqlite) {
  if (tThreadTrace) tThreadTrace(jet, sqlite);
  if (traceToStderr()) {
    std::fprintf(stderr, "[zive] jet:    %.*s\n[zive] sqlite: %.*s\n", int(jet.size()), jet.data(),
                 int(sqlite.size()), sqlite.data());
  }
}

Bytes Statement::blob(int column) const {
  const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, column));
  return p ? Bytes(p, p + sqlite3_column_bytes(stmt_, column)) : Bytes();
}

// ---------------------------------------------------------------------------

Statement::Statement(sqlite3* db, std::string_view sql, std::string_view source) : db_(db), source_(source) {
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) {
    AutomationError error = sqliteError(db, rc, source);
    sqlite3_finalize(stmt_);
    throw error;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::bind(int index, const Variant& value) {
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
    default: raiseJet(kTypeMismatchInExpression, source_);
  }
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void Statement::bindText(int index, std::string_view text) {
  int rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void Statement::bindInt(int index, int64_t value) {
  int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void Statement::bindDouble(int index, double value) {
  int rc = sqlite3_bind_double(stmt_, index, value);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

void Statement::bindNull(int index) {
  int rc = sqlite3_bind_null(stmt_, index);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source_);
}

bool Statement::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  AutomationError error = sqliteError(db_, rc, source_);
  sqlite3_reset(stmt_);
  throw error;
}

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::string Statement::text(int column) const {
  const unsigned char* p = sqlite3_column_text(stmt_, column);
  int n = sqlite3_column_bytes(stmt_, column);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

// ---------------------------------------------------------------------------

Connection::~Connection() { close(); }

void Connection::open(const std::string& path, bool readOnly, bool create, std::string_view source) {
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

void Connection::close() {
  fixed_.clear();  // finalized before the connection closes
  if (db_) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

void Connection::exec(std::string_view sql, std::string_view source) {
  std::string text(sql);
  char* err = nullptr;
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err);
  sqlite3_free(err);
  if (rc != SQLITE_OK) throw sqliteError(db_, rc, source);
}

int64_t Connection::queryInt(std::string_view sql, std::string_view source) {
  Statement st(db_, sql, source);
  return st.step() ? st.int64(0) : 0;
}

Statement& Connection::fixed(std::string_view sql, std::string_view source) {
  for (auto& [text, statement] : fixed_)
    if (text == sql) return *statement;
  auto statement = std::make_unique<Statement>(db_, sql, source);
  fixed_.emplace_back(std::string(sql), std::move(statement));
  return *fixed_.back().second;
}

void Connection::execFixed(std::string_view sql, std::string_view source) {
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

int64_t Connection::queryFixed(std::string_view sql, std::string_view source) {
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

Transaction::Transaction(Connection& connection, std::string_view source, bool immediate)
    : connection_(connection), source_(source) {
  if (connection_.inTransaction()) {
    kind_ = immediate ? Kind::Savepoint : Kind::Enclosed;
    if (kind_ == Kind::Savepoint) connection_.execFixed("SAVEPOINT zive_step", source_);
    return;
  }
  connection_.execFixed(immediate ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED", source_);
}

Transaction::~Transaction() {
  if (done_ || !connection_.inTransaction()) return;
  switch (kind_) {
    case Kind::Own: sqlite3_exec(connection_.handle(), "ROLLBACK", nullptr, nullptr, nullptr); break;
    case Kind::Savepoint:
      sqlite3_exec(connection_.handle(), "ROLLBACK TO zive_step; RELEASE zive_step", nullptr, nullptr, nullptr);
      break;
    case Kind::Enclosed: break;
  }
}

void Transaction::commit() {
  switch (kind_) {
    case Kind::Own: connection_.execFixed("COMMIT", source_); break;
    case Kind::Savepoint: connection_.execFixed("RELEASE zive_step", source_); break;
    case Kind::Enclosed: break;
  }
  done_ = true;
}

}  // namespace detail
}  // namespace svrZIVE::engine
