// The catalog on a PostgreSQL server. Everything lives in the connection's
// current schema (search_path), so that one server database can hold the
// databases of several offices, one schema each.
//
// Storage layout of a table:
//  - column types: smallint (Yes/No, kept as -1 and 0, Byte, Integer),
//    integer (Long), double precision (Currency, Single, Double, Date/Time as
//    days since 30 December 1899, as on a local file), numeric(p, s)
//    (Decimal), varchar(n) and text (Text, Memo) in the collation "JET"
//    (ICU, letter case ignored), bytea (Binary, Long Binary), varchar(38)
//    (GUID);
//  - a hidden column "rowid" numbered from the sequence zive_rowids: the
//    row's identity for updatable recordsets, given back by every INSERT;
//  - a COUNTER is an integer primary key numbered by a trigger from a
//    sequence of its own (a number given explicitly moves the sequence past
//    it), so that a number is never handed out twice, even after its row is
//    deleted or its transaction undone;
//  - NOT NULL for Required, DEFAULT for DefaultValue, and the named CHECK
//    constraints "zive_type_F" (a Byte's range) and "zive_zls_F"
//    (zero-length text when AllowZeroLength is off); a Text longer than its
//    size fails the varchar's own check (3163).
// The functions the translated statements call (engine/pg_functions.cpp)
// and the collation are created with the catalog. Every change of the
// catalog notifies the channel zive_catalog, which every connection
// listens to: that is how a connection learns that another one changed a
// table.
#include "engine/pg_catalog.h"

#include <algorithm>
#include <unordered_set>

#include "engine/pg_functions.h"

namespace svrZIVE::engine::detail {

namespace {

constexpr std::string_view kSrc = kSrcDatabase;

// The trigger that numbers a COUNTER from its sequence.
constexpr std::string_view kServerFunctions = R"sql(
CREATE FUNCTION zive_counter() RETURNS trigger LANGUAGE plpgsql AS $f$
DECLARE v bigint; last bigint;
BEGIN
  v := (to_jsonb(NEW) ->> TG_ARGV[0])::bigint;
  IF v IS NULL THEN
    NEW := jsonb_populate_record(NEW, jsonb_build_object(TG_ARGV[0], nextval(TG_ARGV[1]::regclass)));
  ELSE
    last := coalesce(pg_sequence_last_value(TG_ARGV[1]::regclass), 0);
    IF v > last THEN PERFORM setval(TG_ARGV[1]::regclass, v); END IF;
  END IF;
  RETURN NEW;
END $f$;
)sql";

std::string counterSequence(std::string_view table, std::string_view column) {
  return "zive_seq_" + lowerAscii(table) + "_" + lowerAscii(column);
}

// A name as the server writes it quoted ("T10_TIPOLOGIA8"), unquoted.
std::string unquoteName(std::string_view quoted) {
  std::string name;
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    name.push_back(quoted[i]);
    if (quoted[i] == '"') ++i;
  }
  return name;
}

}  // namespace

void PgCatalogStore::initialize() {
  connection_.exec(
      "CREATE COLLATION IF NOT EXISTS \"JET\" (provider = icu, locale = 'und-u-ks-level2', deterministic = false); "
      "CREATE SEQUENCE zive_rowids; "
      "CREATE TABLE " +
          std::string(kCatalogTable) +
          " (table_name text COLLATE \"JET\" NOT NULL, field_name text COLLATE \"JET\" NOT NULL, "
          "dao_type integer NOT NULL, size integer NOT NULL DEFAULT 0, required integer NOT NULL DEFAULT 0, "
          "allow_zero_length integer NOT NULL DEFAULT 0, default_value text NOT NULL DEFAULT '', "
          "ordinal_position integer NOT NULL DEFAULT 0, auto_increment integer NOT NULL DEFAULT 0, "
          "rowid bigint NOT NULL DEFAULT nextval('zive_rowids'), PRIMARY KEY (table_name, field_name)); " +
          std::string(kServerFunctions),
      kSrc);
  createServerFunctions(static_cast<PgConnection&>(connection_), kSrc);
}

