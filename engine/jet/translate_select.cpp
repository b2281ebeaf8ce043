// SELECT: the FROM clause (RIGHT JOIN written as LEFT JOIN where it can
// be; derived tables), DISTINCT and DISTINCTROW, the select list and its output names, WHERE, GROUP BY and HAVING with
// the check that every column outside an aggregate is grouped on, ORDER BY
// with keys outside the select list, TOP n with the rows that tie, and
// TRANSFORM's crosstabs.
#include <algorithm>
#include <cstdio>

#include "engine/jet/parser.h"
#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

namespace {

// A FROM clause whose SQLite text has no parenthesised join.
bool unnested(const FromNode& node) {
  if (!node.isJoin) return true;
  if (node.right->isJoin || (node.join == JoinKind::Right && node.left->isJoin)) return false;
  return unnested(*node.left);
}

}  // namespace

std::string Translator::fromSql(const FromNode& node, size_t& next) {
  if (!node.isJoin) {
    const Binding& b = bindings_[next++];
    if (!b.derivedSql.empty()) return b.derivedSql + " AS " + quoteName(b.name);
    std::string sql = quoteName(b.table->name);
    if (b.name != b.table->name) sql += " AS " + quoteName(b.name);
    return sql;
  }
  const size_t first = next;
  std::string left = fromSql(*node.left, next);
  std::string right = fromSql(*node.right, next);
  Typed on = expr(*node.on, Clause{Clause::On});
  std::string onSql = asCondition(on);
  // SQLite plans "a RIGHT JOIN b ON c" badly: it reads all of a and then
  // looks for the rows of b no row of a matched, whatever the WHERE clause
  // says of b. "b LEFT JOIN a ON c" gives the same rows and lets SQLite
  // start from b through its indexes. Only the FROM clause changes: the
  // result columns and '*' follow the statement's own order of tables. The
  // join is left as it is when its ON clause reads tables outside it.
  if (node.join == JoinKind::Right && readsOnly(on, first, next)) {
    if (node.left->isJoin) left = "(" + left + ")";
    return right + " LEFT JOIN " + left + " ON " + onSql;
  }
  if (node.right->isJoin) right = "(" + right + ")";
  const char* kind = node.join == JoinKind::Inner  ? " INNER JOIN "
                     : node.join == JoinKind::Left ? " LEFT JOIN "
                                                   : " RIGHT JOIN ";
  return left + kind + right + " ON " + onSql;
}

// The select list: '*' and 't.*' spelt out, unnamed expressions named by
// their position as Jet names them (Expr1000 for the first column, Expr1001
// for the second), and columns of a join that share a name told apart by
// their table.
std::vector<Translator::Output> Translator::outputs(const SelectStmt& s) {
  const Clause clause{Clause::SelectList, true};
  std::vector<Output> outputs;
  for (const auto& item : s.items) {
    if (item.star) {
      bool any = false;
      for (size_t b = 0; b < bindings_.size(); ++b) {
        if (!item.starTable.empty() && !namesEqual(bindings_[b].name, item.starTable)) continue;
        any = true;
        for (const auto& c : bindings_[b].table->columns)
          outputs.push_back(Output{c.name, columnOf(static_cast<int>(b), c), true});
      }
      if (!any) {
        if (item.starTable.empty())
          raise(kSyntaxErrorInExpression, "'SELECT *' needs at least one table in the FROM clause.");
        unknownName(item.starTable + ".*");
      }
      continue;
    }
    Typed t = value(*item.expr, clause);
    Output o;
    o.plainColumn = item.expr->kind == ExprKind::Column && t.column != nullptr;
    if (!item.alias.empty())
      o.name = item.alias;
    else if (o.plainColumn)
      o.name = t.column->name;
    else
      o.name = "Expr" + std::to_string(1000 + outputs.size());
    o.typed = std::move(t);
    outputs.push_back(std::move(o));
  }
  for (size_t i = 0; i < outputs.size(); ++i) {
    if (!outputs[i].plainColumn) continue;
    bool clash = false;
    for (size_t j = 0; j < outputs.size(); ++j) {
      if (i != j && outputs[j].plainColumn && outputs[j].typed.binding != outputs[i].typed.binding &&
          namesEqual(outputs[j].typed.column->name, outputs[i].typed.column->name) &&
          namesEqual(outputs[i].name, outputs[i].typed.column->name))
        clash = true;
    }
    if (clash) outputs[i].name = bindings_[outputs[i].typed.binding].name + "." + outputs[i].typed.column->name;
  }
  return outputs;
}

