// The classes behind engine/dao.h. Objects reach their database through a
// shared pointer (recordsets keep it alive, as DAO's do) or a weak one
// (table definitions, which the database's collection holds itself).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/access_paths.h"
#include "engine/catalog_store.h"
#include "engine/dao.h"
#include "engine/jet/translator.h"
#include "engine/storage.h"

namespace svrZIVE::engine::detail {

class DatabaseImpl;
class RecordsetImpl;
class TableDefImpl;
struct CachedStatement;

// Jet's rule for names of tables and fields: 1 to 64 characters, no leading
// blank, no control characters, none of . ! ` [ ]. Raises 3125.
void checkJetName(std::string_view name, std::string_view source);

class RecordsetsImpl : public Recordsets {
 public:
  explicit RecordsetsImpl(DatabaseImpl& db) : db_(db) {}
  int32_t count() const override;
  std::shared_ptr<Recordset> item(int32_t index) const override;

 private:
  DatabaseImpl& db_;
};

class TableDefsImpl : public TableDefs {
 public:
  explicit TableDefsImpl(DatabaseImpl& db) : db_(db) {}
  int32_t count() override;
  std::shared_ptr<TableDef> item(int32_t index) override;
  std::shared_ptr<TableDef> item(std::string_view name) override;
  void append(std::shared_ptr<TableDef> table) override;
  void remove(std::string_view name) override;
  void refresh() override;

 private:
  void sync(bool force = false);
  DatabaseImpl& db_;
  std::vector<std::shared_ptr<TableDefImpl>> items_;
  uint64_t loadedGeneration_ = 0;
  bool loaded_ = false;
};

class DatabaseImpl : public Database, public std::enable_shared_from_this<DatabaseImpl> {
 public:
  DatabaseImpl(std::string path, bool readOnly, bool exclusive);
  ~DatabaseImpl() override;

  // Connection setup on an existing file of ours (3343 for any other), or on
  // a new empty file that becomes one.
  void open();
  void create();

  std::string name() const override;
  void execute(std::string_view sql, int options) override;
  std::shared_ptr<Recordset> openRecordset(std::string_view sql, int type, int options) override;
  int32_t recordsAffected() const override;
  Recordsets& recordsets() override;
  TableDefs& tableDefs() override;
  std::shared_ptr<TableDef> createTableDef(std::string name) override;
  void close() override;
  bool isOpen() const override { return connection_->isOpen(); }
  void addAccessPaths(const std::vector<AccessPath>& paths);
  void rewriteTable(const std::vector<std::string>& updates);

  // For the object model.
  Connection& connection(std::string_view source);            // 3420 when closed
  CatalogStore& catalog(std::string_view source);             // current: another connection's commits seen
  // The catalog as last checked: inside a read transaction that has checked
  // it already, nothing can have changed since.
  CatalogStore& checkedCatalog() { return *catalog_; }
  uint64_t schemaGeneration(std::string_view source);         // changes whenever the schema may have
  bool readOnly() const { return readOnly_; }
  std::vector<std::shared_ptr<RecordsetImpl>> openRecordsets();

  // The workspace's transaction: how many of its levels this database has
  // joined. The first level is a write transaction (BEGIN IMMEDIATE), each
  // one more a savepoint in it.
  int transactionLevels() const { return levels_; }
  bool transactionUndone() const { return levels_ > 0 && connection_->isOpen() && !connection_->inTransaction(); }
  void beginLevel(std::string_view source);
  void commitLevel(std::string_view source);
  void rollbackLevel(std::string_view source);
  void rollbackAllLevels() noexcept;  // what is pending is given up; never raises

  // The table-definition machinery, shared by TableDefs and DDL statements.
  // Each runs in one write transaction.
  void createTable(const std::string& table, std::vector<ColumnInfo> columns, std::string_view source);
  void addColumn(const std::string& table, ColumnInfo column, std::string_view source);
  void dropColumn(const std::string& table, std::string_view column, std::string_view source);
  void dropTable(const std::string& table, std::string_view source);
  ColumnInfo changeColumn(const std::string& table, std::string_view column,
                          const std::function<void(ColumnInfo&)>& change, std::string_view source);
  void createIndex(const jet::DdlCommand& ddl, std::string_view source);
  // An index of the table under `name` (SQLite's: one namespace for the
  // whole file). Texts in it compare as Jet compares them, so that a unique
  // one refuses 'abc' beside 'ABC' (3022).
  void addIndex(const std::string& table, const std::string& name, const std::vector<std::string>& columns,
                bool unique, std::string_view source);

