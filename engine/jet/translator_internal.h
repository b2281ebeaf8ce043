// The translator's inside, shared by its files: the static types of
// expressions, the clause an expression stands in, and the Translator class,
// whose methods are spread by concern:
//   typed.cpp            values, conditions and the operations on typed SQL
//   resolve.cpp          tables and columns by name, unknown names (3061)
//   translate_expr.cpp   operators, comparisons and predicates
//   function_map.cpp     the dialect's functions and aggregates
//   translate_select.cpp FROM, the select list, GROUP BY, ORDER BY and TOP
//   translate_write.cpp  INSERT, UPDATE and DELETE
//   translate_ddl.cpp    CREATE, ALTER and DROP
//   shape.cpp            statement shapes: literals as parameters
//
// Every expression is translated together with its static type, worked out
// from the catalog (column types), the literals and the operators. Operations
// whose operands have known types of the same kind become plain SQLite
// operations (so that indexes stay usable); the others go through functions
// of ours (functions.cpp) that apply Jet's rules at run time. Text
// comparisons, ordering, grouping and DISTINCT use our collation JET, which
// ignores letter case.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/jet/ast.h"
#include "engine/jet/errors.h"
#include "engine/jet/translator.h"

namespace svrZIVE::engine::jet {

inline constexpr std::string_view kSource = "DAO.Database";
inline constexpr std::string_view kCollate = " COLLATE \"JET\"";

// The dialect of the translation under way on this thread.
SqlTarget target();
class TargetScope {
 public:
  explicit TargetScope(SqlTarget target);
  ~TargetScope();
  TargetScope(const TargetScope&) = delete;
  TargetScope& operator=(const TargetScope&) = delete;

 private:
  SqlTarget saved_;
};
// The name a derived table (a select in FROM) takes where one is required.
inline std::string derivedName() { return target() == SqlTarget::Postgres ? " AS \"jet_d\"" : ""; }

[[noreturn]] inline void raise(int32_t number, std::string description) {
  raiseJetError(number, kSource, std::move(description));
}

// Static types of expressions.
enum class Ty {
  Unknown,  // only the value tells
  Null,     // the Null literal
  Bool,     // -1 / 0
  Int,      // whole numbers
  Dbl,      // floating numbers
  Num,      // a number of either kind
  Date,     // days from 30 December 1899: a number to SQLite
  Dec,      // a Decimal: on a file its key (base/decimal.h), a text whose order is the
            // numbers' order; on a server a numeric
  Text,
};

bool isNumeric(Ty t);
Ty tyOf(DaoType type);
// The type of `a op b` for + - *.
Ty arithmeticType(Ty a, Ty b);

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

// The server's plain-SQL forms of `&` and of text-against-number comparison
// write an operand more than once: only for operands shorter than this, so
// that nesting them cannot make a statement's text grow without bound.
inline constexpr size_t kMaxRepeatedSql = 1000;

// Nesting allowed in the SQLite text; SQLite's own parser refuses little
// more than this when the nesting goes to the right.
inline constexpr int kMaxNest = 30;

// A Jet value from a condition (True is -1).
Typed asValue(Typed t);
// An SQLite truth value from any expression.
std::string asCondition(const Typed& t);
// `sql` for a number operand: texts and values of unknown type are read as numbers.
std::string numeric(const Typed& t);
// `sql` for an argument of a function of ours: a Date goes as a Date, not as
// its number of days. On the server every argument goes as a jsonb variant
// (a text, a number, {"d": days} for a Date), since its functions are typed.
std::string variantArg(const Typed& t);
// `sql` for an operand of a function of ours that reads it as it comes
// (a Date as its number of days); a variant on the server.
std::string operandArg(const Typed& t);
// `t` takes in what operand `a` holds (aggregates, free columns, nesting).
void absorb(Typed& t, const Typed& a, int levels = 1);
Typed merge(Typed t, const Typed& a, const Typed& b);
// `a op b` where `a` may already be a chain of op: "(x op y op b)".
Typed chained(Op op, const std::string& sym, const Typed& a, const std::string& aSql, const Typed& b,
              const std::string& bSql);
// A comparison with Jet's rules: plain when both sides are of one kind.
Typed compare(Op op, const Typed& a, const Typed& b);
// The expression with the JET collation when it is a text.
std::string collated(const Typed& t);
// A key of ORDER BY or GROUP BY.
std::string keySql(const Typed& t);

// A table of the FROM clause (or the table an action statement writes).
struct Binding {
  std::string name;  // the alias, else the table's name as in the catalog
  const TableInfo* table = nullptr;
  std::string derivedSql;  // a derived table: its select, which has no rowid
};

using Aliases = std::vector<std::pair<std::string, Typed>>;

// The part of a statement an expression stands in, and its rules: whether
// aggregate functions may appear and which aliases of the select list it
// can name.
struct Clause {
  enum Kind { SelectList, On, Where, GroupBy, Having, OrderBy, Values, Set, AggregateArgument };
  Kind kind = Where;
  bool aggregates = false;
  const Aliases* aliases = nullptr;

