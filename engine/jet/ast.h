// The syntax tree of one Jet statement, as the parser builds it and the
// translator reads it. Nodes keep the byte offset of their first token so
// that messages can point at them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/schema.h"

namespace svrZIVE::engine::jet {

enum class StatementKind {
  Select,
  SelectInto,  // SELECT ... INTO table: makes the table and fills it
  Insert,
  Update,
  Delete,
  CreateTable,
  AlterTableAdd,
  AlterTableDrop,
  DropTable,
  CreateIndex,
};

// Data definition, carried out by the engine through its table definitions.
struct DdlCommand {
  std::string table;
  std::vector<ColumnInfo> columns;  // CreateTable: all; AlterTableAdd: the one added
  std::string column;               // AlterTableDrop
  // CreateIndex: the index. CreateTable: its primary key, if it has one
  // (indexName the constraint's name or "PrimaryKey", unique true).
  std::string indexName;
  std::vector<std::string> indexColumns;
  bool unique = false;
  // CreateTable: its UNIQUE constraints, each an index (name, fields).
  std::vector<std::pair<std::string, std::vector<std::string>>> uniques;
};

enum class ExprKind {
  Null,
  Number,   // text: the literal as written; number: its value
  String,   // text: the value
  Boolean,  // True / False
  Date,     // #...#; number: the days
  Column,   // qualifier (may be empty) . text
  Unary,    // op, args[0]
  Binary,   // op, args[0], args[1]
  Like,     // args[0] Like args[1]; negated for Not Like
  Between,  // args[0] Between args[1] And args[2]; negated for Not Between
  In,       // args[0] In (args[1..]) or In (select); negated for Not In
  Exists,   // Exists (select)
  Subquery, // (select): one value
  Quantified,  // args[0] op Any|Some|All (select); `boolean` true for All
  IsNull,   // args[0] Is Null; negated for Is Not Null
  Call,     // text: the function name as written; args; starArg for count(*)
};

enum class Op {
  None,
  // unary
  Negate,
  Plus,
  Not,
  // binary, lowest precedence first
  Or,
  And,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  Concat,
  Add,
  Sub,
  Mod,
  IntDiv,
  Mul,
  Div,
  Pow,
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
struct SelectStmt;

struct Expr {
  ExprKind kind = ExprKind::Null;
  size_t offset = 0;
  Op op = Op::None;
  std::string text;
  std::string qualifier;
  double number = 0;
  bool isInteger = false;  // Number: written without '.' or exponent and within 32 bits
  bool boolean = false;
  bool negated = false;
  bool starArg = false;
  int depth = 1;  // of the binary-operator tree under it
  std::vector<ExprPtr> args;
  std::shared_ptr<SelectStmt> select;  // In, Exists, Subquery, Quantified
};

struct SelectItem {
  ExprPtr expr;              // null for '*' and 't.*'
  std::string starTable;     // 't' of 't.*'; empty for '*'
  bool star = false;
  std::string alias;         // empty: none
  size_t offset = 0;
};

struct OrderItem {
  ExprPtr expr;
  bool descending = false;
};

struct TableRef {
  std::string name;
  std::string alias;  // empty: none
  size_t offset = 0;
  std::shared_ptr<SelectStmt> derived;  // FROM (SELECT ...) AS alias: the select; `name` empty
};

enum class JoinKind { Inner, Left, Right };

struct FromNode {
  bool isJoin = false;
  TableRef table;  // !isJoin
  JoinKind join = JoinKind::Inner;
  std::unique_ptr<FromNode> left, right;
  ExprPtr on;
};

struct SelectStmt {
  bool distinct = false;
  bool distinctRow = false;  // DISTINCTROW: whole rows of the tables it reads told apart
  std::string into;          // SELECT ... INTO table
  std::optional<int64_t> top;
  bool topPercent = false;  // TOP n PERCENT
  std::vector<SelectItem> items;
  std::vector<std::unique_ptr<FromNode>> from;  // comma-separated sources
  ExprPtr where;
  std::vector<ExprPtr> groupBy;
  ExprPtr having;
  std::vector<OrderItem> orderBy;  // of the whole union when there is one
  // UNION [ALL] select ...: the selects after this one (ALL, the select).
  std::vector<std::pair<bool, std::unique_ptr<SelectStmt>>> unions;
  // Where FROM begins in the statement, and where its FROM and WHERE end.
  size_t fromStart = 0, fromEnd = 0;
};

struct NamedRef {
  std::string name;
  size_t offset = 0;
};

struct InsertStmt {
  TableRef table;
  bool hasColumnList = false;
  std::vector<NamedRef> columns;
  std::vector<ExprPtr> values;          // VALUES (...)
  std::unique_ptr<SelectStmt> select;   // or INSERT ... SELECT
};

struct Assignment {
  NamedRef column;
  std::string qualifier;
  ExprPtr value;
};

struct UpdateStmt {
  TableRef table;
  std::unique_ptr<FromNode> join;  // UPDATE a INNER JOIN b ON ... SET: the join; `table` empty
  std::vector<Assignment> assignments;
  ExprPtr where;
};

struct DeleteStmt {
  TableRef table;
  std::unique_ptr<FromNode> join;  // DELETE t.* FROM a INNER JOIN b ON ...: the join
  std::string target;              // 't' of 't.*'; empty for '*' or none
  ExprPtr where;
};

// TRANSFORM aggregate(value) SELECT ... PIVOT heading [IN (literal, ...)]:
// a crosstab, kept as the texts its columns are written from once its
// headings are known.
struct Transform {
  std::string aggregate;        // the aggregate function's name
  std::string value;            // its argument ("1" for Count(*))
  std::string heading;          // the expression whose values head the columns
  bool fixed = false;           // IN (...) was written: those headings, in that order
  std::vector<std::string> in;  // the literals of IN, as written
  std::string headingsSql;      // SELECT DISTINCT heading FROM ... WHERE ... ORDER BY heading
};

struct Statement {
  StatementKind kind = StatementKind::Select;
  std::unique_ptr<SelectStmt> select;
  std::optional<Transform> transform;  // with `select`: its row headings
  std::unique_ptr<InsertStmt> insert;
  std::unique_ptr<UpdateStmt> update;
  std::unique_ptr<DeleteStmt> del;
  DdlCommand ddl;
  std::vector<std::string> primaryKey;  // CreateTable: the key's columns, if any
  std::vector<std::string> parameters;  // PARAMETERS name type, ...; before the statement
};

}  // namespace svrZIVE::engine::jet
