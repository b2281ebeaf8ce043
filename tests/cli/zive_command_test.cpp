// The zive command as a user runs it: exit status, what it prints, what it
// leaves on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/cli/zive_run.h"
#include "tests/engine/server_backend.h"

namespace svrZIVE::testing {
namespace {

namespace fs = std::filesystem;

class ZiveCommand : public ::testing::Test {
 protected:
  Outcome zive(std::initializer_list<std::string> args) { return testing::zive(dir_, args); }
  std::string path(const std::string& name) const { return dir_.file(name); }
  TempDir dir_;
};

TEST_F(ZiveCommand, SqlRunsJetStatementsAndPrintsTablesAndJson) {
  std::string db = path("t.mdb");
  ASSERT_EQ(zive({"sql", "--create", db, "CREATE TABLE T (ID COUNTER, NAME TEXT(20), AMOUNT DOUBLE)"}).status, 0);
  Outcome insert = zive({"sql", db, "INSERT INTO T (NAME, AMOUNT) VALUES ('Peña', 0.1 + 0.2)"});
  EXPECT_EQ(insert.status, 0) << insert.err;
  EXPECT_EQ(insert.out, "1 row affected.\n");
  ASSERT_EQ(zive({"sql", db, "INSERT INTO T (NAME) VALUES ('Otro')"}).status, 0);

  Outcome table = zive({"sql", db, "SELECT NAME, AMOUNT FROM T WHERE NAME = 'PEÑA'"});
  EXPECT_EQ(table.status, 0) << table.err;
  for (const char* shown : {"NAME", "Peña", "0.3", "(1 row)"}) EXPECT_NE(table.out.find(shown), std::string::npos) << shown;

  Outcome json = zive({"sql", "--json", db, "SELECT * FROM T ORDER BY ID"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::parse(R"({"columns": ["ID", "NAME", "AMOUNT"],
      "rows": [[1, "Peña", 0.30000000000000004], [2, "Otro", null]]})"));
  EXPECT_EQ(zive({"sql", db, "SELECT NAME INTO Copy FROM T"}).out, "2 rows affected.\n");
}

TEST_F(ZiveCommand, SqlErrorsExitOneWithNumberSourceAndDescription) {
  std::string db = path("t.mdb");
  ASSERT_EQ(zive({"sql", "--create", db, "CREATE TABLE T (A LONG)"}).status, 0);
  const struct { std::string file, statement; int number; } cases[] = {
      {db, "SELECT * FROM NOPE", 3078}, {db, "SELECT B FROM T", 3061},
      {db, "UPDATE T SET A = 'x' WHERE A = 'O'Brien'", 3075}, {path("missing.mdb"), "SELECT * FROM T", 3024},
  };
  for (const auto& c : cases) {
    Outcome o = zive({"sql", c.file, c.statement});
    EXPECT_EQ(o.status, 1) << c.statement;
    EXPECT_NE(o.err.find("error " + std::to_string(c.number)), std::string::npos) << c.statement << ": " << o.err;

    Outcome j = zive({"sql", "--json", c.file, c.statement});
    EXPECT_EQ(j.status, 1);
    auto parsed = nlohmann::json::parse(j.out);
    EXPECT_EQ(parsed["number"], c.number) << c.statement;
    EXPECT_FALSE(parsed["source"].get<std::string>().empty());
    EXPECT_FALSE(parsed["description"].get<std::string>().empty());
  }
}

TEST_F(ZiveCommand, InitMakesBothDatabasesAndNeverOverwrites) {
  std::string data = path("data");
  Outcome first = zive({"init", data});
  ASSERT_EQ(first.status, 0) << first.out << first.err;
  ASSERT_TRUE(fs::exists(data + "/ZIVEMOD.MDB"));
  ASSERT_TRUE(fs::exists(data + "/ZIVELEC.MDB"));

  auto modified = fs::last_write_time(data + "/ZIVEMOD.MDB");
  Outcome again = zive({"init", data});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("left as they are"), std::string::npos) << again.err;
  EXPECT_EQ(fs::last_write_time(data + "/ZIVEMOD.MDB"), modified);

  // A missing reference database is made again; the other file is kept.
  fs::remove(data + "/ZIVELEC.MDB");
  Outcome refill = zive({"init", data});
  EXPECT_EQ(refill.status, 0) << refill.err;
  EXPECT_TRUE(fs::exists(data + "/ZIVELEC.MDB"));
  EXPECT_EQ(fs::last_write_time(data + "/ZIVEMOD.MDB"), modified);

  Outcome provinces = zive({"sql", data + "/ZIVELEC.MDB", "SELECT count(*) FROM T01_PROVINCIAS"});
  EXPECT_NE(provinces.out.find("52"), std::string::npos) << provinces.out;
}

TEST_F(ZiveCommand, InitThatFailsLeavesNothingBehind) {
  // A seed that cannot be read stops the run before anything is made; one
  // whose table cannot be created, after the modifiable database was made.
  const struct { const char* file; const char* content; } seeds[] = {
      {"T00_GENERAL.tsv", "A:SHORT\nx\n"}, {"SELECT.tsv", "A:SHORT\n1\n"}};
  for (const auto& seed : seeds) {
    SCOPED_TRACE(seed.file);
    fs::remove_all(path("seed"));
    fs::create_directories(path("seed"));
    std::ofstream(path("seed/T00_GENERAL.tsv")) << "A:SHORT\n1\n";
    std::ofstream(path("seed/") + seed.file) << seed.content;
    ::setenv("ZIVE_DATA_DIR", path("seed").c_str(), 1);
    Outcome o = zive({"init", path("data")});
    ::unsetenv("ZIVE_DATA_DIR");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("nothing was created"), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(path("data"))) << o.out;
  }
}

TEST_F(ZiveCommand, UpgradeOfACurrentDatabaseChangesNothing) {
  std::string data = path("data");
  ASSERT_EQ(zive({"init", data}).status, 0);
  Outcome o = zive({"upgrade", data + "/ZIVEMOD.MDB"});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_FALSE(fs::exists(data + "/CopSegZIVEMod.mdb"));
}

TEST_F(ZiveCommand, UpgradeRefusesABackupFolderItCannotWriteTo) {
  std::string data = path("data");
  ASSERT_EQ(zive({"init", data}).status, 0);
  const std::string file = data + "/ZIVEMOD.MDB";
  auto modified = fs::last_write_time(file);
  std::ofstream(path("plain-file")) << "x";
  for (const std::string& folder : {path("no-such-folder"), path("plain-file")}) {
    Outcome o = zive({"upgrade", file, "--backup-dir", folder});
    EXPECT_EQ(o.status, 1) << folder;
    EXPECT_NE(o.err.find("backup folder"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "") << "refused before anything starts";
  }
  EXPECT_EQ(fs::last_write_time(file), modified);
}

TEST_F(ZiveCommand, CallReachesAServiceByNameAndReportsErrors) {
  std::string data = path("data");
  ASSERT_EQ(zive({"init", data}).status, 0);
  Outcome count = zive({"call", "--json", "--mod", data + "/ZIVEMOD.MDB", "cZIVEDeclarante.NumeroDeclarantes"});
  ASSERT_EQ(count.status, 0) << count.err;
  EXPECT_EQ(nlohmann::json::parse(count.out)["result"], 0);

  Outcome name = zive({"call", "--ref", data + "/ZIVELEC.MDB", "cZIVEDatosGeneral.ObtenerNombreProvincia", "20", "0"});
  // Names come back in upper case, accented letters included.
  EXPECT_EQ(name.status, 0) << name.err;
  EXPECT_NE(name.out.find("GUIPÚZCOA"), std::string::npos) << name.out;

  Outcome missing = zive({"call", "--json", "cZIVEDeclarante.NoSuchMember"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(nlohmann::json::parse(missing.out)["number"], 438);
}

TEST_F(ZiveCommand, DemoWalksTheRoadOfOneReturnAndLeavesNothingBehind) {
  std::string data = path("demo");
  Outcome o = zive({"demo", data});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  Outcome declarants = zive({"sql", data + "/ZIVEMOD.MDB", "SELECT count(*) FROM T01_DECLARANTES"});
  EXPECT_NE(declarants.out.find(" 0\n"), std::string::npos) << declarants.out;
  // A second run works on the same folder.
  EXPECT_EQ(zive({"demo", data}).status, 0);
}

// The same road on a database server, behind a link file that never holds a password.
TEST_F(ZiveCommand, DemoWalksTheRoadOnADatabaseServer) {
  using engine::linkTarget;
  SKIP_WITHOUT_SERVER(engine::testing::Backend::Server);
  engine::testing::ServerSchema schema(path("schema.link"));
  const std::string server = *linkTarget(path("schema.link"));
  EXPECT_EQ(zive({"link", path("secret.mdb"), server + " password=x"}).status, 1);
  std::string data = path("office");
  Outcome o = zive({"demo", data, "--server", server});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(*linkTarget(data + "/ZIVEMOD.MDB"), server);
  Outcome declarants = zive({"sql", data + "/ZIVEMOD.MDB", "SELECT count(*) FROM T01_DECLARANTES"});
  EXPECT_NE(declarants.out.find(" 0\n"), std::string::npos) << declarants.out;
}

TEST_F(ZiveCommand, ImportMdbListsTheTablesAndNeverOverwrites) {
  const std::string nwind = std::string(ZIVE_ACCESS_TESTDATA) + "/nwind.mdb";
  const std::string db = path("nwind.zive");
  Outcome json = zive({"import-mdb", "--json", nwind, db});
  ASSERT_EQ(json.status, 0) << json.err;
  auto tables = nlohmann::json::parse(json.out)["tables"];
  ASSERT_EQ(tables.size(), 9u);
  EXPECT_EQ(tables[8], nlohmann::json({{"name", "Umsätze"}, {"rows", 830}}));

  Outcome picture = zive({"sql", "--json", db, "SELECT Picture FROM Categories WHERE CategoryID = 1"});
  ASSERT_EQ(picture.status, 0) << picture.err;
  EXPECT_TRUE(nlohmann::json::parse(picture.out)["rows"][0][0].contains("$bytes"));

  const std::string before = readFile(db);
  Outcome again = zive({"import-mdb", nwind, db});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("3204"), std::string::npos) << again.err;
  EXPECT_EQ(readFile(db), before);

  Outcome opened = zive({"sql", nwind, "SELECT * FROM Orders"});
  EXPECT_EQ(opened.status, 1);
  EXPECT_NE(opened.err.find("zive import-mdb"), std::string::npos) << opened.err;
}

}  // namespace
}  // namespace svrZIVE::testing