namespace {

// A heading's value written back as a literal of the dialect that gives
// that value exactly.
std::string jetLiteral(const Variant& v) {
  if (v.isString()) return quoteText(v.asString());
  if (v.isDecimal()) return "CDec('" + v.asDecimal().text() + "')";
  if (v.type() == VarType::Boolean) return v.toDouble() != 0 ? "True" : "False";
  char number[40];
  std::snprintf(number, sizeof number, "%.17g", v.toDouble());
  return v.isDate() ? "CDate(" + std::string(number) + ")" : std::string(number);
}

}  // namespace

// TRANSFORM agg(value) SELECT ... PIVOT heading: the select's row headings,
// then a column for each heading value (the IN list's, or the values the
// rows hold, in order, Null as "<>") holding agg over the group's rows with
// that heading, Null where the group has none.
void Translator::transform(Statement& st, Translation& out) {
  const Transform& x = *st.transform;
  const std::string heading = "(" + x.heading + ")";
  std::vector<std::pair<std::string, std::string>> columns;  // name, the rows it takes
  if (x.fixed) {
    for (const auto& literal : x.in) {
      std::string name = literal;
      if (name.size() >= 2 && (name.front() == '\'' || name.front() == '"' || name.front() == '#'))
        name = name.substr(1, name.size() - 2);
      if (namesEqual(literal, "Null")) columns.emplace_back("<>", heading + " Is Null");
      else columns.emplace_back(name, heading + " = " + literal);
    }
  } else {
    Statement headings = parseStatement(x.headingsSql);
    Translation values = Translator(catalog_).run(headings);
    for (const Variant& v : catalog_.columnValues(values.sql, values.columns.at(0).type)) {
      if (v.isNull()) columns.emplace_back("<>", heading + " Is Null");
      else columns.emplace_back(v.toText(), heading + " = " + jetLiteral(v));
    }
  }
  std::string cells;
  for (const auto& [name, rows] : columns)
    cells += std::string(cells.empty() ? "SELECT " : ", ") + "IIf(Count(IIf(" + rows + ", 1, Null)) = 0, Null, " +
             x.aggregate + "(IIf(" + rows + ", " + x.value + ", Null)))";
  if (!cells.empty()) {
    Statement parsed = parseStatement(cells);
    for (size_t i = 0; i < parsed.select->items.size(); ++i) {
      parsed.select->items[i].alias = columns[i].first;
      st.select->items.push_back(std::move(parsed.select->items[i]));
    }
  }
  select(*st.select, out, Use::Result);
}

