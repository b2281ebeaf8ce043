// The engine: the DAO object model the system's classes rely on, standing on
// SQLite. DBEngine -> Workspace -> Database -> Recordset / TableDefs -> Fields.
//
// Every failure is an AutomationError with the Jet trappable error number and
// the failing object as source ("DAO.Database", "DAO.Recordset", ...).
//
// Files: a database is one SQLite file in rollback-journal mode with full
// synchronous commits; every statement is atomic. What SQLite cannot hold
// (DAO types, sizes, Required, AllowZeroLength, defaults, ordinal positions)
// lives in declared column types, constraints and a catalog table in the file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/jet/errors.h"  // the Jet error numbers, kDuplicateKey and the rest
#include "engine/schema.h"
#include "base/automation_error.h"
#include "base/variant.h"

namespace svrZIVE::engine {

// Recordset types (all open as dynasets here) and Execute options.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;
inline constexpr int dbFailOnError = 128;
// Workspace type.
inline constexpr int dbUseJet = 2;
// Field attribute of a COUNTER field.
inline constexpr int dbAutoIncrField = 16;


class Database;
class Recordset;
class TableDef;

// A field: of a table definition (Name, Type, Size, DefaultValue, Required,
// AllowZeroLength, Attributes, OrdinalPosition) or of a recordset (Name, Type,
// Size and the current record's Value).
class Field {
 public:
  virtual ~Field() = default;
  virtual std::string name() const = 0;
  virtual void setName(std::string name) = 0;
  virtual DaoType type() const = 0;
  virtual void setType(DaoType type) = 0;
  virtual int32_t size() const = 0;
  virtual void setSize(int32_t size) = 0;
  // A Decimal field's digits in all and after the point (0 for other types);
  // set before the field is appended.
  virtual int32_t precision() const = 0;
  virtual void setPrecision(int32_t precision) = 0;
  virtual int32_t scale() const = 0;
  virtual void setScale(int32_t scale) = 0;
  virtual Variant defaultValue() const = 0;   // a text, as DAO keeps it
  virtual void setDefaultValue(const Variant& value) = 0;
  virtual bool required() const = 0;
  virtual void setRequired(bool required) = 0;
  virtual bool allowZeroLength() const = 0;
  virtual void setAllowZeroLength(bool allow) = 0;
  virtual int32_t attributes() const = 0;     // dbAutoIncrField for a COUNTER
  virtual void setAttributes(int32_t attributes) = 0;
  virtual int16_t ordinalPosition() const = 0;
  virtual void setOrdinalPosition(int16_t position) = 0;
  // Recordset fields: the current record's value (3021 without a current
  // record); setting it needs AddNew or Edit first.
  virtual Variant value() const = 0;
  virtual void setValue(const Variant& value) = 0;
};

// A collection of fields: of a table definition (appendable) or of a recordset.
class Fields {
 public:
  virtual ~Fields() = default;
  virtual int32_t count() const = 0;
  virtual std::shared_ptr<Field> item(int32_t index) const = 0;      // 3265 when out of range
  virtual std::shared_ptr<Field> item(std::string_view name) const = 0;  // case-insensitive; 3265
  virtual void append(std::shared_ptr<Field> field) = 0;
  virtual void remove(std::string_view name) = 0;
  virtual void refresh() = 0;
};

class TableDef {
 public:
  virtual ~TableDef() = default;
  virtual std::string name() const = 0;
  virtual Fields& fields() = 0;
  // A new, unattached field; append it to a table definition's fields.
  virtual std::shared_ptr<Field> createField(std::string name, DaoType type, int32_t size = 0) = 0;
};

class TableDefs {
 public:
  virtual ~TableDefs() = default;
  virtual int32_t count() = 0;
  virtual std::shared_ptr<TableDef> item(int32_t index) = 0;
  virtual std::shared_ptr<TableDef> item(std::string_view name) = 0;  // case-insensitive; 3265
  virtual void append(std::shared_ptr<TableDef> table) = 0;           // creates the table; 3010
  virtual void remove(std::string_view name) = 0;
  virtual void refresh() = 0;
};

// A dynaset. Its rows are read when it opens, so it holds no lock on the file.
class Recordset {
 public:
  virtual ~Recordset() = default;
  // 0 when empty; at least 1 when not empty before moving to the end; exact
  // after moving to the last record.
  virtual int32_t recordCount() const = 0;
  virtual bool eof() const = 0;
  virtual bool bof() const = 0;
  virtual void moveFirst() = 0;
  virtual void moveLast() = 0;
  virtual void moveNext() = 0;
  virtual void movePrevious() = 0;
  virtual Fields& fields() = 0;
  // Shortcuts for fields().item(i)->value().
  virtual Variant value(int32_t column) const = 0;
  virtual Variant value(std::string_view column) const = 0;
  // Updatable when the query reads one table: AddNew / Edit, set values, Update.
  virtual bool updatable() const = 0;
  virtual void addNew() = 0;
  virtual void edit() = 0;
  virtual void update() = 0;
  virtual void deleteCurrent() = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
};

class Recordsets {
 public:
  virtual ~Recordsets() = default;
  virtual int32_t count() const = 0;
  virtual std::shared_ptr<Recordset> item(int32_t index) const = 0;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual std::string name() const = 0;
  // Runs one Jet action statement (or DDL). Options are DAO's; a row that
  // cannot be written always fails the whole statement and changes nothing.
  virtual void execute(std::string_view sql, int options = 0) = 0;
  virtual std::shared_ptr<Recordset> openRecordset(std::string_view sql, int type = dbOpenDynaset,
                                                   int options = 0) = 0;
  virtual int32_t recordsAffected() const = 0;
  virtual Recordsets& recordsets() = 0;  // the recordsets open on this database
  virtual TableDefs& tableDefs() = 0;
  virtual std::shared_ptr<TableDef> createTableDef(std::string name) = 0;
  virtual void close() = 0;  // closes its open recordsets first
  virtual bool isOpen() const = 0;
};

class Workspace {
 public:
  virtual ~Workspace() = default;
  virtual std::string name() const = 0;
  virtual std::string userName() const = 0;
  // Opening never creates a file: 3024 when missing, 3044 for a bad path,
  // 3343 for a file that is not one of our databases, 3045/3050 when locked.
  virtual std::shared_ptr<Database> openDatabase(std::string_view path, bool exclusive = false,
                                                 bool readOnly = false,
                                                 std::string_view connect = "") = 0;
  virtual void close() = 0;  // closes its databases, rolling back a transaction

