// The access paths of a modifiable database: what the server's own
// statements find rows by, so that loading one return, carrying stocks
// forward and listing a declarant's returns cost the same in a database of
// ten thousand returns as in one of a million. They are the engine's and
// invisible to the object model (no index or key of the layout changes).
#pragma once

#include <vector>

#include "engine/access_paths.h"
#include "engine/dao.h"

namespace svrZIVE::upgrade {

// The paths a database's tables call for: in every table, the column of the
// declaration number (the key of each form's detail table) and of the
// declarant number (the headers by declarant), unless the database itself
// numbers it (a COUNTER is the table's own key already). Derived from the
// tables the database holds, so a table added later gets its path as well.
std::vector<engine::AccessPath> accessPathsOf(engine::Database& database);

// Gives the database every access path it lacks, in one transaction. Made
// databases (init, the upgrade, an import) and upgraded ones call it.
void giveAccessPaths(engine::Database& database);

}  // namespace svrZIVE::upgrade
