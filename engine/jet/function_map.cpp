// The dialect's functions: the scalar functions and the functions of ours
// behind them, with their argument counts and result types; IIf, Switch,
// Choose and IsNull, written as SQL; and the aggregates, which only some
// clauses allow (3096).
#include <algorithm>

#include "engine/jet/translator_internal.h"

namespace svrZIVE::engine::jet {

namespace {

// Scalar functions of the dialect and the functions of ours behind them.
struct FunctionInfo {
  std::string_view name;
  std::string_view sqlName;
  int minArgs;
  int maxArgs;
  Ty type;       // Ty::Unknown with sameAsArg: the first argument's
  DaoType dao;
  bool sameAsArg;
};

constexpr FunctionInfo kFunctions[] = {
    {"FORMAT", "jet_format", 1, 2, Ty::Text, DaoType::Text, false},
    {"VAL", "jet_val", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"CSTR", "jet_cstr", 1, 1, Ty::Text, DaoType::Text, false},
    {"CLNG", "jet_clng", 1, 1, Ty::Int, DaoType::Long, false},
    {"CINT", "jet_cint", 1, 1, Ty::Int, DaoType::Integer, false},
    {"CBYTE", "jet_cbyte", 1, 1, Ty::Int, DaoType::Byte, false},
    {"CBOOL", "jet_cbool", 1, 1, Ty::Bool, DaoType::Boolean, false},
    {"CDBL", "jet_cdbl", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"CSNG", "jet_cdbl", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"CDEC", "jet_decimal", 1, 1, Ty::Dec, DaoType::Decimal, false},
    {"LEFT", "jet_left", 2, 2, Ty::Text, DaoType::Text, false},
    {"RIGHT", "jet_right", 2, 2, Ty::Text, DaoType::Text, false},
    {"MID", "jet_mid", 2, 3, Ty::Text, DaoType::Text, false},
    {"LEN", "jet_len", 1, 1, Ty::Int, DaoType::Long, false},
    {"TRIM", "jet_trim", 1, 1, Ty::Text, DaoType::Text, false},
    {"LTRIM", "jet_ltrim", 1, 1, Ty::Text, DaoType::Text, false},
    {"RTRIM", "jet_rtrim", 1, 1, Ty::Text, DaoType::Text, false},
    {"UCASE", "jet_ucase", 1, 1, Ty::Text, DaoType::Text, false},
    {"LCASE", "jet_lcase", 1, 1, Ty::Text, DaoType::Text, false},
    {"INSTR", "jet_instr", 2, 4, Ty::Int, DaoType::Long, false},
    {"INSTRREV", "jet_instrrev", 2, 4, Ty::Int, DaoType::Long, false},
    {"REPLACE", "jet_replace", 3, 6, Ty::Text, DaoType::Text, false},
    {"STRREVERSE", "jet_strreverse", 1, 1, Ty::Text, DaoType::Text, false},
    {"STRCOMP", "jet_strcomp", 2, 3, Ty::Int, DaoType::Integer, false},
    {"STRCONV", "jet_strconv", 2, 3, Ty::Text, DaoType::Text, false},
    {"ASC", "jet_asc", 1, 1, Ty::Int, DaoType::Integer, false},
    {"CHR", "jet_chr", 1, 1, Ty::Text, DaoType::Text, false},
    {"STR", "jet_str", 1, 1, Ty::Text, DaoType::Text, false},
    {"SPACE", "jet_space", 1, 1, Ty::Text, DaoType::Text, false},
    {"STRING", "jet_string", 2, 2, Ty::Text, DaoType::Text, false},
    {"ISNUMERIC", "jet_isnumeric", 1, 1, Ty::Bool, DaoType::Boolean, false},
    {"ISEMPTY", "jet_isempty", 1, 1, Ty::Bool, DaoType::Boolean, false},
    {"CCUR", "jet_ccur", 1, 1, Ty::Dbl, DaoType::Currency, false},
    {"SQR", "jet_sqr", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"EXP", "jet_exp", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"LOG", "jet_log", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"SIN", "jet_sin", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"COS", "jet_cos", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"TAN", "jet_tan", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"ATN", "jet_atn", 1, 1, Ty::Dbl, DaoType::Double, false},
    {"RND", "jet_rnd", 0, 1, Ty::Dbl, DaoType::Single, false},
    {"ABS", "jet_abs", 1, 1, Ty::Unknown, DaoType::Unknown, true},
    {"INT", "jet_int", 1, 1, Ty::Unknown, DaoType::Unknown, true},
    {"FIX", "jet_fix", 1, 1, Ty::Unknown, DaoType::Unknown, true},
    {"SGN", "jet_sgn", 1, 1, Ty::Int, DaoType::Integer, false},
    {"ROUND", "jet_round", 1, 2, Ty::Dbl, DaoType::Double, false},
    {"CDATE", "jet_date", 1, 1, Ty::Date, DaoType::Date, false},
    {"CVDATE", "jet_date", 1, 1, Ty::Date, DaoType::Date, false},
    {"YEAR", "jet_year", 1, 1, Ty::Int, DaoType::Integer, false},
    {"MONTH", "jet_month", 1, 1, Ty::Int, DaoType::Integer, false},
    {"DAY", "jet_day", 1, 1, Ty::Int, DaoType::Integer, false},
    {"HOUR", "jet_hour", 1, 1, Ty::Int, DaoType::Integer, false},
    {"MINUTE", "jet_minute", 1, 1, Ty::Int, DaoType::Integer, false},
    {"SECOND", "jet_second", 1, 1, Ty::Int, DaoType::Integer, false},
    {"WEEKDAY", "jet_weekday", 1, 2, Ty::Int, DaoType::Integer, false},
    {"DATESERIAL", "jet_dateserial", 3, 3, Ty::Date, DaoType::Date, false},
    {"TIMESERIAL", "jet_timeserial", 3, 3, Ty::Date, DaoType::Date, false},
    {"DATEVALUE", "jet_datevalue", 1, 1, Ty::Date, DaoType::Date, false},
    {"TIMEVALUE", "jet_timevalue", 1, 1, Ty::Date, DaoType::Date, false},
    {"ISDATE", "jet_isdate", 1, 1, Ty::Bool, DaoType::Boolean, false},
    {"DATEADD", "jet_dateadd", 3, 3, Ty::Date, DaoType::Date, false},
    {"DATEDIFF", "jet_datediff", 3, 5, Ty::Int, DaoType::Long, false},
    {"DATEPART", "jet_datepart", 2, 4, Ty::Int, DaoType::Integer, false},
    {"MONTHNAME", "jet_monthname", 1, 2, Ty::Text, DaoType::Text, false},
    {"WEEKDAYNAME", "jet_weekdayname", 1, 3, Ty::Text, DaoType::Text, false},
    {"NOW", "jet_now", 0, 0, Ty::Date, DaoType::Date, false},
    {"DATE", "jet_today", 0, 0, Ty::Date, DaoType::Date, false},
    {"TIME", "jet_time", 0, 0, Ty::Date, DaoType::Date, false},
};

const FunctionInfo* findFunction(std::string_view name) {
  for (const auto& f : kFunctions)
    if (namesEqual(f.name, name)) return &f;
  return nullptr;
}

// The aggregate functions: what their result is, and which argument they take.
enum class Result { Count, Sum, Double, Same };
struct AggregateInfo {
  std::string_view name;
  std::string_view sqlName;
  Result result;
  bool numericArg;  // the argument read as a number
  bool rowids;      // the rowids of the query's tables follow the argument
};

constexpr AggregateInfo kAggregates[] = {
    {"COUNT", "count", Result::Count, false, false},   {"SUM", "sum", Result::Sum, true, false},
    {"AVG", "avg", Result::Double, true, false},       {"MIN", "min", Result::Same, false, false},
    {"MAX", "max", Result::Same, false, false},        {"FIRST", "jet_first", Result::Same, false, true},
    {"LAST", "jet_last", Result::Same, false, true},   {"STDEV", "jet_stdev", Result::Double, true, false},
    {"STDEVP", "jet_stdevp", Result::Double, true, false}, {"VAR", "jet_var", Result::Double, true, false},
    {"VARP", "jet_varp", Result::Double, true, false},
};

const AggregateInfo* findAggregate(std::string_view name) {
  for (const auto& a : kAggregates)
    if (namesEqual(a.name, name)) return &a;
  return nullptr;
}

// The type of a value that is one of two: a Decimal beside another number
// is a Decimal; a date beside anything but a date keeps no one type.
Ty eitherType(Ty a, Ty b) {
  if (a == b || b == Ty::Null) return a;
  if (a == Ty::Null) return b;
  if (a == Ty::Date || b == Ty::Date) return Ty::Unknown;
  if ((a == Ty::Dec && isNumeric(b)) || (b == Ty::Dec && isNumeric(a))) return Ty::Dec;
  if (isNumeric(a) && isNumeric(b)) return arithmeticType(a, b);
  return Ty::Unknown;
}

}  // namespace

Typed Translator::call(const Expr& e, const std::string& name, const Clause& c) {
  auto argCountError = [&]() {
    raise(kSyntaxErrorInExpression,
          "Wrong number of arguments for the function '" + name + "' in the query expression.");
  };
  if (const AggregateInfo* agg = findAggregate(name)) {
    if (!c.aggregates)
      raise(kAggregateMisplaced,
            "The aggregate function '" + name + "' cannot be used in this part of the statement.");
    Typed t;
    t.aggregate = true;
    if (e.starArg) {
      if (agg->result != Result::Count) argCountError();
      t.sql = "count(*)";
      t.type = Ty::Int;
      t.dao = DaoType::Long;
      return t;
    }
    if (e.args.size() != 1) argCountError();
    Typed a = value(*e.args[0], c.argument());
    t.nest = a.nest + 1;
    t.sql = std::string(agg->sqlName) + "(" + (agg->numericArg ? numeric(a) : agg->rowids ? variantArg(a) : a.sql);
    if (agg->rowids) {
      // Rows without rowids (a derived table's, a server table another tool
      // made) are taken in the order they come.
      for (const auto& r : rowids_) t.sql += ", " + r;
      if (rowids_.empty()) t.sql += ", 0";
    }
    switch (agg->result) {
      case Result::Count:
        t.type = Ty::Int;
        t.dao = DaoType::Long;
        break;
      case Result::Sum: t.type = isNumeric(a.type) ? (a.type == Ty::Bool ? Ty::Int : a.type) : Ty::Num; break;
      case Result::Double: t.type = Ty::Dbl; break;
      case Result::Same:
        // Min and Max order texts as Jet does.
        if (!agg->rowids && !isNumeric(a.type) && a.type != Ty::Dec) t.sql += kCollate;
        t.type = a.type;
        t.dao = a.dao;
        break;
    }
    t.sql += ")";
    // On the server First and Last give the variant they were given: back to the argument's type.
    if (agg->rowids && jet::target() == SqlTarget::Postgres) {
      if (a.type == Ty::Text) t.sql = "(" + t.sql + " #>> '{}')";
      else if (isNumeric(a.type)) t.sql = "jet_num(" + t.sql + ")";
      else if (a.type == Ty::Dec) t.sql = "jet_decimal(" + t.sql + ")";
    }
    return t;
  }
  if (e.starArg) argCountError();
  if (namesEqual(name, "CVAR")) {
    // Every value is a Variant already: CVar gives its argument as it is.
    if (e.args.size() != 1) argCountError();
    return value(*e.args[0], c);
  }
  // IIf(condition, a, b); Switch(condition, value, ...): Null when no
  // condition holds; Choose(index, value, ...): the index-th value (the
  // index's fraction dropped), Null outside them. A CASE of the values: when
  // one is a Decimal, the others are made Decimals too, so that the column
  // holds one kind of value.
  const bool iif = namesEqual(name, "IIF"), choose = namesEqual(name, "CHOOSE");
  if (iif || choose || namesEqual(name, "SWITCH")) {
    if (iif ? e.args.size() != 3 : choose ? e.args.size() < 2 : e.args.empty() || e.args.size() % 2 != 0)
      argCountError();
    Typed t;
    t.type = Ty::Null;
    std::vector<std::pair<std::string, Typed>> branches;  // WHEN ... THEN, and the value
    auto branch = [&](std::string when, const Expr& v) {
      branches.emplace_back(std::move(when), value(v, c));
      t.type = eitherType(t.type, branches.back().second.type);
      absorb(t, branches.back().second);
    };
    if (choose) {
      Typed index = value(*e.args[0], c);
      t.sql = "(CASE jet_fix(" + variantArg(index) + ")";
      absorb(t, index);
      for (size_t i = 1; i < e.args.size(); ++i) branch(" WHEN " + std::to_string(i) + " THEN ", *e.args[i]);
    } else {
      t.sql = "(CASE";
      for (size_t i = 0; i + 1 < e.args.size(); i += 2) {
        Typed cond = expr(*e.args[i], c);
        absorb(t, cond);
        branch(" WHEN " + asCondition(cond) + " THEN ", *e.args[i + 1]);
      }
      if (iif) branch(" ELSE ", *e.args[2]);
    }
    std::optional<DaoType> dao;  // the field type every value that is not Null has
    for (const auto& [when, v] : branches) {
      const bool toDecimal = t.type == Ty::Dec && v.type != Ty::Dec && v.type != Ty::Null;
      t.sql += when + (toDecimal ? "jet_decimal(" + variantArg(v) + ")" : v.sql);
      if (v.type != Ty::Null) dao = !dao || *dao == v.dao ? v.dao : DaoType::Unknown;
    }
    if (dao && t.type != Ty::Dec) t.dao = *dao;
    t.sql += " END)";
    return t;
  }
  if (namesEqual(name, "ISNULL")) {
    if (e.args.size() != 1) argCountError();
    Typed a = value(*e.args[0], c);
    Typed t;
    t.sql = "(" + a.sql + " IS NULL)";
    t.cond = true;
    t.type = Ty::Bool;
    absorb(t, a);
    return t;
  }
  // On the server Format(whole number, "00...") in plain SQL: the digits
  // padded with zeros, the sign before them, as jet_format gives them. The
  // pattern is then no parameter: a statement with another has another shape.
  if (jet::target() == SqlTarget::Postgres && namesEqual(name, "FORMAT") && e.args.size() == 2 &&
      e.args[1]->kind == ExprKind::String && !e.args[1]->text.empty() && e.args[1]->text.size() <= 15 &&
      e.args[1]->text.find_first_not_of('0') == std::string::npos) {
    Typed a = value(*e.args[0], c);
    if (a.type == Ty::Int && (a.column != nullptr || a.constant)) {
      const std::string digits = "abs(" + a.sql + ")::text", width = std::to_string(e.args[1]->text.size());
      Typed t;
      t.type = Ty::Text;
      t.dao = DaoType::Text;
      t.sql = "(CASE WHEN " + a.sql + " < 0 THEN '-' ELSE '' END || lpad(" + digits + ", greatest(" + width +
              ", length(" + digits + ")), '0'))";
      absorb(t, a);
      return t;
    }
  }
  // Mid$(...) and the other text functions with a '$' give a text, never
  // Null: CStr of the function's value, which fails on Null as they do.
  if (name.size() > 1 && name.back() == '$') {
    static constexpr std::string_view kTextFunctions[] = {"CHR",  "FORMAT", "LCASE",  "LEFT",  "LTRIM", "MID",
                                                          "RIGHT", "RTRIM", "SPACE", "STR", "STRING", "TRIM", "UCASE"};
    const std::string base = name.substr(0, name.size() - 1);
    if (std::none_of(std::begin(kTextFunctions), std::end(kTextFunctions),
                     [&](std::string_view f) { return namesEqual(f, base); }))
      raise(kUndefinedFunction, "Undefined function '" + name + "' in expression.");
    Typed v = call(e, base, c);
    Typed t;
    t.sql = "jet_cstr(" + variantArg(v) + ")";
    t.type = Ty::Text;
    t.dao = DaoType::Text;
    t.nest = v.nest + 1;
    absorb(t, v);
    return t;
  }
  const FunctionInfo* f = findFunction(name);
  if (f == nullptr) raise(kUndefinedFunction, "Undefined function '" + name + "' in expression.");
  if (static_cast<int>(e.args.size()) < f->minArgs || static_cast<int>(e.args.size()) > f->maxArgs)
    argCountError();
  Typed t;
  t.sql = std::string(f->sqlName) + "(";
  for (size_t i = 0; i < e.args.size(); ++i) {
    Typed a = value(*e.args[i], c);
    if (i == 0 && f->sameAsArg) {
      t.type = isNumeric(a.type) ? (a.type == Ty::Bool ? Ty::Int : a.type) : Ty::Num;
    }
    absorb(t, a);
    t.sql += (i ? ", " : "") + variantArg(a);
  }
  t.sql += ")";
  if (!f->sameAsArg) {
    t.type = f->type;
    t.dao = f->dao;
  }
  return t;
}

}  // namespace svrZIVE::engine::jet