void PgCatalogStore::removeAll() {
  // The tables the catalog lists, then the catalog, then what every table
  // of ours may have used: the sequences and functions named as ours, and
  // the collation.
  Transaction tx(connection_, kSrc);
  connection_.exec(R"sql(DO $d$
DECLARE r record; here regnamespace := current_schema()::regnamespace;
BEGIN
  IF to_regclass('zive_fields') IS NOT NULL THEN
    FOR r IN SELECT c.oid::regclass AS t FROM pg_class c WHERE c.relnamespace = here AND c.relkind IN ('r', 'p')
        AND c.relname <> 'zive_fields' AND lower(c.relname) IN (SELECT lower(table_name) COLLATE "C" FROM zive_fields) LOOP
      EXECUTE 'DROP TABLE IF EXISTS ' || r.t || ' CASCADE';
    END LOOP;
    DROP TABLE zive_fields CASCADE;
  END IF;
  FOR r IN SELECT c.oid::regclass AS s FROM pg_class c WHERE c.relnamespace = here AND c.relkind = 'S'
      AND c.relname LIKE 'zive\_%' LOOP
    EXECUTE 'DROP SEQUENCE IF EXISTS ' || r.s || ' CASCADE';
  END LOOP;
  FOR r IN SELECT CASE p.prokind WHEN 'a' THEN 'AGGREGATE ' ELSE 'FUNCTION ' END AS kind,
      string_agg(p.oid::regprocedure::text, ', ') AS list FROM pg_proc p WHERE p.pronamespace = here
      AND (p.proname LIKE 'jet\_%' OR p.proname LIKE 'zive\_%') GROUP BY 1 ORDER BY 1 LOOP
    EXECUTE 'DROP ' || r.kind || r.list || ' CASCADE';  -- the aggregates first, then what they call
  END LOOP;
  DROP COLLATION IF EXISTS "JET";
END $d$)sql",
                   kSrc);
  noteChange();
  tx.commit();
}

bool PgCatalogStore::isOurs() {
  if (auto found = static_cast<PgConnection&>(connection_).takeCatalogFound()) return *found;
  return connection_.queryInt("SELECT " + std::string(kCatalogFoundCheck), kSrc) == 1;
}

int64_t PgCatalogStore::dataVersion() { return static_cast<PgConnection&>(connection_).catalogNotices(); }

void PgCatalogStore::noteChange() { connection_.exec("NOTIFY zive_catalog", kSrc); }

// The usual table first: one of ours, named as it was created or in
// capitals (as the upgrade creates the layout's tables), each of its
// columns described by the catalog. Its catalog rows come through the
// catalog's index by name, with the name the server resolves; its columns
// come from a statement that reads none of its rows. A new connection would
// otherwise plan a join of the system catalogs, which costs it more than
// the operation's own statement: the statement loads the table's
// description into the connection anyway, so the second query adds little
// but a round trip.
std::optional<StoredTable> PgCatalogStore::storedTable(std::string_view name) {
  auto st = connection_.prepare(
      "SELECT field_name COLLATE \"C\", dao_type, size, required, allow_zero_length, default_value COLLATE \"C\", "
      "ordinal_position, auto_increment, (SELECT coalesce(to_regclass(quote_ident(?1)), "
      "to_regclass(quote_ident(upper(?1))))::text) FROM " + std::string(kCatalogTable) +
          " WHERE lower(table_name COLLATE \"C\") = lower(?1)",
      kSrc);
  st->bindText(1, name);
  std::string relation;
  StoredTable table{std::string(name), {}, {}};
  while (st->step()) {
    if (relation.empty()) relation = st->text(8);
    table.described.push_back(catalogRow(*st, table.name));
  }
  // The name as the server writes it: quoted when it must be, qualified
  // when another schema's table of that name comes first.
  if (relation.empty() || relation.find('.') != std::string::npos) return anyTable(name);
  table.name = relation.front() == '"' ? unquoteName(relation) : relation;
  std::unordered_set<std::string> described;
  for (const auto& d : table.described) described.insert(lowerAscii(d.name));
  auto columns = connection_.prepare("SELECT * FROM " + relation + " LIMIT 0", kSrc);
  table.rowids = false;
  for (int i = 0; i < columns->columnCount(); ++i) {
    std::string column = columns->origin(i);
    if (column == "rowid") {
      table.rowids = true;
      continue;
    }
    if (described.count(lowerAscii(column)) == 0) return anyTable(name);
    table.columns.push_back({std::move(column), "", "", false});
  }
  return table.columns.empty() ? anyTable(name) : std::optional<StoredTable>(std::move(table));
}

