// The zive command as a user runs it: exit status, what it prints, what it
// leaves on disk.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tests/engine/server_backend.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string slurp(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class ZiveCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zive-cli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Outcome zive(std::initializer_list<std::string> args) {
    std::string cmd = quote(ZIVE_BINARY);
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " >" + quote((dir_ / "out").string()) + " 2>" + quote((dir_ / "err").string()) + " </dev/null";
    int raw = std::system(cmd.c_str());
    Outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = slurp(dir_ / "out");
    o.err = slurp(dir_ / "err");
    return o;
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
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
  EXPECT_NE(table.out.find("NAME"), std::string::npos);
  EXPECT_NE(table.out.find("Peña"), std::string::npos);
  EXPECT_NE(table.out.find("0.3"), std::string::npos);
  EXPECT_NE(table.out.find("(1 row)"), std::string::npos);

  Outcome json = zive({"sql", "--json", db, "SELECT * FROM T ORDER BY ID"});
  ASSERT_EQ(json.status, 0) << json.err;
  auto parsed = nlohmann::json::parse(json.out);
  EXPECT_EQ(parsed["columns"], nlohmann::json({"ID", "NAME", "AMOUNT"}));
  EXPECT_EQ(parsed["rows"][0][0], 1);
  EXPECT_EQ(parsed["rows"][0][1], "Peña");
  EXPECT_DOUBLE_EQ(parsed["rows"][0][2].get<double>(), 0.3);
  EXPECT_TRUE(parsed["rows"][1][2].is_null());
  EXPECT_EQ(zive({"sql", db, "SELECT NAME INTO Copy FROM T"}).out, "2 rows affected.\n");
}

TEST_F(ZiveCommand, SqlErrorsExitOneWithNumberSourceAndDescription) {
  std::string db = path("t.mdb");
  ASSERT_EQ(zive({"sql", "--create", db, "CREATE TABLE T (A LONG)"}).status, 0);
  struct Case {
    std::string file, statement;
    int number;
  } cases[] = {
      {db, "SELECT * FROM NOPE", 3078},
      {db, "SELECT B FROM T", 3061},
      {db, "UPDATE T SET A = 'x' WHERE A = 'O'Brien'", 3075},
      {path("missing.mdb"), "SELECT * FROM T", 3024},
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
      {"T00_GENERAL.tsv", "A:SHORT\nx\n"},
      {"SELECT.tsv", "A:SHORT\n1\n"},
  };
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
  namespace server_testing = svrZIVE::engine::testing;
  using svrZIVE::engine::linkTarget;
  SKIP_WITHOUT_SERVER(server_testing::Backend::Server);
  server_testing::ServerSchema schema(path("schema.link"));
  const std::string server = *linkTarget(path("schema.link"));
  EXPECT_EQ(zive({"link", path("secret.mdb"), server + " password=x"}).status, 1);
  std::string data = path("office");
  Outcome o = zive({"demo", data, "--server", server});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(*linkTarget(data + "/ZIVEMOD.MDB"), server);
  Outcome declarants = zive({"sql", data + "/ZIVEMOD.MDB", "SELECT count(*) FROM T01_DECLARANTES"});
  EXPECT_NE(declarants.out.find(" 0\n"), std::string::npos) << declarants.out;
}

}  // namespace

namespace {

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

  const std::string before = slurp(db);
  Outcome again = zive({"import-mdb", nwind, db});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("3204"), std::string::npos) << again.err;
  EXPECT_EQ(slurp(db), before);

  Outcome opened = zive({"sql", nwind, "SELECT * FROM Orders"});
  EXPECT_EQ(opened.status, 1);
  EXPECT_NE(opened.err.find("zive import-mdb"), std::string::npos) << opened.err;
}

}  // namespace
