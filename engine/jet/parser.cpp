#include "engine/jet/parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/date_time.h"
#include "engine/jet/errors.h"
#include "engine/jet/lexer.h"

namespace svrZIVE::engine::jet {

namespace {

constexpr std::string_view kSource = "DAO.Database";

// The syntax error of a clause, as the start of a description.
std::string clauseDescription(int32_t number) {
  if (number == kSyntaxErrorInExpression) return "Syntax error";
  std::string text = jetMessage(number);
  text.pop_back();  // the full stop
  return text;
}

bool isClauseWord(const Token& t) {
  static constexpr std::string_view kWords[] = {"FROM",  "WHERE", "GROUP",  "HAVING", "ORDER",
                                                "UNION", "SET",   "VALUES", "PIVOT"};
  for (auto w : kWords)
    if (t.isKeyword(w)) return true;
  return false;
}

class Parser {
 public:
  explicit Parser(std::string_view sql) : sql_(sql), tokens_(tokenize(sql)) {}

  Statement statement() {
    Statement st;
    if (acceptKeyword("PARAMETERS")) {
      // name type [, name type] ;
      do {
        st.parameters.push_back(name().name);
        ColumnInfo type;
        if (!atName() || !ddlTypeFromName(next().text, type)) fail();
      } while (acceptSymbol(","));
      expectSymbol(";");
    }
    const Token& first = peek();
    if (first.isKeyword("TRANSFORM")) {
      transform(st);
    } else if (first.isKeyword("SELECT")) {
      st.select = select();
      st.kind = st.select->into.empty() ? StatementKind::Select : StatementKind::SelectInto;
    } else if (first.isKeyword("INSERT")) {
      st.kind = StatementKind::Insert;
      st.insert = insert();
    } else if (first.isKeyword("UPDATE")) {
      st.kind = StatementKind::Update;
      st.update = update();
    } else if (first.isKeyword("DELETE")) {
      st.kind = StatementKind::Delete;
      st.del = del();
    } else if (first.isKeyword("CREATE")) {
      next();
      if (peek().isKeyword("TABLE")) {
        st.kind = StatementKind::CreateTable;
        createTable(st);
      } else {
        st.kind = StatementKind::CreateIndex;
        createIndex(st);
      }
    } else if (first.isKeyword("ALTER")) {
      alterTable(st);
    } else if (first.isKeyword("DROP")) {
      st.kind = StatementKind::DropTable;
      dropTable(st);
    } else {
      throw AutomationError(kInvalidStatement, std::string(kSource),
                            "Invalid SQL statement: it must begin with SELECT, INSERT, UPDATE, "
                            "DELETE, CREATE, ALTER or DROP.");
    }
    finish();
    return st;
  }

 private:
  struct Context {
    int32_t number = kSyntaxErrorInExpression;
    size_t exprStart = std::string_view::npos;  // start of the expression being read, if any
  };

  // ---- tokens -------------------------------------------------------------

  const Token& peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return i < tokens_.size() ? tokens_[i] : tokens_.back();
  }
  const Token& next() {
    const Token& t = peek();
    if (pos_ < tokens_.size() - 1) ++pos_;
    return t;
  }
  bool acceptKeyword(std::string_view k) {
    if (!peek().isKeyword(k)) return false;
    next();
    return true;
  }
  bool acceptSymbol(std::string_view s) {
    if (!peek().isSymbol(s)) return false;
    next();
    return true;
  }
  void expectKeyword(std::string_view k) {
    if (!acceptKeyword(k)) fail();
  }
  void expectSymbol(std::string_view s) {
    if (!acceptSymbol(s)) fail();
  }

  // A name: bare (not a reserved word) or bracketed.
  bool atName(size_t ahead = 0) const {
    const Token& t = peek(ahead);
    return t.kind == TokenKind::QuotedName || (t.kind == TokenKind::Name && !isReservedWord(t.text));
  }
  NamedRef name() {
    if (!atName()) fail();
    const Token& t = next();
    return NamedRef{t.text, t.offset};
  }

  // The statement ends here: an optional ';' and nothing more.
  void finish() {
    if (acceptSymbol(";")) {
      if (peek().kind != TokenKind::End)
        throw AutomationError(kTextAfterEnd, std::string(kSource),
                              "Characters found after the end of the SQL statement: '" +
                                  std::string(sql_.substr(peek().offset)) + "'.");
      return;
    }
    if (peek().kind != TokenKind::End) fail();
  }

  // ---- errors -------------------------------------------------------------

  [[noreturn]] void fail() const { fail(ctx_); }