// Any table: the name looked up as written and in capitals first (through
// pg_class's index), in any letter case after; a column's default is only
// deparsed for a column the catalog does not describe, the only one that
// needs it.
std::optional<StoredTable> PgCatalogStore::anyTable(std::string_view name) {
  auto st = connection_.prepare(
      "WITH t AS ((SELECT oid, relname::text AS name FROM pg_class WHERE relname IN (?1::text::name, "
      "upper(?1::text)::name) AND relkind IN ('r', 'p') AND pg_table_is_visible(oid) ORDER BY relname LIMIT 1) "
      "UNION ALL (SELECT oid, relname::text FROM pg_class WHERE relkind IN ('r', 'p') AND pg_table_is_visible(oid) "
      "AND lower(relname) = lower(?1::text) ORDER BY relname LIMIT 1) LIMIT 1), "
      "c AS MATERIALIZED (SELECT f.field_name COLLATE \"C\" AS field_name, f.dao_type, f.size, f.required, "
      "f.allow_zero_length, f.default_value COLLATE \"C\" AS default_value, f.ordinal_position, f.auto_increment "
      "FROM " + std::string(kCatalogTable) + " f, t WHERE lower(f.table_name COLLATE \"C\") = lower(t.name)) "
      "SELECT '', '', '', '', '', '', '', '', -1 AS kind, 0 AS n, name FROM t "
      "UNION ALL SELECT a.attname::text, format_type(a.atttypid, a.atttypmod), '', a.attnotnull::integer::text, '', "
      "CASE WHEN d.adbin IS NULL OR k.field IS NOT NULL THEN '' ELSE pg_get_expr(d.adbin, d.adrelid) END, '', '', "
      "0, a.attnum, t.name FROM t JOIN pg_attribute a ON a.attrelid = t.oid "
      "LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
      "LEFT JOIN (SELECT DISTINCT lower(field_name) AS field FROM c) k ON k.field = lower(a.attname::text) "
      "WHERE a.attnum > 0 AND NOT a.attisdropped AND a.attname <> 'rowid' "
      "UNION ALL SELECT '', '', '', '', '', '', '', '', 2, 0, t.name FROM t JOIN pg_attribute a "
      "ON a.attrelid = t.oid AND a.attname = 'rowid' AND NOT a.attisdropped "
      "UNION ALL SELECT field_name, dao_type::text, size::text, required::text, allow_zero_length::text, "
      "default_value, ordinal_position::text, auto_increment::text, 1, 0, t.name FROM c, t ORDER BY 9, 10",
      kSrc);
  st->bindText(1, name);
  std::optional<StoredTable> table;
  while (st->step()) {
    if (!table) table = StoredTable{st->text(10), {}, {}, false};
    const int64_t kind = st->int64(8);
    if (kind == 2) table->rowids = true;
    if (kind == 0) table->columns.push_back({st->text(0), st->text(1), st->text(5), st->int64(3) != 0});
    if (kind == 1) table->described.push_back(catalogRow(*st, table->name));
  }
  return table;
}

std::vector<std::string> PgCatalogStore::tableNames() {
  std::vector<std::string> names;
  auto st = connection_.prepare(
      "SELECT relname FROM pg_class WHERE relkind IN ('r', 'p') AND pg_table_is_visible(oid) "
      "AND relnamespace <> 'pg_catalog'::regnamespace AND lower(relname) <> ?1 ORDER BY lower(relname)",
      kSrc);
  st->bindText(1, kCatalogTable);
  while (st->step()) names.push_back(st->text(0));
  return names;
}

std::string PgCatalogStore::declaredType(const ColumnInfo& c) {
  switch (c.type) {
    case DaoType::Boolean:
    case DaoType::Byte:
    case DaoType::Integer: return "smallint";
    case DaoType::Long: return "integer";
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Date: return "double precision";
    case DaoType::Text: return "varchar(" + std::to_string(c.size) + ") COLLATE \"JET\"";
    case DaoType::Memo: return "text COLLATE \"JET\"";
    case DaoType::Binary:
    case DaoType::LongBinary: return "bytea";
    case DaoType::GUID: return "varchar(38)";
    case DaoType::Decimal: return "numeric(" + std::to_string(c.precision) + ", " + std::to_string(c.scale) + ")";
    case DaoType::Unknown: break;
  }
  return "text";
}

