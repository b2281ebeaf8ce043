// SELECT ... INTO, INSERT, UPDATE and DELETE (over one table or a join).
// Every value written goes through jet_store,
// which converts it to the field's type or fails with Jet's error, so that
// a row that cannot be written fails the whole statement.
#include <algorithm>
#include <set>

#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

namespace {

// Flags of jet_store's fourth argument.
constexpr int kStoreRequired = 1;
constexpr int kStoreAllowZeroLength = 2;
constexpr int kStoreAutoIncrement = 4;

// A value to write: a Decimal goes as a Decimal, not as its key.
std::string asWritten(const Typed& t) { return t.type == Ty::Dec ? variantArg(t) : t.sql; }

std::string storeCall(const std::string& value, const ColumnInfo& column, const TableInfo& table) {
  int flags = (column.required ? kStoreRequired : 0) |
              (column.allowZeroLength ? kStoreAllowZeroLength : 0) |
              (column.autoIncrement ? kStoreAutoIncrement : 0);
  std::string call = "jet_store(" + value + ", " + std::to_string(static_cast<int>(column.type)) + ", " +
                     std::to_string(column.type == DaoType::Decimal ? column.precision * 256 + column.scale
                                                                    : column.size) +
                     ", " + std::to_string(flags) + ", " + quoteText(table.name + "." + column.name) + ")";
  if (target() != SqlTarget::Postgres) return call;
  // On the server the stored value comes back as text, cast to the column's type.
  switch (column.type) {
    case DaoType::Boolean:
    case DaoType::Byte:
    case DaoType::Integer: return "(" + call + ")::smallint";
    case DaoType::Long: return "(" + call + ")::integer";
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Date: return "(" + call + ")::double precision";
    case DaoType::Decimal: return "(" + call + ")::numeric";
    default: return call;
  }
}

// A value written into a field. A field's own value copied into a field of
// the same number or date type passed the same conversion on its way in, so
// only a Null reaching a Required field still goes to jet_store to fail.
std::string storedValue(const Typed& t, const std::string& value, const ColumnInfo& column, const TableInfo& table) {
  const ColumnInfo* from = t.column;
  if (!from || from->type != column.type || !isPlainNumberType(column.type)) return storeCall(value, column, table);
  if (!column.required) return value;
  return "coalesce(" + value + ", " + storeCall("NULL", column, table) + ")";
}

// A value written into a field: a literal of the shape as a bare parameter
// the engine converts before binding it (Translation::StoredLiteral),
// anything else through jet_store.
std::string writtenValue(const Typed& t, const ColumnInfo& column, const TableInfo& table, Translation& out) {
  std::optional<size_t> slot = bareMarker(t.sql);
  if (!slot || t.type == Ty::Dec || column.type == DaoType::Decimal) return storedValue(t, asWritten(t), column, table);
  out.storedLiterals.push_back({*slot, column, table.name, storeCall(t.sql, column, table)});
  return t.sql;
}

// A number or text literal as `column` stores it; nullopt for any other
// value, or one that does not convert (its jet_store then fails for each row
// it reaches, as Jet does).
std::optional<Variant> storedLiteral(const Expr& e, const ColumnInfo& column, const TableInfo& table) {
  Variant value;
  if (e.kind == ExprKind::String) value = Variant(e.text);
  else if (e.kind == ExprKind::Number) value = e.isInteger ? Variant(static_cast<int32_t>(e.number)) : Variant(e.number);
  else return std::nullopt;
  if (column.type == DaoType::Decimal) return std::nullopt;
  try {
    return storeValue(value, column, table.name);
  } catch (const AutomationError&) {
    return std::nullopt;
  }
}

}  // namespace

