// The reference seed files and the reference database built from them.
#include "reference/reference_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "engine/dao.h"
#include "frame/automation_error.h"
#include "frame/variant.h"
#include "tests/reference/sample_databases.h"

namespace svrZIVE {
namespace {

namespace fs = std::filesystem;

using testing::TempDir;

const std::vector<SeedTable>& seed() {
  static const std::vector<SeedTable> tables = readReferenceSeed(findReferenceSeedDir());
  return tables;
}

const SeedTable& seedTable(const std::string& name) {
  for (const auto& t : seed()) {
    if (t.name == name) return t;
  }
  throw std::runtime_error("no seed table " + name);
}

size_t columnIndex(const SeedTable& t, const std::string& name) {
  for (size_t c = 0; c < t.columns.size(); ++c) {
    if (t.columns[c].name == name) return c;
  }
  throw std::runtime_error("no column " + name + " in " + t.name);
}

std::string cell(const SeedTable& t, size_t row, const std::string& column) {
  return t.rows.at(row).at(columnIndex(t, column)).value();
}

int number(const SeedTable& t, size_t row, const std::string& column) {
  return std::stoi(cell(t, row, column));
}

// Body code -> number of its rate column T07_TIPOnn.
const std::map<int, int> kRateColumn = {{1, 2},   {2, 3},   {3, 4},   {4, 5},   {6, 6},   {7, 7},
                                        {8, 8},   {9, 9},   {10, 10}, {11, 11}, {12, 12}, {13, 13},
                                        {14, 14}, {16, 15}, {17, 16}, {20, 17}, {21, 1},  {22, 18}};

// ---------------------------------------------------------------- seed files

TEST(ReferenceSeed, HasEveryTableTheServerReads) {
  std::set<std::string> names;
  for (const auto& t : seed()) names.insert(t.name);
  for (const char* name : {"T00_GENERAL", "T01_PROVINCIAS", "T02_MUNICIPIOS", "T03_SIGLASVIA",
                           "T01_TIPOS", "T04_TIPOS1", "T05_TIPOS2", "T06_TIPOS3", "T07_TIPOS4",
                           "TAUX_ADMCOM", "TBANCOS"}) {
    EXPECT_TRUE(names.count(name)) << name;
  }
}

TEST(ReferenceSeed, GeneralRowSaysItIsSampleData) {
  const auto& t = seedTable("T00_GENERAL");
  ASSERT_EQ(t.rows.size(), 1u);
  EXPECT_EQ(cell(t, 0, "T00_EJEPERMIN"), "201301");
  EXPECT_EQ(cell(t, 0, "T00_EJEPERMAX"), "202512");
  EXPECT_FALSE(cell(t, 0, "T00_URLACT").empty());
  EXPECT_NE(cell(t, 0, "T00_AVISO").find("ejemplo"), std::string::npos);
}

TEST(ReferenceSeed, FiftyTwoProvincesWithBothNames) {
  const auto& t = seedTable("T01_PROVINCIAS");
  ASSERT_EQ(t.rows.size(), 52u);
  for (size_t r = 0; r < t.rows.size(); ++r) {
    EXPECT_EQ(number(t, r, "TPRO_CODI"), static_cast<int>(r) + 1);
    EXPECT_FALSE(cell(t, r, "TPRO_NCAS").empty());
    EXPECT_FALSE(cell(t, r, "TPRO_NEUS").empty());
  }
  EXPECT_EQ(cell(t, 0, "TPRO_NEUS"), "Araba");
  EXPECT_EQ(cell(t, 47, "TPRO_NEUS"), "Bizkaia");
  EXPECT_EQ(cell(t, 19, "TPRO_NEUS"), "Gipuzkoa");
  EXPECT_EQ(cell(t, 30, "TPRO_NEUS"), "Nafarroa");
  EXPECT_EQ(cell(t, 14, "TPRO_NCAS"), "A Coruña");
}

TEST(ReferenceSeed, MunicipalityCodesAreUniqueSixteenBitNumbers) {
  const auto& t = seedTable("T02_MUNICIPIOS");
  EXPECT_EQ(t.rows.size(), 51u);
  EXPECT_EQ(t.columns[columnIndex(t, "TMUN_CODI")].type, engine::DaoType::Integer);
  std::set<int> codes;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    int code = number(t, r, "TMUN_CODI");
    EXPECT_GT(code, 0);
    EXPECT_LE(code, 32767);
    EXPECT_TRUE(codes.insert(code).second) << "code " << code << " twice";
  }
}

TEST(ReferenceSeed, StreetTypesHaveTwoLetterCodes) {
  const auto& t = seedTable("T03_SIGLASVIA");
  EXPECT_GE(t.rows.size(), 10u);
  std::set<std::string> codes;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    EXPECT_EQ(cell(t, r, "TSIG_CODI").size(), 2u);
    EXPECT_TRUE(codes.insert(cell(t, r, "TSIG_CODI")).second);
  }
  EXPECT_EQ(cell(t, 0, "TSIG_CODI"), "CL");
  EXPECT_EQ(cell(t, 0, "TSIG_NEUS"), "Kalea");
}