  // The clause of an aggregate function's argument inside this one.
  Clause argument() const { return Clause{AggregateArgument, false, aliases}; }
};

// A literal of the statement's shape stands in the SQLite text as
// "\x01<n>\x02" until the translation is done.
std::string marker(size_t slot);
// The slot of `sql` when it is one marker and nothing else.
std::optional<size_t> bareMarker(std::string_view sql);

class Translator {
 public:
  explicit Translator(Catalog& catalog) : catalog_(catalog) {}
  // Translates for every statement of `shape`: its literals are written as
  // markers, and those whose value the translation looks at are pinned.
  Translator(Catalog& catalog, const StatementShape* shape, std::vector<char>* pinned)
      : catalog_(catalog), shape_(shape), pinned_(pinned) {}

  // A TRANSFORM's select gets its columns here.
  Translation run(Statement& st);

 private:
  // resolve.cpp
  const TableInfo& table(const std::string& name);
  void reportUnknownNames();
  Typed unknownName(std::string name);
  Typed columnOf(int b, const ColumnInfo& column);
  Typed column(const Expr& e, const Clause& c);
  Typed outer(const Expr& e);
  void bind(const FromNode& node);
  bool readsOnly(const Typed& t, size_t first, size_t end) const;

  // translate_expr.cpp
  Typed expr(const Expr& e, const Clause& c);
  Typed value(const Expr& e, const Clause& c) { return asValue(expr(e, c)); }
  std::string condition(const Expr& e, const Clause& c) { return asCondition(expr(e, c)); }
  Typed binary(const Expr& e, const Clause& c);
  Typed predicate(const Expr& e, const Clause& c);

  // function_map.cpp
  Typed call(const Expr& e, const Clause& c) { return call(e, e.text, c); }
  // The call `e` as a call of the function `name`.
  Typed call(const Expr& e, const std::string& name, const Clause& c);

  // translate_select.cpp
  // A crosstab: the select of `st` with a column for each heading.
  void transform(Statement& st, Translation& out);
  struct Output {
    std::string name;
    Typed typed;
    bool plainColumn = false;
  };
  std::string fromSql(const FromNode& node, size_t& next);
  // How a select's result is used: as the statement's result; by an
  // enclosing statement, which reads its columns as c0, c1, ...; or as a part
  // of a UNION, whose ORDER BY and further parts belong to the whole.
  enum class Use { Result, Positional, UnionPart, Into };
  void select(const SelectStmt& s, Translation& out, Use use);
  void unionSelect(const SelectStmt& s, Translation& out, Use use);
  // A subquery, which may read the columns of this one's tables.
  Translation subselect(const SelectStmt& s);
  Typed subquery(const Expr& e, const Clause& c);
  std::vector<Output> outputs(const SelectStmt& s);
  void checkAggregate(const std::vector<Output>& outputs, const std::vector<Typed>& groups,
                      const std::vector<std::pair<Typed, bool>>& keys, const Typed* having);

  // translate_write.cpp
  void selectInto(const SelectStmt& s, Translation& out);
  void insert(const InsertStmt& s, Translation& out);
  // The binding of a table named in an action statement over a join (3128
  // when there is none).
  size_t target(const std::string& name);
  void update(const UpdateStmt& s, Translation& out);
  void del(const DeleteStmt& s, Translation& out);

  // translate_ddl.cpp
  void ddl(const Statement& st, Translation& out);

  // shape.cpp
  int slotAt(size_t offset, bool text, bool decimal = false) const;
  std::string resolved(const std::string& sql) const;
  bool sameSql(const std::string& a, const std::string& b) const;

  Catalog& catalog_;
  const StatementShape* shape_ = nullptr;
  std::vector<char>* pinned_ = nullptr;
  std::vector<Binding> bindings_;
  std::vector<std::string> unknownNames_;
  // The rowids of the select's tables, which order its rows as they were
  // added (none when a parenthesised join hides them).
  std::vector<std::string> rowids_;
  // The last select's result columns: their types and the columns they are.
  std::vector<std::pair<Ty, const ColumnInfo*>> resultTypes_;
  // The columns of the derived tables in FROM.
  std::deque<TableInfo> derivedTables_;
  Translator* outer_ = nullptr;  // of a subquery: the query around it
};

}  // namespace svrZIVE::engine::jet