  [[noreturn]] void fail(const Context& ctx) const {
    const Token& at = peek();
    std::string description;
    if (ctx.exprStart != std::string_view::npos) {
      std::string text = expressionText(ctx.exprStart);
      if (ctx.number == kSyntaxErrorInExpression)
        description = "Syntax error in query expression '" + text + "'.";
      else
        description = clauseDescription(ctx.number) + ", in the expression '" + text + "'.";
    } else if (at.kind == TokenKind::End) {
      description = clauseDescription(ctx.number) + ": the statement ends too early.";
    } else {
      description = clauseDescription(ctx.number) + " at '" +
                    std::string(sql_.substr(at.offset, at.length)) + "'.";
    }
    throw AutomationError(ctx.number, std::string(kSource), std::move(description));
  }

  // The source text of the expression that starts at `start` and holds the
  // current token: up to the end of its clause (a ',' or ')' outside
  // parentheses, a clause keyword or the end).
  std::string expressionText(size_t start) const {
    size_t end = start;
    int depth = 0;
    for (size_t i = pos_; i < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      if (t.kind == TokenKind::End) break;
      if (t.isSymbol("(")) ++depth;
      if (t.isSymbol(")") && --depth < 0) break;
      if (depth == 0 && (t.isSymbol(",") || t.isSymbol(";") || isClauseWord(t))) break;
      end = t.offset + t.length;
    }
    if (end <= start) {
      // The fault is the token that ends the clause: show what came before it.
      end = pos_ > 0 ? tokens_[pos_ - 1].offset + tokens_[pos_ - 1].length : start;
    }
    std::string_view text = sql_.substr(start, end > start ? end - start : 0);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return std::string(text);
  }

  // Runs `work` with a context; restores the previous one afterwards.
  template <class Work>
  auto within(int32_t number, bool expression, Work&& work) {
    Context saved = ctx_;
    ctx_.number = number;
    ctx_.exprStart = expression ? peek().offset : std::string_view::npos;
    struct Restore {
      Parser* p;
      Context c;
      ~Restore() { p->ctx_ = c; }
    } restore{this, saved};
    return work();
  }

  // An expression of a clause; what follows it must be able to follow an
  // expression, else the expression itself is at fault ("B = 'O'Brien'").
  ExprPtr expression(int32_t number) {
    return within(number, true, [&] {
      auto e = orExpr();
      if (!atExpressionEnd()) fail();
      return e;
    });
  }

  bool atExpressionEnd() const {
    const Token& t = peek();
    if (t.kind == TokenKind::End || t.isSymbol(";") || t.isSymbol(",") || t.isSymbol(")"))
      return true;
    static constexpr std::string_view kFollowers[] = {
        "FROM", "WHERE", "GROUP", "HAVING", "ORDER", "AS",  "ASC",
        "DESC", "INNER", "LEFT",  "RIGHT",  "JOIN",  "ON",  "UNION", "SET", "INTO", "PIVOT"};
    for (auto k : kFollowers)
      if (t.isKeyword(k)) return true;
    return false;
  }

  // ---- SELECT -------------------------------------------------------------

  std::unique_ptr<SelectStmt> select() {
    struct Depth {
      int& depth;
      explicit Depth(int& d) : depth(++d) {}
      ~Depth() { --depth; }
    } depth(selectDepth_);
    auto s = std::make_unique<SelectStmt>();
    ctx_ = Context{kSyntaxErrorInExpression, std::string_view::npos};
    expectKeyword("SELECT");
    if (acceptKeyword("DISTINCT")) {
      s->distinct = true;
    } else if (acceptKeyword("DISTINCTROW")) {
      s->distinctRow = true;
    } else {
      acceptKeyword("ALL");
    }
    if (peek().isKeyword("TOP")) {
      next();
      const Token& n = peek();
      int64_t value = 0;
      if (n.kind != TokenKind::Number ||
          std::from_chars(n.text.data(), n.text.data() + n.text.size(), value).ptr !=
              n.text.data() + n.text.size() ||
          value <= 0) {
        within(kSyntaxErrorInExpression, true, [&]() -> int { fail(); });
      }
      next();
      s->top = value;
      if (acceptKeyword("PERCENT")) {
        s->topPercent = true;
        if (value > 100) within(kSyntaxErrorInExpression, true, [&]() -> int { fail(); });
      }
    }
    do {
      s->items.push_back(selectItem());
    } while (acceptSymbol(","));
    if (acceptKeyword("INTO")) s->into = name().name;

    s->fromStart = peek().offset;
    if (acceptKeyword("FROM")) {
      ctx_ = Context{kSyntaxErrorInFrom, std::string_view::npos};
      do {
        s->from.push_back(joinSource());
      } while (acceptSymbol(","));
    } else if (!peek().isKeyword("WHERE") && !peek().isKeyword("GROUP") && !atPivot() &&
               !peek().isKeyword("HAVING") && !peek().isKeyword("ORDER") &&
               !peek().isSymbol(";") && peek().kind != TokenKind::End && !peek().isSymbol(")")) {
      // Something follows the select list that continues no clause.
      within(kSyntaxErrorInExpression, true, [&]() -> int { fail(); });
    }
    if (acceptKeyword("WHERE")) {
      ctx_ = Context{kSyntaxErrorInExpression, std::string_view::npos};
      s->where = expression(kSyntaxErrorInExpression);
    }
    s->fromEnd = peek().offset;
    if (peek().isKeyword("GROUP")) {
      next();
      ctx_ = Context{kSyntaxErrorInExpression, std::string_view::npos};
      expectKeyword("BY");
      do {
        s->groupBy.push_back(expression(kSyntaxErrorInExpression));
      } while (acceptSymbol(","));
    }
    if (acceptKeyword("HAVING")) {
      ctx_ = Context{kSyntaxErrorInExpression, std::string_view::npos};
      s->having = expression(kSyntaxErrorInExpression);
    }
    if (acceptKeyword("UNION")) {
      // The rest of the statement is the next select, with its own UNIONs
      // and the ORDER BY of the whole.
      const bool all = acceptKeyword("ALL");
      if (!peek().isKeyword("SELECT")) fail();
      auto part = select();
      s->orderBy = std::move(part->orderBy);
      auto rest = std::move(part->unions);
      s->unions.emplace_back(all, std::move(part));
      for (auto& r : rest) s->unions.push_back(std::move(r));
    }
    if (peek().isKeyword("ORDER")) {
      next();
      ctx_ = Context{kSyntaxErrorInOrderBy, std::string_view::npos};
      expectKeyword("BY");
      do {
        OrderItem item;
        item.expr = expression(kSyntaxErrorInExpression);
        if (acceptKeyword("DESC"))
          item.descending = true;
        else
          acceptKeyword("ASC");
        s->orderBy.push_back(std::move(item));
      } while (acceptSymbol(","));
    }
    // What follows the last clause belongs to no clause.
    if (!peek().isSymbol(";") && peek().kind != TokenKind::End && !peek().isSymbol(")") && !atPivot()) fail();
    return s;
  }