void Translator::insert(const InsertStmt& s, Translation& out) {
  const TableInfo& info = table(s.table.name);
  out.table = info.name;
  std::vector<const ColumnInfo*> targets;
  if (s.hasColumnList) {
    for (const auto& c : s.columns) {
      const ColumnInfo* col = info.findColumn(c.name);
      if (col == nullptr)
        raise(kUnknownInsertField, "The INSERT INTO statement names the field '" + c.name +
                                       "', which the table '" + info.name + "' does not have.");
      if (std::find(targets.begin(), targets.end(), col) != targets.end())
        raise(kFieldDefinedTwice, "The field '" + col->name +
                                      "' is given more than once in the INSERT INTO statement.");
      targets.push_back(col);
    }
  } else {
    for (const auto& c : info.columns) targets.push_back(&c);
  }
  // Required fields left out get Null, which fails as Jet fails.
  std::vector<const ColumnInfo*> missing;
  for (const auto& c : info.columns) {
    if (c.required && !c.autoIncrement && c.defaultValue.empty() &&
        std::find(targets.begin(), targets.end(), &c) == targets.end())
      missing.push_back(&c);
  }
  std::string sql = "INSERT INTO " + quoteName(info.name) + " (";
  for (size_t i = 0; i < targets.size(); ++i) sql += (i ? ", " : "") + quoteName(targets[i]->name);
  for (const auto* c : missing) sql += ", " + quoteName(c->name);
  sql += ") ";
  auto countMismatch = [&]() {
    raise(kValueCountMismatch,
          "The INSERT INTO statement gives " + std::string("a number of values that is not the "
                                                           "number of its destination fields."));
  };
  if (s.select) {
    Translation inner;
    Translator sub(catalog_, shape_, pinned_);
    sub.select(*s.select, inner, Use::Positional);
    sub.reportUnknownNames();
    if (inner.columns.size() != targets.size()) countMismatch();
    sql += "SELECT ";
    for (size_t i = 0; i < targets.size(); ++i)
      sql += (i ? ", " : "") + storeCall(quoteName("c" + std::to_string(i)), *targets[i], info);
    for (const auto* c : missing) sql += ", " + storeCall("NULL", *c, info);
    sql += " FROM (" + inner.sql + ")" + derivedName();
  } else {
    if (s.values.size() != targets.size()) countMismatch();
    bindings_.clear();
    sql += "VALUES (";
    for (size_t i = 0; i < targets.size(); ++i)
      sql += (i ? ", " : "") + writtenValue(value(*s.values[i], Clause{Clause::Values}), *targets[i], info, out);
    for (const auto* c : missing) sql += ", " + storeCall("NULL", *c, info);
    sql += ")";
  }
  out.sql = std::move(sql);
}

namespace {

DaoType daoOf(Ty type) {
  switch (type) {
    case Ty::Bool: return DaoType::Boolean;
    case Ty::Int: return DaoType::Long;
    case Ty::Dbl:
    case Ty::Num: return DaoType::Double;
    case Ty::Date: return DaoType::Date;
    default: return DaoType::Text;
  }
}

}  // namespace

// SELECT ... INTO table: the table, made with the fields of the result (a
// column keeps its field's type and size, a Counter becoming a Long; an
// expression takes the type of its value), and an INSERT of the rows.
void Translator::selectInto(const SelectStmt& s, Translation& out) {
  if (catalog_.findTable(s.into) != nullptr) raise(kTableExists, jetMessage(kTableExists, s.into));
  Translation inner;
  select(s, inner, Use::Into);
  DdlCommand d;
  d.table = s.into;
  std::string sql = "INSERT INTO " + quoteName(s.into) + " (";
  for (size_t i = 0; i < inner.columns.size(); ++i) {
    ColumnInfo c;
    const auto& [type, column] = resultTypes_[i];
    c.name = inner.columns[i].name;
    c.type = column != nullptr ? column->type : inner.columns[i].type;
    if (c.type == DaoType::Unknown) c.type = daoOf(type);
    if (column != nullptr) c.size = column->size;
    if (c.type == DaoType::Text && c.size == 0) c.size = 255;
    c.allowZeroLength = true;
    c.ordinalPosition = static_cast<int16_t>(i);
    d.columns.push_back(std::move(c));
    sql += (i ? ", " : "") + quoteName(inner.columns[i].name);
  }
  out.sql = sql + ") " + inner.sql;
  out.table = d.table;
  out.ddl = std::move(d);
}

size_t Translator::target(const std::string& name) {
  for (size_t b = 0; b < bindings_.size(); ++b)
    if (namesEqual(bindings_[b].name, name) && bindings_[b].derivedSql.empty()) return b;
  raise(kSpecifyDeleteTable, jetMessage(kSpecifyDeleteTable));
}

