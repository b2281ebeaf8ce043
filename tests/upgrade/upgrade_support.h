// Databases of earlier layouts for the upgrade's tests: the first layout,
// then only some of the upgrade's steps, with some tables built in an older
// form (without fields that later steps add), rows in every table, and
// snapshots of layouts and rows to compare.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "upgrade/cZIVETraspaso.h"
#include "upgrade/layout.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::upgrade::testing {

using svrZIVE::testing::copyDatabase;
using svrZIVE::testing::freshModifiable;
using svrZIVE::testing::readFile;
using svrZIVE::testing::TempDir;
using svrZIVE::testing::writeFile;

// How to build a database of an earlier layout.
struct EarlierLayout {
  std::string name;
  // Steps applied in driver order up to (not including) this one; empty: all.
  std::string stopBefore;
  // Steps not applied although before the stop.
  std::set<std::string> skipped = {};
  // Tables built from this layout instead of their first-layout form or their step.
  std::map<std::string, TableLayout> replaced = {};
  // Extra tables created after everything else.
  std::vector<TableLayout> extra = {};
};

// A table of the first layout or of a creation step, with columns added
// (layout notation) or left out.
TableLayout firstLayoutTable(const std::string& name);
TableLayout createdTable(const std::string& name);
TableLayout withColumns(TableLayout table, const std::string& tokens);
TableLayout without(TableLayout table, const std::function<bool(const std::string&)>& leaveOut);

// Creates the database at `file` (which must not exist).
void build(const std::string& file, const EarlierLayout& layout);

// Fills every table with `rows` rows of distinct values (through the engine).
void fillRows(const std::string& file, int rows);

struct FieldShape {
  std::string name;
  engine::DaoType type;
  int32_t size;
  bool required, allowZeroLength;
  std::string defaultValue;
  int32_t attributes;
  int16_t ordinalPosition;
  bool operator==(const FieldShape&) const = default;
};

// Printed by name and properties in test failures.
void PrintTo(const FieldShape& field, std::ostream* os);

struct TableShape {
  std::vector<FieldShape> fields;        // in collection order
  std::vector<std::string> selectStar;   // column names of "Select * from" the table
  bool operator==(const TableShape&) const = default;
};

// Tables by name (as stored).
using LayoutShape = std::map<std::string, TableShape>;
LayoutShape readLayout(const std::string& file);
// The layout of a database made by `zive init`, read once per program.
const LayoutShape& initLayout();
// Checks (with test assertions) table by table.
void expectLayout(const LayoutShape& actual, const LayoutShape& expected);

// Every row of every table: table -> rows (in key order) -> column -> value text.
using Row = std::map<std::string, std::string>;
using Rows = std::map<std::string, std::vector<Row>>;
Rows readRows(const std::string& file);

// Raw SQLite's answer to `sql` on `file`, each row its columns' texts joined by '|'.
std::vector<std::string> rawRows(const std::string& file, const std::string& sql);

// Checks (with test assertions) that `after` keeps every value of `before`,
// that the fields an upgrade added hold what its statements give them, and
// that the tables it created are empty but for the settings row.
void expectRowsUpgraded(const Rows& before, const Rows& after);  // "Null", or the type and value

// Runs Traspaso on `file` with mdbPath `backupFolder`, collecting what it shows.
struct RunResult {
  bool result = true;
  std::vector<TraspasoEvent> events;
  std::vector<std::string> messages;
  std::vector<int> messageStyles;
  int backupsMade() const;
};
RunResult runUpgrade(const std::string& file, const std::string& backupFolder,
                     const std::function<void(const TraspasoEvent&)>& also = {});
RunResult runUpgrade(cZIVETraspaso& traspaso, const std::function<void(const TraspasoEvent&)>& also = {});

}  // namespace svrZIVE::upgrade::testing
