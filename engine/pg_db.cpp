#include "engine/pg_db.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/link_file.h"
#include "engine/pg_catalog.h"
#include "engine/pg_functions.h"

namespace svrZIVE::engine::detail {

namespace {

// The database's write lock, and the lock every open shares and an exclusive
// open takes alone.
constexpr int64_t kWriteLock = 0x5A495645;
constexpr int64_t kOpenLock = 0x5A495646;

// Type identifiers of the values the engine reads (pg_type).
constexpr Oid kBool = 16, kBytea = 17, kText = 25, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700, kJsonb = 3802;

// A jsonb value, which the Jet functions of no fixed type give back (CVar,
// text + number): a JSON text (control characters escaped), a number, a
// Date {"d": days}, a Decimal {"n": digits} or null.
std::string jsonText(std::string_view json) {
  std::string out;
  for (size_t i = 1; i + 1 < json.size(); ++i) {
    char c = json[i];
    if (c == '\\' && i + 2 < json.size()) {
      c = json[++i];
      if (c == 'u' && i + 4 < json.size()) {
        c = static_cast<char>(std::strtol(std::string(json.substr(i + 1, 4)).c_str(), nullptr, 16));
        i += 4;
      } else if (const char* from = std::strchr("bfnrt", c)) {
        c = "\b\f\n\r\t"[from - "bfnrt"];
      }
    }
    out += c;
  }
  return out;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

std::string field(const PGresult* r, int code) {
  const char* v = r ? PQresultErrorField(r, code) : nullptr;
  return v ? v : "";
}

std::string trimmedMessage(std::string message) {
  while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back()))) message.pop_back();
  return message;
}

// ?N parameters (outside quotes) as $N.
std::string dollarParameters(std::string_view sql) {
  std::string out;
  out.reserve(sql.size() + 8);
  char quote = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1]))) {
      c = '$';
    }
    out.push_back(c);
  }
  return out;
}

bool isInsert(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  return lowerAscii(sql.substr(i, 7)) == "insert ";
}

std::string numberText(double d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

}  // namespace

// ---------------------------------------------------------------------------

PgStatement::PgStatement(PgConnection& connection, std::string_view sql, std::string_view source)
    : connection_(connection), sql_(dollarParameters(sql)), source_(source), insert_(isInsert(sql)) {
  if (insert_) sql_ += " RETURNING rowid";
}

PgStatement::~PgStatement() { PQclear(result_); }

PgStatement::Parameter& PgStatement::parameter(int index) {
  if (index < 1) raiseJet(kInvalidArgument, source_);
  if (parameters_.size() < static_cast<size_t>(index)) parameters_.resize(static_cast<size_t>(index));
  return parameters_[static_cast<size_t>(index - 1)];
}

void PgStatement::bind(int index, const Variant& value) {
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null: bindNull(index); break;
    // Jet keeps True as -1.
    case VarType::Boolean: bindInt(index, value.asBoolean() ? -1 : 0); break;
    case VarType::Byte: bindInt(index, value.asByte()); break;
    case VarType::Integer: bindInt(index, value.asInteger()); break;
    case VarType::Long: bindInt(index, value.asLong()); break;
    case VarType::Double: bindDouble(index, value.asDouble()); break;
    case VarType::Date: bindDouble(index, value.asDate()); break;
    case VarType::String: bindText(index, value.asString()); break;
    case VarType::Decimal: parameter(index) = {value.asDecimal().text(), kNumeric}; break;
    case VarType::ByteArray: {
      const Bytes& b = value.asBytes();
      parameter(index) = {std::string(b.begin(), b.end()), kBytea};
      break;
    }
    default: raiseJet(kTypeMismatchInExpression, source_);
  }
}

