// The zive command as a user runs it: exit status, what it prints, what it
// leaves on disk. Values another tool wrote into a declaration past the
// table's checks, each read through `zive sql --json`, `zive sql`, a recordset
// and the service's list of declarations: a text by the UTF-8 rule, a value
// converted by the runtime's rules, or error 3464 naming the table and field.
// The command line's JSON encoding of variants.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "base/automation_error.h"
#include "cli/json_variant.h"
#include "engine/dao.h"
#include "tests/engine/server_backend.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::testing {
namespace {

namespace fs = std::filesystem;
using cli::variantFromArgument;
using cli::variantFromJson;
using cli::variantToJson;
using nlohmann::json;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs `zive` as a user does, each argument quoted for the shell, what it prints kept in `dir`.
Outcome zive(const TempDir& dir, std::initializer_list<std::string> args) {
  std::string cmd = quoted(ZIVE_BINARY);
  for (const auto& a : onBackend(args)) cmd += " " + quoted(a);
  cmd += " >" + quoted(dir.file("out")) + " 2>" + quoted(dir.file("err")) + " </dev/null";
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir.file("out")), readFile(dir.file("err"))};
}

class ZiveCommand : public ::testing::Test {
 protected:
  Outcome zive(std::initializer_list<std::string> args) { return testing::zive(dir_, args); }
  std::string path(const std::string& name) const { return dir_.file(name); }
  TempDir dir_;
};

TEST_F(ZiveCommand, SqlRunsJetStatementsAndPrintsTablesAndJson) {
  std::string db = path("t.mdb");
  ASSERT_EQ(zive({"sql", "--create", db, "CREATE TABLE T (ID COUNTER, NAME TEXT(20), AMOUNT DOUBLE, EXACT DECIMAL(20, 4))"}).status, 0);
  Outcome insert = zive({"sql", db, "INSERT INTO T (NAME, AMOUNT, EXACT) VALUES ('Peña', 0.1 + 0.2, '1234567890123456.78905')"});
  EXPECT_EQ(insert.status, 0) << insert.err;
  EXPECT_EQ(insert.out, "1 row affected.\n");
  ASSERT_EQ(zive({"sql", db, "INSERT INTO T (NAME) VALUES ('Otro')"}).status, 0);

  Outcome table = zive({"sql", db, "SELECT NAME, AMOUNT, EXACT FROM T WHERE NAME = 'PEÑA'"});
  EXPECT_EQ(table.status, 0) << table.err;
  for (const char* shown : {"NAME", "Peña", "0.3", "1234567890123456.789", "(1 row)"})
    EXPECT_NE(table.out.find(shown), std::string::npos) << shown;

  Outcome asJson = zive({"sql", "--json", db, "SELECT * FROM T ORDER BY ID"});
  ASSERT_EQ(asJson.status, 0) << asJson.err;
  EXPECT_EQ(json::parse(asJson.out), json::parse(R"({"columns": ["ID", "NAME", "AMOUNT", "EXACT"],
      "rows": [[1, "Peña", 0.30000000000000004, "1234567890123456.789"], [2, "Otro", null, null]]})"));
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
    auto parsed = json::parse(j.out);
    EXPECT_EQ(parsed["number"], c.number) << c.statement;
    EXPECT_FALSE(parsed["source"].get<std::string>().empty());
    EXPECT_FALSE(parsed["description"].get<std::string>().empty());
  }
}