TEST(ReferenceSeed, AdministrativeBodiesFollowTheRateColumns) {
  const auto& t = seedTable("TAUX_ADMCOM");
  ASSERT_GE(t.rows.size(), 17u);
  EXPECT_EQ(t.columns[columnIndex(t, "TADM_COD")].type, engine::DaoType::Text);
  std::set<std::string> codes;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    std::string code = cell(t, r, "TADM_COD");
    ASSERT_EQ(code.size(), 2u);
    EXPECT_TRUE(codes.insert(code).second);
    ASSERT_TRUE(kRateColumn.count(std::stoi(code))) << code << " has no rate column";
    // The list of bodies with their rates pairs row r with T07_TIPO(r + 2).
    if (r < 17) {
      EXPECT_EQ(kRateColumn.at(std::stoi(code)), static_cast<int>(r) + 2) << code;
    }
    EXPECT_FALSE(cell(t, r, "TADM_DESC").empty());
    EXPECT_FALSE(cell(t, r, "TADM_DESE").empty());
  }
}

TEST(ReferenceSeed, GeneralRateSetsSuitTheUnpaddedLookup) {
  const auto& t = seedTable("T01_TIPOS");
  std::set<std::pair<int, int>> sets;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    sets.insert({number(t, r, "T01_EJERCICIO"), number(t, r, "T01_PERIODO")});
  }
  ASSERT_GE(sets.size(), 3u);
  bool oneDigit = false, twoDigits = false;
  for (auto [year, period] : sets) {
    if (period < 10) {
      oneDigit = true;
    } else {
      twoDigits = true;
      // A one-digit request never sees this set: the next set must start
      // with the next year's first period.
      EXPECT_TRUE(sets.count({year + 1, 1})) << year << "/" << period;
    }
  }
  EXPECT_TRUE(oneDigit);
  EXPECT_TRUE(twoDigits);
  EXPECT_LT(sets.rbegin()->second, 10) << "the last set needs a one-digit period";
}

TEST(ReferenceSeed, Form560HasOneRowPerRateSet) {
  const auto& t = seedTable("T04_TIPOS1");
  std::set<std::pair<int, int>> sets;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    EXPECT_TRUE(sets.insert({number(t, r, "T04_EJER"), number(t, r, "T04_PER")}).second);
  }
  EXPECT_TRUE(sets.count({2013, 1}));
  EXPECT_TRUE(sets.count({2014, 7}));
}

// Epigraphs listed more than once within one rate set, per model.
std::map<std::string, int> repeatedEpigraphs(const SeedTable& t, const std::string& prefix) {
  std::map<std::string, int> seen;
  for (size_t r = 0; r < t.rows.size(); ++r) {
    std::string key = cell(t, r, prefix + "_MOD") + "/" + cell(t, r, prefix + "_EJER") + "/" +
                      cell(t, r, prefix + "_PER") + "/" + cell(t, r, prefix + "_EPIEXT");
    ++seen[key];
  }
  std::map<std::string, int> repeated;
  for (const auto& [key, count] : seen) {
    if (count > 1) repeated[key.substr(0, 3)] += 1;
  }
  return repeated;
}