 private:
  void setUp(bool creating);
  void runDdl(const jet::Translation& t, std::string_view jetSql);
  // True when each value is a literal that every row of `table` holds
  // already, so that writing the table anew would change nothing.
  bool holdAlready(const std::string& table, const std::vector<jet::Translation::Assignment>& values);
  template <class Work>
  void inSchemaTransaction(std::string_view source, Work&& work);

  // Raises when the workspace's transaction was lost to a failure that made
  // the store roll it back.
  void checkTransactionHeld(std::string_view source);
  void forgetCatalog();

  // The statement of `shape`, translated and prepared by an earlier
  // statement of that shape when the catalog has not changed since, or now.
  // Null for data definition, which runs as it is written. Call with the
  // catalog checked.
  CachedStatement* statementFor(std::string_view jetSql, const jet::StatementShape& shape);
  std::shared_ptr<RecordsetImpl> openKnownQuery(std::string_view jetSql, const jet::StatementShape& shape);
  Statement& prepared(CachedStatement& cached);

  std::string path_;
  int levels_ = 0;
  bool readOnly_;
  bool exclusive_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<CatalogStore> catalog_;
  uint64_t generation_ = 1;
  int32_t recordsAffected_ = 0;
  std::vector<std::weak_ptr<RecordsetImpl>> recordsets_;
  RecordsetsImpl recordsetsCollection_{*this};
  TableDefsImpl tableDefs_{*this};
  // By shape key; finalized before the connection closes.
  std::unordered_map<std::string, std::unique_ptr<CachedStatement>> statements_;
};

// ---------------------------------------------------------------------------
// Table definitions and their fields.

class FieldDefImpl;

class TableFieldsImpl : public Fields {
 public:
  explicit TableFieldsImpl(TableDefImpl& owner) : owner_(owner) {}
  int32_t count() const override;
  std::shared_ptr<Field> item(int32_t index) const override;
  std::shared_ptr<Field> item(std::string_view name) const override;
  void append(std::shared_ptr<Field> field) override;
  void remove(std::string_view name) override;
  void refresh() override;

  // Fields in the order they were appended (the new table's column order).
  std::vector<ColumnInfo> appendOrder() const;

 private:
  void sync(bool force = false) const;
  TableDefImpl& owner_;
  // Attached table: the catalog's fields in collection order. New table: the
  // fields in append order (sorted into collection order when read).
  mutable std::vector<std::shared_ptr<FieldDefImpl>> items_;
  mutable uint64_t loadedGeneration_ = 0;
  mutable bool loaded_ = false;
};

class TableDefImpl : public TableDef, public std::enable_shared_from_this<TableDefImpl> {
 public:
  TableDefImpl(std::weak_ptr<DatabaseImpl> db, std::string name, bool attached)
      : db_(std::move(db)), name_(std::move(name)), attached_(attached) {}
  std::string name() const override;
  Fields& fields() override { return fields_; }
  std::shared_ptr<Field> createField(std::string name, DaoType type, int32_t size) override;

  bool attached() const { return attached_; }
  void setAttached(bool attached) { attached_ = attached; }
  const std::string& rawName() const { return name_; }
  void setRawName(std::string name) { name_ = std::move(name); }
  // The database, open (3420 otherwise).
  std::shared_ptr<DatabaseImpl> database(std::string_view source) const;
  TableFieldsImpl& fieldsImpl() { return fields_; }

 private:
  std::weak_ptr<DatabaseImpl> db_;
  std::string name_;
  bool attached_;
  TableFieldsImpl fields_{*this};
};

class FieldDefImpl : public Field {
 public:
  explicit FieldDefImpl(ColumnInfo info) : info_(std::move(info)) {}
  std::string name() const override { return info_.name; }
  void setName(std::string name) override;
  DaoType type() const override { return info_.type; }
  void setType(DaoType type) override;
  int32_t size() const override { return info_.size; }
  void setSize(int32_t size) override;
  int32_t precision() const override { return info_.precision; }
  void setPrecision(int32_t precision) override;
  int32_t scale() const override { return info_.scale; }
  void setScale(int32_t scale) override;
  Variant defaultValue() const override { return Variant(info_.defaultValue); }
  void setDefaultValue(const Variant& value) override;
  bool required() const override { return info_.required; }
  void setRequired(bool required) override;
  bool allowZeroLength() const override { return info_.allowZeroLength; }
  void setAllowZeroLength(bool allow) override;
  int32_t attributes() const override { return info_.autoIncrement ? dbAutoIncrField : 0; }
  void setAttributes(int32_t attributes) override;
  int16_t ordinalPosition() const override { return info_.ordinalPosition; }
  void setOrdinalPosition(int16_t position) override;
  Variant value() const override;
  void setValue(const Variant& value) override;