  // The PIVOT that ends the select of a TRANSFORM.
  bool atPivot() const { return inTransform_ && selectDepth_ == 1 && peek().isKeyword("PIVOT"); }

  // TRANSFORM aggregate(value) select PIVOT heading [IN (literal, ...)]
  void transform(Statement& st) {
    const Context syntax{kSyntaxErrorInTransform, std::string_view::npos};
    ctx_ = syntax;
    expectKeyword("TRANSFORM");
    Transform x;
    auto textOf = [&](size_t start) {
      const Token& last = tokens_[pos_ - 1];
      return std::string(sql_.substr(start, last.offset + last.length - start));
    };
    // The aggregate: one call of one argument, or Count(*).
    static constexpr std::string_view kAggregates[] = {"Avg", "Count", "First", "Last", "Max",  "Min",
                                                       "StDev", "StDevP", "Sum", "Var", "VarP"};
    if (!atName() || !peek(1).isSymbol("(") ||
        std::none_of(std::begin(kAggregates), std::end(kAggregates), [&](auto a) { return peek().isKeyword(a); }))
      fail();
    x.aggregate = next().text;
    next();
    if (peek().isSymbol("*") && peek(1).isSymbol(")")) {
      next();
      x.value = "1";
    } else {
      const size_t start = peek().offset;
      expression(kSyntaxErrorInExpression);
      x.value = textOf(start);
    }
    ctx_ = syntax;
    expectSymbol(")");
    if (!peek().isKeyword("SELECT")) fail();
    inTransform_ = true;
    st.select = select();
    inTransform_ = false;
    ctx_ = syntax;
    if (!st.select->unions.empty() || st.select->groupBy.empty() || !st.select->into.empty()) fail();
    expectKeyword("PIVOT");
    // The heading: an expression without comparisons, so that IN is the list's.
    const size_t start = peek().offset;
    within(kSyntaxErrorInExpression, true, [&] {
      concatExpr();
      if (!atExpressionEnd() && !peek().isKeyword("IN")) fail();
      return 0;
    });
    x.heading = textOf(start);
    ctx_ = syntax;
    if (acceptKeyword("IN")) {
      x.fixed = true;
      expectSymbol("(");
      do {
        const size_t at = peek().offset;
        ExprPtr literal = expression(kSyntaxErrorInExpression);
        const Expr& v = literal->kind == ExprKind::Unary ? *literal->args.at(0) : *literal;
        if (v.kind != ExprKind::Number && v.kind != ExprKind::String && v.kind != ExprKind::Date &&
            v.kind != ExprKind::Null && v.kind != ExprKind::Boolean)
          within(kSyntaxErrorInTransform, true, [&]() -> int { fail(); });
        x.in.push_back(textOf(at));
      } while (acceptSymbol(","));
      ctx_ = syntax;
      expectSymbol(")");
    }
    x.headingsSql = "SELECT DISTINCT " + x.heading + " " +
                    std::string(sql_.substr(st.select->fromStart, st.select->fromEnd - st.select->fromStart)) +
                    " ORDER BY " + x.heading;
    st.kind = StatementKind::Select;
    st.transform = std::move(x);
  }