TEST(ReferenceSeed, EpigraphRatesRepeatAnEpigraphInSomeSet) {
  auto repeated = repeatedEpigraphs(seedTable("T05_TIPOS2"), "T05");
  EXPECT_TRUE(repeated.count("562"));
  EXPECT_TRUE(repeated.count("563"));
  std::set<std::string> models;
  const auto& t = seedTable("T05_TIPOS2");
  for (size_t r = 0; r < t.rows.size(); ++r) models.insert(cell(t, r, "T05_MOD"));
  EXPECT_EQ(models, (std::set<std::string>{"561", "562", "563", "564", "566"}));
}

TEST(ReferenceSeed, RegionalRatesHaveEighteenColumns) {
  const auto& t = seedTable("T07_TIPOS4");
  for (int i = 1; i <= 18; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "T07_TIPO%02d", i);
    EXPECT_EQ(t.columns.at(columnIndex(t, name)).type, engine::DaoType::Double);
  }
  auto repeated = repeatedEpigraphs(t, "T07");
  EXPECT_TRUE(repeated.count("581"));
  // The list of bodies reads the epigraph's row with TOP 1: one row per set.
  EXPECT_FALSE(repeated.count("582"));
  bool zero = false;
  for (size_t r = 0; r < t.rows.size(); ++r) zero |= cell(t, r, "T07_TIPO13") == "0";
  EXPECT_TRUE(zero);
}

TEST(ReferenceSeed, ProductListsForSeveralModels) {
  const auto& t = seedTable("T06_TIPOS3");
  std::set<std::string> models;
  for (size_t r = 0; r < t.rows.size(); ++r) models.insert(cell(t, r, "T06_MOD"));
  EXPECT_GE(models.size(), 3u);
}

// ------------------------------------------------------- statements and parse

SeedTable smallTable() {
  SeedTable t;
  t.name = "TX";
  t.columns = {{"A", engine::DaoType::Integer, 2, "SHORT"},
               {"B", engine::DaoType::Text, 10, "TEXT(10)"},
               {"C", engine::DaoType::Double, 8, "DOUBLE"}};
  t.rows = {{"7", "L'Hospitalet", "0.50"}, {"-3", std::nullopt, "1e3"}};
  return t;
}

TEST(ReferenceStatements, CreateTable) {
  EXPECT_EQ(createTableStatement(smallTable()), "CREATE TABLE TX (A SHORT, B TEXT(10), C DOUBLE)");
}

TEST(ReferenceStatements, InsertQuotesTextsAndWritesNumbers) {
  auto t = smallTable();
  EXPECT_EQ(insertStatement(t, 0), "INSERT INTO TX (A, B, C) VALUES (7, 'L''Hospitalet', 0.5)");
  EXPECT_EQ(insertStatement(t, 1), "INSERT INTO TX (A, B, C) VALUES (-3, NULL, 1000)");
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string seedFailure(const std::string& content) {
  TempDir dir;
  writeFile(dir.path() / "T00_GENERAL.tsv", content);
  try {
    readReferenceSeed(dir.path().string());
  } catch (const AutomationError& e) {
    return e.description();
  }
  return "no failure";
}

TEST(ReferenceSeedParse, ReadsNullsAndSkipsBlankLines) {
  TempDir dir;
  writeFile(dir.path() / "TB.tsv", "X:LONG\tY:TEXT(3)\r\n1\tabc\r\n\n2\t\\N\n");
  writeFile(dir.path() / "TA.tsv", "Z:BYTE\n255\n");
  writeFile(dir.path() / "notes.txt", "ignored");
  auto tables = readReferenceSeed(dir.path().string());
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].name, "TA");
  EXPECT_EQ(tables[1].name, "TB");
  ASSERT_EQ(tables[1].rows.size(), 2u);
  EXPECT_EQ(tables[1].rows[0][1], std::optional<std::string>("abc"));
  EXPECT_EQ(tables[1].rows[1][1], std::nullopt);
  EXPECT_EQ(tables[1].columns[0].type, engine::DaoType::Long);
  EXPECT_EQ(tables[1].columns[1].size, 3);
}

