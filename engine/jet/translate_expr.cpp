// Expressions: literals, columns, operators with Jet's types (text +
// text concatenates, & writes numbers as the runtime does, comparisons of
// mixed kinds go through jet_compare) and the predicates Like, Between, In
// and Is Null.
#include <algorithm>
#include <charconv>
#include <vector>

#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

namespace {

void flattenConcat(const Expr& e, std::vector<const Expr*>& out) {
  if (e.kind == ExprKind::Binary && e.op == Op::Concat) {
    flattenConcat(*e.args[0], out);
    flattenConcat(*e.args[1], out);
  } else {
    out.push_back(&e);
  }
}

// Typed lists (In, Between) compare plainly when all their values are of
// one kind; otherwise through jet_compare.
bool allNumeric(const std::vector<Typed>& v) {
  return std::all_of(v.begin(), v.end(),
                     [](const Typed& t) { return isNumeric(t.type) || t.type == Ty::Null; });
}
bool allText(const std::vector<Typed>& v) {
  return std::all_of(v.begin(), v.end(),
                     [](const Typed& t) { return t.type == Ty::Text || t.type == Ty::Null; });
}

}  // namespace

Typed Translator::binary(const Expr& e, const Clause& c) {
  if (e.op == Op::Or || e.op == Op::And) {
    Typed a = expr(*e.args[0], c), b = expr(*e.args[1], c);
    Typed t = chained(e.op, e.op == Op::Or ? "OR" : "AND", a, asCondition(a), b, asCondition(b));
    t.cond = true;
    t.type = Ty::Bool;
    return t;
  }
  if (e.op == Op::Concat) {
    std::vector<const Expr*> parts;
    flattenConcat(e, parts);
    Typed t;
    t.type = Ty::Text;
    t.dao = DaoType::Text;
    std::vector<Typed> values;
    for (const Expr* part : parts) {
      values.push_back(value(*part, c));
      absorb(t, values.back());
    }
    // On the server texts and whole numbers join in plain SQL, a number's
    // text being its digits there as in Jet; Null only when every part is.
    const bool plain = jet::target() == SqlTarget::Postgres &&
                       std::all_of(values.begin(), values.end(), [](const Typed& v) {
                         return (v.type == Ty::Text || v.type == Ty::Int) && v.sql.size() < kMaxRepeatedSql;
                       });
    std::string list;
    for (const Typed& v : values) list += (list.empty() ? "" : ", ") + (plain ? v.sql : variantArg(v));
    t.sql = plain ? "(CASE WHEN num_nonnulls(" + list + ") = 0 THEN NULL ELSE concat(" + list + ") END)"
                  : "jet_concat(" + list + ")";
    return t;
  }
  if (e.op >= Op::Eq && e.op <= Op::Ge) return compare(e.op, expr(*e.args[0], c), expr(*e.args[1], c));

  Typed a = value(*e.args[0], c), b = value(*e.args[1], c);
  Typed t;
  switch (e.op) {
    case Op::Add:
      if (a.type == Ty::Text && b.type == Ty::Text) {
        t.sql = "(" + a.sql + " || " + b.sql + ")";
        t.type = Ty::Text;
        t.dao = DaoType::Text;
      } else if ((isNumeric(a.type) || a.type == Ty::Null) &&
                 (isNumeric(b.type) || b.type == Ty::Null)) {
        t = chained(Op::Add, "+", a, a.sql, b, b.sql);
        t.type = arithmeticType(a.type, b.type);
        // A date plus a number of days is a date.
        if ((a.type == Ty::Date) != (b.type == Ty::Date)) t.type = Ty::Date;
        t.dao = t.type == Ty::Date ? DaoType::Date : DaoType::Unknown;
        return t;
      } else {
        t.sql = "jet_add(" + variantArg(a) + ", " + variantArg(b) + ")";
        t.type = Ty::Unknown;
      }
      break;
    case Op::Sub:
    case Op::Mul:
      // "x - y" continues a chain of "+" and "-"; "x * y" one of "*".
      t = chained(e.op == Op::Sub ? Op::Add : Op::Mul, e.op == Op::Sub ? "-" : "*", a, numeric(a), b,
                  numeric(b));
      t.type = arithmeticType(isNumeric(a.type) ? a.type : a.type == Ty::Null ? Ty::Null : Ty::Num,
                              isNumeric(b.type) ? b.type : b.type == Ty::Null ? Ty::Null : Ty::Num);
      // A date less a number of days is a date; less a date, a number.
      if (e.op == Op::Sub && a.type == Ty::Date && b.type != Ty::Date) {
        t.type = Ty::Date;
        t.dao = DaoType::Date;
      }
      return t;
    case Op::Div:
      t.sql = "jet_div(" + operandArg(a) + ", " + operandArg(b) + ")";
      t.type = Ty::Dbl;
      break;
    case Op::IntDiv:
      t.sql = "jet_idiv(" + operandArg(a) + ", " + operandArg(b) + ")";
      t.type = Ty::Int;
      break;
    case Op::Mod:
      t.sql = "jet_mod(" + operandArg(a) + ", " + operandArg(b) + ")";
      t.type = Ty::Int;
      break;
    case Op::Pow:
      t.sql = "jet_pow(" + operandArg(a) + ", " + operandArg(b) + ")";
      t.type = Ty::Dbl;
      break;
    default:
      break;
  }
  return merge(t, a, b);
}