  const ColumnInfo& info() const { return info_; }
  ColumnInfo& info() { return info_; }
  bool positionSet() const { return positionSet_; }
  void setPositionSet(bool set) { positionSet_ = set; }
  std::shared_ptr<TableDefImpl> owner() const { return owner_.lock(); }
  void setOwner(std::weak_ptr<TableDefImpl> owner) { owner_ = std::move(owner); }
  bool attached() const;

 private:
  // Applies `change` to the field: on an attached field through the database
  // (atomically), on a new one to this object alone.
  void change(const std::function<void(ColumnInfo&)>& change);
  ColumnInfo info_;
  bool positionSet_ = false;
  std::weak_ptr<TableDefImpl> owner_;
};

// ---------------------------------------------------------------------------
// Recordsets.

class RecordsetImpl;

class RecordsetFieldsImpl : public Fields {
 public:
  explicit RecordsetFieldsImpl(RecordsetImpl& owner) : owner_(owner) {}
  int32_t count() const override;
  std::shared_ptr<Field> item(int32_t index) const override;
  std::shared_ptr<Field> item(std::string_view name) const override;
  void append(std::shared_ptr<Field> field) override;
  void remove(std::string_view name) override;
  void refresh() override;

 private:
  RecordsetImpl& owner_;
  mutable std::vector<std::shared_ptr<Field>> items_;
};

class RecordsetImpl : public Recordset, public std::enable_shared_from_this<RecordsetImpl> {
 public:
  struct Column {
    jet::ResultColumn result;
    std::optional<ColumnInfo> field;  // the table's field, on an updatable recordset
  };

  // What a recordset of a translated query knows before it runs.
  struct Layout {
    std::shared_ptr<const std::vector<Column>> columns;  // shared by the recordsets of a known query
    std::string table;  // the table an updatable recordset writes
  };
  static Layout layout(DatabaseImpl& db, const jet::Translation& t);

  // Runs the translated query and reads all its rows.
  static std::shared_ptr<RecordsetImpl> open(std::shared_ptr<DatabaseImpl> db, const jet::Translation& t);
  // The same with the statement prepared (and its parameters bound);
  // `firstRow`: what its first step gave, when the caller took it.
  static std::shared_ptr<RecordsetImpl> open(std::shared_ptr<DatabaseImpl> db, const jet::Translation& t,
                                             const Layout& layout, Statement& st,
                                             std::optional<bool> firstRow = std::nullopt);

  int32_t recordCount() const override;
  bool eof() const override;
  bool bof() const override;
  void moveFirst() override;
  void moveLast() override;
  void moveNext() override;
  void movePrevious() override;
  Fields& fields() override;
  Variant value(int32_t column) const override;
  Variant value(std::string_view column) const override;
  bool updatable() const override;
  void addNew() override;
  void edit() override;
  void update() override;
  void deleteCurrent() override;
  void close() override;
  bool isOpen() const override { return open_; }

  // For the fields and the database.
  void markClosed();
  int32_t columnCount() const { return static_cast<int32_t>(columns_->size()); }
  const Column& column(int32_t index) const { return (*columns_)[static_cast<size_t>(index)]; }
  int32_t columnIndex(std::string_view name) const;  // -1 when none
  void setValue(int32_t column, const Variant& value);
  void ensureOpen() const;

 private:
  RecordsetImpl() = default;
  bool hasCurrent() const;
  void leaveEditing() { mode_ = Mode::None; }
  std::vector<Variant> readRow(int64_t rowid);
  void visit();

  enum class Mode { None, AddNew, Edit };
  std::shared_ptr<DatabaseImpl> db_;
  bool open_ = true;
  std::string table_;  // updatable: the table written
  std::shared_ptr<const std::vector<Column>> columns_;
  std::vector<std::vector<Variant>> rows_;
  std::vector<int64_t> rowids_;
  int64_t position_ = 0;  // -1: before the first record; size(): after the last
  int32_t visited_ = 0;
  bool currentDeleted_ = false;
  Mode mode_ = Mode::None;
  std::vector<Variant> buffer_;
  std::vector<bool> dirty_;
  RecordsetFieldsImpl fields_{*this};
};

// A statement translated for every statement of its shape and prepared on
// the database's connection.
struct CachedStatement {
  jet::ShapedTranslation shaped;
  uint64_t generation = 0;                 // of the catalog it was translated against
  std::unique_ptr<Statement> statement;    // prepared on first use
  std::optional<RecordsetImpl::Layout> layout;  // a select's, worked out on first use
};

// The value of a result column as the engine hands it out: of the column's
// own type, or of the value's storage class for an expression.
Variant columnValue(const Statement& st, int column, DaoType type);

}  // namespace svrZIVE::engine::detail