void Translator::select(const SelectStmt& s, Translation& out, Use use) {
  if (!s.unions.empty() && use != Use::UnionPart) return unionSelect(s, out, use);
  const bool positional = use != Use::Result;
  bindings_.clear();
  for (const auto& node : s.from) bind(*node);
  if (!s.into.empty() && use != Use::Into)
    raise(kSyntaxErrorInExpression, "Only the outermost select of a statement can make a table with INTO.");
  rowids_.clear();
  if (std::all_of(s.from.begin(), s.from.end(), [](const auto& n) { return unnested(*n); }))
    for (const auto& b : bindings_)
      if (b.derivedSql.empty() && b.table->rowids) rowids_.push_back(quoteName(b.name) + ".rowid");
  std::vector<Output> outputs = this->outputs(s);
  resultTypes_.clear();
  for (const auto& o : outputs) resultTypes_.emplace_back(o.typed.type, o.typed.column);

  size_t nextBinding = 0;
  std::string from;
  for (size_t i = 0; i < s.from.size(); ++i) from += (i ? ", " : "") + fromSql(*s.from[i], nextBinding);
  std::string where = s.where ? condition(*s.where, Clause{Clause::Where}) : std::string();
  std::vector<Typed> groups;
  for (const auto& g : s.groupBy) groups.push_back(value(*g, Clause{Clause::GroupBy}));
  Typed having;
  if (s.having) having = expr(*s.having, Clause{Clause::Having, true});

  // ORDER BY may name the select list's aliases.
  Aliases aliases;
  for (size_t i = 0; i < s.items.size(); ++i) {
    if (!s.items[i].alias.empty()) {
      for (const auto& o : outputs)
        if (o.name == s.items[i].alias) aliases.emplace_back(o.name, o.typed);
    }
  }
  const Clause orderBy{Clause::OrderBy, true, &aliases};
  std::vector<std::pair<Typed, bool>> keys;
  if (use != Use::UnionPart)
    for (const auto& o : s.orderBy) keys.emplace_back(value(*o.expr, orderBy), o.descending);

  bool aggregate = !groups.empty() || having.aggregate ||
                   std::any_of(outputs.begin(), outputs.end(), [](const Output& o) { return o.typed.aggregate; }) ||
                   std::any_of(keys.begin(), keys.end(), [](const auto& k) { return k.first.aggregate; });
  if (aggregate) checkAggregate(outputs, groups, keys, s.having ? &having : nullptr);

  // A computed Decimal or date is read as one: neither is stored as its value.
  for (const auto& o : outputs) {
    DaoType dao = o.typed.dao;
    if (dao == DaoType::Unknown && o.typed.type == Ty::Dec) dao = DaoType::Decimal;
    if (dao == DaoType::Unknown && o.typed.type == Ty::Date) dao = DaoType::Date;
    out.columns.push_back(ResultColumn{o.name, dao});
  }

  std::string tail;
  if (!from.empty()) tail += " FROM " + from;
  if (!where.empty()) tail += " WHERE " + where;
  if (!groups.empty()) {
    tail += " GROUP BY ";
    for (size_t i = 0; i < groups.size(); ++i) tail += (i ? ", " : "") + keySql(groups[i]);
  }
  if (s.having) tail += " HAVING " + asCondition(having);

  auto outName = [&](size_t i) {
    return positional ? quoteName("c" + std::to_string(i)) : quoteName(outputs[i].name);
  };

  // Keys that are not in the select list are hidden columns of the rows.
  std::vector<std::string> keyRefs;  // the key as a column of the inner query
  std::vector<std::string> hidden;   // inner expressions of hidden keys
  // DISTINCTROW over a join keeps one row per combination of rows of the
  // tables the select list reads: their rowids are hidden columns of a
  // DISTINCT. (Over the rows of every table, it changes nothing.)
  bool distinct = s.distinct;
  if (s.distinctRow && !aggregate && rowids_.size() == bindings_.size()) {
    std::vector<bool> read(bindings_.size());
    for (const auto& o : outputs)
      for (const auto& column : o.typed.free)
        for (size_t b = 0; b < bindings_.size(); ++b)
          if (column.first.rfind(quoteName(bindings_[b].name) + ".", 0) == 0) read[b] = true;
    if (std::count(read.begin(), read.end(), true) < static_cast<std::ptrdiff_t>(read.size())) {
      distinct = true;
      for (size_t b = 0; b < bindings_.size(); ++b)
        if (read[b]) hidden.push_back(rowids_[b] + " AS " + quoteName("d" + std::to_string(b)));
    }
  }
  auto itemSql = [&](const Typed& t) { return distinct || use == Use::UnionPart ? collated(t) : t.sql; };
  for (const auto& [k, desc] : keys) {
    if (k.constant) continue;
    std::string ref;
    for (size_t i = 0; i < outputs.size() && ref.empty(); ++i)
      if (sameSql(outputs[i].typed.sql, k.sql)) ref = quoteName("c" + std::to_string(i));
    if (ref.empty()) {
      ref = quoteName("k" + std::to_string(hidden.size()));
      hidden.push_back(itemSql(k) + " AS " + ref);
    }
    Typed refTyped;
    refTyped.sql = ref;
    refTyped.type = k.type;
    keyRefs.push_back(collated(refTyped) + (desc ? " DESC" : ""));
  }

  // Rows that tie on every key come out in the order they were inserted,
  // whatever indexes the tables have: the rowids are the last keys. (A
  // table inside a parenthesised join shows SQLite no rowid.)
  std::vector<std::string> tieKeys;
  if ((!keys.empty() || s.top) && !aggregate && !distinct) tieKeys = rowids_;

  const bool wrap = (s.top && (!keys.empty() || s.topPercent)) || (distinct && !hidden.empty());
  if (!wrap) {
    std::string sql = distinct ? "SELECT DISTINCT " : "SELECT ";
    for (size_t i = 0; i < outputs.size(); ++i)
      sql += (i ? ", " : "") + itemSql(outputs[i].typed) + " AS " + outName(i);
    const bool updatable =
        !positional && s.from.size() == 1 && !s.from[0]->isJoin && !distinct && !s.top && !aggregate &&
        bindings_[0].derivedSql.empty() && bindings_[0].table->rowids;
    if (updatable) {
      out.updatableTable = bindings_[0].table->name;
      sql += ", " + quoteName(bindings_[0].name) + ".rowid";
    }
    sql += tail;
    std::string order;
    for (const auto& [k, desc] : keys) {
      if (k.constant) continue;
      order += (order.empty() ? " ORDER BY " : ", ") + collated(k) + (desc ? " DESC" : "");
    }
    for (const auto& t : tieKeys) order += (order.empty() ? " ORDER BY " : ", ") + t;
    sql += order;
    if (s.top) sql += " LIMIT " + std::to_string(*s.top);
    out.sql = std::move(sql);
    return;
  }

  std::string inner = distinct ? "SELECT DISTINCT " : "SELECT ";
  for (size_t i = 0; i < outputs.size(); ++i)
    inner += (i ? ", " : "") + itemSql(outputs[i].typed) + " AS " + quoteName("c" + std::to_string(i));
  for (const auto& h : hidden) inner += ", " + h;
  for (size_t i = 0; i < tieKeys.size(); ++i) inner += ", " + tieKeys[i] + " AS " + quoteName("r" + std::to_string(i));
  inner += tail;
  std::string orderList;
  for (size_t i = 0; i < keyRefs.size(); ++i) orderList += (i ? ", " : "") + keyRefs[i];
  std::string tieList;
  for (size_t i = 0; i < tieKeys.size(); ++i) tieList += ", " + quoteName("r" + std::to_string(i));

  std::string sql = "SELECT ";
  for (size_t i = 0; i < outputs.size(); ++i)
    sql += (i ? ", " : "") + quoteName("c" + std::to_string(i)) + " AS " + outName(i);
  if (s.top && s.topPercent) {
    // TOP n PERCENT keeps the rows ranked within n per cent of the rows,
    // rounded up, with the rows that tie with the last of them.
    const std::string rank = !orderList.empty() ? "RANK() OVER (ORDER BY " + orderList + ")"
                             : tieList.empty()  ? "ROW_NUMBER() OVER ()"
                                                : "ROW_NUMBER() OVER (ORDER BY " + tieList.substr(2) + ")";
    sql += " FROM (SELECT *, " + rank + " AS \"jet_rank\", count(*) OVER () AS \"jet_count\" FROM (" + inner + ")" +
           derivedName() + ")" + derivedName() + " WHERE (\"jet_rank\" - 1) * 100 < " + std::to_string(*s.top) + " * \"jet_count\"";
  } else if (s.top) {
    // TOP n keeps the rows ranked n or better: ties with the n-th row stay.
    sql += " FROM (SELECT *, RANK() OVER (" + (orderList.empty() ? std::string() : "ORDER BY " + orderList) +
           ") AS \"jet_rank\" FROM (" + inner + ")" + derivedName() + ")" + derivedName() +
           " WHERE \"jet_rank\" <= " + std::to_string(*s.top);
  } else {
    sql += " FROM (" + inner + ")" + derivedName();
  }
  if (!orderList.empty()) sql += " ORDER BY " + orderList + tieList;
  else if (!tieList.empty()) sql += " ORDER BY " + tieList.substr(2);
  out.sql = std::move(sql);
}

