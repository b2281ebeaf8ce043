// Typed SQL: values and conditions, number operands, chains of one operator,
// comparisons and keys, each keeping Jet's rules for the static types of its
// operands.
#include <algorithm>
#include <map>

#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

bool isNumeric(Ty t) { return t == Ty::Bool || t == Ty::Int || t == Ty::Dbl || t == Ty::Num || t == Ty::Date; }

Ty tyOf(DaoType type) {
  switch (type) {
    case DaoType::Boolean: return Ty::Bool;
    case DaoType::Byte:
    case DaoType::Integer:
    case DaoType::Long: return Ty::Int;
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double: return Ty::Dbl;
    case DaoType::Date: return Ty::Date;
    case DaoType::Decimal: return Ty::Dec;
    case DaoType::Text:
    case DaoType::Memo:
    case DaoType::GUID: return Ty::Text;
    case DaoType::Binary:
    case DaoType::LongBinary:
    case DaoType::Unknown: return Ty::Unknown;
  }
  return Ty::Unknown;
}

Ty arithmeticType(Ty a, Ty b) {
  if (a == Ty::Null || b == Ty::Null) return Ty::Null;
  auto isWhole = [](Ty t) { return t == Ty::Int || t == Ty::Bool; };
  if (isWhole(a) && isWhole(b)) return Ty::Int;
  if ((a == Ty::Dbl && isNumeric(b)) || (b == Ty::Dbl && isNumeric(a))) return Ty::Dbl;
  if (a == Ty::Date || b == Ty::Date) return Ty::Dbl;
  return Ty::Num;
}

Typed asValue(Typed t) {
  if (t.cond) {
    t.sql = target() == SqlTarget::Postgres ? "(-(" + t.sql + ")::integer)" : "(-" + t.sql + ")";
    t.nest += 1;
    t.chain = Op::None;
    t.cond = false;
    t.type = Ty::Bool;
    t.dao = DaoType::Unknown;
  }
  return t;
}

std::string asCondition(const Typed& t) {
  if (t.cond) return t.sql;
  if (isNumeric(t.type)) return target() == SqlTarget::Postgres ? "(" + t.sql + " <> 0)" : t.sql;
  if (t.type == Ty::Null) return "NULL";
  return "jet_truth(" + variantArg(t) + ")";
}

std::string variantArg(const Typed& t) {
  if (target() == SqlTarget::Postgres) {
    if (t.type == Ty::Null) return "NULL::jsonb";
    if (t.type == Ty::Date) return "jet_vdate(" + t.sql + ")";
    if (t.type == Ty::Dec) return "jet_vdec(" + t.sql + ")";
    if (t.type == Ty::Text) return "to_jsonb((" + t.sql + ")::text)";
    return "to_jsonb(" + t.sql + ")";
  }
  if (t.type == Ty::Date) return "jet_date(" + t.sql + ")";
  if (t.type == Ty::Dec) return "jet_decimal(" + t.sql + ")";
  return t.sql;
}

std::string numeric(const Typed& t) {
  if (isNumeric(t.type) || t.type == Ty::Null) return t.sql;
  if (t.type == Ty::Dec) return "jet_cdbl(" + variantArg(t) + ")";
  return "jet_num(" + operandArg(t) + ")";
}

std::string operandArg(const Typed& t) {
  if (target() != SqlTarget::Postgres) return t.sql;
  return t.type == Ty::Date ? "to_jsonb(" + t.sql + ")" : variantArg(t);
}

void absorb(Typed& t, const Typed& a, int levels) {
  t.aggregate = t.aggregate || a.aggregate;
  t.free.insert(t.free.end(), a.free.begin(), a.free.end());
  t.nest = std::max(t.nest, a.nest + levels);
  if (t.nest > kMaxNest) raise(kTooComplex, jetMessage(kTooComplex));
}

Typed merge(Typed t, const Typed& a, const Typed& b) {
  absorb(t, a);
  absorb(t, b);
  return t;
}

Typed chained(Op op, const std::string& sym, const Typed& a, const std::string& aSql, const Typed& b,
              const std::string& bSql) {
  Typed t;
  t.chain = op;
  if (a.chain == op && aSql == a.sql) {
    t.sql = a.sql.substr(0, a.sql.size() - 1) + " " + sym + " " + bSql + ")";
    absorb(t, a, 0);
  } else {
    t.sql = "(" + aSql + " " + sym + " " + bSql + ")";
    absorb(t, a);
  }
  absorb(t, b);
  return t;
}

Typed compare(Op op, const Typed& a0, const Typed& b0) {
  Typed a = asValue(a0), b = asValue(b0);
  static const std::map<Op, std::string_view> kOps = {{Op::Eq, "="}, {Op::Ne, "<>"}, {Op::Lt, "<"},
                                                      {Op::Le, "<="}, {Op::Gt, ">"}, {Op::Ge, ">="}};
  const std::string sym(kOps.at(op));
  Typed t;
  t.cond = true;
  t.type = Ty::Bool;
  if (a.type == Ty::Null || b.type == Ty::Null || (isNumeric(a.type) && isNumeric(b.type)))
    t.sql = "(" + a.sql + " " + sym + " " + b.sql + ")";
  else if (a.type == Ty::Text && b.type == Ty::Text)
    t.sql = "(" + a.sql + " " + sym + " " + b.sql + std::string(kCollate) + ")";
  // Decimal keys compare as texts in the numbers' order; a number becomes
  // one, so that an index on the Decimal field serves.
  else if ((a.type == Ty::Dec || isNumeric(a.type)) && (b.type == Ty::Dec || isNumeric(b.type))) {
    const auto key = [](const Typed& x) { return x.type == Ty::Dec ? x.sql : "jet_decimal(" + x.sql + ")"; };
    t.sql = "(" + key(a) + " " + sym + " " + key(b) + ")";
  }
  else
    t.sql = "(jet_compare(" + variantArg(a) + ", " + variantArg(b) + ") " + sym + " 0)";
  // On the server a text of plain digits against a number compares as
  // jet_compare would, in plain SQL; any other text goes to jet_compare.
  const auto number = [](Ty type) { return type == Ty::Int || type == Ty::Dbl || type == Ty::Num; };
  const std::string& text = a.type == Ty::Text ? a.sql : b.sql;
  const bool mixed = (a.type == Ty::Text && number(b.type)) || (number(a.type) && b.type == Ty::Text);
  if (target() == SqlTarget::Postgres && mixed && text.size() < kMaxRepeatedSql) {
    const std::string digits = "(" + text + ")::double precision";
    t.sql = "(CASE WHEN (" + text + ") COLLATE \"C\" ~ '^-?[0-9]{1,15}$' THEN " +
            (a.type == Ty::Text ? digits + " " + sym + " " + b.sql : a.sql + " " + sym + " " + digits) + " ELSE " +
            t.sql + " END)";
  }
  return merge(t, a, b);
}

std::string collated(const Typed& t) {
  if (isNumeric(t.type) || t.type == Ty::Null || t.type == Ty::Dec || t.cond) return t.sql;
  return t.sql + std::string(kCollate);
}

// A bare whole number would be read by SQLite as a column position: Jet
// sorts by its value, a constant.
std::string keySql(const Typed& t) {
  std::string sql = collated(t);
  if (t.constant) sql = "(" + sql + " + 0)";
  return sql;
}

}  // namespace svrZIVE::engine::jet
