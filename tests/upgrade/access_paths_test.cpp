// The access paths: every detail table by its declaration number and the
// headers by declarant, in a made and an upgraded database, invisible to the
// object model, found by SQLite's plans, and kept or dropped with their table.
#include <gtest/gtest.h>

#include <set>

#include "engine/dao.h"
#include "upgrade/access_paths.h"
#include "upgrade/base_layout.h"
#include "upgrade_support.h"

namespace svrZIVE::upgrade::testing {
namespace {

std::set<std::string> indexedColumns(const std::string& file) {
  auto rows = rawRows(file, "SELECT upper(ii.name) FROM sqlite_schema AS s, pragma_index_info(s.name) AS ii "
                           "WHERE s.type = 'index' AND s.name LIKE 'zive_path_%'");
  return {rows.begin(), rows.end()};
}

// Every detail table's key and the header's declarant number.
std::set<std::string> expectedColumns(const std::string& file) {
  std::set<std::string> out{"T02_CSDE"};
  for (const auto& [table, shape] : readLayout(file)) {
    const std::string key = table.substr(0, 3) + "_SECDEC";
    if (table != "T02_DECLARACIONES" && !shape.fields.empty() && shape.fields.front().name == key) out.insert(key);
  }
  return out;
}

TEST(AccessPaths, AMadeDatabaseHasThemAndTheObjectModelDoesNotShowThem) {
  SKIP_ON_SERVER("the paths are read from SQLite's schema");
  TempDir dir;
  const std::string file = freshModifiable(dir);
  EXPECT_EQ(indexedColumns(file), expectedColumns(file));
  EXPECT_GE(indexedColumns(file).size(), 17u);
  auto plan = rawRows(file, "EXPLAIN QUERY PLAN SELECT * FROM T10_TIPOLOGIA8 WHERE T10_SECDEC = 5");
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_NE(plan[0].find("USING INDEX"), std::string::npos) << plan[0];
}

TEST(AccessPaths, TheUpgradeGivesThemToADatabaseThatLacksThem) {
  SKIP_ON_SERVER("the paths are read from SQLite's schema");
  TempDir dir;
  const std::string first = dir.file("FIRSTZIVEMOD.MDB");
  auto db = engine::DBEngine::forThread().createDatabase(first);
  createBaseLayout(*db);
  db->close();
  const std::string made = freshModifiable(dir);
  for (const auto& name : rawRows(made, "SELECT name FROM sqlite_schema WHERE name LIKE 'zive_path_%'"))
    rawRows(made, "DROP INDEX " + name);
  ASSERT_TRUE(indexedColumns(made).empty());

  for (const std::string& file : {first, made}) {
    runUpgrade(file, dir.slash());
    EXPECT_EQ(indexedColumns(file), expectedColumns(file)) << file;
    EXPECT_EQ(readLayout(file), initLayout()) << file;
  }
}

TEST(AccessPaths, StayWithARebuiltTableAndGoWithTheirColumnOrTable) {
  SKIP_ON_SERVER("the paths are read from SQLite's schema");
  TempDir dir;
  const std::string file = freshModifiable(dir);
  auto db = engine::DBEngine::forThread().openDatabase(file);
  // Required changes what SQLite declares: the table is written anew.
  db->tableDefs().item("T10_TIPOLOGIA8")->fields().item("T10_EXINI1")->setRequired(true);
  EXPECT_TRUE(indexedColumns(file).count("T10_SECDEC"));
  db->execute("ALTER TABLE T11_TIPOLOGIA9 DROP COLUMN T11_SECDEC");  // not held back by its path
  EXPECT_FALSE(indexedColumns(file).count("T11_SECDEC"));
  db->tableDefs().remove("T12_TIPOLOGIA10");
  EXPECT_FALSE(indexedColumns(file).count("T12_SECDEC"));
  giveAccessPaths(*db);  // nothing to give where the column or table is gone
  db->close();
  EXPECT_FALSE(indexedColumns(file).count("T11_SECDEC"));
}

}  // namespace
}  // namespace svrZIVE::upgrade::testing