TEST(ReferenceSeedParse, ReportsTheFileAndLine) {
  EXPECT_EQ(seedFailure("A:SHORT\n1\nx\n"),
            "Reference seed T00_GENERAL.tsv line 3: A 'x' is not a number");
  EXPECT_EQ(seedFailure("A:SHORT\n40000\n"),
            "Reference seed T00_GENERAL.tsv line 2: A '40000' does not fit Integer");
  EXPECT_EQ(seedFailure("A:SHORT\tB:TEXT(2)\n1\n"),
            "Reference seed T00_GENERAL.tsv line 2: 1 cells for 2 columns");
  EXPECT_EQ(seedFailure("A:TEXT(2)\nñññ\n"),
            "Reference seed T00_GENERAL.tsv line 2: A is longer than 2");
  EXPECT_EQ(seedFailure("A:TEXT(2)\nññ\n"), "no failure");
  EXPECT_EQ(seedFailure("A:CHAR\n"), "Reference seed T00_GENERAL.tsv line 1: unknown type in 'A:CHAR'");
  EXPECT_EQ(seedFailure("A\n"), "Reference seed T00_GENERAL.tsv line 1: column 'A' has no type");
}

TEST(ReferenceSeedParse, MissingFolder) {
  try {
    readReferenceSeed("/nonexistent/zive/reference");
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), engine::kFileNotFound);
  }
}

TEST(ReferenceSeedDir, EnvironmentVariableWins) {
  TempDir dir;
  fs::create_directories(dir.path() / "reference");
  writeFile(dir.path() / "reference" / "T00_GENERAL.tsv", "A:SHORT\n");
  const char* before = std::getenv("ZIVE_DATA_DIR");
  std::string saved = before ? before : "";
  ::setenv("ZIVE_DATA_DIR", dir.path().c_str(), 1);
  std::string found = findReferenceSeedDir();
  if (before) {
    ::setenv("ZIVE_DATA_DIR", saved.c_str(), 1);
  } else {
    ::unsetenv("ZIVE_DATA_DIR");
  }
  EXPECT_EQ(found, (dir.path() / "reference").string());
}

// ------------------------------------------------------------------ database

class ReferenceDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = engine::DBEngine::forThread().openDatabase(testing::sampleReferenceDatabase());
  }
  void TearDown() override { db_->close(); }

  Variant scalar(const std::string& sql) {
    auto rs = db_->openRecordset(sql);
    Variant v = rs->eof() ? Variant::null() : rs->value(0);
    rs->close();
    return v;
  }

  std::shared_ptr<engine::Database> db_;
};

TEST_F(ReferenceDatabase, HoldsEverySeedTableWithItsRows) {
  for (const auto& t : seed()) {
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM " + t.name).toLong(), static_cast<int32_t>(t.rows.size()))
        << t.name;
  }
}

TEST_F(ReferenceDatabase, ColumnsHaveTheSeedTypes) {
  for (const auto& t : seed()) {
    auto def = db_->tableDefs().item(t.name);
    ASSERT_EQ(def->fields().count(), static_cast<int32_t>(t.columns.size())) << t.name;
    for (size_t c = 0; c < t.columns.size(); ++c) {
      auto field = def->fields().item(static_cast<int32_t>(c));
      EXPECT_EQ(field->name(), t.columns[c].name);
      EXPECT_EQ(field->type(), t.columns[c].type) << t.name << "." << t.columns[c].name;
      if (t.columns[c].type == engine::DaoType::Text) {
        EXPECT_EQ(field->size(), t.columns[c].size);
      }
    }
  }
}

TEST_F(ReferenceDatabase, NamesWithAccentsRoundTrip) {
  EXPECT_EQ(scalar("SELECT TPRO_NCAS FROM T01_PROVINCIAS WHERE TPRO_CODI = 15"), Variant("A Coruña"));
  EXPECT_EQ(scalar("SELECT TPRO_NCAS FROM T01_PROVINCIAS WHERE TPRO_CODI = 1"), Variant("Álava"));
  EXPECT_EQ(scalar("SELECT TPRO_NEUS FROM T01_PROVINCIAS WHERE TPRO_CODI = 1"), Variant("Araba"));
  EXPECT_EQ(scalar("SELECT TMUN_NOMB FROM T02_MUNICIPIOS WHERE TMUN_CODI = 1006"), Variant("Armiñón"));
  EXPECT_EQ(scalar("SELECT TSIG_NCAS FROM T03_SIGLASVIA WHERE TSIG_CODI  = 'TR'"), Variant("Travesía"));
  EXPECT_EQ(scalar("SELECT TBAN_COLA FROM TBANCOS WHERE TBAN_CODI = '0019'"),
            Variant("Deutsche Bank España"));
}