  // "(SELECT ...)", the '(' read: the select and its ')'.
  std::shared_ptr<SelectStmt> subquery() {
    Context saved = ctx_;
    std::shared_ptr<SelectStmt> s = select();
    ctx_ = saved;
    expectSymbol(")");
    return s;
  }

  SelectItem selectItem() {
    SelectItem item;
    item.offset = peek().offset;
    if (acceptSymbol("*")) {
      item.star = true;
      return item;
    }
    if (atName() && peek(1).isSymbol(".") && peek(2).isSymbol("*")) {
      item.star = true;
      item.starTable = next().text;
      next();
      next();
      return item;
    }
    within(kSyntaxErrorInExpression, true, [&] {
      item.expr = orExpr();
      if (!atExpressionEnd()) fail();
      if (acceptKeyword("AS")) item.alias = name().name;
      if (!atExpressionEnd() || peek().isKeyword("AS")) fail();
      return 0;
    });
    return item;
  }

  // table [[AS] alias] | ( join ) { [INNER|LEFT [OUTER]|RIGHT [OUTER]] JOIN source ON expr }
  std::unique_ptr<FromNode> joinSource() {
    auto left = fromPrimary();
    for (;;) {
      JoinKind kind;
      if (peek().isKeyword("INNER") && peek(1).isKeyword("JOIN")) {
        kind = JoinKind::Inner;
        next();
      } else if (peek().isKeyword("LEFT") || peek().isKeyword("RIGHT")) {
        kind = peek().isKeyword("LEFT") ? JoinKind::Left : JoinKind::Right;
        next();
        acceptKeyword("OUTER");
      } else if (peek().isKeyword("JOIN")) {
        // A join without its kind is not Jet SQL.
        fail();
      } else {
        break;
      }
      expectKeyword("JOIN");
      auto node = std::make_unique<FromNode>();
      node->isJoin = true;
      node->join = kind;
      node->left = std::move(left);
      node->right = fromPrimary();
      expectKeyword("ON");
      node->on = expression(kSyntaxErrorInExpression);
      left = std::move(node);
    }
    return left;
  }

  std::unique_ptr<FromNode> fromPrimary() {
    DepthGuard guard(this);
    if (acceptSymbol("(")) {
      if (peek().isKeyword("SELECT")) {
        // A derived table: (SELECT ...) [AS] alias.
        auto node = std::make_unique<FromNode>();
        node->table.offset = peek().offset;
        node->table.derived = subquery();
        ctx_ = Context{kSyntaxErrorInFrom, std::string_view::npos};
        acceptKeyword("AS");
        node->table.alias = name().name;
        return node;
      }
      auto inner = joinSource();
      expectSymbol(")");
      return inner;
    }
    auto node = std::make_unique<FromNode>();
    node->table = tableRef(true);
    return node;
  }

  TableRef tableRef(bool allowAlias) {
    TableRef ref;
    ref.offset = peek().offset;
    ref.name = name().name;
    if (allowAlias) {
      if (acceptKeyword("AS"))
        ref.alias = name().name;
      else if (atName())
        ref.alias = name().name;
    }
    return ref;
  }

  // ---- INSERT, UPDATE, DELETE ---------------------------------------------

  std::unique_ptr<InsertStmt> insert() {
    auto s = std::make_unique<InsertStmt>();
    ctx_ = Context{kSyntaxErrorInInsert, std::string_view::npos};
    expectKeyword("INSERT");
    expectKeyword("INTO");
    s->table = tableRef(false);
    if (acceptSymbol("(")) {
      s->hasColumnList = true;
      do {
        // Columns may be qualified by the table: take the last part.
        NamedRef column = name();
        if (acceptSymbol(".")) column = name();
        s->columns.push_back(std::move(column));
      } while (acceptSymbol(","));
      expectSymbol(")");
    }
    if (peek().isKeyword("SELECT")) {
      s->select = select();
      return s;
    }
    expectKeyword("VALUES");
    expectSymbol("(");
    do {
      s->values.push_back(expression(kSyntaxErrorInInsert));
    } while (acceptSymbol(","));
    expectSymbol(")");
    return s;
  }

  std::unique_ptr<UpdateStmt> update() {
    auto s = std::make_unique<UpdateStmt>();
    ctx_ = Context{kSyntaxErrorInUpdate, std::string_view::npos};
    expectKeyword("UPDATE");
    acceptKeyword("DISTINCTROW");  // as Access writes it; the rows set are those of one table
    s->join = joinSource();
    if (!s->join->isJoin) s->table = std::move(s->join->table), s->join.reset();
    ctx_ = Context{kSyntaxErrorInUpdate, std::string_view::npos};
    expectKeyword("SET");
    do {
      Assignment a;
      a.column = name();
      if (acceptSymbol(".")) {
        a.qualifier = a.column.name;
        a.column = name();
      }
      expectSymbol("=");
      a.value = expression(kSyntaxErrorInUpdate);
      s->assignments.push_back(std::move(a));
    } while (acceptSymbol(","));
    if (acceptKeyword("WHERE")) s->where = expression(kSyntaxErrorInExpression);
    return s;
  }