void PgStatement::bindText(int index, std::string_view text) { parameter(index) = {std::string(text), kText}; }
void PgStatement::bindInt(int index, int64_t value) { parameter(index) = {std::to_string(value), kInt8}; }
void PgStatement::bindDouble(int index, double value) { parameter(index) = {numberText(value), kFloat8}; }
void PgStatement::bindNull(int index) { parameter(index) = {std::nullopt, 0}; }

void PgStatement::execute() const {
  PGconn* conn = connection_.handle(source_);
  const int n = static_cast<int>(parameters_.size());
  std::vector<const char*> values(static_cast<size_t>(n));
  std::vector<int> lengths(static_cast<size_t>(n)), formats(static_cast<size_t>(n));
  std::vector<Oid> types(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const Parameter& p = parameters_[static_cast<size_t>(i)];
    values[static_cast<size_t>(i)] = p.value ? p.value->c_str() : nullptr;
    lengths[static_cast<size_t>(i)] = p.value ? static_cast<int>(p.value->size()) : 0;
    formats[static_cast<size_t>(i)] = p.type == kBytea ? 1 : 0;
    types[static_cast<size_t>(i)] = p.type;
  }
  PGresult* r = PQexecParams(conn, sql_.c_str(), n, types.data(), values.data(), lengths.data(), formats.data(), 0);
  const ExecStatusType status = PQresultStatus(r);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) connection_.fail(r, source_);
  result_ = r;
  row_ = -1;
  if (insert_) {
    const int rows = PQntuples(r);
    connection_.setChanges(rows, rows > 0 ? std::strtoll(PQgetvalue(r, rows - 1, 0), nullptr, 10) : 0);
    row_ = rows;  // the rowids are no rows of the statement's
    return;
  }
  const char* tuples = PQcmdTuples(r);
  if (status == PGRES_COMMAND_OK) connection_.setChanges(tuples && *tuples ? std::atoi(tuples) : 0, 0);
}

bool PgStatement::step() {
  if (!result_) execute();
  if (row_ + 1 >= PQntuples(result_)) {
    row_ = PQntuples(result_);
    return false;
  }
  ++row_;
  return true;
}

void PgStatement::reset() {
  PQclear(result_);
  result_ = nullptr;
  row_ = -1;
  parameters_.clear();
}

int PgStatement::columnCount() const {
  if (!result_) execute();
  return insert_ ? 0 : PQnfields(result_);
}

Stored PgStatement::stored(int column) const {
  if (PQgetisnull(result_, row_, column)) return Stored::Null;
  switch (PQftype(result_, column)) {
    case kBool:
    case kInt2:
    case kInt4:
    case kInt8: return Stored::Integer;
    case kFloat4:
    case kFloat8:
    case kNumeric: return Stored::Real;
    case kBytea: return Stored::Blob;
    case kJsonb: {
      const char* v = cell(column);
      return *v == '"' ? Stored::Text : *v == 'n' ? Stored::Null : std::strpbrk(v, ".eE{") ? Stored::Real : Stored::Integer;
    }
    default: return Stored::Text;
  }
}

int64_t PgStatement::int64(int column) const {
  const char* v = cell(column);
  if (PQftype(result_, column) == kBool) return *v == 't' ? 1 : 0;
  if (stored(column) == Stored::Real) return static_cast<int64_t>(std::strtod(v, nullptr));
  return std::strtoll(v, nullptr, 10);
}

double PgStatement::real(int column) const {
  const char* v = cell(column);
  return std::strtod(*v == '{' ? std::strchr(v, ':') + 1 : v, nullptr);
}

std::string PgStatement::text(int column) const {
  if (PQftype(result_, column) == kJsonb && *cell(column) == '"') return jsonText(cell(column));
  return std::string(cell(column), static_cast<size_t>(PQgetlength(result_, row_, column)));
}

Bytes PgStatement::blob(int column) const {
  size_t length = 0;
  unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(cell(column)), &length);
  Bytes out = bytes ? Bytes(bytes, bytes + length) : Bytes();
  PQfreemem(bytes);
  return out;
}

