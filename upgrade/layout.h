// Table layouts as data. A layout is a list of column groups written in a
// small notation, one token per field, separated by blanks:
//
//   NAME[:TYPE][!][=DEFAULT]
//
//   TYPE     D (Double, the default), T<n> (Text of n characters), I[<n>]
//            (Integer; n is the size argument passed, which has no effect),
//            L (Long), B (Byte), C (COUNTER: an auto-increment Long)
//   !        Required
//   =DEFAULT the DefaultValue: the rest of the token, possibly empty (the
//            empty text). A number column whose default reads as an integer
//            gets it as a number, anything else as a text.
//
// A '#' in a name stands for the line number of its group: a group
// "for i = a to b" repeats its tokens for i = a, ..., b, so the fields of one
// line stay adjacent. A group with a = b = 0 is written once, as is.
//
// Text fields are created with AllowZeroLength True and Required False unless
// marked; number fields without '=' get the DefaultValue of the layout's
// number style (see NumberDefault).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dao.h"

namespace svrZIVE::upgrade {

struct ColumnGroup {
  int first = 0;  // 0: written once, '#' not expanded
  int last = 0;
  std::string_view columns;
};

// What a number field gets as DefaultValue when its token sets none.
enum class NumberDefault : uint8_t {
  None,        // no default
  ZeroText,    // the text "0"
  ZeroNumber,  // the number 0
};

enum class DefaultKind : uint8_t { None, Text, Number };

// One field, expanded from the notation.
struct ColumnDef {
  std::string name;
  engine::DaoType type = engine::DaoType::Double;
  int32_t size = 0;  // Text: characters; Integer: the size argument; others 0
  bool counter = false;
  bool required = false;
  DefaultKind defaultKind = DefaultKind::None;
  std::string defaultText;  // DefaultKind::Text
  int16_t defaultNumber = 0;  // DefaultKind::Number

  bool isText() const { return type == engine::DaoType::Text; }
  Variant defaultVariant() const;  // Empty when there is none
};

// Expands one token ("T09_CODEPI#:T6" with line 3 gives T09_CODEPI3, Text(6)).
// Throws std::invalid_argument on a token that does not follow the notation.
ColumnDef parseColumn(std::string_view token, int line, NumberDefault numbers);

// Expands groups into the fields in creation order.
std::vector<ColumnDef> expandColumns(std::span<const ColumnGroup> groups, NumberDefault numbers);

struct TableLayout {
  std::string name;
  std::vector<ColumnDef> columns;
};

// Creates the field `column` on `table` with its type, size and properties,
// not yet appended.
std::shared_ptr<engine::Field> makeField(engine::TableDef& table, const ColumnDef& column);

// Creates the table through the table definitions: createTableDef, one
// createField and append per column in order, then the table's append.
void createTable(engine::Database& database, const TableLayout& layout);

}  // namespace svrZIVE::upgrade