  std::unique_ptr<DeleteStmt> del() {
    auto s = std::make_unique<DeleteStmt>();
    ctx_ = Context{kSyntaxErrorInFrom, std::string_view::npos};
    expectKeyword("DELETE");
    acceptKeyword("DISTINCTROW");  // as Access writes it; the rows deleted are those of one table
    if (!acceptSymbol("*")) {
      if (atName() && peek(1).isSymbol(".") && peek(2).isSymbol("*")) {
        s->target = name().name;
        next();
        next();
      }
    }
    expectKeyword("FROM");
    s->join = joinSource();
    if (!s->join->isJoin) s->table = std::move(s->join->table), s->join.reset();
    if (acceptKeyword("WHERE")) s->where = expression(kSyntaxErrorInExpression);
    return s;
  }

  // ---- data definition ----------------------------------------------------

  // name type [(n)] [NOT NULL] [PRIMARY KEY]
  ColumnInfo fieldDefinition(Statement& st) {
    ColumnInfo column;
    ctx_ = Context{kSyntaxErrorInFieldDefinition, std::string_view::npos};
    column.name = name().name;
    const Token& type = peek();
    if (type.kind != TokenKind::Name || !ddlTypeFromName(type.text, column)) fail();
    next();
    // A whole number from lo to hi.
    auto whole = [&](int32_t lo, int32_t hi) {
      const Token& n = peek();
      int32_t value = 0;
      if (n.kind != TokenKind::Number ||
          std::from_chars(n.text.data(), n.text.data() + n.text.size(), value).ptr != n.text.data() + n.text.size() ||
          value < lo || value > hi)
        fail();
      next();
      return value;
    };
    if (acceptSymbol("(")) {
      if (column.type == DaoType::Decimal) {  // (precision [, scale])
        column.precision = static_cast<uint8_t>(whole(1, kMaxDecimalPrecision));
        if (acceptSymbol(",")) column.scale = static_cast<uint8_t>(whole(0, column.precision));
      } else {
        column.size =
            whole(1, column.type == DaoType::Text ? 255 : column.type == DaoType::Binary ? kMaxBinarySize : 0);
      }
      expectSymbol(")");
    }
    for (;;) {
      std::string constraint;
      if (acceptKeyword("CONSTRAINT")) constraint = name().name;
      if (acceptKeyword("NOT")) {
        expectKeyword("NULL");
        column.required = true;
      } else if (peek().isKeyword("PRIMARY")) {
        next();
        expectKeyword("KEY");
        column.required = true;
        st.primaryKey.push_back(column.name);
        if (!constraint.empty()) st.ddl.indexName = constraint;
      } else if (acceptKeyword("UNIQUE")) {
        st.ddl.uniques.emplace_back(constraint, std::vector<std::string>{column.name});
      } else if (!constraint.empty()) {
        fail();
      } else {
        break;
      }
    }
    return column;
  }

  // ( name, ... )
  std::vector<std::string> nameList() {
    std::vector<std::string> names;
    expectSymbol("(");
    do {
      names.push_back(name().name);
    } while (acceptSymbol(","));
    expectSymbol(")");
    return names;
  }

  void createTable(Statement& st) {
    ctx_ = Context{kSyntaxErrorInCreateTable, std::string_view::npos};
    expectKeyword("TABLE");
    st.ddl.table = name().name;
    expectSymbol("(");
    do {
      if (peek().isKeyword("CONSTRAINT")) {
        // CONSTRAINT name PRIMARY KEY (fields) | CONSTRAINT name UNIQUE (fields)
        next();
        ctx_ = Context{kSyntaxErrorInConstraint, std::string_view::npos};
        std::string constraint = name().name;
        if (acceptKeyword("UNIQUE")) {
          st.ddl.uniques.emplace_back(constraint, nameList());
        } else {
          if (!peek().isKeyword("PRIMARY")) fail();
          next();
          expectKeyword("KEY");
          st.ddl.indexName = constraint;
          for (auto& n : nameList()) st.primaryKey.push_back(std::move(n));
        }
      } else {
        st.ddl.columns.push_back(fieldDefinition(st));
      }
      ctx_ = Context{kSyntaxErrorInCreateTable, std::string_view::npos};
    } while (acceptSymbol(","));
    expectSymbol(")");
  }

