// INSERT, UPDATE and DELETE. Every value written goes through jet_store,
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

std::string storeCall(const std::string& value, const ColumnInfo& column, const TableInfo& table) {
  int flags = (column.required ? kStoreRequired : 0) |
              (column.allowZeroLength ? kStoreAllowZeroLength : 0) |
              (column.autoIncrement ? kStoreAutoIncrement : 0);
  return "jet_store(" + value + ", " + std::to_string(static_cast<int>(column.type)) + ", " +
         std::to_string(column.size) + ", " + std::to_string(flags) + ", " +
         quoteText(table.name + "." + column.name) + ")";
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
    sql += " FROM (" + inner.sql + ")";
  } else {
    if (s.values.size() != targets.size()) countMismatch();
    bindings_.clear();
    sql += "VALUES (";
    for (size_t i = 0; i < targets.size(); ++i)
      sql += (i ? ", " : "") + storeCall(value(*s.values[i], Clause{Clause::Values}).sql, *targets[i], info);
    for (const auto* c : missing) sql += ", " + storeCall("NULL", *c, info);
    sql += ")";
  }
  out.sql = std::move(sql);
}

void Translator::update(const UpdateStmt& s, Translation& out) {
  const TableInfo& info = table(s.table.name);
  out.table = info.name;
  bindings_ = {Binding{info.name, &info}};
  std::string sql = "UPDATE " + quoteName(info.name) + " SET ";
  std::set<const ColumnInfo*> seen;
  for (size_t i = 0; i < s.assignments.size(); ++i) {
    const Assignment& a = s.assignments[i];
    const ColumnInfo* col = info.findColumn(a.column.name);
    if (!a.qualifier.empty() && !namesEqual(a.qualifier, info.name)) col = nullptr;
    if (col == nullptr) {
      unknownName(a.qualifier.empty() ? a.column.name : a.qualifier + "." + a.column.name);
      continue;
    }
    if (col->autoIncrement)
      raise(kFieldNotUpdatable, "The field '" + col->name + "' is numbered by the database and cannot be updated.");
    if (!seen.insert(col).second)
      raise(kFieldDefinedTwice, "The field '" + col->name + "' is set more than once in the UPDATE statement.");
    std::string stored = storeCall(value(*a.value, Clause{Clause::Set}).sql, *col, info);
    sql += (i ? ", " : "") + quoteName(col->name) + " = " + stored;
    out.wholeTableAssignments.emplace_back(col->name, std::move(stored));
  }
  if (s.where) {
    sql += " WHERE " + condition(*s.where, Clause{Clause::Where});
    out.wholeTableAssignments.clear();
  }
  out.sql = std::move(sql);
}

void Translator::del(const DeleteStmt& s, Translation& out) {
  const TableInfo& info = table(s.table.name);
  out.table = info.name;
  Binding b{s.table.alias.empty() ? info.name : s.table.alias, &info};
  bindings_ = {b};
  std::string sql = "DELETE FROM " + quoteName(info.name);
  if (b.name != info.name) sql += " AS " + quoteName(b.name);
  if (s.where) sql += " WHERE " + condition(*s.where, Clause{Clause::Where});
  out.sql = std::move(sql);
}

}  // namespace svrZIVE::engine::jet
