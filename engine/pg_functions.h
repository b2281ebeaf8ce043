// The Jet dialect's functions on a PostgreSQL server: the jet_* functions
// the translated statements call, in SQL and PL/pgSQL, with the rules and
// the error numbers of their C++ twins on a local file.
#pragma once

#include <string_view>

#include "engine/pg_db.h"

namespace svrZIVE::engine::detail {

// The function whose presence says the database holds this build's
// functions (and the catalog's index); raise its number with every change
// of them.
#define ZIVE_FUNCTIONS_VERSION "jet_functions_v5"
inline constexpr std::string_view kFunctionsVersion = ZIVE_FUNCTIONS_VERSION;

// 1 when the database holds this build's functions, else 0 (an SQL expression).
inline constexpr std::string_view kFunctionsCurrentCheck =
    "(to_regprocedure('" ZIVE_FUNCTIONS_VERSION "()') IS NOT NULL)::integer";

// Creates the functions (with the catalog, inside its transaction).
void createServerFunctions(PgConnection& connection, std::string_view source);
// Creates the functions, or brings them up to this build's version when
// the database holds older ones (or none). One round trip when they are
// current; the creation itself runs under a lock of the database, so that
// connections that open at once do not write them together.
void ensureServerFunctions(PgConnection& connection, std::string_view source);

}  // namespace svrZIVE::engine::detail
