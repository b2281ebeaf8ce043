// Jet statements to SQLite statements.
//
// Every expression is translated together with its static type, worked out
// from the catalog (column types), the literals and the operators. Operations
// whose operands have known types of the same kind become plain SQLite
// operations (so that indexes stay usable); the others go through functions
// of ours (functions.cpp) that apply Jet's rules at run time. Text
// comparisons, ordering, grouping and DISTINCT use our collation JET, which
// ignores letter case.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "engine/jet/lexer.h"
#include "engine/jet/parser.h"
#include "engine/jet/translator.h"

namespace svrZIVE::engine::jet {

namespace {

constexpr std::string_view kSource = "DAO.Database";
constexpr std::string_view kCollate = " COLLATE \"JET\"";

// Jet error numbers of the translation.
enum TranslationError : int32_t {
  kTooFewParameters = 3061,
  kTableNotFound = 3078,
  kAmbiguousField = 3079,
  kUndefinedFunction = 3085,
  kAggregateMisplaced = 3096,
  kAggregateMissing = 3122,
  kUnknownInsertField = 3127,
  kFieldNotUpdatable = 3164,
  kFieldDefinedTwice = 3191,
  kItemNotFound = 3265,
  kValueCountMismatch = 3346,
  kTableNotExisting = 3376,
  kExpressionError = 3075,
  kSyntaxErrorInFrom = 3131,
  kTooComplex = 3360,
};

[[noreturn]] void raise(int32_t number, std::string description) {
  throw AutomationError(number, std::string(kSource), std::move(description));
}

// A literal of the statement's shape stands in the SQLite text as
// "\x01<n>\x02" until the translation is done. In a shape's key, a whole
// number stands as "\x01", a decimal number as "\x03" (it translates as a
// Double: never the same statement as with a whole number there) and a text
// as "\x02". statementShape refuses statements that hold these bytes.
constexpr char kMarkOpen = '\x01';
constexpr char kMarkClose = '\x02';
constexpr char kMarkDecimal = '\x03';

std::string marker(size_t slot) { return kMarkOpen + std::to_string(slot) + kMarkClose; }

// Calls `literal(slot)` for each marker of `sql` and `text(piece)` for the
// text between them.
template <class Text, class Lit>
void scanMarkers(std::string_view sql, Text&& text, Lit&& literal) {
  size_t pos = 0;
  while (true) {
    size_t open = sql.find(kMarkOpen, pos);
    if (open == std::string_view::npos) break;
    size_t close = sql.find(kMarkClose, open);
    text(sql.substr(pos, open - pos));
    size_t slot = 0;
    std::from_chars(sql.data() + open + 1, sql.data() + close, slot);
    literal(slot);
    pos = close + 1;
  }
  text(sql.substr(pos));
}

// Static types of expressions.
enum class Ty {
  Unknown,  // only the value tells
  Null,     // the Null literal
  Bool,     // -1 / 0
  Int,      // whole numbers
  Dbl,      // floating numbers
  Num,      // a number of either kind
  Text,
};

bool isNumeric(Ty t) { return t == Ty::Bool || t == Ty::Int || t == Ty::Dbl || t == Ty::Num; }

Ty tyOf(DaoType type) {
  switch (type) {
    case DaoType::Boolean: return Ty::Bool;
    case DaoType::Byte:
    case DaoType::Integer:
    case DaoType::Long: return Ty::Int;
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Date: return Ty::Dbl;
    case DaoType::Text:
    case DaoType::Memo: return Ty::Text;
    case DaoType::Unknown: return Ty::Unknown;
  }
  return Ty::Unknown;
}

// A translated expression.
struct Typed {
  std::string sql;             // atomic or parenthesised
  Ty type = Ty::Unknown;
  bool cond = false;           // an SQLite truth value (1/0/Null), not a Jet value
  DaoType dao = DaoType::Unknown;  // the type a result column of it has
  const ColumnInfo* column = nullptr;  // a plain column reference
  int binding = -1;                    // ... of this binding
  bool aggregate = false;      // holds an aggregate function
  // Columns used outside aggregate functions: (SQL, name as written).
  std::vector<std::pair<std::string, std::string>> free;
  // Parentheses and calls nested in `sql`: SQLite's parser takes few levels.
  int nest = 0;
  // `sql` is "(a op b op c)" with one operator op, to which more operands
  // can be added inside the same parentheses.
  Op chain = Op::None;
  bool constant = false;       // a literal
};

// A table of the FROM clause (or the table an action statement writes).
struct Binding {
  std::string name;  // the alias, else the table's name as in the catalog
  const TableInfo* table = nullptr;
};

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

class Translator {
 public:
  explicit Translator(Catalog& catalog) : catalog_(catalog) {}
  // Translates for every statement of `shape`: its literals are written as
  // markers, and those whose value the translation looks at are pinned.
  Translator(Catalog& catalog, const StatementShape* shape, std::vector<char>* pinned)
      : catalog_(catalog), shape_(shape), pinned_(pinned) {}

