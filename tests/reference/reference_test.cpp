// cZIVEDatosGeneral and cZIVEGeneral on the sample reference database and a
// small modifiable database; the reference seed files and the reference
// database built from them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/automation_error.h"
#include "engine/dao.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"
#include "reference/cZIVEDatosGeneral.h"
#include "reference/cZIVEGeneral.h"
#include "reference/reference_database.h"
#include "tests/support/test_databases.h"

namespace svrZIVE::testing {
namespace {

namespace fs = std::filesystem;

class ReferenceServices : public ::testing::Test {
 protected:
  void SetUp() override {
    // The settings table and the declarant table, without rows.
    modifiable_ = databaseWith(dir_, "ZIVEMOD.MDB",
                               {"CREATE TABLE T00_GENERAL (T00_Idioma TEXT(5), T00_ActOnline SHORT)",
                                "CREATE TABLE T01_DECLARANTES (T01_CSDE COUNTER, T01_NIF TEXT(9), T01_NOMB TEXT(60))"});
    datos_.mdblec(sampleReference());
    datos_.mdbmod(modifiable_);
  }
  void TearDown() override { ZIVEGeneral::endThreadState(); }

  TempDir dir_;
  std::string modifiable_;
  cZIVEDatosGeneral datos_;
  cZIVEGeneral general_;
};

TEST_F(ReferenceServices, NamesByLanguageInUpperCase) {
  auto& d = datos_;
  const std::pair<std::string, std::string> cases[] = {  // any language but 0 is Basque; municipalities have one
      {d.ObtenerNombreProvincia(1, 0), "ÁLAVA"}, {d.ObtenerNombreProvincia(1, 1), "ARABA"},
      {d.ObtenerNombreProvincia(48, 7), "BIZKAIA"}, {d.ObtenerNombreProvincia(99, 0), ""},
      {d.ObtenerNombreMunicipio(1006, 0), "ARMIÑÓN"}, {d.ObtenerNombreMunicipio(1006, 1), "ARMIÑÓN"},
      {d.ObtenerNombreCalle("CL", 0), "CALLE"}, {d.ObtenerNombreCalle("CL", 1), "KALEA"},
      {d.ObtenerNombreCalle("tr", 0), "TRAVESÍA"}, {d.ObtenerNombreCalle("XX", 0), ""},
      {d.ObtenerURLAct(), "HTTP://WWW.EXAMPLE.COM/ZIVE/ACTUALIZACIONES/"},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(name, expected);
  // The lookups close the database.
  auto reference = ZIVEGeneral::sharedConnection().referenceDatabase();
  EXPECT_TRUE(reference && !reference->isOpen());
  EXPECT_EQ(raisedBy([&] { datos_.ObtenerNombreCalle("C'L", 0); }).number, engine::kSyntaxErrorInExpression);
}

TEST_F(ReferenceServices, CargarResultadoFillsAPairTable) {
  // The first two columns, one row a record; without records one empty row.
  Variant buffer("old");
  datos_.CargarResultado(
      "SELECT TPRO_CODI, TPRO_NCAS, TPRO_NEUS FROM T01_PROVINCIAS WHERE TPRO_CODI <= 3 ORDER BY TPRO_CODI", buffer);
  EXPECT_EQ(buffer.array().bounds(), (std::vector<ArrayBound>{{0, 1}, {0, 2}}));
  EXPECT_EQ(buffer.array().at({1, 0}), Variant("Álava"));
  EXPECT_EQ(buffer.array().at({1, 2}), Variant("Alicante"));
  datos_.CargarResultado("SELECT TPRO_CODI, TPRO_NCAS FROM T01_PROVINCIAS WHERE TPRO_CODI = 0", buffer);
  EXPECT_EQ(buffer, Variant(VariantArray::matrix(0, 1, 0, 0)));

  // One column: the first value is written, then the missing second fails.
  const std::string one = "SELECT TPRO_CODI FROM T01_PROVINCIAS WHERE TPRO_CODI = 2";
  EXPECT_EQ(raisedBy([&] { datos_.CargarResultado(one, buffer); }).number, engine::kItemNotFound);
  EXPECT_EQ(buffer.array().at({0, 0}).toLong(), 2);

  // Through late binding the caller's buffer is filled.
  std::vector<Variant> args{Variant("Select TBAN_CODI, TBAN_COLA From TBANCOS order by TBAN_CODI"), Variant()};
  CreateObject("svrZIVE.cZIVEDatosGeneral")->invoke("CargarResultado", args);
  EXPECT_EQ(args[1].array().at({0, 0}), Variant("0019"));
}

TEST_F(ReferenceServices, PeriodRangeAndGeneralRates) {
  Variant range;
  datos_.CargarDatosGenerales(range);
  EXPECT_EQ(range.array().elements(), (std::vector<Variant>{Variant(201301), Variant(202512)}));

  const std::vector<Variant> latest = {Variant(1022.37), Variant(41.56), Variant(69.79), Variant(1.06)};
  const struct { int16_t year, period; std::vector<Variant> rates; } cases[] = {  // no rates: Null
      {2012, 6, {}}, {2016, 3, {Variant(958.94), Variant(38.98), Variant(65.46), Variant(0.99)}}, {2024, 3, latest},
      // Year and period are joined without padding: a two-digit period before
      // the last set sees every set with a one-digit period.
      {2017, 11, latest},
  };
  for (const auto& c : cases) {
    Variant list = datos_.CargarTipImp(c.year, c.period);
    EXPECT_EQ(list.isNull() ? std::vector<Variant>{} : list.array().elements(), c.rates) << c.year << "/" << c.period;
    EXPECT_EQ(list.isNull(), c.rates.empty());
  }
}

TEST_F(ReferenceServices, ProductListsAndBanks) {
  Variant list = datos_.CargarListasProd("553", "T06_TIPO = 'P'");
  EXPECT_EQ(list.array().bounds(), (std::vector<ArrayBound>{{0, 6}, {0, 3}})) << "six columns and an empty seventh";
  EXPECT_EQ(list.array().at({4, 1}), Variant("Vino tranquilo"));
  EXPECT_TRUE(datos_.CargarListasProd("999", "T06_TIPO = 'P'").isNull());
  EXPECT_EQ(raisedBy([&] { datos_.CargarListasProd("553", "T06_TIPO = = 'P'"); }).number,
            engine::kSyntaxErrorInExpression);

  Variant banks = datos_.RellenarBancos();
  EXPECT_EQ(banks.array().bounds(), (std::vector<ArrayBound>{{0, 2}, {0, 10}}));
  EXPECT_EQ(banks.array().at({0, 10}), Variant("3035"));
}

TEST_F(ReferenceServices, FailuresAnnotatedOrPassedOn) {
  const struct { const char* prefix; int32_t error; std::function<void()> work; } cases[] = {  // "": unannotated
      {"cZIVEDatosGenerales.RellenarBancos ", engine::kFileNotFound, [&] { datos_.RellenarBancos(); }},
      {"", engine::kFileNotFound, [&] { datos_.ObtenerURLAct(); }},
      {"cZIVEGeneral.ObtenerAdmCom", engine::kFileNotFound, [&] { general_.ObtenerAdmCom("C"); }},
      {"cZIVEGeneral.ObtenerAdmComID", engine::kSyntaxErrorInExpression,
       [&] { general_.mdblec(sampleReference()); general_.ObtenerAdmComID("0'1", "C"); }},
  };
  // The paths are the thread's: one object's change is every object's.
  general_.mdblec(dir_.file("missing.mdb"));
  for (const auto& c : cases) {
    Raised r = raisedBy(c.work);
    EXPECT_EQ(r.number, c.error) << c.prefix;
    const bool annotated = *c.prefix != 0;
    EXPECT_EQ(r.description.starts_with(annotated ? c.prefix : "cZIVE"), annotated) << r.description;
  }
  EXPECT_EQ(datos_.ObtenerNombreProvincia(2, 0), "ALBACETE");
}

TEST_F(ReferenceServices, Settings) {
  // The language and the online flag as read.
  auto settings = [&] { return datos_.ObtenerIdioma() + "/" + std::to_string(datos_.ObtenerActOnline()); };
  // Without a row: writes change nothing and reads give the defaults.
  datos_.CambiarIdioma("E");
  EXPECT_TRUE(datos_.GuardarActOnline(1).isEmpty());
  EXPECT_EQ(settings(), "C/0");

  execute(modifiable_, "INSERT INTO T00_GENERAL (T00_Idioma, T00_ActOnline) VALUES (' E ', 0)");
  EXPECT_EQ(settings(), "E/0");
  datos_.CambiarIdioma("C");
  datos_.GuardarActOnline(1);
  EXPECT_EQ(settings(), "C/1");
  auto modifiable = ZIVEGeneral::sharedConnection().modifiableDatabase();
  EXPECT_TRUE(modifiable && !modifiable->isOpen());

  // Writes reach every row.
  execute(modifiable_, "INSERT INTO T00_GENERAL (T00_Idioma, T00_ActOnline) VALUES ('C', 0)");
  datos_.CambiarIdioma("E");
  datos_.GuardarActOnline(-1);
  EXPECT_EQ(rows(modifiable_, "SELECT COUNT(*) FROM T00_GENERAL WHERE T00_Idioma = 'E' AND T00_ActOnline = -1"),
            (std::vector<std::vector<std::string>>{{"2"}}));

  // Nulls fail.
  execute(modifiable_, "UPDATE T00_GENERAL SET T00_Idioma = NULL, T00_ActOnline = NULL");
  EXPECT_EQ(raisedBy([&] { datos_.ObtenerIdioma(); }).number, kInvalidUseOfNull);
  EXPECT_EQ(raisedBy([&] { datos_.ObtenerActOnline(); }).number, kInvalidUseOfNull);
}

TEST_F(ReferenceServices, DeclarantsNewestFirst) {
  EXPECT_TRUE(general_.ExisteDec().isNull());
  execute(modifiable_, "INSERT INTO T01_DECLARANTES (T01_NIF, T01_NOMB) VALUES ('11111111H', 'Peña Ibáñez, Ane')");
  execute(modifiable_, "INSERT INTO T01_DECLARANTES (T01_NIF, T01_NOMB) VALUES ('22222222J', 'Otxoa, Jon')");
  Variant list = general_.ExisteDec();
  EXPECT_EQ(list.array().bounds(), (std::vector<ArrayBound>{{0, 3}, {0, 2}}));
  EXPECT_EQ(list.array().at({0, 1}).toLong(), 2);
  EXPECT_EQ(list.array().at({1, 1}), Variant("22222222J"));
  EXPECT_EQ(list.array().at({2, 2}), Variant("Peña Ibáñez, Ane"));
}

TEST_F(ReferenceServices, AdministrativeBodies) {
  Variant body = general_.ObtenerAdmComID("01", "C");
  EXPECT_EQ(body.array().bounds(), (std::vector<ArrayBound>{{0, 2}}));
  EXPECT_EQ(body.array()[1], Variant("Andalucía"));
  EXPECT_EQ(general_.ObtenerAdmComID("01", "E").array()[1], Variant("Andaluzia"));
  EXPECT_TRUE(general_.ObtenerAdmComID("05", "C").isNull());

  // All of them, in table order; only "C" is Spanish.
  Variant list = general_.ObtenerAdmCom("C");
  EXPECT_EQ(list.array().bounds(), (std::vector<ArrayBound>{{0, 2}, {0, 18}}));
  EXPECT_EQ(list.array().at({0, 18}), Variant("21"));
  EXPECT_EQ(general_.ObtenerAdmCom("c").array().at({1, 2}), Variant("Aragoi"));
  // The reference database stays open.
  auto reference = ZIVEGeneral::sharedConnection().referenceDatabase();
  EXPECT_TRUE(reference && reference->isOpen());
}

// --- The seed and the database built from it ------------------------------------

const std::vector<SeedTable>& seed() {
  static const std::vector<SeedTable> tables = readReferenceSeed(ZIVE_SEED_DIR);
  return tables;
}

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
  // The failed rows' transaction is not left open on the thread's workspace.
  EXPECT_EQ(raisedBy([] { engine::DBEngine::forThread().rollback(); }).number, engine::kNoTransaction);
}

}  // namespace
}  // namespace svrZIVE::testing
