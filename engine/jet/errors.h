// Jet's error numbers: every number the dialect and the object model raise,
// listed once with its standard text, and the one way to raise them. A text's
// '|' stands for the name the error is about (a file, a field, a table).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/automation_error.h"

namespace svrZIVE::engine {

enum JetErrorNumber : int32_t {
  kReservedError = 3000,
  kInvalidArgument = 3001,
  kTooManyTransactions = 3003,
  kTableExists = 3010,
  kUpdateWithoutAddNew = 3020,
  kNoCurrentRecord = 3021,
  kDuplicateKey = 3022,
  kFileNotFound = 3024,
  kReadOnlyDatabase = 3027,
  kNoTransaction = 3034,
  kSystemResourceExceeded = 3035,
  kDiskError = 3043,
  kInvalidPath = 3044,
  kFileInUse = 3045,
  kCorruptDatabase = 3049,
  kCouldNotLock = 3050,
  kCannotOpenFile = 3051,
  kTooFewParameters = 3061,
  kCannotExecuteSelect = 3065,
  kNotUpdatable = 3073,
  kSyntaxErrorInExpression = 3075,
  kInputTableNotFound = 3078,
  kAmbiguousField = 3079,
  kUndefinedFunction = 3085,
  kAggregateMisplaced = 3096,
  kAggregateMissing = 3122,
  kInvalidName = 3125,
  kUnknownInsertField = 3127,
  kSpecifyDeleteTable = 3128,
  kInvalidStatement = 3129,
  kSyntaxErrorInFrom = 3131,
  kSyntaxErrorInInsert = 3134,
  kSyntaxErrorInOrderBy = 3138,
  kTextAfterEnd = 3142,
  kSyntaxErrorInTransform = 3143,
  kSyntaxErrorInUpdate = 3144,
  kFieldTooSmall = 3163,
  kFieldNotUpdatable = 3164,
  kRecordDeleted = 3167,
  kFieldDefinedTwice = 3191,
  kDatabaseExists = 3204,
  kInvalidOperation = 3219,
  kInvalidFieldType = 3259,
  kNoFieldDefined = 3264,
  kItemNotFound = 3265,
  kFieldInIndex = 3280,
  kSyntaxErrorInConstraint = 3289,
  kSyntaxErrorInCreateTable = 3290,
  kSyntaxErrorInCreateIndex = 3291,
  kSyntaxErrorInFieldDefinition = 3292,
  kSyntaxErrorInAlterTable = 3293,
  kSyntaxErrorInDrop = 3295,
  kSubqueryFields = 3306,
  kUnionColumnCount = 3307,
  kRequiredIsNull = 3314,
  kZeroLengthNotAllowed = 3315,
  kValidationRuleViolated = 3317,
  kUnrecognizedFormat = 3343,
  kNumericFieldOverflow = 3349,
  kValueCountMismatch = 3346,
  kTooComplex = 3360,
  kObjectExists = 3367,
  kIndexExists = 3375,
  kTableNotExisting = 3376,
  kObjectClosed = 3420,
  kTypeMismatchInExpression = 3464,
};

struct JetErrorText {
  int32_t number;
  std::string_view text;
};

// Every Jet number with its standard text, in ascending order.
std::span<const JetErrorText> jetErrorTexts();

// The standard text of `number` with `arg` in place of '|'; a number not in
// the list gives the text of a reserved error.
std::string jetMessage(int32_t number, std::string_view arg = {});

// Raises `number` from `source` with `description`, or the standard text
// when `description` is empty.
[[noreturn]] void raiseJetError(int32_t number, std::string_view source, std::string description = {});

}  // namespace svrZIVE::engine
