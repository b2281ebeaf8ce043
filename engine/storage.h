// The engine's hold on its storage, whatever keeps the rows: a connection,
// its prepared statements, its transactions, and the failures of the store
// turned into Jet's error numbers. A backend (engine/sqlite_db.h for a local
// file) implements Connection and Statement and gives the catalog store that
// reads and writes its tables.
// Nothing in here knows the DAO object model.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/jet/errors.h"
#include "engine/schema.h"
#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE::engine::detail {

// The table of every database of ours that keeps what the store cannot hold
// of a field.
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

// A failure that one of our SQL functions reported as "#NNNN#description":
// error NNNN. Nothing when the message is not of that form.
std::optional<AutomationError> functionError(const std::string& message, std::string_view source);

// How long a statement waits for another connection's lock before it fails
// with 3050 (an open, with 3045). Tests shorten it.
int busyTimeoutMs();
void setBusyTimeoutMs(int ms);

std::string lowerAscii(std::string_view text);

// The statement trace of this thread (engine/dao.h setStatementTrace) and the
// ZIVE_TRACE=1 print to standard error.
void traceStatement(std::string_view jet, std::string_view stored);
// True when traceStatement prints or calls anything.
bool tracing();

// The kind of a value read from the store.
enum class Stored { Null, Integer, Real, Text, Blob };

// A prepared statement. Parameters are written ?N in the statement text and
// bound by their number N (from 1).
class Statement {
 public:
  virtual ~Statement() = default;

  virtual void bind(int index, const Variant& value) = 0;
  virtual void bindText(int index, std::string_view text) = 0;
  virtual void bindInt(int index, int64_t value) = 0;
  virtual void bindDouble(int index, double value) = 0;
  virtual void bindNull(int index) = 0;
  // Advances: true on a row, false when done; failures raise.
  virtual bool step() = 0;
  void run() { while (step()) {} }
  // Back to before the first row, the parameters cleared.
  virtual void reset() = 0;

  virtual int columnCount() const = 0;
  virtual Stored stored(int column) const = 0;
  virtual int64_t int64(int column) const = 0;
  virtual double real(int column) const = 0;
  virtual std::string text(int column) const = 0;
  virtual Bytes blob(int column) const = 0;
  // The digits of a number the store keeps exactly (a server's numeric, a
  // Decimal variant), which a Decimal is read from without passing through
  // a Double; empty for any other value.
  virtual std::string exactDigits(int /*column*/) const { return {}; }
  bool isNull(int column) const { return stored(column) == Stored::Null; }
  // The field a result column reads, "TABLE.FIELD" (its name when it is no
  // plain field of a table).
  virtual std::string origin(int column) const = 0;
};

class CatalogStore;

// One connection to a database, closed with the object.
class Connection {
 public:
  virtual ~Connection() = default;

  // Opens an existing database (never creates one); raises 3044/3051 when it
  // cannot be opened. `create`: the database may be new.
  virtual void open(const std::string& path, bool readOnly, bool create, std::string_view source) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  // The settings of ours, before the catalog is read; `exclusive`: no other
  // connection may use the database while this one is open.
  virtual void configure(bool exclusive, std::string_view source) = 0;
  // What the translated statements need (our functions and collation), and
  // the exclusive hold when asked for; after the catalog was checked.
  virtual void prepareForJet(bool exclusive, std::string_view source) = 0;
  // The catalog store of this backend on this connection.
  virtual std::unique_ptr<CatalogStore> makeCatalog() = 0;

  virtual std::unique_ptr<Statement> prepare(std::string_view sql, std::string_view source) = 0;
  virtual void exec(std::string_view sql, std::string_view source) = 0;  // one or more statements, no rows
  int64_t queryInt(std::string_view sql, std::string_view source);      // first column of the first row
  // The same for one fixed statement the engine runs over and over (COMMIT,
  // a savepoint): a backend may keep it prepared until the connection closes.
  virtual void execFixed(std::string_view sql, std::string_view source) { exec(sql, source); }
  virtual int64_t queryFixed(std::string_view sql, std::string_view source) { return queryInt(sql, source); }
  // Runs `sql` ignoring any failure (a rollback on the way out of an error).
  virtual void execQuietly(std::string_view sql) noexcept = 0;

  virtual int changes() const = 0;
  virtual int64_t lastInsertRowid() const = 0;
  virtual bool inTransaction() const = 0;
  // True when a failed statement spoils the whole transaction around it
  // (PostgreSQL's rule): a read inside one then takes a savepoint of its own,
  // so that it fails alone, as a write does.
  virtual bool failureSpoilsTransaction() const { return false; }
  // Starts a transaction: a write one takes the write lock up front, so that
  // a writer waits for another one instead of failing on a deadlock.
  virtual void begin(bool write, std::string_view source) = 0;
};

// A transaction, rolled back unless committed. By default a write
// transaction (the write lock is taken up front).
//
// On a connection already inside a transaction (a workspace's), a write
// transaction is a savepoint in it, released on commit and rolled back to
// otherwise, and a read transaction is nothing: the enclosing transaction
// already holds the lock and the snapshot (a savepoint too where a failure
// would spoil the enclosing transaction).
class Transaction {
 public:
  // `immediate` false: a read transaction, for reading several statements
  // from one snapshot of the database.
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

// The connection for the database at `path`.
std::unique_ptr<Connection> connectionFor(const std::string& path);

}  // namespace svrZIVE::engine::detail
