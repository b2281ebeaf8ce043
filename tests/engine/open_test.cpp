// Opening and creating database files, the file's settings, closing.
#include <fstream>

#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

class OpenTest : public EngineTest {};

// Opening never creates a file; the error names the file, and a file that is
// not a database of ours says how to make one.
TEST_F(OpenTest, WhatIsNotADatabaseOfOursIsRefusedNamingTheFile) {
  std::ofstream(file("notes.mdb")) << "this is a text file, not a database\n";
  std::ofstream{file("empty.mdb")};
  RawDb(file("plain.mdb"), true).exec("CREATE TABLE t (a INTEGER)");
  RawDb marked(file("marked.mdb"), true);  // our marker without our catalog is not enough
  marked.exec("PRAGMA application_id = " + std::to_string(detail::kApplicationId));
  marked.exec("CREATE TABLE t (a INTEGER)");
  const std::pair<std::string, int32_t> cases[] = {
      {file("nothere.mdb"), kFileNotFound},      {file("nofolder/x.mdb"), kInvalidPath},
      {"", kInvalidPath},                        {folder_.path().string(), kInvalidPath},
      {file("notes.mdb"), kUnrecognizedFormat},  {file("plain.mdb"), kUnrecognizedFormat},
      {file("marked.mdb"), kUnrecognizedFormat}, {file("empty.mdb"), kUnrecognizedFormat},
  };
  for (const auto& [path, number] : cases) {
    SCOPED_TRACE(path);
    auto e = errorOf([&] { DBEngine::forThread().openDatabase(path); });
    ASSERT_TRUE(e);
    EXPECT_EQ(std::to_string(e->number()) + " " + e->source(), std::to_string(number) + " DAO.Database");
    if (number == kInvalidPath) continue;
    EXPECT_THAT(e->description(), HasSubstr(path));
    if (number == kUnrecognizedFormat) {
      EXPECT_THAT(e->description(), AllOf(HasSubstr("zive import-mdb"), HasSubstr("zive init")));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(file("nothere.mdb")) || std::filesystem::exists(file("nofolder")));
}

TEST_F(OpenTest, CreateMakesAFileOfOursAndRefusesAnExistingOne) {
  EXPECT_EQ(createDb()->name(), file("test.mdb"));
  EXPECT_JET_ERROR(createDb(), kDatabaseExists);
  EXPECT_JET_ERROR(DBEngine::forThread().createDatabase(file("nofolder/x.mdb")), kInvalidPath);

  RawDb raw(file("test.mdb"));
  EXPECT_EQ(raw.value("PRAGMA application_id"), std::to_string(detail::kApplicationId));
  EXPECT_EQ(raw.value("PRAGMA journal_mode"), "delete");
  EXPECT_EQ(raw.value("SELECT count(*) FROM sqlite_schema WHERE name = 'zive_fields'"), "1");
  EXPECT_EQ(openDb()->tableDefs().count(), 0);
}

// Closing a workspace closes its databases.
TEST_F(OpenTest, EveryCallOnAClosedDatabaseItsDefinitionsOrItsWorkspaceIs3420) {
  createDb()->execute("CREATE TABLE T (A LONG)");
  auto ws = DBEngine::forThread().createWorkspace("wrk", "admin", "");
  EXPECT_EQ(ws->name() + " " + ws->userName(), "wrk admin");
  auto db = ws->openDatabase(file("test.mdb"));
  auto other = ws->openDatabase(file("test.mdb"), false, false, "");
  auto& defs = db->tableDefs();
  auto td = defs.item("T");
  auto& fields = td->fields();
  db->close();
  const std::function<void()> calls[] = {[&] { db->execute("DELETE FROM T"); }, [&] { db->openRecordset("SELECT * FROM T"); },
                                         [&] { db->tableDefs(); }, [&] { db->close(); }};
  for (const auto& call : calls) EXPECT_EQ(sourcedError(call), "3420 DAO.Database");
  EXPECT_JET_ERROR(defs.count(), kObjectClosed);
  EXPECT_JET_ERROR(fields.count(), kObjectClosed);
  EXPECT_JET_ERROR(td->createField("B", DaoType::Long), kObjectClosed);
  ws->close();
  EXPECT_FALSE(db->isOpen() || other->isOpen());
  EXPECT_JET_ERROR(ws->openDatabase(file("test.mdb")), kObjectClosed);
}

// An exclusive open keeps others out; a read-only one refuses writes.
TEST_F(OpenTest, ExclusiveOpenKeepsOthersOutAndReadOnlyOpenRefusesWrites) {
  createDb()->close();
  BusyTimeout timeout(200);
  auto mine = DBEngine::forThread().openDatabase(file("test.mdb"), true);
  mine->execute("CREATE TABLE T (A LONG)");  // the holder itself can write
  EXPECT_JET_ERROR(openDb(), kFileInUse);
  EXPECT_THAT(errorOf([&] { openDb(); }).value().description(), HasSubstr(file("test.mdb")));
  mine->close();
  auto db = DBEngine::forThread().openDatabase(file("test.mdb"), false, true);
  EXPECT_EQ(db->tableDefs().count(), 1);
  auto td = db->createTableDef("U");
  td->fields().append(td->createField("A", DaoType::Long));
  EXPECT_JET_ERROR(db->tableDefs().append(td), kReadOnlyDatabase);
}

}  // namespace
}  // namespace svrZIVE::engine::testing
