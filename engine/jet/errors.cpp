#include "engine/jet/errors.h"

#include <algorithm>

namespace svrZIVE::engine {

namespace {

constexpr JetErrorText kTexts[] = {
    {kReservedError, "Reserved error (|); there is no message for this error."},
    {kInvalidArgument, "Invalid argument."},
    {kTooManyTransactions, "Could not start the transaction: five are already nested, which is as deep as they go."},
    {kTableExists, "Table '|' already exists."},
    {kUpdateWithoutAddNew, "Update or CancelUpdate without AddNew or Edit."},
    {kNoCurrentRecord, "No current record."},
    {kDuplicateKey,
     "The changes you requested to the table were not successful because they would create duplicate values in "
     "the index, primary key, or relationship. Change the data in the field or fields that contain duplicate data, "
     "remove the index, or redefine the index to permit duplicate entries and try again."},
    {kFileNotFound, "Could not find file '|'."},
    {kReadOnlyDatabase, "Cannot update. Database or object is read-only."},
    {kNoTransaction, "There is no transaction to commit or roll back: BeginTrans has not started one."},
    {kSystemResourceExceeded, "System resource exceeded."},
    {kDiskError, "Disk or network error."},
    {kInvalidPath,
     "'|' is not a valid path. Make sure that the path name is spelled correctly and that you are connected to "
     "the server on which the file resides."},
    {kFileInUse, "Could not use '|'; file already in use."},
    {kCorruptDatabase,
     "Cannot open database '|'. It may not be a database that your application recognizes, or the file may be "
     "corrupt."},
    {kCouldNotLock, "Could not lock file."},
    {kCannotOpenFile,
     "The database engine cannot open the file '|'. It is already opened exclusively by another user, or you "
     "need permission to view its data."},
    {kTooFewParameters, "Too few parameters. Expected |."},
    {kCannotExecuteSelect, "Cannot execute a select query."},
    {kNotUpdatable, "Operation must use an updatable query."},
    {kSyntaxErrorInExpression, "Syntax error in query expression '|'."},
    {kInputTableNotFound,
     "The database engine cannot find the input table or query '|'. Make sure it exists and that its name is "
     "spelled correctly."},
    {kAmbiguousField, "The specified field '|' could refer to more than one table listed in the FROM clause."},
    {kUndefinedFunction, "Undefined function '|' in expression."},
    {kAggregateMisplaced, "The aggregate function '|' cannot be used in this part of the statement."},
    {kAggregateMissing, "The query does not include the field '|' in an aggregate function or in its GROUP BY clause."},
    {kInvalidName,
     "'|' is not a valid name. Make sure that it does not include invalid characters or punctuation and that it "
     "is not too long."},
    {kUnknownInsertField, "The INSERT INTO statement contains the unknown field name '|'."},
    {kSpecifyDeleteTable, "Specify the table containing the records you want to delete."},
    {kInvalidStatement, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."},
    {kSyntaxErrorInFrom, "Syntax error in the FROM clause."},
    {kSyntaxErrorInInsert, "Syntax error in the INSERT INTO statement."},
    {kSyntaxErrorInOrderBy, "Syntax error in the ORDER BY clause."},
    {kTextAfterEnd, "Characters found after end of SQL statement."},
    {kSyntaxErrorInTransform, "Syntax error in the TRANSFORM statement."},
    {kSyntaxErrorInUpdate, "Syntax error in the UPDATE statement."},
    {kFieldTooSmall,
     "The field is too small to accept the amount of data you attempted to add. Try inserting or pasting less "
     "data."},
    {kFieldNotUpdatable, "Field cannot be updated."},
    {kRecordDeleted, "Record is deleted."},
    {kFieldDefinedTwice, "Cannot define field '|' more than once."},
    {kDatabaseExists, "Database already exists."},
    {kInvalidOperation, "Invalid operation."},
    {kInvalidFieldType, "Invalid field data type."},
    {kNoFieldDefined, "No field defined--cannot append TableDef or Index."},
    {kItemNotFound, "Item not found in this collection."},
    {kFieldInIndex, "Cannot delete a field that is part of an index or is needed by the system relationships."},
    {kSyntaxErrorInConstraint, "Syntax error in the CONSTRAINT clause."},
    {kSyntaxErrorInCreateTable, "Syntax error in the CREATE TABLE statement."},
    {kSyntaxErrorInCreateIndex, "Syntax error in the CREATE INDEX statement."},
    {kSyntaxErrorInFieldDefinition, "Syntax error in the field definition."},
    {kSyntaxErrorInAlterTable, "Syntax error in the ALTER TABLE statement."},
    {kSyntaxErrorInDrop, "Syntax error in the DROP statement."},
    {kSubqueryFields,
     "You have written a subquery that can return more than one field without using the EXISTS reserved word in "
     "the main query's FROM clause. Revise the SELECT statement of the subquery to request only one field."},
    {kUnionColumnCount, "The number of columns in the two selected tables or queries of a union query do not match."},
    {kRequiredIsNull,
     "The field '|' cannot contain a Null value because the Required property for this field is set to True. "
     "Enter a value in this field."},
    {kZeroLengthNotAllowed, "Field '|' cannot be a zero-length string."},
    {kValidationRuleViolated, "One or more values are prohibited by the validation rule set for '|'."},
    {kUnrecognizedFormat, "Unrecognized database format '|'."},
    {kValueCountMismatch, "Number of query values and destination fields are not the same."},
    {kNumericFieldOverflow, "Numeric field overflow."},
    {kTooComplex, "The query expression is too complex."},
    {kObjectExists, "Cannot append. An object with that name already exists in the collection."},
    {kIndexExists, "Table already has an index named '|'."},
    {kTableNotExisting, "Table '|' does not exist."},
    {kObjectClosed, "Object invalid or no longer set."},
    {kTypeMismatchInExpression, "Data type mismatch in criteria expression."},
};

}  // namespace

std::span<const JetErrorText> jetErrorTexts() { return kTexts; }

std::string jetMessage(int32_t number, std::string_view arg) {
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), number,
                             [](const JetErrorText& e, int32_t n) { return e.number < n; });
  std::string_view pattern = it != std::end(kTexts) && it->number == number ? it->text : kTexts[0].text;
  std::string out;
  for (char c : pattern) {
    if (c == '|') out.append(arg);
    else out.push_back(c);
  }
  return out;
}

void raiseJetError(int32_t number, std::string_view source, std::string description) {
  if (description.empty()) description = jetMessage(number);
  throw AutomationError(number, std::string(source), std::move(description));
}

}  // namespace svrZIVE::engine
