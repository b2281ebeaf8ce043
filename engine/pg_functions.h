// The Jet dialect's functions on a PostgreSQL server: the jet_* functions
// the translated statements call, in SQL and PL/pgSQL, with the rules and
// the error numbers of their C++ twins on a local file.
#pragma once

#include <string_view>

#include "engine/pg_db.h"

namespace svrZIVE::engine::detail {

// 1 when the database holds this build's functions, else 0 (an SQL expression).
inline constexpr std::string_view kFunctionsCurrentCheck =
    "(to_regprocedure('jet_functions_v2()') IS NOT NULL)::integer";

// Creates the functions (with the catalog, inside its transaction).
void createServerFunctions(PgConnection& connection, std::string_view source);
// Creates the functions, or brings them up to this build's version when
// the database holds older ones (or none). One round trip when they are
// current; the creation itself runs under a lock of the database, so that
// connections that open at once do not write them together.
void ensureServerFunctions(PgConnection& connection, std::string_view source);

}  // namespace svrZIVE::engine::detail