std::string PgStatement::exactDigits(int column) const {
  const char* v = cell(column);
  const Oid type = PQftype(result_, column);
  if (type == kNumeric) return v;
  // A Decimal variant: {"n": digits}.
  if (type != kJsonb || std::strncmp(v, "{\"n\":", 5) != 0) return {};
  std::string digits(v + 5, std::strcspn(v + 5, "}"));
  digits.erase(0, digits.find_first_not_of(' '));
  return digits;
}

std::string PgStatement::origin(int column) const {
  const char* name = PQfname(result_, column);
  return name ? name : "";
}

// ---------------------------------------------------------------------------

PgConnection::~PgConnection() { close(); }

void PgConnection::open(const std::string& path, bool readOnly, bool /*create*/, std::string_view source) {
  close();
  std::optional<std::string> target = linkTarget(path);
  if (!target) raiseJet(kInvalidPath, source, path);
  conninfo_ = *target;
  PGconn* conn = PQconnectdb(conninfo_.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::string message = trimmedMessage(PQerrorMessage(conn));
    PQfinish(conn);
    raise(kCannotOpenFile, source,
          "The database server named by the link file '" + path + "' cannot be reached: " + message + ".");
  }
  conn_ = conn;
  PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  // Changes of the catalog by other connections come as notices.
  session_ = std::string(readOnly ? "SET default_transaction_read_only = on" : "SET default_transaction_read_only = off") +
             "; LISTEN zive_catalog";
  // The settings go with configure's query, in its round trip.
}

void PgConnection::close() {
  if (conn_) {
    PQfinish(conn_);
    conn_ = nullptr;
  }
}

PGconn* PgConnection::handle(std::string_view source) {
  if (PQstatus(conn_) != CONNECTION_OK) {
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
      raise(kDiskError, source,
            "Disk or network error: the database server cannot be reached (" + trimmedMessage(PQerrorMessage(conn_)) +
                "). Try again when it is back.");
    // What this connection held (its settings, the open lock, the notices
    // it listens to) went with the old one; what changed meanwhile is unknown.
    notices_ += 1;
    exec(session_ + "; SELECT " + openLock_, source);
  }
  return conn_;
}