Typed Translator::predicate(const Expr& e, const Clause& c) {
  std::vector<Typed> v;
  for (const auto& a : e.args) v.push_back(value(*a, c));
  Typed t;
  t.cond = true;
  t.type = Ty::Bool;
  for (const auto& x : v) absorb(t, x);
  std::string sql;
  switch (e.kind) {
    case ExprKind::Like:
      sql = "jet_like(" + operandArg(v[0]) + ", " + operandArg(v[1]) + ")";
      break;
    case ExprKind::Between:
      if (allNumeric(v))
        sql = "(" + v[0].sql + " BETWEEN " + v[1].sql + " AND " + v[2].sql + ")";
      else if (allText(v))
        sql = "(" + v[0].sql + std::string(kCollate) + " BETWEEN " + v[1].sql + " AND " +
              v[2].sql + ")";
      else
        sql = "(jet_compare(" + variantArg(v[0]) + ", " + variantArg(v[1]) + ") >= 0 AND jet_compare(" +
              variantArg(v[0]) + ", " + variantArg(v[2]) + ") <= 0)";
      break;
    case ExprKind::In: {
      if (allNumeric(v) || allText(v)) {
        sql = "(" + v[0].sql + (allNumeric(v) ? "" : std::string(kCollate)) + " IN (";
        for (size_t i = 1; i < v.size(); ++i) sql += (i > 1 ? ", " : "") + v[i].sql;
        sql += "))";
      } else {
        sql = "(";
        for (size_t i = 1; i < v.size(); ++i)
          sql += (i > 1 ? " OR " : "") + std::string("jet_compare(") + variantArg(v[0]) + ", " +
                 variantArg(v[i]) + ") = 0";
        sql += ")";
      }
      break;
    }
    case ExprKind::IsNull:
      t.sql = "(" + v[0].sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
      return t;
    default:
      break;
  }
  t.sql = e.negated ? "(NOT " + sql + ")" : sql;
  return t;
}