  // Transactions (BeginTrans, CommitTrans, Rollback) span every database
  // opened through the workspace that is not read-only, also those opened
  // while one is pending. beginTrans takes the write lock of each database at
  // once, waiting for other writers (3050 when it cannot have it in time),
  // so that nothing another connection writes can come between the
  // statements of the transaction; Execute and OpenRecordset run inside it
  // and see its uncommitted writes. Transactions nest up to five deep (3003
  // beyond); commitTrans or rollback without beginTrans is 3034. Closing a
  // database (or the workspace) rolls back what it has pending. A file opened
  // twice in one workspace is two writers of it: the second one's part of the
  // transaction waits for the first one's and fails with 3050.
  virtual void beginTrans() = 0;
  virtual void commitTrans() = 0;
  virtual void rollback() = 0;
};

// One engine per thread.
class DBEngine {
 public:
  virtual ~DBEngine() = default;
  static DBEngine& forThread();
  virtual std::shared_ptr<Workspace> createWorkspace(std::string_view name, std::string_view user,
                                                     std::string_view password,
                                                     int type = dbUseJet) = 0;
  // Through the default workspace.
  virtual std::shared_ptr<Database> openDatabase(std::string_view path, bool exclusive = false,
                                                 bool readOnly = false,
                                                 std::string_view connect = "") = 0;
  // A new, empty database file; 3204 when the file already exists. It is
  // opened through the default workspace.
  virtual std::shared_ptr<Database> createDatabase(std::string_view path) = 0;
  // Workspaces(0), through which openDatabase and createDatabase open files.
  virtual std::shared_ptr<Workspace> defaultWorkspace() = 0;
  // DBEngine.BeginTrans, CommitTrans, Rollback: the default workspace's.
  void beginTrans() { defaultWorkspace()->beginTrans(); }
  void commitTrans() { defaultWorkspace()->commitTrans(); }
  void rollback() { defaultWorkspace()->rollback(); }
};

// Whether the storage undid the whole workspace transaction that `database`
// is in after a failure inside it (SQLite may, for a full disk or an I/O
// error): every later operation on it then fails until the workspace's
// Rollback. False outside a transaction. `database` must be one the engine
// opened.
bool transactionUndone(Database& database);

// Per-thread statement trace: each Jet statement and the SQLite text it ran as.
// The environment variable ZIVE_TRACE=1 also prints both to standard error.
using StatementTrace = std::function<void(std::string_view jet, std::string_view sqlite)>;
void setStatementTrace(StatementTrace trace);

}  // namespace svrZIVE::engine