TEST_F(ReferenceDatabase, BodiesComeBackInTableOrder) {
  const auto& t = seedTable("TAUX_ADMCOM");
  auto rs = db_->openRecordset("Select TADM_COD, TADM_DESC  from TAUX_ADMCOM");
  for (size_t r = 0; r < t.rows.size(); ++r, rs->moveNext()) {
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->value(0), Variant(cell(t, r, "TADM_COD")));
  }
  EXPECT_TRUE(rs->eof());
  rs->close();
}

// The general-rate lookup as the server writes it: year and period joined
// without padding, compared with the concatenated row key.
Variant generalRateSet(engine::Database& db, int year, int period) {
  auto rs = db.openRecordset(
      "Select top 1 T01_EJERCICIO, T01_PERIODO from T01_TIPOS where T01_EJERCICIO & T01_PERIODO <= " +
      std::to_string(year) + std::to_string(period) + " ORDER BY T01_EJERCICIO desc, T01_PERIODO desc");
  Variant found = rs->eof() ? Variant::null()
                            : Variant(std::to_string(rs->value(0).toLong()) + "/" +
                                      std::to_string(rs->value(1).toLong()));
  rs->close();
  return found;
}

TEST_F(ReferenceDatabase, GeneralRateSetsAsTheUnpaddedLookupFindsThem) {
  EXPECT_TRUE(generalRateSet(*db_, 2012, 6).isNull());
  EXPECT_EQ(generalRateSet(*db_, 2013, 1), Variant("2013/1"));
  EXPECT_EQ(generalRateSet(*db_, 2016, 3), Variant("2015/7"));
  EXPECT_EQ(generalRateSet(*db_, 2018, 5), Variant("2018/1"));
  EXPECT_EQ(generalRateSet(*db_, 2024, 3), Variant("2021/1"));
  EXPECT_EQ(generalRateSet(*db_, 2024, 12), Variant("2021/1"));
  // The limitation: a two-digit period before the last set sees every set
  // with a one-digit period.
  EXPECT_EQ(generalRateSet(*db_, 2017, 11), Variant("2021/1"));
  EXPECT_EQ(generalRateSet(*db_, 2012, 12), Variant("2021/1"));
}

TEST_F(ReferenceDatabase, Form560SetInForce) {
  auto tipo = [&](int key) {
    return scalar("Select top 1 T04_TIPO,T04_TIPO1,T04_TIPO2 from T04_TIPOS1 where T04_EJER   &  "
                  "format(T04_PER,'00')  <= " +
                  std::to_string(key) + " ORDER BY T04_EJER desc, T04_PER desc");
  };
  EXPECT_EQ(tipo(201403).toDouble(), 4.86433);
  EXPECT_EQ(tipo(201407).toDouble(), 5.11269632);
  EXPECT_EQ(tipo(202111).toDouble(), 0.5);
  EXPECT_TRUE(tipo(201212).isNull());
}

TEST(ReferenceDatabaseCreate, NeverOverwrites) {
  TempDir dir;
  fs::path path = dir.path() / "ZIVELEC.MDB";
  writeFile(path, "not a database");
  try {
    createReferenceDatabase(path.string(), findReferenceSeedDir());
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), engine::kDatabaseExists);
  }
  std::ifstream in(path);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "not a database");
}

TEST(ReferenceDatabaseCreate, BadSeedLeavesNoFile) {
  TempDir dir;
  fs::path seedDir = dir.path() / "seed";
  fs::create_directories(seedDir);
  writeFile(seedDir / "T00_GENERAL.tsv", "A:SHORT\nx\n");
  fs::path path = dir.path() / "ZIVELEC.MDB";
  EXPECT_THROW(createReferenceDatabase(path.string(), seedDir.string()), AutomationError);
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace svrZIVE
