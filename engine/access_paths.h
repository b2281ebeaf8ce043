// Access paths: what SQLite needs to find rows by a column without reading
// the whole table, kept by the engine beside the DAO object model. They are
// indexes of ours that no DAO collection shows (TableDefs, Fields, a table's
// field count); they go with their table when it is dropped, stay with it
// when the engine writes it anew, and never stop a field from being deleted
// (the path goes with it).
#pragma once

#include <string>
#include <vector>

#include "engine/dao.h"

namespace svrZIVE::engine {

struct AccessPath {
  std::string table;
  std::string column;
};

// Gives each table and column of `paths` that has none yet its access path,
// all in one transaction; a table or column that does not exist is passed
// over. `database` must be one the engine opened.
void addAccessPaths(Database& database, const std::vector<AccessPath>& paths);

// Runs Jet UPDATE statements of one table, in order, with the result of
// running them one after another, but writes the table once: when every one
// sets fields of every row (no WHERE) and none reads a field an earlier one
// sets, the table is copied once with all the new values (as the engine
// writes a table anew for a change of its layout); otherwise they run one by
// one. All in one transaction: a failure leaves the table as it was.
void rewriteTable(Database& database, const std::vector<std::string>& updates);

}  // namespace svrZIVE::engine