  void createIndex(Statement& st) {
    ctx_ = Context{kSyntaxErrorInCreateIndex, std::string_view::npos};
    if (acceptKeyword("UNIQUE")) st.ddl.unique = true;
    expectKeyword("INDEX");
    st.ddl.indexName = name().name;
    expectKeyword("ON");
    st.ddl.table = name().name;
    expectSymbol("(");
    do {
      st.ddl.indexColumns.push_back(name().name);
      if (!acceptKeyword("ASC")) acceptKeyword("DESC");
    } while (acceptSymbol(","));
    expectSymbol(")");
  }

  void alterTable(Statement& st) {
    ctx_ = Context{kSyntaxErrorInAlterTable, std::string_view::npos};
    expectKeyword("ALTER");
    expectKeyword("TABLE");
    st.ddl.table = name().name;
    if (acceptKeyword("ADD")) {
      st.kind = StatementKind::AlterTableAdd;
      acceptKeyword("COLUMN");
      st.ddl.columns.push_back(fieldDefinition(st));
    } else if (acceptKeyword("DROP")) {
      st.kind = StatementKind::AlterTableDrop;
      acceptKeyword("COLUMN");
      st.ddl.column = name().name;
    } else {
      fail();
    }
  }

  void dropTable(Statement& st) {
    ctx_ = Context{kSyntaxErrorInDrop, std::string_view::npos};
    expectKeyword("DROP");
    expectKeyword("TABLE");
    st.ddl.table = name().name;
  }

  // ---- expressions --------------------------------------------------------

  // Expressions nest at most this deep (parentheses, operators): the
  // translation and the tree itself recurse over them.
  static constexpr int kMaxDepth = 256;

  struct DepthGuard {
    Parser* p;
    explicit DepthGuard(Parser* parser) : p(parser) {
      if (++p->depth_ > kMaxDepth)
        raiseJetError(kTooComplex, kSource);
    }
    ~DepthGuard() { --p->depth_; }
  };

  static constexpr int kMaxTreeDepth = 500;

  // Sets the depth of a node from its operands'.
  static ExprPtr sealed(ExprPtr e) {
    int depth = 0;
    for (const auto& a : e->args) depth = std::max(depth, a->depth);
    e->depth = depth + 1;
    if (e->depth > kMaxTreeDepth)
      raiseJetError(kTooComplex, kSource);
    return e;
  }

  ExprPtr makeBinary(Op op, ExprPtr a, ExprPtr b) {
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Binary;
    e->op = op;
    e->offset = a->offset;
    e->args.push_back(std::move(a));
    e->args.push_back(std::move(b));
    return sealed(std::move(e));
  }

  ExprPtr orExpr() {
    DepthGuard guard(this);
    auto left = andExpr();
    while (acceptKeyword("OR")) left = makeBinary(Op::Or, std::move(left), andExpr());
    return left;
  }

  ExprPtr andExpr() {
    auto left = notExpr();
    while (acceptKeyword("AND")) left = makeBinary(Op::And, std::move(left), notExpr());
    return left;
  }

  ExprPtr notExpr() {
    DepthGuard guard(this);
    if (peek().isKeyword("NOT")) {
      auto e = std::make_unique<Expr>();
      e->offset = next().offset;
      e->kind = ExprKind::Unary;
      e->op = Op::Not;
      e->args.push_back(notExpr());
      return sealed(std::move(e));
    }
    return compareExpr();
  }

  ExprPtr compareExpr() {
    auto left = concatExpr();
    for (;;) {
      const Token& t = peek();
      Op op = Op::None;
      if (t.isSymbol("=")) op = Op::Eq;
      else if (t.isSymbol("<>")) op = Op::Ne;
      else if (t.isSymbol("<")) op = Op::Lt;
      else if (t.isSymbol("<=")) op = Op::Le;
      else if (t.isSymbol(">")) op = Op::Gt;
      else if (t.isSymbol(">=")) op = Op::Ge;
      if (op != Op::None) {
        next();
        if ((peek().isKeyword("ANY") || peek().isKeyword("SOME") || peek().isKeyword("ALL")) &&
            peek(1).isSymbol("(") && peek(2).isKeyword("SELECT")) {
          auto q = std::make_unique<Expr>();
          q->kind = ExprKind::Quantified;
          q->offset = left->offset;
          q->op = op;
          q->boolean = next().isKeyword("ALL");
          next();
          q->select = subquery();
          q->args.push_back(std::move(left));
          left = sealed(std::move(q));
          continue;
        }
        left = makeBinary(op, std::move(left), concatExpr());
        continue;
      }
      bool negated = false;
      if (t.isKeyword("NOT") &&
          (peek(1).isKeyword("LIKE") || peek(1).isKeyword("BETWEEN") || peek(1).isKeyword("IN"))) {
        negated = true;
        next();
      }
      auto e = std::make_unique<Expr>();
      e->offset = left->offset;
      e->negated = negated;
      if (acceptKeyword("LIKE")) {
        e->kind = ExprKind::Like;
        e->args.push_back(std::move(left));
        e->args.push_back(concatExpr());
      } else if (acceptKeyword("BETWEEN")) {
        e->kind = ExprKind::Between;
        e->args.push_back(std::move(left));
        e->args.push_back(concatExpr());
        expectKeyword("AND");
        e->args.push_back(concatExpr());
      } else if (acceptKeyword("IN")) {
        e->kind = ExprKind::In;
        e->args.push_back(std::move(left));
        expectSymbol("(");
        if (peek().isKeyword("SELECT")) {
          e->select = subquery();
        } else {
          do {
            e->args.push_back(orExpr());
          } while (acceptSymbol(","));
          expectSymbol(")");
        }
      } else if (acceptKeyword("IS")) {
        e->kind = ExprKind::IsNull;
        e->negated = acceptKeyword("NOT");
        expectKeyword("NULL");
        e->args.push_back(std::move(left));
      } else {
        if (negated) fail();
        return left;
      }
      left = sealed(std::move(e));
    }
  }