std::string PgCatalogStore::columnDefinition(const ColumnInfo& c, bool declareNotNull) {
  const std::string q = quoteName(c.name);
  if (c.autoIncrement) return q + " integer NOT NULL PRIMARY KEY";
  std::string def = q + " " + declaredType(c);
  if (declareNotNull && c.required) def += " NOT NULL";
  if (auto dflt = defaultLiteral(c, true)) def += " DEFAULT " + *dflt;
  else if (c.type == DaoType::Boolean) def += " DEFAULT 0";  // a Jet Yes/No field left out is No
  if (c.type == DaoType::Byte)
    def += " CONSTRAINT " + quoteName("zive_type_" + c.name) + " CHECK (" + q + " BETWEEN 0 AND 255)";
  if (c.type == DaoType::Binary)
    def += " CONSTRAINT " + quoteName("zive_len_" + c.name) + " CHECK (octet_length(" + q +
           ") <= " + std::to_string(c.size) + ")";
  if (isTextType(c.type) && !c.allowZeroLength)
    def += " CONSTRAINT " + quoteName("zive_zls_" + c.name) + " CHECK (" + q + " <> '')";
  return def;
}

void PgCatalogStore::addCounter(const std::string& table, const ColumnInfo& c) {
  const std::string seq = quoteName(counterSequence(table, c.name));
  connection_.exec("CREATE SEQUENCE " + seq + "; CREATE TRIGGER " + quoteName("zive_counter_" + lowerAscii(c.name)) +
                       " BEFORE INSERT ON " + quoteName(table) + " FOR EACH ROW EXECUTE FUNCTION zive_counter(" +
                       quoteText(c.name) + ", " + quoteText(seq) + ")",
                   kSrc);
}

void PgCatalogStore::createTable(std::string table, std::vector<ColumnInfo> columns) {
  std::string sql = "CREATE TABLE " + quoteName(table) + " (";
  for (const auto& c : columns) sql += columnDefinition(c, true) + ", ";
  sql += "rowid bigint NOT NULL DEFAULT nextval('zive_rowids') UNIQUE)";
  connection_.exec(sql, kSrc);
  for (const auto& c : columns) {
    if (c.autoIncrement) addCounter(table, c);
    insertCatalogRow(table, c);
  }
  forget(table);
}

void PgCatalogStore::addColumn(std::string table, const ColumnInfo& column) {
  if (column.autoIncrement) {
    // The counter numbers the rows already there, in the order they came.
    connection_.exec("ALTER TABLE " + quoteName(table) + " ADD COLUMN " + quoteName(column.name) + " integer", kSrc);
    addCounter(table, column);
    const std::string seq = quoteText(quoteName(counterSequence(table, column.name)));
    connection_.exec("UPDATE " + quoteName(table) + " AS t SET " + quoteName(column.name) +
                         " = n.k FROM (SELECT rowid, row_number() OVER (ORDER BY rowid) AS k FROM " +
                         quoteName(table) + ") AS n WHERE n.rowid = t.rowid; "
                         "SELECT setval(" + seq + ", greatest(1, (SELECT count(*) FROM " + quoteName(table) +
                         "))); ALTER TABLE " + quoteName(table) + " ALTER COLUMN " + quoteName(column.name) +
                         " SET NOT NULL, ADD PRIMARY KEY (" + quoteName(column.name) + ")",
                     kSrc);
  } else {
    // NOT NULL needs a default the rows already there can take.
    bool declareNotNull = column.required && (defaultLiteral(column) || column.type == DaoType::Boolean);
    connection_.exec("ALTER TABLE " + quoteName(table) + " ADD COLUMN " + columnDefinition(column, declareNotNull),
                     kSrc);
  }
  insertCatalogRow(table, column);
  forget(table);
}

void PgCatalogStore::dropTable(std::string table) {
  std::string sql = "DROP TABLE " + quoteName(table);
  if (const TableEntry* e = findEntry(table))
    for (const auto& c : e->info.columns)
      if (c.autoIncrement) sql += "; DROP SEQUENCE IF EXISTS " + quoteName(counterSequence(table, c.name));
  connection_.exec(sql, kSrc);
  deleteCatalogRows(table);
  forget(table);
}

