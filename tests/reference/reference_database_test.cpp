// The reference seed files and the reference database built from them.
#include "reference/reference_database.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "engine/dao.h"
#include "base/automation_error.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<SeedTable>& seed() {
  static const std::vector<SeedTable> tables = readReferenceSeed(ZIVE_SEED_DIR);
  return tables;
}

// ------------------------------------------------------- statements and parse

TEST(ReferenceSeedParse, ReadsNullsAndSkipsBlankLines) {
  TempDir dir;
  writeFile(dir.file("TB.tsv"), "X:LONG\tY:TEXT(3)\r\n1\tabc\r\n\n2\t\\N\n");
  writeFile(dir.file("TA.tsv"), "Z:BYTE\n255\n");
  writeFile(dir.file("notes.txt"), "ignored");
  auto tables = readReferenceSeed(dir.path().string());
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].name + " " + tables[1].name, "TA TB");
  EXPECT_EQ(tables[1].rows, (std::vector<std::vector<std::optional<std::string>>>{{"1", "abc"}, {"2", std::nullopt}}));
  EXPECT_EQ(tables[1].columns[0].type, engine::DaoType::Long);
  EXPECT_EQ(tables[1].columns[1].size, 3);
}

TEST(ReferenceSeedParse, ReportsTheFileAndLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"A:SHORT\n1\nx\n", "Reference seed T00_GENERAL.tsv line 3: A 'x' is not a number"},
      {"A:SHORT\n40000\n", "Reference seed T00_GENERAL.tsv line 2: A '40000' does not fit Integer"},
      {"A:LONG\n1e60\n", "Reference seed T00_GENERAL.tsv line 2: A '1e60' does not fit Long"},
      {"A:SHORT\tB:TEXT(2)\n1\n", "Reference seed T00_GENERAL.tsv line 2: 1 cells for 2 columns"},
      {"A:TEXT(2)\nñññ\n", "Reference seed T00_GENERAL.tsv line 2: A is longer than 2"},
      {"A:TEXT(2)\nññ\n", ""},
      {"A:CHAR\n", "Reference seed T00_GENERAL.tsv line 1: unknown type in 'A:CHAR'"},
      {"A\n", "Reference seed T00_GENERAL.tsv line 1: column 'A' has no type"},
  };
  for (const auto& [content, message] : cases) {
    SCOPED_TRACE(content);
    TempDir dir;
    writeFile(dir.file("T00_GENERAL.tsv"), content);
    EXPECT_EQ(raisedBy([&] { readReferenceSeed(dir.path().string()); }).description, message);
  }
  EXPECT_EQ(raisedBy([] { readReferenceSeed("/nonexistent/zive/reference"); }).number, engine::kFileNotFound);
}

TEST(ReferenceSeedOrigin, TheLibraryHoldsTheSampleAndTheEnvironmentOverridesIt) {
  // The other tests of the program build the sample: the variable is unset again at the end.
  struct Unset { ~Unset() { ::unsetenv("ZIVE_DATA_DIR"); } } unset;
  ::unsetenv("ZIVE_DATA_DIR");
  ReferenceSeed builtIn = referenceSeed();
  ASSERT_EQ(builtIn.tables.size(), seed().size());
  for (size_t t = 0; t < seed().size(); ++t) {
    EXPECT_EQ(builtIn.tables[t].name, seed()[t].name);
    EXPECT_EQ(builtIn.tables[t].rows, seed()[t].rows) << seed()[t].name;
  }

  TempDir dir;
  fs::create_directories(dir.path() / "reference");
  writeFile((dir.path() / "reference" / "T00_GENERAL.tsv").string(), "A:SHORT\n7\n");
  ::setenv("ZIVE_DATA_DIR", dir.path().c_str(), 1);
  ReferenceSeed own = referenceSeed();
  EXPECT_EQ(own.origin, (dir.path() / "reference").string());
  ASSERT_EQ(own.tables.size(), 1u);
  EXPECT_EQ(own.tables[0].rows[0][0], std::optional<std::string>("7"));
  ::setenv("ZIVE_DATA_DIR", (dir.path() / "none").c_str(), 1);
  EXPECT_EQ(raisedBy([] { referenceSeed(); }).number, engine::kFileNotFound);
}

// ------------------------------------------------------------------ database

TEST(ReferenceDatabase, HoldsEverySeedTableWithItsTypesAndRows) {
  auto db = engine::DBEngine::forThread().openDatabase(sampleReference());
  for (const auto& t : seed()) {
    SCOPED_TRACE(t.name);
    EXPECT_EQ(db->openRecordset("SELECT COUNT(*) FROM " + t.name)->value(0).toLong(), int32_t(t.rows.size()));
    auto def = db->tableDefs().item(t.name);
    ASSERT_EQ(def->fields().count(), static_cast<int32_t>(t.columns.size()));
    for (size_t c = 0; c < t.columns.size(); ++c) {
      auto field = def->fields().item(int32_t(c));
      EXPECT_EQ(field->name(), t.columns[c].name);
      EXPECT_EQ(field->type(), t.columns[c].type) << t.columns[c].name;
      EXPECT_TRUE(field->type() != engine::DaoType::Text || field->size() == t.columns[c].size) << t.columns[c].name;
    }
  }
  db->close();
}

TEST(ReferenceDatabase, CreationNeverOverwritesAndABadSeedLeavesNoFile) {
  TempDir dir;
  writeFile(dir.file("ZIVELEC.MDB"), "not a database");
  EXPECT_EQ(raisedBy([&] { createReferenceDatabase(dir.file("ZIVELEC.MDB"), seed()); }).number,
            engine::kDatabaseExists);
  EXPECT_EQ(readFile(dir.file("ZIVELEC.MDB")), "not a database");

  SeedTable bad{"T00_GENERAL", {{"A", engine::DaoType::Text, 1, "TEXT(1)"}}, {{"too long"}}};
  EXPECT_THROW(createReferenceDatabase(dir.file("OTHER.MDB"), {bad}), AutomationError);
  EXPECT_FALSE(fs::exists(dir.file("OTHER.MDB")));
}

}  // namespace
}  // namespace svrZIVE::testing
