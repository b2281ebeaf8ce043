// The Jet SQL dialect on SQLite: parses one Jet statement and writes the
// SQLite statement that does the same, using functions and a collation of
// ours registered on every connection (registerJetFunctions).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/jet/ast.h"
#include "engine/schema.h"
#include "base/automation_error.h"
#include "base/variant.h"

struct sqlite3;

namespace svrZIVE::engine::jet {

struct ResultColumn {
  std::string name;                  // the field name DAO gives it ("T02_CSDE", "Expr1000", ...)
  DaoType type = DaoType::Unknown;   // the source column's type; Unknown: take the value's own
};

struct Translation {
  StatementKind kind = StatementKind::Select;
  std::string sql;  // the SQLite statement (empty for DDL)

  // Select: the visible result columns, in order. When `updatableTable` is
  // set (a plain select over one table) the SQLite result has one more,
  // hidden, last column: the row's rowid.
  std::vector<ResultColumn> columns;
  std::string updatableTable;

  // Insert, Update, Delete: the table written.
  std::string table;
  // Update without WHERE: each field set and the SQLite expression of its
  // new value (already checked and converted as the field stores it); for a
  // number or text literal that converts, also that value as the field
  // stores it, so that a copy of the table can take it as it is.
  struct Assignment {
    std::string column;
    std::string value;
    std::optional<Variant> stored;
  };
  std::vector<Assignment> wholeTableAssignments;

  // DDL statements.
  std::optional<DdlCommand> ddl;

  // Insert, and Update over one table, translated for a shape: the literals
  // written as they are into a field, left as bare parameters. The engine
  // converts each as its field stores it (storeValue) before binding it,
  // which spares the server a call of jet_store per value; should one not
  // convert, it runs the statement written out in full instead, whose
  // jet_store fails for the rows it reaches.
  struct StoredLiteral {
    size_t slot = 0;
    ColumnInfo column;
    std::string table;
    std::string call;  // its jet_store, as the statement written out has it
  };
  std::vector<StoredLiteral> storedLiterals;
};

// Translates exactly one Jet statement (a trailing ';' is allowed). Throws
// AutomationError with the Jet error numbers and source "DAO.Database":
// 3075 syntax error in an expression, 3134 in INSERT INTO, 3144 in UPDATE,
// 3131 in FROM, 3129 invalid statement, 3078 table not found, 3061 unknown
// name (too few parameters), 3085 undefined function, 3191 field defined twice.
// Also: 3079 ambiguous field, 3096 aggregate where none may be, 3122 field
// neither grouped nor aggregated, 3127 unknown INSERT INTO field, 3138 ORDER
// BY syntax, 3142 text after the end, 3164 COUNTER field updated, 3346 value
// count mismatch, 3360 too complex, data definition: 3265 unknown field, 3376
// unknown table, 3289-3295 syntax. The translated statements themselves
// raise, through the functions of ours: 3464 type mismatch, 6 overflow, 11
// division by zero, 5 invalid call, 94 invalid use of Null and the store
// errors of storeValue.
Translation translate(std::string_view jetSql, Catalog& catalog);

// The literals of a statement that SQLite can take as parameters: whole
// numbers written with digits only that Jet reads as Long, decimal numbers
// (with a point or an exponent) that Jet reads as Double, and texts.
struct Literal {
  size_t offset = 0;   // of its token in the statement
  bool text = false;
  bool decimal = false;
  std::string value;   // a number as written; a text's value
  // The literal as the translation writes it into SQLite's statement.
  std::string sql() const;
};

// A statement with its literals taken out: statements that differ only in
// the values of those literals have the same key.
struct StatementShape {
  std::string key;
  std::vector<Literal> literals;
  bool usable = false;  // false: the statement must be translated as it is
};
StatementShape statementShape(std::string_view jetSql);

// A translation that holds for every statement of one shape.
struct ShapedTranslation {
  // `sql` with parameter ?N for literal N - 1 of the shape.
  Translation translation;
  // Per literal: empty when it is a parameter; otherwise the value it must
  // have for the translation to hold (a literal the translation does not
  // write out as a value, such as TOP's count, or one whose value decided
  // the translation).
  std::vector<std::optional<std::string>> fixed;
  // `sql` with the literals marked, for writeSql.
  std::string marked;

  // Whether `shape` (of the same key) is one of the statements it holds for.
  bool holdsFor(const StatementShape& shape) const;
  // The SQLite statement with the literals of `shape` written in: the text
  // `translate` gives for that statement.
  std::string writeSql(const StatementShape& shape) const;
  // The values of the parameters for the literals of `shape`, by slot (Empty
  // where the literal is fixed): each literal's value, or, where the
  // translation stores it into a field, that value as the field stores it,
  // raising storeValue's errors.
  std::vector<Variant> parameters(const StatementShape& shape) const;
};

// Translates the statement of `shape` (which must be usable) once for all
// the statements of its shape. The SQLite statement in `translation.sql`
// reads each parameter literal from its parameter.
ShapedTranslation translateShape(std::string_view jetSql, const StatementShape& shape, Catalog& catalog);

// Registers on `db` the functions and the collation the translated statements
// use. Errors raised inside those functions reach SQLite as the message
// "#NNNN#description"; the engine turns it back into error NNNN.
void registerJetFunctions(sqlite3* db);

// The value that a write stores into `column`: converted to the column's type
// (numbers rounded half to even for integer types, texts that read as numbers
// for number columns), or AutomationError 3464 (type mismatch), 3163 (text
// too long), 3314 (required field Null), 3315 (zero-length text not allowed),
// 6 (overflow). Used by the translated INSERT and UPDATE statements and by
// the engine's updatable recordsets alike.
Variant storeValue(const Variant& value, const ColumnInfo& column, std::string_view table);
// A GUID's text, with or without braces, as a GUID field holds it: in braces,
// upper case; empty when the text is not a GUID.
std::string normalizedGuid(std::string_view text);

// Jet's comparison of two values: texts ignore letter case (accented letters
// too), a text against a number compares as numbers when the text reads as a
// number. Negative, zero or positive. Nulls sort first.
int jetCompare(const Variant& a, const Variant& b);

}  // namespace svrZIVE::engine::jet