void Translator::update(const UpdateStmt& s, Translation& out) {
  // Over a join, the fields set belong to one of its tables: the statement
  // becomes an UPDATE of that table FROM the join's rows with the values
  // set, each matched by the rowid of the table's row in it.
  size_t written = 0;
  if (s.join) {
    bindings_.clear();
    bind(*s.join);
    const Assignment& first = s.assignments.at(0);
    if (!first.qualifier.empty()) {
      written = target(first.qualifier);
    } else {
      int found = -1;
      for (size_t b = 0; b < bindings_.size(); ++b)
        if (bindings_[b].derivedSql.empty() && bindings_[b].table->findColumn(first.column.name)) {
          if (found >= 0) raise(kAmbiguousField, jetMessage(kAmbiguousField, first.column.name));
          found = static_cast<int>(b);
        }
      if (found < 0) unknownName(first.column.name);
      written = found < 0 ? 0 : static_cast<size_t>(found);
    }
  } else {
    const TableInfo& info = table(s.table.name);
    bindings_ = {Binding{info.name, &info, {}}};
  }
  const TableInfo& info = *bindings_[written].table;
  const std::string& name = bindings_[written].name;
  out.table = info.name;
  std::string sql = "UPDATE " + quoteName(info.name) + " SET ";
  std::string joined;  // over a join: the values set, as columns of its rows
  std::set<const ColumnInfo*> seen;
  for (size_t i = 0; i < s.assignments.size(); ++i) {
    const Assignment& a = s.assignments[i];
    const ColumnInfo* col = info.findColumn(a.column.name);
    if (!a.qualifier.empty() && !namesEqual(a.qualifier, name)) {
      for (const auto& b : bindings_)
        if (s.join && namesEqual(b.name, a.qualifier)) raise(kNotUpdatable, jetMessage(kNotUpdatable));
      col = nullptr;
    }
    if (col == nullptr) {
      unknownName(a.qualifier.empty() ? a.column.name : a.qualifier + "." + a.column.name);
      continue;
    }
    if (col->autoIncrement)
      raise(kFieldNotUpdatable, "The field '" + col->name + "' is numbered by the database and cannot be updated.");
    if (!seen.insert(col).second)
      raise(kFieldDefinedTwice, "The field '" + col->name + "' is set more than once in the UPDATE statement.");
    Typed t = value(*a.value, Clause{Clause::Set});
    std::string v = asWritten(t);
    if (s.join) {
      const std::string column = quoteName("c" + std::to_string(i));
      joined += ", " + v + " AS " + column;
      v = "\"jet_rows\"." + column;
    }
    std::string stored = s.join ? storeCall(v, *col, info) : storedValue(t, v, *col, info);
    sql += (i ? ", " : "") + quoteName(col->name) + " = " + (s.join ? stored : writtenValue(t, *col, info, out));
    if (!s.join && !s.where && namesEqual(name, info.name))
      out.wholeTableAssignments.push_back({col->name, std::move(stored), storedLiteral(*a.value, *col, info)});
  }
  std::string where = s.where ? " WHERE " + condition(*s.where, Clause{Clause::Where}) : std::string();
  if (s.join) {
    size_t next = 0;
    sql += " FROM (SELECT " + quoteName(name) + ".rowid AS \"jet_rowid\"" + joined + " FROM " +
           fromSql(*s.join, next) + where + ") AS \"jet_rows\" WHERE " + quoteName(info.name) +
           ".rowid = \"jet_rows\".\"jet_rowid\"";
  } else {
    sql += where;
  }
  out.sql = std::move(sql);
}

void Translator::del(const DeleteStmt& s, Translation& out) {
  if (s.join) {
    // DELETE t.* FROM a INNER JOIN b ON ...: the rows of t the join reaches.
    bindings_.clear();
    bind(*s.join);
    const Binding& b = bindings_[target(s.target)];
    out.table = b.table->name;
    size_t next = 0;
    std::string from = fromSql(*s.join, next);
    out.sql = "DELETE FROM " + quoteName(b.table->name) + " WHERE rowid IN (SELECT " + quoteName(b.name) +
              ".rowid FROM " + from;
    if (s.where) out.sql += " WHERE " + condition(*s.where, Clause{Clause::Where});
    out.sql += ")";
    return;
  }
  const TableInfo& info = table(s.table.name);
  out.table = info.name;
  Binding b{s.table.alias.empty() ? info.name : s.table.alias, &info, {}};
  bindings_ = {b};
  std::string sql = "DELETE FROM " + quoteName(info.name);
  if (b.name != info.name) sql += " AS " + quoteName(b.name);
  if (s.where) sql += " WHERE " + condition(*s.where, Clause{Clause::Where});
  out.sql = std::move(sql);
}

}  // namespace svrZIVE::engine::jet