TEST_F(ZiveCommand, InitMakesBothDatabasesAndNeverOverwrites) {
  std::string data = path("data");
  Outcome first = zive({"init", data});
  ASSERT_EQ(first.status, 0) << first.out << first.err;
  ASSERT_TRUE(fs::exists(data + "/ZIVEMOD.MDB") && fs::exists(data + "/ZIVELEC.MDB"));

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

// A backup folder it cannot write to is refused before anything starts; a
// current database is left as it is, without a backup.
TEST_F(ZiveCommand, UpgradeRefusesAnUnwritableBackupFolderAndLeavesACurrentDatabaseAlone) {
  std::string data = path("data");
  ASSERT_EQ(zive({"init", data}).status, 0);
  const std::string file = data + "/ZIVEMOD.MDB";
  auto modified = fs::last_write_time(file);
  std::ofstream(path("plain-file")) << "x";
  for (const std::string& folder : {path("no-such-folder"), path("plain-file")}) {
    Outcome o = zive({"upgrade", file, "--backup-dir", folder});
    EXPECT_EQ(o.status, 1) << folder;
    EXPECT_NE(o.err.find("backup folder"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
  EXPECT_EQ(fs::last_write_time(file), modified);
  Outcome o = zive({"upgrade", file});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_FALSE(fs::exists(data + "/CopSegZIVEMod.mdb"));
}

TEST_F(ZiveCommand, CallReachesAServiceByNameAndReportsErrors) {
  std::string data = path("data");
  ASSERT_EQ(zive({"init", data}).status, 0);
  Outcome count = zive({"call", "--json", "--mod", data + "/ZIVEMOD.MDB", "cZIVEDeclarante.NumeroDeclarantes"});
  ASSERT_EQ(count.status, 0) << count.err;
  EXPECT_EQ(json::parse(count.out)["result"], 0);

  Outcome name = zive({"call", "--ref", data + "/ZIVELEC.MDB", "cZIVEDatosGeneral.ObtenerNombreProvincia", "20", "0"});
  // Names come back in upper case, accented letters included.
  EXPECT_EQ(name.status, 0) << name.err;
  EXPECT_NE(name.out.find("GUIPÚZCOA"), std::string::npos) << name.out;

  Outcome missing = zive({"call", "--json", "cZIVEDeclarante.NoSuchMember"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(json::parse(missing.out)["number"], 438);
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

// An init on a server that fails leaves nothing of ours there; one that
// meets a database of ours there leaves it as it is.
TEST_F(ZiveCommand, InitOnAServerThatFailsLeavesNothingThere) {
  SKIP_WITHOUT_SERVER(engine::testing::Backend::Server);
  engine::testing::ServerSchema schema(path("schema.link"));
  const std::string server = *engine::linkTarget(path("schema.link"));
  const std::string space = "'" + schema.name() + "'::regnamespace";
  const auto objects = [&] {
    return engine::testing::ServerAdmin().value(
        "SELECT (SELECT count(*) FROM pg_class WHERE relnamespace = " + space + ") + (SELECT count(*) FROM pg_proc " +
        "WHERE pronamespace = " + space + ") + (SELECT count(*) FROM pg_collation WHERE collnamespace = " + space + ")");
  };
  fs::create_directories(path("seed"));
  std::ofstream(path("seed/T00_GENERAL.tsv")) << "A:SHORT\n1\n";
  std::ofstream(path("seed/SELECT.tsv")) << "A:SHORT\n1\n";  // a table that cannot be created
  ::setenv("ZIVE_DATA_DIR", path("seed").c_str(), 1);
  EXPECT_EQ(zive({"init", path("failed"), "--server", server}).status, 1);
  ::unsetenv("ZIVE_DATA_DIR");
  EXPECT_EQ(objects(), "0");
  ASSERT_EQ(zive({"init", path("made"), "--server", server}).status, 0);
  const std::string made = objects();
  EXPECT_EQ(zive({"init", path("again"), "--server", server}).status, 1);
  EXPECT_EQ(objects(), made);
}

TEST_F(ZiveCommand, ImportMdbListsTheTablesAndNeverOverwrites) {
  const std::string nwind = std::string(ZIVE_ACCESS_TESTDATA) + "/nwind.mdb";
  const std::string db = path("nwind.zive");
  Outcome asJson = zive({"import-mdb", "--json", nwind, db});
  ASSERT_EQ(asJson.status, 0) << asJson.err;
  auto tables = json::parse(asJson.out)["tables"];
  ASSERT_EQ(tables.size(), 9u);
  EXPECT_EQ(tables[8], json({{"name", "Umsätze"}, {"rows", 830}}));

  Outcome picture = zive({"sql", "--json", db, "SELECT Picture FROM Categories WHERE CategoryID = 1"});
  ASSERT_EQ(picture.status, 0) << picture.err;
  EXPECT_TRUE(json::parse(picture.out)["rows"][0][0].contains("$bytes"));

  const std::string before = readFile(db);
  Outcome again = zive({"import-mdb", nwind, db});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("3204"), std::string::npos) << again.err;
  EXPECT_EQ(readFile(db), before);

  Outcome opened = zive({"sql", nwind, "SELECT * FROM Orders"});
  EXPECT_EQ(opened.status, 1);
  EXPECT_NE(opened.err.find("zive import-mdb"), std::string::npos) << opened.err;
}

TEST(ForeignContents, EveryReaderGivesTheSameValueOrTheSameError) {
  SKIP_ON_SERVER("the values are written past the checks with SQLite");
  // `listed`: the field's column in cZIVEDeclaraciones.ObtenerDeclaraciones.
  const struct { const char* field; int listed; const char* stored; Variant value; const char* cell; } cases[] = {
      {"T02_MODELO", 5, "CAST(x'FF41' AS TEXT)", Variant("ÿA"), "ÿA"},  // not UTF-8
      {"T02_MODELO", 5, "CAST(x'35C3' AS TEXT)", Variant("5Ã"), "5Ã"},  // an incomplete sequence
      {"T02_CAE", 8, "x'4EFF'", Variant("Nÿ"), "Nÿ"},                    // binary data in a text field
      {"T02_TIPOL", 6, "2.5", Variant(uint8_t(2)), "2"},                  // a fraction in a Byte field
      {"T02_TIPOL", 6, "300", Variant(), nullptr},                        // out of a Byte's range
      {"T02_TIPOL", 6, "'abc'", Variant(), nullptr},                      // a text that is no number
      {"T02_EJER", 2, "x'01'", Variant(), nullptr},                       // binary data in a Long field
      {"T02_IMPFIN", 7, "9e999", Variant(), nullptr},                     // infinity in a Double field
      {"T02_IMPFIN", 7, "'NaN'", Variant(), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " = " + c.stored);
    TempDir dir;
    const std::string mod = freshModifiable(dir);
    execute(mod, "INSERT INTO T02_DECLARACIONES (T02_CSDE, T02_EJER, T02_MODELO, T02_TIPOL) VALUES (1, 2024, '560', 1)");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(mod.c_str(), &raw), SQLITE_OK);
    const std::string write = "PRAGMA ignore_check_constraints = ON; UPDATE T02_DECLARACIONES SET " +
                              std::string(c.field) + " = " + c.stored;
    EXPECT_EQ(sqlite3_exec(raw, write.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);

    const std::string query = "SELECT " + std::string(c.field) + " FROM T02_DECLARACIONES";
    const Outcome asJson = zive(dir, {"sql", "--json", mod, query}), plain = zive(dir, {"sql", mod, query});
    const Outcome listed =
        zive(dir, {"call", "--json", "--typed", "--mod", mod, "cZIVEDeclaraciones.ObtenerDeclaraciones", "1"});
    const auto read = [&] { return engine::DBEngine::forThread().openDatabase(mod)->openRecordset(query)->value(0); };
    const json sqlOut = json::parse(asJson.out), callOut = json::parse(listed.out);
    if (c.cell) {
      EXPECT_EQ(read(), c.value);
      EXPECT_EQ(variantFromJson(sqlOut["rows"][0][0]).toText(), c.cell);
      EXPECT_EQ(sqlOut["rows"][0][0].is_string(), c.value.isString());
      EXPECT_NE(plain.out.find(c.cell), std::string::npos) << plain.out;
      EXPECT_EQ(variantFromJson(callOut["result"]["$array"]["values"][c.listed][1]), c.value);
      continue;
    }
    const std::string field = "'T02_DECLARACIONES." + std::string(c.field) + "'";
    const Raised e = raisedBy([&] { read(); });
    EXPECT_EQ(e.number, engine::kTypeMismatchInExpression);
    EXPECT_NE(e.description.find(field), std::string::npos) << e.description;
    EXPECT_EQ(sqlOut["number"], engine::kTypeMismatchInExpression);
    EXPECT_EQ(callOut["number"], engine::kTypeMismatchInExpression);
    EXPECT_NE(callOut["description"].get<std::string>().find(field), std::string::npos) << listed.out;
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("error 3464"), std::string::npos) << plain.err;
  }
}

// --- The JSON encoding of variants -------------------------------------------------

// An array of `bounds` holding `elements` in storage order, the first subscript fastest.
Variant arrayOf(std::vector<ArrayBound> bounds, std::vector<Variant> elements) {
  VariantArray a(std::move(bounds));
  a.elements() = std::move(elements);
  return Variant(std::move(a));
}

Variant table2x3() { return arrayOf({{0, 2}, {0, 1}}, {{}, {}, {}, Variant(int32_t(1)), Variant("uno"), Variant::null()}); }

TEST(JsonVariant, EveryKindOfValueSurvivesPlainAndTyped) {
  const struct { const char* name; Variant value; } cases[] = {
      {"Empty", Variant()}, {"Null", Variant::null()}, {"True", Variant(true)}, {"Byte255", Variant(uint8_t(255))},
      {"IntegerMin", Variant(int16_t(-32768))}, {"LongMin", Variant(int32_t(INT32_MIN))},
      {"DoubleWhole", Variant(3.0)}, {"DoubleSum", Variant(0.1 + 0.2)}, {"DoubleBeyondLong", Variant(3e9)},
      {"Infinity", Variant(std::numeric_limits<double>::infinity())}, {"EmptyText", Variant("")},
      {"Text", Variant("Vitoria-Gasteiz")}, {"NumericText", Variant("12")}, {"Accents", Variant("Ñandú €")},
      {"TextLikeAnEncoding", Variant("{\"$empty\": true}")}, {"EmptyList", Variant(VariantArray::vector(0, -1))},
      {"ListFrom1", arrayOf({{1, 3}}, {Variant(uint8_t(0)), Variant(uint8_t(255)), Variant(int16_t(-1))})},
      {"Table", table2x3()}, {"EmptyTableRows", Variant(VariantArray::matrix(0, 6, 1, 0))},
      {"ThreeDimensions", arrayOf({{-1, 0}, {2, 3}, {0, 1}}, {Variant(0.5), Variant(1.5), Variant(2.5), Variant(3.5),
                                                             Variant(4.5), Variant(5.5), Variant(6.5), Variant(7.5)})},
      {"Nested", arrayOf({{0, 2}}, {arrayOf({{0, 1}}, {Variant("a"), {}}), Variant(true), table2x3()})},
      {"NoDimensions", Variant(VariantArray())},
      {"NoBytes", Variant(Bytes{})}, {"Bytes", Variant(Bytes{0, 0xFF, 'a'})}, {"BytesPadded", Variant(Bytes{1, 2, 3, 4})},
      {"Decimal", Variant(Variant("-79228162514264337593543950.335").toDecimal())},
  };
  for (const auto& c : cases) {
    for (bool typed : {false, true}) {
      const std::string text = variantToJson(c.value, typed).dump();
      SCOPED_TRACE(std::string(c.name) + (typed ? " typed: " : " plain: ") + text);
      Variant back = variantFromJson(json::parse(text));
      EXPECT_EQ(back.type(), c.value.type());
      EXPECT_EQ(back, c.value);
      EXPECT_EQ(variantFromArgument(text), c.value) << "as a command-line argument";
    }
  }
}

TEST(JsonVariant, NotANumberStaysADouble) {
  Variant back = variantFromJson(variantToJson(Variant(std::nan(""))));
  ASSERT_EQ(back.type(), VarType::Double);
  EXPECT_TRUE(std::isnan(back.asDouble()));
}

TEST(JsonVariant, TheWrittenForms) {
  const struct { Variant value; bool typed; const char* json; } cases[] = {
      {Variant(), false, R"({"$empty":true})"}, {Variant::null(), false, "null"}, {Variant(int32_t(5)), false, "5"},
      {Variant(int32_t(5)), true, R"({"$type":"Long","value":5})"},
      {Variant(int16_t(5)), false, R"({"$type":"Integer","value":5})"},
      {Variant("x"), true, R"({"$type":"String","value":"x"})"},
      {table2x3(), false,
       R"({"$array":{"lbound":[0,0],"ubound":[2,1],"values":[[{"$empty":true},1],[{"$empty":true},"uno"],[{"$empty":true},null]]}})"},
      {arrayOf({{0, 1}}, {Variant(1.5), {}}), false, R"([1.5,{"$empty":true}])"},
      {Variant(Bytes{'M', 'a', 'n', 'y'}), false, R"({"$bytes":"TWFueQ=="})"},
  };
  for (const auto& c : cases) EXPECT_EQ(variantToJson(c.value, c.typed).dump(), c.json);
}

TEST(JsonVariant, ArgumentsReadAsVariants) {
  const struct { std::string argument; Variant expected; } cases[] = {
      {"12", Variant(int32_t(12))}, {"-2147483648", Variant(INT32_MIN)}, {"2147483648", Variant(2147483648.0)},
      {"1.0", Variant(1.0)}, {"1e3", Variant(1000.0)}, {"hola", Variant("hola")},
      {"/data/ZIVEMOD.MDB", Variant("/data/ZIVEMOD.MDB")}, {"\"12\"", Variant("12")}, {"", Variant("")},
      {"null", Variant::null()}, {"true", Variant(true)},
      {R"({"$type":"Integer","value":"12"})", Variant(int16_t(12))},
      {R"({"$type":"Byte","value":2.5})", Variant(uint8_t(2))},
      {R"({"$type":"Boolean","value":1})", Variant(true)}, {R"({"$type":"String","value":12})", Variant("12")},
  };
  for (const auto& c : cases) {
    Variant v = variantFromArgument(c.argument);
    EXPECT_EQ(v.type(), c.expected.type()) << c.argument;
    EXPECT_EQ(v, c.expected) << c.argument;
  }
}

TEST(JsonVariant, MalformedEncodingsAreRefused) {
  for (const char* text :
       {R"({"foo":1})", R"({"$type":"Currency","value":1})", R"({"$type":"Long"})",
        R"({"$array":{"lbound":[1],"ubound":[2],"values":[1]}})",
        R"({"$array":{"lbound":[0,0],"ubound":[1]}})", R"({"$array":{"lbound":[0.5],"ubound":[1],"values":[1]}})",
        R"({"$object":12})", R"({"$bytes":"TWF"})", R"({"$bytes":"T=Fu"})", R"({"$bytes":1})",
        R"({"$array":{"lbound":[-2147483648],"ubound":[2147483647],"values":[]}})",
        R"({"$array":{"lbound":[1,1],"ubound":[100000,100000],"values":[]}})"}) {
    EXPECT_THROW(variantFromArgument(text), std::invalid_argument) << text;
  }
  // Arrays in arrays: as deep as an array's dimensions may be, no deeper.
  EXPECT_NO_THROW(variantFromArgument(std::string(60, '[') + std::string(60, ']')));
  EXPECT_THROW(variantFromArgument(std::string(10000, '[') + std::string(10000, ']')), std::invalid_argument);
  // Out of range for the type: the runtime's Overflow.
  EXPECT_THROW(variantFromArgument(R"({"$type":"Byte","value":256})"), AutomationError);
}

TEST(JsonVariant, ObjectsByClassName) {
  Variant v = variantFromArgument(R"({"$object":"svrZIVE.cZIVEConexionDAO"})");
  ASSERT_TRUE(v.isObject());
  EXPECT_EQ(variantToJson(v).dump(), R"({"$object":"cZIVEConexionDAO"})");
  Variant nothing = variantFromArgument(R"({"$object":null})");
  EXPECT_TRUE(nothing.isObject());
  EXPECT_EQ(variantToJson(nothing).dump(), R"({"$object":null})");
  EXPECT_THROW(variantFromArgument(R"({"$object":"svrZIVE.cZIVENoExiste"})"), AutomationError);
}

}  // namespace
}  // namespace svrZIVE::testing
