// Names: the tables of the FROM clause, the columns an expression names
// (3079 when two tables have it), aliases of the select list where a clause
// sees them, and the names nothing resolves, reported together as 3061.
#include <algorithm>

#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

const TableInfo& Translator::table(const std::string& name) {
  const TableInfo* info = catalog_.findTable(name);
  if (info == nullptr)
    raise(kInputTableNotFound,
          "Cannot find the table or query '" + name + "': check that it exists and that its name is spelt correctly.");
  return *info;
}

void Translator::reportUnknownNames() {
  if (unknownNames_.empty()) return;
  std::string names;
  for (size_t i = 0; i < unknownNames_.size(); ++i) {
    if (i > 0) names += i + 1 == unknownNames_.size() ? " and " : ", ";
    names += "'" + unknownNames_[i] + "'";
  }
  raise(kTooFewParameters,
        (unknownNames_.size() == 1 ? "The name " + names + " is" : "The names " + names + " are") +
            " not a field of the tables in the statement and no value was given for it: too few "
            "parameters, expected " +
            std::to_string(unknownNames_.size()) + ".");
}

Typed Translator::unknownName(std::string name) {
  if (outer_ != nullptr) return outer_->unknownName(std::move(name));
  bool seen = std::any_of(unknownNames_.begin(), unknownNames_.end(),
                          [&](const std::string& n) { return namesEqual(n, name); });
  if (!seen) unknownNames_.push_back(std::move(name));
  Typed t;
  t.sql = "NULL";
  t.type = Ty::Unknown;
  return t;
}

Typed Translator::columnOf(int b, const ColumnInfo& column) {
  Typed t;
  t.sql = quoteName(bindings_[b].name) + "." + quoteName(column.name);
  t.type = tyOf(column.type);
  t.dao = column.type;
  t.column = &column;
  t.binding = b;
  t.free.emplace_back(t.sql, column.name);
  return t;
}

Typed Translator::column(const Expr& e, const Clause& c) {
  if (!e.qualifier.empty()) {
    for (size_t b = 0; b < bindings_.size(); ++b) {
      if (!namesEqual(bindings_[b].name, e.qualifier)) continue;
      if (const ColumnInfo* col = bindings_[b].table->findColumn(e.text))
        return columnOf(static_cast<int>(b), *col);
      break;
    }
    if (outer_ != nullptr) return outer(e);
    return unknownName(e.qualifier + "." + e.text);
  }
  int found = -1;
  const ColumnInfo* foundColumn = nullptr;
  for (size_t b = 0; b < bindings_.size(); ++b) {
    if (const ColumnInfo* col = bindings_[b].table->findColumn(e.text)) {
      if (found >= 0)
        raise(kAmbiguousField, "The field '" + e.text + "' could refer to more than one table of the FROM clause.");
      found = static_cast<int>(b);
      foundColumn = col;
    }
  }
  if (found >= 0) return columnOf(found, *foundColumn);
  if (c.aliases != nullptr) {
    for (const auto& [alias, typed] : *c.aliases)
      if (namesEqual(alias, e.text)) return typed;
  }
  if (outer_ != nullptr) return outer(e);
  return unknownName(e.text);
}

// A column of the query around a subquery: to the subquery, a value.
Typed Translator::outer(const Expr& e) {
  Typed t = outer_->column(e, Clause{Clause::Where});
  t.column = nullptr;
  t.binding = -1;
  t.free.clear();
  return t;
}

void Translator::bind(const FromNode& node) {
  if (node.isJoin) {
    bind(*node.left);
    bind(*node.right);
    return;
  }
  Binding b;
  if (node.table.derived) {
    // (SELECT ...) AS name: a table whose columns are the select's.
    Translator sub(catalog_, shape_, pinned_);
    Translation t;
    sub.select(*node.table.derived, t, Use::Positional);
    sub.reportUnknownNames();
    TableInfo& info = derivedTables_.emplace_back();
    info.name = node.table.alias;
    b.derivedSql = "(SELECT ";
    for (size_t i = 0; i < t.columns.size(); ++i) {
      ColumnInfo c;
      c.name = t.columns[i].name;
      c.type = t.columns[i].type;
      if (c.type == DaoType::Unknown && sub.resultTypes_[i].first == Ty::Text) c.type = DaoType::Text;
      info.columns.push_back(c);
      b.derivedSql += (i ? ", " : "") + quoteName("c" + std::to_string(i)) + " AS " + quoteName(c.name);
    }
    b.derivedSql += " FROM (" + t.sql + ")" + derivedName() + ")";
    b.table = &info;
    b.name = info.name;
  } else {
    const TableInfo& info = table(node.table.name);
    b.table = &info;
    b.name = node.table.alias.empty() ? info.name : node.table.alias;
  }
  for (const auto& other : bindings_)
    if (namesEqual(other.name, b.name))
      raise(kSyntaxErrorInFrom, "The FROM clause names '" + b.name + "' twice: give the tables different aliases.");
  bindings_.push_back(std::move(b));
}

// True when every column `t` reads belongs to the bindings [first, end).
bool Translator::readsOnly(const Typed& t, size_t first, size_t end) const {
  for (const auto& [sql, name] : t.free) {
    bool inside = false;
    for (size_t b = first; b < end && !inside; ++b) {
      const std::string prefix = quoteName(bindings_[b].name) + ".";
      inside = sql.compare(0, prefix.size(), prefix) == 0;
    }
    if (!inside) return false;
  }
  return true;
}

}  // namespace svrZIVE::engine::jet