  Translation run(const Statement& st) {
    Translation t;
    t.kind = st.kind;
    switch (st.kind) {
      case StatementKind::Select: select(*st.select, t, false); break;
      case StatementKind::Insert: insert(*st.insert, t); break;
      case StatementKind::Update: update(*st.update, t); break;
      case StatementKind::Delete: del(*st.del, t); break;
      default: ddl(st, t); break;
    }
    reportUnknownNames();
    return t;
  }

 private:
  // ---- names --------------------------------------------------------------

  const TableInfo& table(const std::string& name) {
    const TableInfo* info = catalog_.findTable(name);
    if (info == nullptr)
      raise(kTableNotFound, "Cannot find the table or query '" + name +
                                "': check that it exists and that its name is spelt correctly.");
    return *info;
  }

  void reportUnknownNames() {
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

  Typed unknownName(std::string name) {
    bool seen = std::any_of(unknownNames_.begin(), unknownNames_.end(),
                            [&](const std::string& n) { return namesEqual(n, name); });
    if (!seen) unknownNames_.push_back(std::move(name));
    Typed t;
    t.sql = "NULL";
    t.type = Ty::Unknown;
    return t;
  }

  Typed columnOf(int b, const ColumnInfo& column) {
    Typed t;
    t.sql = quoteName(bindings_[b].name) + "." + quoteName(column.name);
    t.type = tyOf(column.type);
    t.dao = column.type;
    t.column = &column;
    t.binding = b;
    t.free.emplace_back(t.sql, column.name);
    return t;
  }

  Typed column(const Expr& e) {
    if (!e.qualifier.empty()) {
      for (size_t b = 0; b < bindings_.size(); ++b) {
        if (!namesEqual(bindings_[b].name, e.qualifier)) continue;
        if (const ColumnInfo* c = bindings_[b].table->findColumn(e.text))
          return columnOf(static_cast<int>(b), *c);
        break;
      }
      return unknownName(e.qualifier + "." + e.text);
    }
    int found = -1;
    const ColumnInfo* foundColumn = nullptr;
    for (size_t b = 0; b < bindings_.size(); ++b) {
      if (const ColumnInfo* c = bindings_[b].table->findColumn(e.text)) {
        if (found >= 0)
          raise(kAmbiguousField, "The field '" + e.text +
                                     "' could refer to more than one table of the FROM clause.");
        found = static_cast<int>(b);
        foundColumn = c;
      }
    }
    if (found >= 0) return columnOf(found, *foundColumn);
    if (aliases_ != nullptr) {
      for (const auto& [alias, typed] : *aliases_)
        if (namesEqual(alias, e.text)) return typed;
    }
    return unknownName(e.text);
  }

  // ---- expressions --------------------------------------------------------

  static Typed asValue(Typed t) {
    if (t.cond) {
      t.sql = "(-" + t.sql + ")";
      t.nest += 1;
      t.chain = Op::None;
      t.cond = false;
      t.type = Ty::Bool;
      t.dao = DaoType::Unknown;
    }
    return t;
  }

  static std::string asCondition(const Typed& t) {
    if (t.cond || isNumeric(t.type)) return t.sql;
    if (t.type == Ty::Null) return "NULL";
    return "jet_truth(" + t.sql + ")";
  }

  Typed value(const Expr& e) { return asValue(expr(e)); }

  // `sql` for a number operand: texts and values of unknown type are read as numbers.
  static std::string numeric(const Typed& t) {
    if (isNumeric(t.type) || t.type == Ty::Null) return t.sql;
    return "jet_num(" + t.sql + ")";
  }

  static Ty arithmeticType(Ty a, Ty b) {
    if (a == Ty::Null || b == Ty::Null) return Ty::Null;
    auto isWhole = [](Ty t) { return t == Ty::Int || t == Ty::Bool; };
    if (isWhole(a) && isWhole(b)) return Ty::Int;
    if ((a == Ty::Dbl && isNumeric(b)) || (b == Ty::Dbl && isNumeric(a))) return Ty::Dbl;
    return Ty::Num;
  }

  // Nesting allowed in the SQLite text; SQLite's own parser refuses little
  // more than this when the nesting goes to the right.
  static constexpr int kMaxNest = 30;

  static void absorb(Typed& t, const Typed& a, int levels = 1) {
    t.aggregate = t.aggregate || a.aggregate;
    t.free.insert(t.free.end(), a.free.begin(), a.free.end());
    t.nest = std::max(t.nest, a.nest + levels);
    if (t.nest > kMaxNest) raise(kTooComplex, "The query expression is too complex.");
  }

  // `a op b` where `a` may already be a chain of op: "(x op y op b)".
  static Typed chained(Op op, const std::string& sym, const Typed& a, const std::string& aSql,
                       const Typed& b, const std::string& bSql) {
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

  static Typed merge(Typed t, const Typed& a, const Typed& b) {
    absorb(t, a);
    absorb(t, b);
    return t;
  }

  Typed compare(Op op, const Typed& a0, const Typed& b0) {
    Typed a = asValue(a0), b = asValue(b0);
    static const std::map<Op, std::string_view> kOps = {{Op::Eq, "="}, {Op::Ne, "<>"},
                                                        {Op::Lt, "<"}, {Op::Le, "<="},
                                                        {Op::Gt, ">"}, {Op::Ge, ">="}};
    const std::string sym(kOps.at(op));
    Typed t;
    t.cond = true;
    t.type = Ty::Bool;
    if (a.type == Ty::Null || b.type == Ty::Null || (isNumeric(a.type) && isNumeric(b.type)))
      t.sql = "(" + a.sql + " " + sym + " " + b.sql + ")";
    else if (a.type == Ty::Text && b.type == Ty::Text)
      t.sql = "(" + a.sql + " " + sym + " " + b.sql + std::string(kCollate) + ")";
    else
      t.sql = "(jet_compare(" + a.sql + ", " + b.sql + ") " + sym + " 0)";
    return merge(t, a, b);
  }

  void flattenConcat(const Expr& e, std::vector<const Expr*>& out) {
    if (e.kind == ExprKind::Binary && e.op == Op::Concat) {
      flattenConcat(*e.args[0], out);
      flattenConcat(*e.args[1], out);
    } else {
      out.push_back(&e);
    }
  }

  Typed binary(const Expr& e) {
    if (e.op == Op::Or || e.op == Op::And) {
      Typed a = expr(*e.args[0]), b = expr(*e.args[1]);
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
      t.sql = "jet_concat(";
      for (size_t i = 0; i < parts.size(); ++i) {
        Typed p = value(*parts[i]);
        absorb(t, p);
        t.sql += (i ? ", " : "") + p.sql;
      }
      t.sql += ")";
      return t;
    }
    if (e.op >= Op::Eq && e.op <= Op::Ge) return compare(e.op, expr(*e.args[0]), expr(*e.args[1]));

    Typed a = value(*e.args[0]), b = value(*e.args[1]);
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
          return t;
        } else {
          t.sql = "jet_add(" + a.sql + ", " + b.sql + ")";
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
        return t;
      case Op::Div:
        t.sql = "jet_div(" + a.sql + ", " + b.sql + ")";
        t.type = Ty::Dbl;
        break;
      case Op::IntDiv:
        t.sql = "jet_idiv(" + a.sql + ", " + b.sql + ")";
        t.type = Ty::Int;
        break;
      case Op::Mod:
        t.sql = "jet_mod(" + a.sql + ", " + b.sql + ")";
        t.type = Ty::Int;
        break;
      case Op::Pow:
        t.sql = "jet_pow(" + a.sql + ", " + b.sql + ")";
        t.type = Ty::Dbl;
        break;
      default:
        break;
    }
    return merge(t, a, b);
  }

  // Typed lists (In, Between) compare plainly when all their values are of
  // one kind; otherwise through jet_compare.
  static bool allNumeric(const std::vector<Typed>& v) {
    return std::all_of(v.begin(), v.end(),
                       [](const Typed& t) { return isNumeric(t.type) || t.type == Ty::Null; });
  }
  static bool allText(const std::vector<Typed>& v) {
    return std::all_of(v.begin(), v.end(),
                       [](const Typed& t) { return t.type == Ty::Text || t.type == Ty::Null; });
  }

  Typed predicate(const Expr& e) {
    std::vector<Typed> v;
    for (const auto& a : e.args) v.push_back(value(*a));
    Typed t;
    t.cond = true;
    t.type = Ty::Bool;
    for (const auto& x : v) absorb(t, x);
    std::string sql;
    switch (e.kind) {
      case ExprKind::Like:
        sql = "jet_like(" + v[0].sql + ", " + v[1].sql + ")";
        break;
      case ExprKind::Between:
        if (allNumeric(v))
          sql = "(" + v[0].sql + " BETWEEN " + v[1].sql + " AND " + v[2].sql + ")";
        else if (allText(v))
          sql = "(" + v[0].sql + std::string(kCollate) + " BETWEEN " + v[1].sql + " AND " +
                v[2].sql + ")";
        else
          sql = "(jet_compare(" + v[0].sql + ", " + v[1].sql + ") >= 0 AND jet_compare(" +
                v[0].sql + ", " + v[2].sql + ") <= 0)";
        break;
      case ExprKind::In: {
        if (allNumeric(v) || allText(v)) {
          sql = "(" + v[0].sql + (allNumeric(v) ? "" : std::string(kCollate)) + " IN (";
          for (size_t i = 1; i < v.size(); ++i) sql += (i > 1 ? ", " : "") + v[i].sql;
          sql += "))";
        } else {
          sql = "(";
          for (size_t i = 1; i < v.size(); ++i)
            sql += (i > 1 ? " OR " : "") + std::string("jet_compare(") + v[0].sql + ", " +
                   v[i].sql + ") = 0";
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

  Typed call(const Expr& e) {
    const std::string& name = e.text;
    auto argCountError = [&]() {
      raise(kExpressionError,
            "Wrong number of arguments for the function '" + name + "' in the query expression.");
    };
    if (isAggregateName(name)) {
      if (!aggregatesAllowed_)
        raise(kAggregateMisplaced,
              "The aggregate function '" + name + "' cannot be used in this part of the statement.");
      Typed t;
      t.aggregate = true;
      std::string lower;
      for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (e.starArg) {
        if (lower != "count") argCountError();
        t.sql = "count(*)";
        t.type = Ty::Int;
        t.dao = DaoType::Long;
        return t;
      }
      if (e.args.size() != 1) argCountError();
      aggregatesAllowed_ = false;
      Typed a = value(*e.args[0]);
      aggregatesAllowed_ = true;
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
      Typed c = expr(*e.args[0]);
      Typed a = value(*e.args[1]), b = value(*e.args[2]);
      Typed t;
      t.sql = "(CASE WHEN " + asCondition(c) + " THEN " + a.sql + " ELSE " + b.sql + " END)";
      if (a.type == b.type || b.type == Ty::Null)
        t.type = a.type;
      else if (a.type == Ty::Null)
        t.type = b.type;
      else if (isNumeric(a.type) && isNumeric(b.type))
        t.type = arithmeticType(a.type, b.type);
      else
        t.type = Ty::Unknown;
      absorb(t, c);
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
      Typed a = value(*e.args[i]);
      if (i == 0 && f->sameAsArg) {
        t.type = isNumeric(a.type) ? (a.type == Ty::Bool ? Ty::Int : a.type) : Ty::Num;
      }
      absorb(t, a);
      t.sql += (i ? ", " : "") + a.sql;
    }
    t.sql += ")";
    if (!f->sameAsArg) {
      t.type = f->type;
      t.dao = f->dao;
    }
    return t;
  }

  Typed expr(const Expr& e) {
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
      case ExprKind::Boolean:
        t.sql = e.boolean ? "-1" : "0";
        t.type = Ty::Bool;
        t.constant = true;
        return t;
      case ExprKind::Column:
        return column(e);
      case ExprKind::Unary: {
        if (e.op == Op::Not) {
          Typed a = expr(*e.args[0]);
          t.sql = "(NOT " + asCondition(a) + ")";
          t.cond = true;
          t.type = Ty::Bool;
          absorb(t, a);
          return t;
        }
        Typed a = value(*e.args[0]);
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
        return binary(e);
      case ExprKind::Like:
      case ExprKind::Between:
      case ExprKind::In:
      case ExprKind::IsNull:
        return predicate(e);
      case ExprKind::Call:
        return call(e);
    }
    return t;
  }

  std::string condition(const Expr& e) { return asCondition(expr(e)); }

  // ---- FROM ---------------------------------------------------------------

  void bind(const FromNode& node) {
    if (node.isJoin) {
      bind(*node.left);
      bind(*node.right);
      return;
    }
    const TableInfo& info = table(node.table.name);
    Binding b;
    b.table = &info;
    b.name = node.table.alias.empty() ? info.name : node.table.alias;
    for (const auto& other : bindings_)
      if (namesEqual(other.name, b.name))
        raise(kSyntaxErrorInFrom, "The FROM clause names '" + b.name +
                                      "' twice: give the tables different aliases.");
    bindings_.push_back(std::move(b));
  }

  // True when every column `t` reads belongs to the bindings [first, end).
  bool readsOnly(const Typed& t, size_t first, size_t end) const {
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

  std::string fromSql(const FromNode& node, size_t& next) {
    if (!node.isJoin) {
      const Binding& b = bindings_[next++];
      std::string sql = quoteName(b.table->name);
      if (b.name != b.table->name) sql += " AS " + quoteName(b.name);
      return sql;
    }
    const size_t first = next;
    std::string left = fromSql(*node.left, next);
    std::string right = fromSql(*node.right, next);
    Typed on = expr(*node.on);
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

  // ---- SELECT -------------------------------------------------------------

  struct Output {
    std::string name;
    Typed typed;
    bool plainColumn = false;
  };

  static std::string collated(const Typed& t) {
    if (isNumeric(t.type) || t.type == Ty::Null || t.cond) return t.sql;
    return t.sql + std::string(kCollate);
  }

  // A key of ORDER BY or GROUP BY. A bare whole number would be read by
  // SQLite as a column position: Jet sorts by its value, a constant.
  static std::string keySql(const Typed& t) {
    std::string sql = collated(t);
    if (t.constant) sql = "(" + sql + " + 0)";
    return sql;
  }

  // `positional`: the SQLite result columns are named c0, c1, ... (for INSERT ... SELECT).
  void select(const SelectStmt& s, Translation& out, bool positional) {
    bindings_.clear();
    for (const auto& node : s.from) bind(*node);

    // Select list.
    std::vector<Output> outputs;
    aggregatesAllowed_ = true;
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
            raise(kExpressionError, "'SELECT *' needs at least one table in the FROM clause.");
          unknownName(item.starTable + ".*");
        }
        continue;
      }
      Typed t = value(*item.expr);
      Output o;
      o.plainColumn = item.expr->kind == ExprKind::Column && t.column != nullptr;
      // Unnamed expressions are named by their position in the result, as
      // Jet names them: Expr1000 for the first column, Expr1001 for the second.
      if (!item.alias.empty())
        o.name = item.alias;
      else if (o.plainColumn)
        o.name = t.column->name;
      else
        o.name = "Expr" + std::to_string(1000 + outputs.size());
      o.typed = std::move(t);
      outputs.push_back(std::move(o));
    }
    // Columns of a join that share a name are told apart by their table.
    for (size_t i = 0; i < outputs.size(); ++i) {
      if (!outputs[i].plainColumn) continue;
      bool clash = false;
      for (size_t j = 0; j < outputs.size(); ++j) {
        if (i != j && outputs[j].plainColumn && outputs[j].typed.binding != outputs[i].typed.binding &&
            namesEqual(outputs[j].typed.column->name, outputs[i].typed.column->name) &&
            namesEqual(outputs[i].name, outputs[i].typed.column->name))
          clash = true;
      }
      if (clash)
        outputs[i].name = bindings_[outputs[i].typed.binding].name + "." + outputs[i].typed.column->name;
    }

    size_t nextBinding = 0;
    std::string from;
    aggregatesAllowed_ = false;
    for (size_t i = 0; i < s.from.size(); ++i)
      from += (i ? ", " : "") + fromSql(*s.from[i], nextBinding);
    std::string where = s.where ? condition(*s.where) : std::string();
    std::vector<Typed> groups;
    for (const auto& g : s.groupBy) groups.push_back(value(*g));
    aggregatesAllowed_ = true;
    Typed having;
    if (s.having) having = expr(*s.having);

    // ORDER BY may name the select list's aliases.
    std::vector<std::pair<std::string, Typed>> aliases;
    for (size_t i = 0; i < s.items.size(); ++i) {
      if (!s.items[i].alias.empty()) {
        for (const auto& o : outputs)
          if (o.name == s.items[i].alias) aliases.emplace_back(o.name, o.typed);
      }
    }
    aliases_ = &aliases;
    std::vector<std::pair<Typed, bool>> keys;
    for (const auto& o : s.orderBy) keys.emplace_back(value(*o.expr), o.descending);
    aliases_ = nullptr;

    bool aggregate = !groups.empty() || having.aggregate ||
                     std::any_of(outputs.begin(), outputs.end(),
                                 [](const Output& o) { return o.typed.aggregate; }) ||
                     std::any_of(keys.begin(), keys.end(), [](const auto& k) { return k.first.aggregate; });
    if (aggregate) checkAggregate(outputs, groups, keys, s.having ? &having : nullptr);

    for (const auto& o : outputs) out.columns.push_back(ResultColumn{o.name, o.typed.dao});

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
    auto itemSql = [&](const Typed& t) { return s.distinct ? collated(t) : t.sql; };

    // Keys that are not in the select list are hidden columns of the rows.
    std::vector<std::string> keyRefs;  // the key as a column of the inner query
    std::vector<std::string> hidden;   // inner expressions of hidden keys
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

    const bool wrap = (s.top && !s.orderBy.empty()) || (s.distinct && !hidden.empty());
    if (!wrap) {
      std::string sql = s.distinct ? "SELECT DISTINCT " : "SELECT ";
      for (size_t i = 0; i < outputs.size(); ++i)
        sql += (i ? ", " : "") + itemSql(outputs[i].typed) + " AS " + outName(i);
      const bool updatable = !positional && s.from.size() == 1 && !s.from[0]->isJoin && !s.distinct &&
                             !s.top && !aggregate;
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
      sql += order;
      if (s.top) sql += " LIMIT " + std::to_string(*s.top);
      out.sql = std::move(sql);
      return;
    }

    std::string inner = s.distinct ? "SELECT DISTINCT " : "SELECT ";
    for (size_t i = 0; i < outputs.size(); ++i)
      inner += (i ? ", " : "") + itemSql(outputs[i].typed) + " AS " + quoteName("c" + std::to_string(i));
    for (const auto& h : hidden) inner += ", " + h;
    inner += tail;
    std::string orderList;
    for (size_t i = 0; i < keyRefs.size(); ++i) orderList += (i ? ", " : "") + keyRefs[i];

    std::string sql = "SELECT ";
    for (size_t i = 0; i < outputs.size(); ++i)
      sql += (i ? ", " : "") + quoteName("c" + std::to_string(i)) + " AS " + outName(i);
    if (s.top) {
      // TOP n keeps the rows ranked n or better: ties with the n-th row stay.
      sql += " FROM (SELECT *, RANK() OVER (" +
             (orderList.empty() ? std::string() : "ORDER BY " + orderList) +
             ") AS \"jet_rank\" FROM (" + inner + ")) WHERE \"jet_rank\" <= " +
             std::to_string(*s.top);
    } else {
      sql += " FROM (" + inner + ")";
    }
    if (!orderList.empty()) sql += " ORDER BY " + orderList;
    out.sql = std::move(sql);
  }

  // In a query with aggregates every column outside them must be grouped on.
  void checkAggregate(const std::vector<Output>& outputs, const std::vector<Typed>& groups,
                      const std::vector<std::pair<Typed, bool>>& keys, const Typed* having) {
    auto check = [&](const Typed& t) {
      for (const auto& g : groups)
        if (sameSql(g.sql, t.sql)) return;
      for (const auto& [sql, name] : t.free) {
        bool grouped = std::any_of(groups.begin(), groups.end(), [&](const Typed& g) { return sameSql(g.sql, sql); });
        if (!grouped)
          raise(kAggregateMissing, "The query does not include the field '" + name +
                                       "' in an aggregate function or in its GROUP BY clause.");
      }
    };
    for (const auto& o : outputs) check(o.typed);
    for (const auto& k : keys) check(k.first);
    if (having != nullptr) check(*having);
  }

  // ---- INSERT, UPDATE, DELETE ---------------------------------------------

  void insert(const InsertStmt& s, Translation& out) {
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
      sub.select(*s.select, inner, true);
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
      aggregatesAllowed_ = false;
      sql += "VALUES (";
      for (size_t i = 0; i < targets.size(); ++i)
        sql += (i ? ", " : "") + storeCall(value(*s.values[i]).sql, *targets[i], info);
      for (const auto* c : missing) sql += ", " + storeCall("NULL", *c, info);
      sql += ")";
    }
    out.sql = std::move(sql);
  }

  void update(const UpdateStmt& s, Translation& out) {
    const TableInfo& info = table(s.table.name);
    out.table = info.name;
    bindings_ = {Binding{info.name, &info}};
    aggregatesAllowed_ = false;
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
      sql += (i ? ", " : "") + quoteName(col->name) + " = " + storeCall(value(*a.value).sql, *col, info);
    }
    if (s.where) sql += " WHERE " + condition(*s.where);
    out.sql = std::move(sql);
  }

  void del(const DeleteStmt& s, Translation& out) {
    const TableInfo& info = table(s.table.name);
    out.table = info.name;
    Binding b{s.table.alias.empty() ? info.name : s.table.alias, &info};
    bindings_ = {b};
    aggregatesAllowed_ = false;
    std::string sql = "DELETE FROM " + quoteName(info.name);
    if (b.name != info.name) sql += " AS " + quoteName(b.name);
    if (s.where) sql += " WHERE " + condition(*s.where);
    out.sql = std::move(sql);
  }

  // ---- data definition ----------------------------------------------------

  void ddl(const Statement& st, Translation& out) {
    DdlCommand d = st.ddl;
    switch (st.kind) {
      case StatementKind::CreateTable: {
        for (size_t i = 0; i < d.columns.size(); ++i) {
          auto& c = d.columns[i];
          c.ordinalPosition = static_cast<int16_t>(i);
          // New Text fields accept the empty text, as the field definitions
          // the system creates do; Required is set by NOT NULL.
          if (c.type == DaoType::Text) c.allowZeroLength = true;
          for (size_t j = 0; j < i; ++j)
            if (namesEqual(d.columns[j].name, c.name))
              raise(kFieldDefinedTwice, "The field '" + c.name + "' is defined more than once in table '" + d.table + "'.");
        }
        if (!st.primaryKey.empty()) {
          d.unique = true;
          if (d.indexName.empty()) d.indexName = "PrimaryKey";
          for (const auto& k : st.primaryKey) {
            auto it = std::find_if(d.columns.begin(), d.columns.end(),
                                   [&](const ColumnInfo& c) { return namesEqual(c.name, k); });
            if (it == d.columns.end())
              raise(kItemNotFound, "The primary key names the field '" + k + "', which the table '" + d.table + "' does not have.");
            it->required = true;
            if (std::none_of(d.indexColumns.begin(), d.indexColumns.end(),
                             [&](const std::string& n) { return namesEqual(n, it->name); }))
              d.indexColumns.push_back(it->name);
          }
        }
        break;
      }
      case StatementKind::AlterTableAdd: {
        const TableInfo& info = table(d.table);
        d.table = info.name;
        auto& c = d.columns.at(0);
        if (info.findColumn(c.name))
          raise(kFieldDefinedTwice, "The table '" + info.name + "' already has a field '" + c.name + "'.");
        int16_t position = 0;
        for (const auto& existing : info.columns)
          position = std::max<int16_t>(position, static_cast<int16_t>(existing.ordinalPosition + 1));
        c.ordinalPosition = position;
        if (c.type == DaoType::Text) c.allowZeroLength = true;
        d.indexName.clear();
        d.indexColumns.clear();
        d.unique = false;
        break;
      }
      case StatementKind::AlterTableDrop: {
        const TableInfo& info = table(d.table);
        d.table = info.name;
        const ColumnInfo* c = info.findColumn(d.column);
        if (c == nullptr)
          raise(kItemNotFound, "The table '" + info.name + "' has no field '" + d.column + "'.");
        d.column = c->name;
        break;
      }
      case StatementKind::DropTable: {
        const TableInfo* info = catalog_.findTable(d.table);
        if (info == nullptr) raise(kTableNotExisting, "The table '" + d.table + "' does not exist.");
        d.table = info->name;
        break;
      }
      case StatementKind::CreateIndex: {
        const TableInfo& info = table(d.table);
        d.table = info.name;
        for (auto& name : d.indexColumns) {
          const ColumnInfo* c = info.findColumn(name);
          if (c == nullptr)
            raise(kItemNotFound, "The index names the field '" + name + "', which the table '" + info.name + "' does not have.");
          name = c->name;
        }
        break;
      }
      default:
        break;
    }
    out.table = d.table;
    out.ddl = std::move(d);
  }

  // ---- literals of a shape -------------------------------------------------

  // The literal of the shape at `offset` of that kind, or -1.
  int slotAt(size_t offset, bool text, bool decimal = false) const {
    if (shape_ == nullptr) return -1;
    const auto& lits = shape_->literals;
    auto it = std::lower_bound(lits.begin(), lits.end(), offset,
                               [](const Literal& l, size_t o) { return l.offset < o; });
    if (it == lits.end() || it->offset != offset || it->text != text || it->decimal != decimal) return -1;
    return static_cast<int>(it - lits.begin());
  }

  std::string resolved(const std::string& sql) const {
    if (shape_ == nullptr) return sql;
    std::string out;
    scanMarkers(sql, [&](std::string_view piece) { out += piece; },
                [&](size_t slot) { out += shape_->literals[slot].sql(); });
    return out;
  }

  // Compares two translated expressions as their SQLite texts. The outcome
  // depends on the values of the literals in them, which are pinned.
  bool sameSql(const std::string& a, const std::string& b) const {
    if (shape_ == nullptr) return a == b;
    for (const std::string* sql : {&a, &b})
      scanMarkers(*sql, [](std::string_view) {}, [&](size_t slot) { (*pinned_)[slot] = 1; });
    return resolved(a) == resolved(b);
  }

  Catalog& catalog_;
  const StatementShape* shape_ = nullptr;
  std::vector<char>* pinned_ = nullptr;
  std::vector<Binding> bindings_;
  std::vector<std::string> unknownNames_;
  const std::vector<std::pair<std::string, Typed>>* aliases_ = nullptr;
  bool aggregatesAllowed_ = false;
};

}  // namespace

Translation translate(std::string_view jetSql, Catalog& catalog) {
  Statement st = parseStatement(jetSql);
  return Translator(catalog).run(st);
}

std::string Literal::sql() const { return text ? quoteText(value) : value; }

StatementShape statementShape(std::string_view jetSql) {
  StatementShape shape;
  if (jetSql.find_first_of(std::string_view("\0\x01\x02\x03", 4)) != std::string_view::npos) return shape;
  std::vector<Token> tokens = tokenize(jetSql);
  size_t pos = 0;
  shape.key.reserve(jetSql.size());
  for (Token& token : tokens) {
    if (token.kind == TokenKind::Invalid) return StatementShape{};
    bool text = token.kind == TokenKind::String;
    bool decimal = false;
    if (token.kind == TokenKind::Number) {
      const char* first = token.text.data();
      const char* last = first + token.text.size();
      double value = 0;
      auto r = std::from_chars(first, last, value);
      if (r.ec != std::errc() || r.ptr != last || !std::isfinite(value)) continue;
      if (token.text.find_first_not_of("0123456789") == std::string::npos) {
        // What the parser reads as a Long literal: digits only, within 32 bits.
        if (value > std::numeric_limits<int32_t>::max()) continue;
      } else {
        // A decimal number: digits with a point or an exponent.
        if (token.text.find_first_not_of("0123456789.eE+-") != std::string::npos) continue;
        decimal = true;
      }
    } else if (!text) {
      continue;
    }
    shape.key.append(jetSql.substr(pos, token.offset - pos));
    shape.key += text ? kMarkClose : decimal ? kMarkDecimal : kMarkOpen;
    pos = token.offset + token.length;
    shape.literals.push_back(Literal{token.offset, text, decimal, std::move(token.text)});
  }
  shape.key.append(jetSql.substr(pos));
  shape.usable = true;
  return shape;
}

ShapedTranslation translateShape(std::string_view jetSql, const StatementShape& shape, Catalog& catalog) {
  Statement st = parseStatement(jetSql);
  std::vector<char> pinned(shape.literals.size(), 0);
  ShapedTranslation out;
  out.translation = Translator(catalog, &shape, &pinned).run(st);
  out.marked = std::move(out.translation.sql);
  std::vector<char> written(shape.literals.size(), 0);
  std::string sql;
  scanMarkers(out.marked, [&](std::string_view piece) { sql += piece; },
              [&](size_t slot) {
                written[slot] = 1;
                sql += pinned[slot] ? shape.literals[slot].sql() : "?" + std::to_string(slot + 1);
              });
  out.translation.sql = std::move(sql);
  out.fixed.resize(shape.literals.size());
  for (size_t i = 0; i < shape.literals.size(); ++i)
    if (pinned[i] || !written[i]) out.fixed[i] = shape.literals[i].value;
  return out;
}

bool ShapedTranslation::holdsFor(const StatementShape& shape) const {
  if (shape.literals.size() != fixed.size()) return false;
  for (size_t i = 0; i < fixed.size(); ++i)
    if (fixed[i] && shape.literals[i].value != *fixed[i]) return false;
  return true;
}

std::string ShapedTranslation::writeSql(const StatementShape& shape) const {
  std::string sql;
  scanMarkers(marked, [&](std::string_view piece) { sql += piece; },
              [&](size_t slot) { sql += shape.literals[slot].sql(); });
  return sql;
}

}  // namespace svrZIVE::engine::jet
