// The dialect's functions: the scalar functions and the functions of ours
// behind them, with their argument counts and result types; IIf; and the
// aggregates, which only some clauses allow (3096).
#include <cctype>

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
    {"LEFT", "jet_left", 2, 2, Ty::Text, DaoType::Text, false},
    {"RIGHT", "jet_right", 2, 2, Ty::Text, DaoType::Text, false},
    {"MID", "jet_mid", 2, 3, Ty::Text, DaoType::Text, false},
    {"LEN", "jet_len", 1, 1, Ty::Int, DaoType::Long, false},
    {"TRIM", "jet_trim", 1, 1, Ty::Text, DaoType::Text, false},
    {"LTRIM", "jet_ltrim", 1, 1, Ty::Text, DaoType::Text, false},
    {"RTRIM", "jet_rtrim", 1, 1, Ty::Text, DaoType::Text, false},
    {"UCASE", "jet_ucase", 1, 1, Ty::Text, DaoType::Text, false},
    {"LCASE", "jet_lcase", 1, 1, Ty::Text, DaoType::Text, false},
    {"INSTR", "jet_instr", 2, 3, Ty::Int, DaoType::Long, false},
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

bool isAggregateName(std::string_view name) {
  return namesEqual(name, "COUNT") || namesEqual(name, "SUM") || namesEqual(name, "AVG") ||
         namesEqual(name, "MIN") || namesEqual(name, "MAX");
}

}  // namespace

Typed Translator::call(const Expr& e, const Clause& c) {
  const std::string& name = e.text;
  auto argCountError = [&]() {
    raise(kSyntaxErrorInExpression,
          "Wrong number of arguments for the function '" + name + "' in the query expression.");
  };
  if (isAggregateName(name)) {
    if (!c.aggregates)
      raise(kAggregateMisplaced,
            "The aggregate function '" + name + "' cannot be used in this part of the statement.");
    Typed t;
    t.aggregate = true;
    std::string lower;
    for (char ch : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (e.starArg) {
      if (lower != "count") argCountError();
      t.sql = "count(*)";
      t.type = Ty::Int;
      t.dao = DaoType::Long;
      return t;
    }
    if (e.args.size() != 1) argCountError();
    Typed a = value(*e.args[0], c.argument());
    t.nest = a.nest + 1;
    if (lower == "count") {
      t.sql = "count(" + a.sql + ")";
      t.type = Ty::Int;
      t.dao = DaoType::Long;
    } else if (lower == "sum") {
      t.sql = "sum(" + numeric(a) + ")";
      t.type = isNumeric(a.type) ? (a.type == Ty::Bool ? Ty::Int : a.type) : Ty::Num;
    } else if (lower == "avg") {
      t.sql = "avg(" + numeric(a) + ")";
      t.type = Ty::Dbl;
    } else {
      t.sql = lower + "(" + a.sql + (isNumeric(a.type) ? "" : std::string(kCollate)) + ")";
      t.type = a.type;
      t.dao = a.dao;
    }
    return t;
  }
  if (e.starArg) argCountError();
  if (namesEqual(name, "IIF")) {
    if (e.args.size() != 3) argCountError();
    Typed cond = expr(*e.args[0], c);
    Typed a = value(*e.args[1], c), b = value(*e.args[2], c);
    Typed t;
    t.sql = "(CASE WHEN " + asCondition(cond) + " THEN " + a.sql + " ELSE " + b.sql + " END)";
    if (a.type == b.type || b.type == Ty::Null)
      t.type = a.type;
    else if (a.type == Ty::Null)
      t.type = b.type;
    else if (isNumeric(a.type) && isNumeric(b.type))
      t.type = arithmeticType(a.type, b.type);
    else
      t.type = Ty::Unknown;
    absorb(t, cond);
    absorb(t, a);
    absorb(t, b);
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