void PgConnection::fail(PGresult* result, std::string_view source) {
  const std::string state = field(result, PG_DIAG_SQLSTATE);
  const std::string message = trimmedMessage(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
  const std::string primary = field(result, PG_DIAG_MESSAGE_PRIMARY);
  const std::string constraint = field(result, PG_DIAG_CONSTRAINT_NAME);
  const std::string column = field(result, PG_DIAG_COLUMN_NAME);
  PQclear(result);
  if (PQstatus(conn_) != CONNECTION_OK || startsWith(state, "08") || state == "57P01" || state == "57P02" ||
      state == "57P03")
    raise(kDiskError, source,
          "Disk or network error: the connection to the database server was lost (" + message +
              "). Nothing of the statement or the transaction under way was kept; the next operation connects "
              "again.");
  // Our SQL functions report Jet errors as "#NNNN#argument".
  if (auto error = functionError(primary, source)) throw *error;
  if (state == "23502") raiseJet(kRequiredIsNull, source, column);
  if (state == "23505") raiseJet(kDuplicateKey, source);
  if (state == "23514") {
    if (startsWith(constraint, "zive_len_")) raiseJet(kFieldTooSmall, source);
    if (startsWith(constraint, "zive_zls_")) raiseJet(kZeroLengthNotAllowed, source, constraint.substr(9));
    if (startsWith(constraint, "zive_type_")) raiseJet(kTypeMismatchInExpression, source);
    raiseJet(kValidationRuleViolated, source, constraint);
  }
  if (state == "22001") raiseJet(kFieldTooSmall, source);
  if (state == "22P02" || state == "22003" || state == "42804") raiseJet(kTypeMismatchInExpression, source);
  if (state == "42P01") raiseJet(kInputTableNotFound, source, primary);
  if (state == "55P03" || state == "40P01" || state == "40001") raiseJet(kCouldNotLock, source);
  if (state == "25006") raiseJet(kReadOnlyDatabase, source);
  if (state == "53100" || state == "53200" || state == "54000")
    raise(kSystemResourceExceeded, source, "System resource exceeded (" + message + ").");
  raise(kReservedError, source, "The database engine could not carry out the statement: " + message + ".");
}

void PgConnection::setChanges(int changes, int64_t lastRowid) {
  changes_ = changes;
  if (lastRowid) lastRowid_ = lastRowid;
}

void PgConnection::configure(bool exclusive, std::string_view source) {
  // Every open shares one lock of the database, which an exclusive open
  // takes alone: neither waits.
  openLock_ = (exclusive ? "pg_try_advisory_lock(" : "pg_try_advisory_lock_shared(") + std::to_string(kOpenLock) + ")";
  // One round trip: the settings, the lock, and what the open asks next.
  const std::string sql = session_ + "; SELECT " + openLock_ + "::integer, " + std::string(kCatalogFoundCheck) +
                          ", " + std::string(kFunctionsCurrentCheck);
  PGresult* r = PQexec(handle(source), sql.c_str());
  if (PQresultStatus(r) != PGRES_TUPLES_OK) fail(r, source);
  const auto answer = [&](int column) { return std::string_view(PQgetvalue(r, 0, column)) == "1"; };
  const bool locked = answer(0);
  catalogFound_ = answer(1);
  functionsCurrent_ = answer(2);
  PQclear(r);
  if (!locked) raiseJet(kCouldNotLock, source);
}

void PgConnection::prepareForJet(bool /*exclusive*/, std::string_view source) { ensureServerFunctions(*this, source); }

std::unique_ptr<CatalogStore> PgConnection::makeCatalog() { return std::make_unique<PgCatalogStore>(*this); }

std::unique_ptr<Statement> PgConnection::prepare(std::string_view sql, std::string_view source) {
  return std::make_unique<PgStatement>(*this, sql, source);
}

void PgConnection::exec(std::string_view sql, std::string_view source) {
  std::string text(sql);
  PGresult* r = PQexec(handle(source), text.c_str());
  const ExecStatusType status = PQresultStatus(r);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(r, source);
  const char* tuples = PQcmdTuples(r);
  changes_ = tuples && *tuples ? std::atoi(tuples) : 0;
  PQclear(r);
}

void PgConnection::execFixed(std::string_view sql, std::string_view source) {
  if (readPending_ && sql == "COMMIT") {
    readPending_ = false;
    return;
  }
  exec(sql, source);
}

void PgConnection::execQuietly(std::string_view sql) noexcept {
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) return;
  std::string text(sql);
  PQclear(PQexec(conn_, text.c_str()));
}

bool PgConnection::inTransaction() const {
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) return false;
  const PGTransactionStatusType s = PQtransactionStatus(conn_);
  return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
}

void PgConnection::begin(bool write, std::string_view source) {
  if (!write) {
    // Each statement reads from a snapshot of its own, and the catalog
    // learns of other connections' changes from their notices: a read needs
    // no transaction, which would cost two more round trips.
    readPending_ = true;
    return;
  }
  readPending_ = false;
  exec("BEGIN; SET LOCAL lock_timeout = " + std::to_string(busyTimeoutMs()) + "; SELECT pg_advisory_xact_lock(" +
           std::to_string(kWriteLock) + ")",
       source);
}

int64_t PgConnection::catalogNotices() {
  if (!conn_) return notices_;
  PQconsumeInput(conn_);
  while (PGnotify* n = PQnotifies(conn_)) {
    ++notices_;
    PQfreemem(n);
  }
  return notices_;
}

}  // namespace svrZIVE::engine::detail