// Subqueries: a value (one field, else 3306), EXISTS, IN and the
// comparisons with ANY, SOME or ALL of its rows.
Typed Translator::subquery(const Expr& e, const Clause& c) {
  Translation sub = subselect(*e.select);
  Typed t;
  if (e.kind == ExprKind::Exists) {
    t.sql = "(EXISTS (" + sub.sql + "))";
    t.cond = true;
    t.type = Ty::Bool;
    return t;
  }
  if (sub.columns.size() != 1) raise(kSubqueryFields, jetMessage(kSubqueryFields));
  Typed field;
  field.type = tyOf(sub.columns[0].type);
  field.dao = sub.columns[0].type;
  if (e.kind == ExprKind::Subquery) {
    field.sql = "(" + sub.sql + ")";
    return field;
  }
  Typed a = value(*e.args[0], c);
  if (e.kind == ExprKind::In) {
    t.sql = "(" + collated(a) + (e.negated ? " NOT IN (" : " IN (") + sub.sql + "))";
  } else {
    // x op ANY (rows): some row for which x op field holds; x op ALL
    // (rows): none for which it fails or is unknown (Null).
    field.sql = "\"jet_q\".\"c0\"";
    Typed holds = compare(e.op, a, field);
    t.sql = e.boolean ? "(NOT EXISTS (SELECT 1 FROM (" + sub.sql + ") AS \"jet_q\" WHERE " + holds.sql + " IS NOT 1))"
                      : "(EXISTS (SELECT 1 FROM (" + sub.sql + ") AS \"jet_q\" WHERE " + holds.sql + "))";
  }
  t.cond = true;
  t.type = Ty::Bool;
  absorb(t, a);
  return t;
}

Typed Translator::expr(const Expr& e, const Clause& c) {
  Typed t;
  switch (e.kind) {
    case ExprKind::Null:
      t.sql = "NULL";
      t.type = Ty::Null;
      t.constant = true;
      return t;
    case ExprKind::Number:
      t.constant = true;
      if (e.isInteger) {
        int slot = slotAt(e.offset, false);
        t.sql = slot >= 0 ? marker(static_cast<size_t>(slot)) : e.text;
        t.type = Ty::Int;
      } else {
        int slot = slotAt(e.offset, false, true);
        t.sql = slot >= 0 ? marker(static_cast<size_t>(slot)) : e.text;
        // Whole numbers beyond 32 bits are Doubles in Jet.
        if (slot < 0 && e.text.find_first_of(".eE") == std::string::npos) t.sql += ".0";
        t.type = Ty::Dbl;
      }
      return t;
    case ExprKind::String: {
      int slot = slotAt(e.offset, true);
      t.sql = slot >= 0 ? marker(static_cast<size_t>(slot)) : quoteText(e.text);
      t.type = Ty::Text;
      t.dao = DaoType::Text;
      t.constant = true;
      return t;
    }
    case ExprKind::Date: {
      char buffer[32];
      auto r = std::to_chars(buffer, buffer + sizeof buffer, e.number);
      t.sql = e.number < 0 ? "(" + std::string(buffer, r.ptr) + ")" : std::string(buffer, r.ptr);
      t.type = Ty::Date;
      t.dao = DaoType::Date;
      t.constant = true;
      return t;
    }
    case ExprKind::Boolean:
      t.sql = e.boolean ? "-1" : "0";
      t.type = Ty::Bool;
      t.constant = true;
      return t;
    case ExprKind::Column:
      return column(e, c);
    case ExprKind::Unary: {
      if (e.op == Op::Not) {
        Typed a = expr(*e.args[0], c);
        t.sql = "(NOT " + asCondition(a) + ")";
        t.cond = true;
        t.type = Ty::Bool;
        absorb(t, a);
        return t;
      }
      Typed a = value(*e.args[0], c);
      if (e.op == Op::Plus) return a;
      t.sql = "(-" + numeric(a) + ")";
      t.type = a.type == Ty::Null ? Ty::Null
               : isNumeric(a.type) ? (a.type == Ty::Bool ? Ty::Int : a.type)
                                   : Ty::Num;
      absorb(t, a);
      t.constant = a.constant;
      return t;
    }
    case ExprKind::Binary:
      return binary(e, c);
    case ExprKind::In:
      if (e.select) return subquery(e, c);
      return predicate(e, c);
    case ExprKind::Like:
    case ExprKind::Between:
    case ExprKind::IsNull:
      return predicate(e, c);
    case ExprKind::Exists:
    case ExprKind::Subquery:
    case ExprKind::Quantified:
      return subquery(e, c);
    case ExprKind::Call:
      return call(e, c);
  }
  return t;
}

}  // namespace svrZIVE::engine::jet