  ExprPtr concatExpr() {
    auto left = addExpr();
    while (acceptSymbol("&")) left = makeBinary(Op::Concat, std::move(left), addExpr());
    return left;
  }

  ExprPtr addExpr() {
    auto left = modExpr();
    for (;;) {
      if (acceptSymbol("+"))
        left = makeBinary(Op::Add, std::move(left), modExpr());
      else if (acceptSymbol("-"))
        left = makeBinary(Op::Sub, std::move(left), modExpr());
      else
        return left;
    }
  }

  ExprPtr modExpr() {
    auto left = intDivExpr();
    while (acceptKeyword("MOD")) left = makeBinary(Op::Mod, std::move(left), intDivExpr());
    return left;
  }

  ExprPtr intDivExpr() {
    auto left = mulExpr();
    while (acceptSymbol("\\")) left = makeBinary(Op::IntDiv, std::move(left), mulExpr());
    return left;
  }

  ExprPtr mulExpr() {
    auto left = negExpr();
    for (;;) {
      if (acceptSymbol("*"))
        left = makeBinary(Op::Mul, std::move(left), negExpr());
      else if (acceptSymbol("/"))
        left = makeBinary(Op::Div, std::move(left), negExpr());
      else
        return left;
    }
  }

  ExprPtr negExpr() {
    DepthGuard guard(this);
    if (peek().isSymbol("-") || peek().isSymbol("+")) {
      auto e = std::make_unique<Expr>();
      e->op = peek().isSymbol("-") ? Op::Negate : Op::Plus;
      e->offset = next().offset;
      e->kind = ExprKind::Unary;
      e->args.push_back(negExpr());
      return sealed(std::move(e));
    }
    return powExpr();
  }

  ExprPtr powExpr() {
    auto left = primary();
    while (acceptSymbol("^")) {
      // The exponent may carry its own sign: 2 ^ -1.
      ExprPtr right;
      if (peek().isSymbol("-") || peek().isSymbol("+")) {
        auto e = std::make_unique<Expr>();
        e->op = peek().isSymbol("-") ? Op::Negate : Op::Plus;
        e->offset = next().offset;
        e->kind = ExprKind::Unary;
        e->args.push_back(primary());
        right = sealed(std::move(e));
      } else {
        right = primary();
      }
      left = makeBinary(Op::Pow, std::move(left), std::move(right));
    }
    return left;
  }