// UNION [ALL]: the parts side by side, named as the first part names its
// columns; the ORDER BY names those columns.
void Translator::unionSelect(const SelectStmt& s, Translation& out, Use use) {
  std::vector<std::pair<bool, const SelectStmt*>> parts = {{false, &s}};
  for (const auto& [all, part] : s.unions) parts.emplace_back(all, part.get());
  std::string sql;
  for (const auto& [all, part] : parts) {
    Translation t;
    Translator sub(catalog_, shape_, pinned_);
    sub.outer_ = outer_;
    sub.select(*part, t, Use::UnionPart);
    if (out.columns.empty()) out.columns = t.columns;
    else if (t.columns.size() != out.columns.size()) raise(kUnionColumnCount, jetMessage(kUnionColumnCount));
    if (!sql.empty()) sql += all ? " UNION ALL " : " UNION ";
    sql += "SELECT * FROM (" + t.sql + ")" + derivedName();
  }
  std::string order;
  for (const auto& o : s.orderBy) {
    int found = -1;
    if (o.expr->kind == ExprKind::Column)
      for (size_t i = 0; i < out.columns.size() && found < 0; ++i)
        if (namesEqual(out.columns[i].name, o.expr->text)) found = static_cast<int>(i);
    if (found < 0) {
      unknownName(o.expr->kind == ExprKind::Column ? o.expr->text : "ORDER BY");
      continue;
    }
    Typed key;
    key.sql = quoteName("c" + std::to_string(found));
    key.type = tyOf(out.columns[static_cast<size_t>(found)].type);
    order += (order.empty() ? " ORDER BY " : ", ") + collated(key) + (o.descending ? " DESC" : "");
  }
  resultTypes_.clear();
  for (const auto& c : out.columns) resultTypes_.emplace_back(tyOf(c.type), nullptr);
  std::string outer = "SELECT ";
  for (size_t i = 0; i < out.columns.size(); ++i)
    outer += (i ? ", " : "") + quoteName("c" + std::to_string(i)) + " AS " +
             quoteName(use == Use::Result ? out.columns[i].name : "c" + std::to_string(i));
  out.sql = outer + " FROM (" + sql + ")" + derivedName() + order;
}

Translation Translator::subselect(const SelectStmt& s) {
  Translator sub(catalog_, shape_, pinned_);
  sub.outer_ = this;
  Translation t;
  sub.select(s, t, Use::Positional);
  return t;
}

// In a query with aggregates every column outside them must be grouped on.
void Translator::checkAggregate(const std::vector<Output>& outputs, const std::vector<Typed>& groups,
                                const std::vector<std::pair<Typed, bool>>& keys, const Typed* having) {
  auto check = [&](const Typed& t) {
    for (const auto& g : groups)
      if (sameSql(g.sql, t.sql)) return;
    for (const auto& column : t.free) {
      // (Not a structured binding: clang before 16 cannot capture one in a lambda.)
      const std::string& sql = column.first;
      bool grouped =
          std::any_of(groups.begin(), groups.end(), [&](const Typed& g) { return sameSql(g.sql, sql); });
      if (!grouped)
        raise(kAggregateMissing, "The query does not include the field '" + column.second +
                                     "' in an aggregate function or in its GROUP BY clause.");
    }
  };
  for (const auto& o : outputs) check(o.typed);
  for (const auto& k : keys) check(k.first);
  if (having != nullptr) check(*having);
}

}  // namespace svrZIVE::engine::jet
