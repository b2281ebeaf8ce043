// Opening and creating database files, the file's settings, closing.
#include <fstream>

#include "tests/engine/engine_test_support.h"

namespace svrZIVE::engine::testing {
namespace {

using ::testing::HasSubstr;

class OpenTest : public EngineTest {};

TEST_F(OpenTest, MissingFileIs3024AndNamesTheFile) {
  std::string path = file("nothere.mdb");
  auto e = errorOf([&] { DBEngine::forThread().openDatabase(path); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), kFileNotFound);
  EXPECT_EQ(e->source(), "DAO.Database");
  EXPECT_NE(e->description().find(path), std::string::npos) << e->description();
  EXPECT_FALSE(std::filesystem::exists(path)) << "opening must never create a file";
}

TEST_F(OpenTest, BadPathsAre3044) {
  for (const std::string& path : {file("nofolder/x.mdb"), std::string(), folder_.path().string()}) {
    SCOPED_TRACE(path);
    EXPECT_JET_ERROR(DBEngine::forThread().openDatabase(path), kInvalidPath);
  }
  EXPECT_FALSE(std::filesystem::exists(file("nofolder")));
}

TEST_F(OpenTest, FilesThatAreNotOursAre3343WithAdvice) {
  std::ofstream(file("notes.mdb")) << "this is a text file, not a database\n";
  std::ofstream{file("empty.mdb")};
  RawDb(file("plain.mdb"), true).exec("CREATE TABLE t (a INTEGER)");
  {
    // Our marker without our catalog is not enough.
    RawDb marked(file("marked.mdb"), true);
    marked.exec("PRAGMA application_id = " + std::to_string(detail::kApplicationId));
    marked.exec("CREATE TABLE t (a INTEGER)");
  }
  for (const char* name : {"notes.mdb", "plain.mdb", "marked.mdb", "empty.mdb"}) {
    SCOPED_TRACE(name);
    auto e = errorOf([&] { DBEngine::forThread().openDatabase(file(name)); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kUnrecognizedFormat) << e->description();
    EXPECT_THAT(e->description(), HasSubstr(file(name)));
    EXPECT_THAT(e->description(), HasSubstr("zive import-mdb"));
    EXPECT_THAT(e->description(), HasSubstr("zive init"));
  }
}

TEST_F(OpenTest, CreateMakesAFileOfOursAndRefusesAnExistingOne) {
  auto db = createDb();
  EXPECT_TRUE(db->isOpen());
  EXPECT_EQ(db->name(), file("test.mdb"));
  db->close();
  EXPECT_JET_ERROR(createDb(), kDatabaseExists);
  EXPECT_JET_ERROR(DBEngine::forThread().createDatabase(file("nofolder/x.mdb")), kInvalidPath);

  RawDb raw(file("test.mdb"));
  EXPECT_EQ(raw.value("PRAGMA application_id"), std::to_string(detail::kApplicationId));
  EXPECT_EQ(raw.value("PRAGMA journal_mode"), "delete");
  EXPECT_EQ(raw.value("SELECT count(*) FROM sqlite_schema WHERE name = 'zive_fields'"), "1");

  auto again = openDb();
  EXPECT_EQ(again->tableDefs().count(), 0);
}

TEST_F(OpenTest, EveryCallOnAClosedDatabaseOrItsDefinitionsIs3420) {
  auto db = createDb();
  makeTable(*db, "T", {FieldShape("A", DaoType::Long)});
  auto& defs = db->tableDefs();
  auto td = defs.item("T");
  auto& fields = td->fields();
  db->close();
  EXPECT_FALSE(db->isOpen());
  const std::function<void()> calls[] = {
      [&] { db->execute("DELETE FROM T"); }, [&] { db->openRecordset("SELECT * FROM T"); },
      [&] { db->tableDefs(); },              [&] { db->close(); },
  };
  for (const auto& call : calls) {
    auto e = errorOf(call);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kObjectClosed);
    EXPECT_EQ(e->source(), "DAO.Database");
  }
  EXPECT_JET_ERROR(defs.count(), kObjectClosed);
  EXPECT_JET_ERROR(fields.count(), kObjectClosed);
  EXPECT_JET_ERROR(td->createField("B", DaoType::Long), kObjectClosed);
}

TEST_F(OpenTest, WorkspaceCloseClosesItsDatabases) {
  createDb()->close();
  auto ws = DBEngine::forThread().createWorkspace("wrk", "admin", "");
  EXPECT_EQ(ws->name(), "wrk");
  EXPECT_EQ(ws->userName(), "admin");
  auto a = ws->openDatabase(file("test.mdb"));
  auto b = ws->openDatabase(file("test.mdb"), false, false, "");
  ws->close();
  EXPECT_FALSE(a->isOpen());
  EXPECT_FALSE(b->isOpen());
  auto e = errorOf([&] { ws->openDatabase(file("test.mdb")); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->number(), kObjectClosed);
  EXPECT_EQ(e->source(), "DAO.Workspace");
}

TEST_F(OpenTest, ExclusiveOpenKeepsOthersOut) {
  createDb()->close();
  {
    BusyTimeout timeout(200);
    auto mine = DBEngine::forThread().openDatabase(file("test.mdb"), true);
    makeTable(*mine, "T", {FieldShape("A", DaoType::Long)});  // the holder itself can write
    auto e = errorOf([&] { openDb(); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kFileInUse) << e->description();
    EXPECT_THAT(e->description(), HasSubstr(file("test.mdb")));
    mine->close();
  }
  auto other = openDb();
  EXPECT_EQ(other->tableDefs().count(), 1);
}

TEST_F(OpenTest, ReadOnlyOpenRefusesWrites) {
  createDb()->close();
  auto db = DBEngine::forThread().openDatabase(file("test.mdb"), false, true);
  auto td = db->createTableDef("T");
  td->fields().append(td->createField("A", DaoType::Long));
  EXPECT_JET_ERROR(db->tableDefs().append(td), kReadOnlyDatabase);
}

}  // namespace
}  // namespace svrZIVE::engine::testing