  ExprPtr primary() {
    const Token& t = peek();
    auto e = std::make_unique<Expr>();
    e->offset = t.offset;
    switch (t.kind) {
      case TokenKind::Number: {
        e->kind = ExprKind::Number;
        e->text = t.text;
        const char* begin = t.text.data();
        const char* end = begin + t.text.size();
        double value = 0;
        auto r = std::from_chars(begin, end, value);
        if (r.ptr != end || !std::isfinite(value)) fail();
        e->number = value;
        e->isInteger = t.text.find_first_of(".eE") == std::string::npos &&
                       value <= std::numeric_limits<int32_t>::max();
        next();
        return e;
      }
      case TokenKind::Date: {
        double days = 0;
        if (!parseDateText(t.text, days)) fail();
        e->kind = ExprKind::Date;
        e->number = days;
        next();
        return e;
      }
      case TokenKind::String:
        e->kind = ExprKind::String;
        e->text = t.text;
        next();
        return e;
      case TokenKind::Symbol:
        if (t.isSymbol("(")) {
          next();
          if (peek().isKeyword("SELECT")) {
            e->kind = ExprKind::Subquery;
            e->select = subquery();
            return e;
          }
          auto inner = orExpr();
          expectSymbol(")");
          return inner;
        }
        fail();
      case TokenKind::Name:
        if (t.isKeyword("NULL")) {
          e->kind = ExprKind::Null;
          next();
          return e;
        }
        if (t.isKeyword("TRUE") || t.isKeyword("FALSE") || t.isKeyword("YES") || t.isKeyword("NO") ||
            t.isKeyword("ON") || t.isKeyword("OFF")) {
          e->kind = ExprKind::Boolean;
          e->boolean = t.isKeyword("TRUE") || t.isKeyword("YES") || t.isKeyword("ON");
          next();
          return e;
        }
        if (t.isKeyword("EXISTS") && peek(1).isSymbol("(") && peek(2).isKeyword("SELECT")) {
          next();
          next();
          e->kind = ExprKind::Exists;
          e->select = subquery();
          return e;
        }
        // Left(, Right( and Asc( are the text functions, not joins or an order.
        if (isReservedWord(t.text) &&
            !((t.isKeyword("LEFT") || t.isKeyword("RIGHT") || t.isKeyword("ASC")) && peek(1).isSymbol("(")))
          fail();
        if (peek(1).isSymbol("(")) {
          e->kind = ExprKind::Call;
          e->text = t.text;
          next();
          next();
          if (acceptSymbol("*")) {
            e->starArg = true;
          } else if (!peek().isSymbol(")")) {
            do {
              e->args.push_back(orExpr());
            } while (acceptSymbol(","));
          }
          expectSymbol(")");
          return sealed(std::move(e));
        }
        [[fallthrough]];
      case TokenKind::QuotedName: {
        e->kind = ExprKind::Column;
        e->text = next().text;
        if (acceptSymbol(".")) {
          e->qualifier = std::move(e->text);
          e->text = name().name;
        }
        return e;
      }
      case TokenKind::Invalid:
      case TokenKind::End:
        fail();
    }
    fail();
  }

  std::string_view sql_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  bool inTransform_ = false;  // reading the select of a TRANSFORM
  int selectDepth_ = 0;       // selects being read, one inside the other
  int depth_ = 0;
  Context ctx_;
};

}  // namespace

bool ddlTypeFromName(std::string_view name, ColumnInfo& column) {
  struct Entry {
    std::string_view name;
    DaoType type;
    int32_t size;
    bool counter;
  };
  static constexpr Entry kTypes[] = {
      {"COUNTER", DaoType::Long, 4, true},     {"AUTOINCREMENT", DaoType::Long, 4, true},
      {"BYTE", DaoType::Byte, 1, false},       {"SHORT", DaoType::Integer, 2, false},
      {"SMALLINT", DaoType::Integer, 2, false}, {"INTEGER2", DaoType::Integer, 2, false},
      {"LONG", DaoType::Long, 4, false},       {"INTEGER", DaoType::Long, 4, false},
      {"INT", DaoType::Long, 4, false},        {"INTEGER4", DaoType::Long, 4, false},
      {"SINGLE", DaoType::Single, 4, false},   {"REAL", DaoType::Single, 4, false},
      {"DOUBLE", DaoType::Double, 8, false},   {"FLOAT", DaoType::Double, 8, false},
      {"NUMBER", DaoType::Double, 8, false},   {"CURRENCY", DaoType::Currency, 8, false},
      {"MONEY", DaoType::Currency, 8, false},  {"DATETIME", DaoType::Date, 8, false},
      {"DATE", DaoType::Date, 8, false},       {"BIT", DaoType::Boolean, 1, false},
      {"YESNO", DaoType::Boolean, 1, false},   {"LOGICAL", DaoType::Boolean, 1, false},
      {"TEXT", DaoType::Text, 255, false},     {"VARCHAR", DaoType::Text, 255, false},
      {"CHAR", DaoType::Text, 255, false},     {"MEMO", DaoType::Memo, 0, false},
      {"LONGTEXT", DaoType::Memo, 0, false},   {"BINARY", DaoType::Binary, kMaxBinarySize, false},
      {"VARBINARY", DaoType::Binary, kMaxBinarySize, false}, {"LONGBINARY", DaoType::LongBinary, 0, false},
      {"OLEOBJECT", DaoType::LongBinary, 0, false}, {"GENERAL", DaoType::LongBinary, 0, false},
      {"IMAGE", DaoType::LongBinary, 0, false}, {"GUID", DaoType::GUID, 16, false},
      {"UNIQUEIDENTIFIER", DaoType::GUID, 16, false}, {"DECIMAL", DaoType::Decimal, 16, false},
      {"NUMERIC", DaoType::Decimal, 16, false}, {"DEC", DaoType::Decimal, 16, false},
  };
  for (const auto& entry : kTypes) {
    if (namesEqual(entry.name, name)) {
      column.type = entry.type;
      column.size = entry.size;
      column.autoIncrement = entry.counter;
      column.precision = entry.type == DaoType::Decimal ? kDefaultDecimalPrecision : 0;
      column.scale = 0;
      return true;
    }
  }
  return false;
}

Statement parseStatement(std::string_view sql) { return Parser(sql).statement(); }

}  // namespace svrZIVE::engine::jet
