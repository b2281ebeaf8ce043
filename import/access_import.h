// An Access database brought into a new database of our engine: every user
// table with its fields (names, order, DAO types and sizes, Required,
// AllowZeroLength, defaults, AutoNumber) and every record with its values.
// All or nothing: the new file is written under a temporary name in the
// destination's folder and takes the destination's name only when complete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/dao.h"

namespace svrZIVE::access {

struct ImportedTable {
  std::string name;
  int64_t rows = 0;
};

// Called as the records of a table are written: `done` of about `total`.
using ImportProgress = std::function<void(const std::string& table, int64_t done, int64_t total)>;

// Imports `accessFile` into the new database `destination`. A destination
// that exists raises 3204 and stays untouched; a source that is missing, not
// an Access file or unreadable raises before anything is written (see
// AccessFile); any failure leaves nothing at `destination`.
// `complete`, when given, runs on the new database once every record is in
// and before it takes its name: what a freshly built database gets besides
// its tables and rows (the server's access paths, for one).
using CompleteDatabase = std::function<void(engine::Database&)>;
// `server`: a libpq connection string; the tables and rows go to that
// database server and `destination` becomes a link file naming it.
std::vector<ImportedTable> importAccessFile(const std::string& accessFile, const std::string& destination,
                                            const ImportProgress& progress = {},
                                            const CompleteDatabase& complete = {},
                                            const std::string& server = {});

}  // namespace svrZIVE::access