// What the store declares of a column (NOT NULL, DEFAULT, the zero-length
// check), made to follow the catalog in place.
void PgCatalogStore::declare(const std::string& table, const ColumnInfo& c, bool hadColumn) {
  const std::string t = quoteName(table), q = quoteName(c.name);
  if (!hadColumn) {
    addColumn(table, c);
    return;
  }
  if (c.autoIncrement) return;
  bool notNull = c.required;
  if (notNull) {
    auto st = connection_.prepare("SELECT 1 FROM " + t + " WHERE " + q + " IS NULL LIMIT 1", kSrc);
    notNull = !st->step();
  }
  auto dflt = defaultLiteral(c, true);
  if (!dflt && c.type == DaoType::Boolean) dflt = "0";
  std::string sql = "ALTER TABLE " + t + " ALTER COLUMN " + q + (notNull ? " SET NOT NULL" : " DROP NOT NULL") +
                    ", ALTER COLUMN " + q + (dflt ? " SET DEFAULT " + *dflt : std::string(" DROP DEFAULT")) +
                    ", DROP CONSTRAINT IF EXISTS " + quoteName("zive_zls_" + c.name);
  if (isTextType(c.type) && !c.allowZeroLength)
    sql += ", ADD CONSTRAINT " + quoteName("zive_zls_" + c.name) + " CHECK (" + q + " <> '')";
  connection_.exec(sql, kSrc);
}

void PgCatalogStore::rebuildTable(std::string table, const std::vector<ColumnInfo>& columns,
                                  const std::map<std::string, std::string>& newValues,
                                  const std::vector<Variant>& parameters) {
  const TableEntry* old = findEntry(table);
  if (!old) raiseJet(kItemNotFound, kSrc);
  const std::string realName = old->info.name;
  if (!newValues.empty()) {
    // The layout stays: the new values are written in one pass.
    std::string sql = "UPDATE " + quoteName(realName) + " SET ";
    bool first = true;
    for (const auto& c : columns) {
      auto value = newValues.find(lowerAscii(c.name));
      if (value == newValues.end()) continue;
      sql += (first ? "" : ", ") + quoteName(c.name) + " = " + value->second;
      first = false;
    }
    auto st = connection_.prepare(sql, kSrc);
    for (size_t i = 0; i < parameters.size(); ++i) st->bind(static_cast<int>(i + 1), parameters[i]);
    st->run();
    forget(table);
    return;
  }
  const std::vector<std::string> oldColumns = old->storageOrder;
  auto had = [&](std::string_view name) {
    return std::any_of(oldColumns.begin(), oldColumns.end(), [&](const std::string& c) { return namesEqual(c, name); });
  };
  for (const auto& name : oldColumns)
    if (std::none_of(columns.begin(), columns.end(), [&](const ColumnInfo& c) { return namesEqual(c.name, name); }))
      connection_.exec("ALTER TABLE " + quoteName(realName) + " DROP COLUMN " + quoteName(name), kSrc);
  for (const auto& c : columns) declare(realName, c, had(c.name));
  forget(table);
}

bool PgCatalogStore::columnIndexed(std::string table, std::string_view column) {
  auto st = connection_.prepare(
      "SELECT 1 FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid JOIN pg_class t ON t.oid = x.indrelid "
      "JOIN pg_attribute a ON a.attrelid = t.oid AND a.attnum = ANY (x.indkey) "
      "WHERE t.relname = ?1 AND pg_table_is_visible(t.oid) AND lower(a.attname) = lower(?2) "
      "AND NOT x.indisprimary AND a.attname <> 'rowid' AND NOT starts_with(i.relname::text, ?3) LIMIT 1",
      kSrc);
  st->bindText(1, table);
  st->bindText(2, column);
  st->bindText(3, kAccessPathPrefix);
  return st->step();
}

bool PgCatalogStore::indexExists(std::string_view name) {
  auto st = connection_.prepare(
      "SELECT 1 FROM pg_class WHERE relkind = 'i' AND pg_table_is_visible(oid) AND lower(relname) = lower(?1)", kSrc);
  st->bindText(1, name);
  return st->step();
}

}  // namespace svrZIVE::engine::detail
