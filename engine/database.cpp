// Database: the connection set up on one file, Execute, OpenRecordset, and
// the table-definition machinery that TableDefs and DDL statements share.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "engine/engine_impl.h"

namespace svrZIVE::engine::detail {

namespace {

constexpr std::string_view kSrc = kSrcDatabase;

std::string notOursMessage(const std::string& path) {
  return jetMessage(kUnrecognizedFormat, path) +
         " The file is not a database of this engine, which keeps its data in SQLite files that carry "
         "its own catalog. To use an Access .mdb or .accdb file, bring it over with "
         "`zive import-mdb ACCESS_FILE NEW_FILE` and use the new file (for a modifiable database, run "
         "`zive upgrade NEW_FILE` next; for the official reference database, `zive init DIR --reference "
         "ACCESS_FILE` does both). A new empty database is made by `zive init` or `zive sql --create`.";
}

// A bare table name given to OpenRecordset opens the whole table.
bool isBareName(std::string_view sql) {
  std::string_view s = sql;
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  if (s.empty()) return false;
  if (s.front() == '[' && s.back() == ']') return s.find(']') == s.size() - 1;
  return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

std::string trimBrackets(std::string_view sql) {
  std::string_view s = sql;
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  if (s.size() >= 2 && s.front() == '[') s = s.substr(1, s.size() - 2);
  return std::string(s);
}

void validateColumn(ColumnInfo& c, std::string_view source) {
  checkJetName(c.name, source);
  switch (c.type) {
    case DaoType::Memo:
    case DaoType::LongBinary:
    case DaoType::GUID: c.size = fixedSize(c.type); break;
    case DaoType::Text:
      if (c.size < 1 || c.size > 255) raiseJet(kInvalidArgument, source);
      break;
    case DaoType::Binary:
      if (c.size < 1 || c.size > kMaxBinarySize) raiseJet(kInvalidArgument, source);
      break;
    case DaoType::Decimal:
      if (c.precision == 0) c.precision = kDefaultDecimalPrecision;
      if (c.precision > kMaxDecimalPrecision || c.scale > c.precision) raiseJet(kInvalidArgument, source);
      c.size = fixedSize(c.type);
      break;
    default:
      if (!isPlainNumberType(c.type)) raiseJet(kInvalidFieldType, source);
      c.size = fixedSize(c.type);
  }
  if (c.autoIncrement && c.type != DaoType::Long) raiseJet(kInvalidFieldType, source);
}

}  // namespace

void checkJetName(std::string_view name, std::string_view source) {
  bool ok = !name.empty() && name.size() <= 64 && name.front() != ' ';
  for (unsigned char c : name)
    if (c < 32 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']') ok = false;
  if (ok && (lowerAscii(name).rfind("sqlite_", 0) == 0 || lowerAscii(name).rfind("zive_rebuild_", 0) == 0))
    ok = false;
  if (!ok) raiseJet(kInvalidName, source, name);
}

DatabaseImpl::DatabaseImpl(std::string path, bool readOnly, bool exclusive)
    : path_(std::move(path)), readOnly_(readOnly), exclusive_(exclusive), connection_(connectionFor(path_)),
      catalog_(connection_->makeCatalog()) {}

DatabaseImpl::~DatabaseImpl() = default;

void DatabaseImpl::open() { setUp(false); }
void DatabaseImpl::create() { setUp(true); }

void DatabaseImpl::setUp(bool creating) {
  connection_->open(path_, readOnly_, creating, kSrc);
  try {
    connection_->configure(exclusive_, kSrc);
    if (creating) {
      if (catalog_->isOurs()) raiseJet(kDatabaseExists, kSrc);
      Transaction tx(*connection_, kSrc);
      catalog_->initialize();
      tx.commit();
    } else if (!catalog_->isOurs()) {
      raise(kUnrecognizedFormat, kSrc, notOursMessage(path_));
    }
    connection_->prepareForJet(exclusive_, kSrc);
    catalog_->checkForeignChanges();
  } catch (const AutomationError& e) {
    connection_->close();
    if (e.number() == kCouldNotLock) raiseJet(kFileInUse, kSrc, path_);
    if (e.number() == kUnrecognizedFormat) raise(kUnrecognizedFormat, kSrc, notOursMessage(path_));
    if (e.number() == kCorruptDatabase) raiseJet(kCorruptDatabase, kSrc, path_);
    throw;
  }
}

Connection& DatabaseImpl::connection(std::string_view source) {
  if (!connection_->isOpen()) raiseJet(kObjectClosed, source);
  return *connection_;
}

CatalogStore& DatabaseImpl::catalog(std::string_view source) {
  connection(source);
  if (catalog_->checkForeignChanges()) ++generation_;
  return *catalog_;
}

uint64_t DatabaseImpl::schemaGeneration(std::string_view source) {
  catalog(source);
  return generation_;
}

std::string DatabaseImpl::name() const {
  if (!connection_->isOpen()) raiseJet(kObjectClosed, kSrc);
  return path_;
}

int32_t DatabaseImpl::recordsAffected() const {
  if (!connection_->isOpen()) raiseJet(kObjectClosed, kSrc);
  return recordsAffected_;
}

Recordsets& DatabaseImpl::recordsets() {
  connection(kSrc);
  return recordsetsCollection_;
}

TableDefs& DatabaseImpl::tableDefs() {
  connection(kSrc);
  return tableDefs_;
}

std::shared_ptr<TableDef> DatabaseImpl::createTableDef(std::string name) {
  connection(kSrc);
  return std::make_shared<TableDefImpl>(weak_from_this(), std::move(name), false);
}

std::vector<std::shared_ptr<RecordsetImpl>> DatabaseImpl::openRecordsets() {
  std::vector<std::shared_ptr<RecordsetImpl>> open;
  std::vector<std::weak_ptr<RecordsetImpl>> kept;
  for (auto& w : recordsets_) {
    if (auto rs = w.lock(); rs && rs->isOpen()) {
      open.push_back(rs);
      kept.push_back(w);
    }
  }
  recordsets_ = std::move(kept);
  return open;
}

void DatabaseImpl::close() {
  connection(kSrc);
  rollbackAllLevels();
  for (auto& rs : openRecordsets()) rs->markClosed();
  recordsets_.clear();
  catalog_->invalidate();
  statements_.clear();
  connection_->close();
}

namespace {

// Gives the literals of `shape` to the parameters of a cached statement;
// false when one that a field stores does not convert (the statement
// written out in full then decides what fails, and for which rows).
bool bindLiterals(Statement& st, const CachedStatement& cached, const jet::StatementShape& shape) {
  std::vector<Variant> values;
  try {
    values = cached.shaped.parameters(shape);
  } catch (const AutomationError&) {
    return false;
  }
  for (size_t i = 0; i < values.size(); ++i)
    if (!cached.shaped.fixed[i]) st.bind(static_cast<int>(i + 1), values[i]);
  return true;
}

// Leaves a cached statement reset, its parameters cleared, whatever happens.
struct ResetAfterUse {
  Statement& st;
  ~ResetAfterUse() { st.reset(); }
};

// Statements kept per connection; beyond this many the cache starts afresh.
constexpr size_t kMaxCachedStatements = 256;

}  // namespace

CachedStatement* DatabaseImpl::statementFor(std::string_view jetSql, const jet::StatementShape& shape) {
  auto it = statements_.find(shape.key);
  if (it != statements_.end() && it->second->generation == generation_ && it->second->shaped.holdsFor(shape))
    return it->second.get();
  auto cached = std::make_unique<CachedStatement>();
  cached->shaped = jet::translateShape(jetSql, shape, *catalog_);
  cached->generation = generation_;
  switch (cached->shaped.translation.kind) {
    case jet::StatementKind::Select:
    case jet::StatementKind::Insert:
    case jet::StatementKind::Update:
    case jet::StatementKind::Delete: break;
    default: return nullptr;
  }
  if (it != statements_.end()) {
    it->second = std::move(cached);
    return it->second.get();
  }
  if (statements_.size() >= kMaxCachedStatements) statements_.clear();
  return statements_.emplace(shape.key, std::move(cached)).first->second.get();
}

Statement& DatabaseImpl::prepared(CachedStatement& cached) {
  if (!cached.statement)
    cached.statement = connection_->prepare(cached.shaped.translation.sql, kSrc);
  return *cached.statement;
}

void DatabaseImpl::execute(std::string_view sql, int /*options*/) {
  // Whatever the options, a statement that cannot write one of its rows
  // fails whole and changes nothing. The write lock is taken first, so that
  // the statement is translated against the schema it then runs on.
  // Inside the workspace's transaction the statement is one more step of it
  // (SQLite undoes a failed statement's changes and nothing else; where a
  // failure would spoil the whole transaction, the statement is a savepoint).
  Connection& conn = connection(kSrc);
  checkTransactionHeld(kSrc);
  std::optional<Transaction> tx;
  if (!readOnly_ && (levels_ == 0 || conn.failureSpoilsTransaction())) tx.emplace(conn, kSrc);
  CatalogStore& current = catalog(kSrc);
  jet::StatementShape shape = jet::statementShape(sql);
  CachedStatement* cached = shape.usable ? statementFor(sql, shape) : nullptr;
  bool ran = false;
  if (cached) {
    if (cached->shaped.translation.kind == jet::StatementKind::Select) raiseJet(kCannotExecuteSelect, kSrc);
    Statement& st = prepared(*cached);
    ResetAfterUse reset{st};
    if (bindLiterals(st, *cached, shape)) {
      if (tracing()) traceStatement(sql, cached->shaped.writeSql(shape));
      st.run();
      ran = true;
    }
  }
  if (!ran) {
    jet::Translation t = jet::translate(sql, current);
    if (t.kind == jet::StatementKind::Select) raiseJet(kCannotExecuteSelect, kSrc);
    if (t.kind == jet::StatementKind::SelectInto) {
      // The table and its rows together, or neither.
      std::optional<Transaction> whole;
      if (!tx && !readOnly_) whole.emplace(conn, kSrc);
      try {
        createTable(t.ddl->table, t.ddl->columns, kSrc);
        traceStatement(sql, t.sql);
        conn.prepare(t.sql, kSrc)->run();
      } catch (...) {
        whole.reset();
        tx.reset();
        forgetCatalog();
        throw;
      }
      recordsAffected_ = conn.changes();
      if (whole) whole->commit();
      if (tx) tx->commit();
      return;
    }
    if (t.ddl) {
      if (tx) tx->commit();
      runDdl(t, sql);
      recordsAffected_ = 0;
      return;
    }
    traceStatement(sql, t.sql);
    conn.prepare(t.sql, kSrc)->run();
  }
  int changes = conn.changes();
  if (tx) tx->commit();
  recordsAffected_ = changes;
}

std::shared_ptr<Recordset> DatabaseImpl::openRecordset(std::string_view sql, int /*type*/, int /*options*/) {
  Connection& conn = connection(kSrc);
  std::string text = isBareName(sql) ? "SELECT * FROM [" + trimBrackets(sql) + "]" : std::string(sql);
  checkTransactionHeld(kSrc);
  jet::StatementShape shape = jet::statementShape(text);
  std::shared_ptr<RecordsetImpl> rs;
  if (shape.usable && !conn.inTransaction()) rs = openKnownQuery(text, shape);
  if (!rs) {
    // One read transaction: the catalog and the rows come from one snapshot,
    // under one shared lock, released before the recordset is handed out.
    // (Inside the workspace's transaction, that one.)
    Transaction snapshot(conn, kSrc, false);
    CatalogStore& current = catalog(kSrc);
    if (CachedStatement* cached = shape.usable ? statementFor(text, shape) : nullptr) {
      const jet::Translation& t = cached->shaped.translation;
      if (t.kind != jet::StatementKind::Select) raiseJet(kInvalidOperation, kSrc);
      if (tracing()) traceStatement(text, cached->shaped.writeSql(shape));
      if (!cached->layout) cached->layout = RecordsetImpl::layout(*this, t);
      Statement& st = prepared(*cached);
      ResetAfterUse reset{st};
      bindLiterals(st, *cached, shape);
      rs = RecordsetImpl::open(shared_from_this(), t, *cached->layout, st);
    } else {
      jet::Translation t = jet::translate(text, current);
      if (t.kind != jet::StatementKind::Select) raiseJet(kInvalidOperation, kSrc);
      traceStatement(text, t.sql);
      rs = RecordsetImpl::open(shared_from_this(), t);
    }
    snapshot.commit();
  }
  openRecordsets();  // drops the closed ones
  recordsets_.push_back(rs);
  return rs;
}

// ---------------------------------------------------------------------------
// The workspace's transaction.

void DatabaseImpl::forgetCatalog() {
  // What was read inside an undone transaction may not be in the file.
  catalog_->invalidate();
  ++generation_;
}

void DatabaseImpl::checkTransactionHeld(std::string_view source) {
  if (levels_ > 0 && !connection_->inTransaction())
    raise(kReservedError, source,
          "The transaction was rolled back by the database engine after a failure; nothing done in it was "
          "kept. Roll it back and start again.");
}

void DatabaseImpl::beginLevel(std::string_view source) {
  Connection& conn = connection(source);
  if (levels_ == 0) {
    conn.begin(true, source);
    catalog_->transactionBegun();
  } else {
    checkTransactionHeld(source);
    conn.exec("SAVEPOINT zive_trans", source);
  }
  ++levels_;
}

void DatabaseImpl::commitLevel(std::string_view source) {
  Connection& conn = connection(source);
  checkTransactionHeld(source);
  // A failed COMMIT (another connection still reading when the wait ran
  // out) leaves the transaction pending: it can be committed again or rolled
  // back.
  if (levels_ == 1) {
    catalog_->beforeCommit();
    conn.exec("COMMIT", source);
    catalog_->transactionEnded();
  } else {
    conn.exec("RELEASE zive_trans", source);
  }
  --levels_;
}

void DatabaseImpl::rollbackLevel(std::string_view source) {
  Connection& conn = connection(source);
  forgetCatalog();
  if (!conn.inTransaction()) {
    levels_ = 0;  // already undone, all of it
    catalog_->transactionEnded();
    return;
  }
  --levels_;
  if (levels_ == 0) {
    catalog_->transactionEnded();
    conn.exec("ROLLBACK", source);
  } else {
    conn.exec("ROLLBACK TO zive_trans", source);
    conn.exec("RELEASE zive_trans", source);
  }
}

void DatabaseImpl::rollbackAllLevels() noexcept {
  if (levels_ == 0) return;
  levels_ = 0;
  forgetCatalog();
  catalog_->transactionEnded();
  if (connection_->isOpen() && connection_->inTransaction()) connection_->execQuietly("ROLLBACK");
}

// A query translated and read before, outside a transaction: its first
// step takes the read lock, and the check for other connections' commits
// runs under it, so that the rows and the catalog the query was translated
// with come from one snapshot without a transaction of their own. When
// another connection has committed since the last check (or the step
// fails), nothing is kept: null, and the caller reads the query the careful
// way.
std::shared_ptr<RecordsetImpl> DatabaseImpl::openKnownQuery(std::string_view jetSql, const jet::StatementShape& shape) {
  auto it = statements_.find(shape.key);
  if (it == statements_.end()) return nullptr;
  CachedStatement& cached = *it->second;
  if (cached.generation != generation_ || !cached.layout || !cached.shaped.holdsFor(shape)) return nullptr;
  const jet::Translation& t = cached.shaped.translation;
  if (t.kind != jet::StatementKind::Select) return nullptr;
  Statement& st = prepared(cached);
  ResetAfterUse reset{st};
  bindLiterals(st, cached, shape);
  bool firstRow = false;
  try {
    firstRow = st.step();
  } catch (const AutomationError&) {
    if (catalog_->checkForeignChanges()) ++generation_;
    return nullptr;  // the careful way raises it again, or reads a changed table
  }
  if (catalog_->checkForeignChanges()) {
    ++generation_;
    return nullptr;
  }
  if (tracing()) traceStatement(jetSql, cached.shaped.writeSql(shape));
  return RecordsetImpl::open(shared_from_this(), t, *cached.layout, st, firstRow);
}

// ---------------------------------------------------------------------------
// Table definitions.

template <class Work>
void DatabaseImpl::inSchemaTransaction(std::string_view source, Work&& work) {
  Connection& conn = connection(source);
  try {
    Transaction tx(conn, source);
    if (catalog_->checkForeignChanges()) ++generation_;
    work();
    tx.commit();
  } catch (...) {
    // What was read inside the failed transaction may not be in the file.
    catalog_->invalidate();
    ++generation_;
    throw;
  }
  catalog_->invalidate();
  ++generation_;
}

void DatabaseImpl::createTable(const std::string& table, std::vector<ColumnInfo> columns,
                               std::string_view source) {
  checkJetName(table, source);
  if (columns.empty()) raiseJet(kNoFieldDefined, source);
  int counters = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    validateColumn(columns[i], source);
    for (size_t j = 0; j < i; ++j)
      if (namesEqual(columns[i].name, columns[j].name)) raiseJet(kFieldDefinedTwice, source);
    if (columns[i].autoIncrement) ++counters;
  }
  if (counters > 1) raiseJet(kInvalidArgument, source);
  inSchemaTransaction(source, [&] {
    if (catalog_->findEntry(table)) raiseJet(kTableExists, source, table);
    catalog_->createTable(table, columns);
  });
}

void DatabaseImpl::addColumn(const std::string& table, ColumnInfo column, std::string_view source) {
  validateColumn(column, source);
  inSchemaTransaction(source, [&] {
    const TableEntry* e = catalog_->findEntry(table);
    if (!e) raiseJet(kItemNotFound, source);
    if (e->info.findColumn(column.name)) raiseJet(kObjectExists, source);
    if (column.autoIncrement &&
        std::any_of(e->info.columns.begin(), e->info.columns.end(), [](const ColumnInfo& c) { return c.autoIncrement; }))
      raiseJet(kInvalidArgument, source);
    catalog_->addColumn(e->info.name, column);
  });
}

void DatabaseImpl::dropColumn(const std::string& table, std::string_view column, std::string_view source) {
  inSchemaTransaction(source, [&] {
    const TableEntry* e = catalog_->findEntry(table);
    if (!e) raiseJet(kItemNotFound, source);
    const ColumnInfo* c = e->info.findColumn(column);
    if (!c) raiseJet(kItemNotFound, source);
    std::string tableName = e->info.name, columnName = c->name;
    if (catalog_->columnIndexed(tableName, columnName)) raiseJet(kFieldInIndex, source);
    if (e->info.columns.size() == 1) raiseJet(kInvalidOperation, source);  // a table keeps one field at least
    std::vector<ColumnInfo> kept;
    for (const auto& name : e->storageOrder)
      if (!namesEqual(name, columnName)) kept.push_back(*e->info.findColumn(name));
    catalog_->rebuildTable(tableName, kept);
    catalog_->deleteCatalogRow(tableName, columnName);
  });
}

void DatabaseImpl::dropTable(const std::string& table, std::string_view source) {
  inSchemaTransaction(source, [&] {
    const TableEntry* e = catalog_->findEntry(table);
    if (!e) raiseJet(kItemNotFound, source);
    catalog_->dropTable(e->info.name);
  });
}

ColumnInfo DatabaseImpl::changeColumn(const std::string& table, std::string_view column,
                                      const std::function<void(ColumnInfo&)>& change, std::string_view source) {
  ColumnInfo result;
  inSchemaTransaction(source, [&] {
    const TableEntry* e = catalog_->findEntry(table);
    if (!e) raiseJet(kItemNotFound, source);
    const ColumnInfo* old = e->info.findColumn(column);
    if (!old) raiseJet(kItemNotFound, source);
    ColumnInfo changed = *old;
    change(changed);
    std::string tableName = e->info.name;
    // What SQLite declares (NOT NULL, DEFAULT, the zero-length check) must
    // follow the catalog: such a change writes the table anew.
    bool declared = changed.required != old->required ||
                    CatalogStore::defaultLiteral(changed) != CatalogStore::defaultLiteral(*old) ||
                    changed.allowZeroLength != old->allowZeroLength;
    if (declared) {
      std::vector<ColumnInfo> columns;
      for (const auto& name : e->storageOrder)
        columns.push_back(namesEqual(name, changed.name) ? changed : *e->info.findColumn(name));
      catalog_->rebuildTable(tableName, columns);
    }
    catalog_->updateCatalogRow(tableName, changed);
    result = changed;
  });
  return result;
}

void DatabaseImpl::createIndex(const jet::DdlCommand& ddl, std::string_view source) {
  checkJetName(ddl.indexName, source);
  inSchemaTransaction(source, [&] { addIndex(ddl.table, ddl.indexName, ddl.indexColumns, ddl.unique, source); });
}

void DatabaseImpl::addIndex(const std::string& table, const std::string& name, const std::vector<std::string>& columns,
                            bool unique, std::string_view source) {
  const TableEntry* e = catalog_->findEntry(table);
  if (!e) raiseJet(kInputTableNotFound, source, table);
  std::string sql = std::string(unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + quoteName(name) + " ON " +
                    quoteName(e->info.name) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnInfo* c = e->info.findColumn(columns[i]);
    if (!c) raiseJet(kItemNotFound, source);
    const bool text = c->type == DaoType::Text || c->type == DaoType::Memo;
    sql += (i ? ", " : "") + quoteName(c->name) + (text ? " COLLATE \"JET\"" : "");
  }
  sql += ")";
  if (catalog_->indexExists(name)) raiseJet(kIndexExists, source, name);
  traceStatement("", sql);
  connection_->exec(sql, source);
}

void DatabaseImpl::addAccessPaths(const std::vector<AccessPath>& paths) {
  inSchemaTransaction(kSrc, [&] {
    for (const auto& path : paths) {
      const TableEntry* e = catalog_->findEntry(path.table);
      const ColumnInfo* c = e ? e->info.findColumn(path.column) : nullptr;
      if (!c) continue;
      std::string sql = "CREATE INDEX IF NOT EXISTS " + quoteName(CatalogStore::accessPathName(e->info.name, c->name)) +
                        " ON " + quoteName(e->info.name) + " (" + quoteName(c->name) + ")";
      traceStatement("", sql);
      connection_->exec(sql, kSrc);
    }
  });
}

// A field added to a table with rows gives them its default without writing
// them, so a new value equal to that default reaches no row that a copy of
// the table would change. The rows are asked, not the declarations: a row
// written since the field was added may hold something else.
bool DatabaseImpl::holdAlready(const std::string& table, const std::vector<jet::Translation::Assignment>& values) {
  std::string differs;
  std::vector<const Variant*> literals;
  for (const auto& [column, value, stored] : values) {
    if (!stored) return false;
    literals.push_back(&*stored);
    differs += (differs.empty() ? "" : " OR ") + quoteName(column) + " IS DISTINCT FROM ?" +
               std::to_string(literals.size());
  }
  auto st = connection_->prepare("SELECT 1 FROM " + quoteName(table) + " WHERE " + differs + " LIMIT 1", kSrc);
  for (size_t i = 0; i < literals.size(); ++i) st->bind(static_cast<int>(i + 1), *literals[i]);
  return !st->step();
}

void DatabaseImpl::rewriteTable(const std::vector<std::string>& updates) {
  if (updates.empty()) return;
  inSchemaTransaction(kSrc, [&] {
    std::vector<jet::Translation> translations;
    std::vector<jet::Translation::Assignment> values;  // later ones replace earlier ones
    bool together = true;
    for (const auto& sql : updates) {
      jet::Translation t = jet::translate(sql, *catalog_);
      if (t.kind != jet::StatementKind::Update) raiseJet(kInvalidOperation, kSrc);
      together = together && !t.wholeTableAssignments.empty() && namesEqual(t.table, translations.empty() ? t.table : translations.front().table);
      for (const auto& assignment : t.wholeTableAssignments) {
        // A value reading a field set before must see that statement's result.
        for (const auto& earlier : values)
          if (assignment.value.find(quoteName(earlier.column)) != std::string::npos) together = false;
      }
      for (auto& assignment : t.wholeTableAssignments) {
        std::erase_if(values, [&](const auto& v) { return namesEqual(v.column, assignment.column); });
        values.push_back(std::move(assignment));
      }
      translations.push_back(std::move(t));
    }
    if (!together) {
      for (size_t i = 0; i < updates.size(); ++i) {
        traceStatement(updates[i], translations[i].sql);
        connection_->prepare(translations[i].sql, kSrc)->run();
      }
      return;
    }
    const TableEntry* e = catalog_->findEntry(translations.front().table);
    if (!e) raiseJet(kItemNotFound, kSrc);
    if (holdAlready(e->info.name, values)) {
      for (const auto& sql : updates) traceStatement(sql, "-- every row holds this already");
      return;
    }
    std::vector<ColumnInfo> columns;
    for (const auto& name : e->storageOrder) columns.push_back(*e->info.findColumn(name));
    // A literal's value, converted once, is copied into every row as it is:
    // the copy calls no function of ours for it.
    std::map<std::string, std::string> newValues;
    std::vector<Variant> parameters;
    std::string described;
    for (const auto& [column, value, stored] : values) {
      std::string sql = value;
      if (stored) {
        parameters.push_back(*stored);
        sql = "?" + std::to_string(parameters.size());
      }
      newValues[lowerAscii(column)] = sql;
      described += (described.empty() ? "" : ", ") + quoteName(column) + " = " + value;
    }
    for (const auto& sql : updates) traceStatement(sql, "-- written with the table: " + std::string(sql));
    traceStatement("", "REWRITE " + quoteName(e->info.name) + " SET " + described);
    catalog_->rebuildTable(e->info.name, columns, newValues, parameters);
  });
}

void DatabaseImpl::runDdl(const jet::Translation& t, std::string_view jetSql) {
  const jet::DdlCommand& ddl = *t.ddl;
  traceStatement(jetSql, t.sql);
  switch (t.kind) {
    case jet::StatementKind::CreateTable: {
      std::vector<ColumnInfo> columns = ddl.columns;
      for (size_t i = 0; i < columns.size(); ++i) {
        columns[i].ordinalPosition = static_cast<int16_t>(i);
        if (columns[i].type == DaoType::Text && columns[i].size == 0) columns[i].size = 255;
      }
      // The table and its keys together: the keys' indexes are named after
      // the table (a dot keeps them apart from every name Jet allows).
      std::optional<Transaction> whole;
      if (!readOnly_) whole.emplace(*connection_, kSrc);
      createTable(ddl.table, std::move(columns), kSrc);
      try {
        inSchemaTransaction(kSrc, [&] {
          if (!ddl.indexColumns.empty())
            addIndex(ddl.table, ddl.table + "." + ddl.indexName, ddl.indexColumns, true, kSrc);
          for (const auto& [name, fields] : ddl.uniques) addIndex(ddl.table, ddl.table + "." + name, fields, true, kSrc);
        });
      } catch (...) {
        whole.reset();
        forgetCatalog();
        throw;
      }
      if (whole) whole->commit();
      break;
    }
    case jet::StatementKind::AlterTableAdd: {
      const TableInfo* info = catalog(kSrc).findTable(ddl.table);
      if (!info) raiseJet(kInputTableNotFound, kSrc, ddl.table);
      for (ColumnInfo c : ddl.columns) {
        int32_t next = 0;
        for (const auto& existing : catalog(kSrc).findTable(ddl.table)->columns)
          next = std::max<int32_t>(next, existing.ordinalPosition + 1);
        c.ordinalPosition = static_cast<int16_t>(std::min<int32_t>(next, INT16_MAX));
        if (c.type == DaoType::Text && c.size == 0) c.size = 255;
        addColumn(ddl.table, std::move(c), kSrc);
      }
      break;
    }
    case jet::StatementKind::AlterTableDrop: dropColumn(ddl.table, ddl.column, kSrc); break;
    case jet::StatementKind::DropTable: dropTable(ddl.table, kSrc); break;
    case jet::StatementKind::CreateIndex: createIndex(ddl, kSrc); break;
    default: raiseJet(kInvalidOperation, kSrc);
  }
}

// ---------------------------------------------------------------------------

int32_t RecordsetsImpl::count() const {
  db_.connection(kSrcRecordsets);
  return static_cast<int32_t>(db_.openRecordsets().size());
}

std::shared_ptr<Recordset> RecordsetsImpl::item(int32_t index) const {
  db_.connection(kSrcRecordsets);
  auto open = db_.openRecordsets();
  if (index < 0 || static_cast<size_t>(index) >= open.size()) raiseJet(kItemNotFound, kSrcRecordsets);
  return open[static_cast<size_t>(index)];
}

}  // namespace svrZIVE::engine::detail

namespace svrZIVE::engine {

void addAccessPaths(Database& database, const std::vector<AccessPath>& paths) {
  dynamic_cast<detail::DatabaseImpl&>(database).addAccessPaths(paths);
}

bool transactionUndone(Database& database) {
  return dynamic_cast<detail::DatabaseImpl&>(database).transactionUndone();
}

void rewriteTable(Database& database, const std::vector<std::string>& updates) {
  dynamic_cast<detail::DatabaseImpl&>(database).rewriteTable(updates);
}

}  // namespace svrZIVE::engine
