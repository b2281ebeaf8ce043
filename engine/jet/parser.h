// Recursive-descent parser of the Jet SQL dialect: one statement, an optional
// trailing ';', nothing after it. Syntax errors are AutomationErrors with the
// Jet number of the clause they are in (3075 expression, 3131 FROM, 3134
// INSERT INTO, 3144 UPDATE, 3129 unknown statement, 3142 text after the end,
// 329x data definition).
#pragma once

#include <string_view>

#include "engine/jet/ast.h"

namespace svrZIVE::engine::jet {

Statement parseStatement(std::string_view sql);

// Jet's data-definition type names (COUNTER, LONG, TEXT, ...); false when
// `name` is none of them. Text gets size 255 here; the caller applies (n).
bool ddlTypeFromName(std::string_view name, ColumnInfo& column);

}  // namespace svrZIVE::engine::jet
