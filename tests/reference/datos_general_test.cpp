// cZIVEDatosGeneral, cZIVET00 and cZIVEGeneral on the sample reference
// database and a small modifiable database.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "frame/automation.h"
#include "frame/automation_error.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/variant.h"
#include "frame/zive_general.h"
#include "reference/cZIVEDatosGeneral.h"
#include "reference/cZIVEGeneral.h"
#include "reference/cZIVET00.h"
#include "reference/text_case.h"
#include "tests/reference/sample_databases.h"

namespace svrZIVE {
namespace {

using testing::TempDir;

class ReferenceServices : public ::testing::Test {
 protected:
  void SetUp() override {
    ZIVEGeneral::endThreadState();
    modifiable_ = testing::createModifiableDatabase(dir_);
    datos_.mdblec(testing::sampleReferenceDatabase());
    datos_.mdbmod(modifiable_);
  }
  void TearDown() override { ZIVEGeneral::endThreadState(); }

  // Runs a statement on the modifiable database directly.
  void modify(const std::string& sql) {
    auto db = engine::DBEngine::forThread().openDatabase(modifiable_);
    db->execute(sql);
    db->close();
  }

  static int32_t errorOf(const std::function<void()>& work, std::string* description = nullptr) {
    try {
      work();
    } catch (const AutomationError& e) {
      if (description) *description = e.description();
      return e.number();
    }
    return 0;
  }

  TempDir dir_;
  std::string modifiable_;
  cZIVEDatosGeneral datos_;
  cZIVEGeneral general_;
};

// --- Text helpers ---------------------------------------------------------------

TEST(TextCase, UpperCasesAccentedLettersAndEnye) {
  EXPECT_EQ(upperCase("A Coruña"), "A CORUÑA");
  EXPECT_EQ(upperCase("Álava, Añana, Yécora, Güeñes"), "ÁLAVA, AÑANA, YÉCORA, GÜEÑES");
  EXPECT_EQ(upperCase("http://www.example.com/x"), "HTTP://WWW.EXAMPLE.COM/X");
  EXPECT_EQ(upperCase(""), "");
}

TEST(TextCase, TrimRemovesBlanksOnly) {
  EXPECT_EQ(trimBlanks("  E  "), "E");
  EXPECT_EQ(trimBlanks("   "), "");
  EXPECT_EQ(trimBlanks("\tE"), "\tE");
}

// --- Names ------------------------------------------------------------------------

TEST_F(ReferenceServices, ProvinceNamesByLanguage) {
  EXPECT_EQ(datos_.ObtenerNombreProvincia(1, 0), "ÁLAVA");
  EXPECT_EQ(datos_.ObtenerNombreProvincia(1, 1), "ARABA");
  EXPECT_EQ(datos_.ObtenerNombreProvincia(48, 7), "BIZKAIA");
  EXPECT_EQ(datos_.ObtenerNombreProvincia(15, 0), "A CORUÑA");
  EXPECT_EQ(datos_.ObtenerNombreProvincia(99, 0), "");
  EXPECT_EQ(datos_.ObtenerNombreProvincia(99, 1), "");
}

TEST_F(ReferenceServices, MunicipalityNamesIgnoreTheLanguage) {
  EXPECT_EQ(datos_.ObtenerNombreMunicipio(1006, 0), "ARMIÑÓN");
  EXPECT_EQ(datos_.ObtenerNombreMunicipio(1006, 1), "ARMIÑÓN");
  EXPECT_EQ(datos_.ObtenerNombreMunicipio(1059, 0), "VITORIA-GASTEIZ");
  EXPECT_EQ(datos_.ObtenerNombreMunicipio(6, 0), "");
}

TEST_F(ReferenceServices, StreetTypeNames) {
  EXPECT_EQ(datos_.ObtenerNombreCalle("CL", 0), "CALLE");
  EXPECT_EQ(datos_.ObtenerNombreCalle("CL", 1), "KALEA");
  EXPECT_EQ(datos_.ObtenerNombreCalle("tr", 0), "TRAVESÍA");
  EXPECT_EQ(datos_.ObtenerNombreCalle("XX", 0), "");
  EXPECT_EQ(errorOf([&] { datos_.ObtenerNombreCalle("C'L", 0); }), engine::kSyntaxErrorInExpression);
}

TEST_F(ReferenceServices, NameLookupsCloseTheDatabase) {
  datos_.ObtenerNombreProvincia(1, 0);
  auto& conexion = ZIVEGeneral::sharedConnection();
  ASSERT_TRUE(conexion.referenceDatabase());
  EXPECT_FALSE(conexion.referenceDatabase()->isOpen());
}

// --- Free query, period range, rates, address -----------------------------------

TEST_F(ReferenceServices, CargarResultadoFillsAPairTable) {
  Variant buffer;
  datos_.CargarResultado(
      "SELECT TPRO_CODI, TPRO_NCAS, TPRO_NEUS FROM T01_PROVINCIAS WHERE TPRO_CODI <= 3 ORDER BY TPRO_CODI",
      buffer);
  const VariantArray& a = buffer.array();
  ASSERT_EQ(a.dimensions(), 2u);
  EXPECT_EQ(a.ubound(1), 1);
  EXPECT_EQ(a.lbound(2), 0);
  EXPECT_EQ(a.ubound(2), 2);
  EXPECT_EQ(a.at({0, 0}).toLong(), 1);
  EXPECT_EQ(a.at({1, 0}), Variant("Álava"));
  EXPECT_EQ(a.at({1, 2}), Variant("Alicante"));
}

TEST_F(ReferenceServices, CargarResultadoWithoutRecordsLeavesOneEmptyRow) {
  Variant buffer("old");
  datos_.CargarResultado("SELECT TPRO_CODI, TPRO_NCAS FROM T01_PROVINCIAS WHERE TPRO_CODI = 0", buffer);
  const VariantArray& a = buffer.array();
  EXPECT_EQ(a.ubound(1), 1);
  EXPECT_EQ(a.ubound(2), 0);
  EXPECT_TRUE(a.at({0, 0}).isEmpty());
  EXPECT_TRUE(a.at({1, 0}).isEmpty());
}

TEST_F(ReferenceServices, CargarResultadoNeedsTwoColumns) {
  Variant buffer;
  EXPECT_EQ(errorOf([&] {
              datos_.CargarResultado("SELECT TPRO_CODI FROM T01_PROVINCIAS WHERE TPRO_CODI = 2", buffer);
            }),
            engine::kItemNotFound);
  ASSERT_TRUE(buffer.isArray());
  EXPECT_EQ(buffer.array().at({0, 0}).toLong(), 2);
}

TEST_F(ReferenceServices, CargarResultadoThroughLateBindingFillsTheCallersBuffer) {
  auto object = CreateObject("svrZIVE.cZIVEDatosGeneral");
  object->let("mdblec", Variant(testing::sampleReferenceDatabase()));
  std::vector<Variant> args{Variant("Select TBAN_CODI, TBAN_COLA From TBANCOS order by TBAN_CODI"),
                            Variant()};
  object->invoke("CargarResultado", args);
  ASSERT_TRUE(args[1].isArray());
  EXPECT_EQ(args[1].array().at({0, 0}), Variant("0019"));
  EXPECT_EQ(args[1].array().ubound(2), 9);
}

TEST_F(ReferenceServices, PeriodRange) {
  Variant buffer;
  datos_.CargarDatosGenerales(buffer);
  const VariantArray& a = buffer.array();
  EXPECT_EQ(a.lbound(), 0);
  EXPECT_EQ(a.ubound(), 1);
  EXPECT_EQ(a[0].toLong(), 201301);
  EXPECT_EQ(a[1].toLong(), 202512);
}

std::vector<double> rates(const Variant& list) {
  std::vector<double> out;
  for (const auto& v : list.array().elements()) out.push_back(v.toDouble());
  return out;
}

TEST_F(ReferenceServices, GeneralRatesOfAPeriod) {
  EXPECT_TRUE(datos_.CargarTipImp(2012, 6).isNull());
  EXPECT_EQ(rates(datos_.CargarTipImp(2014, 3)), (std::vector<double>{913.28, 37.12, 62.34, 0.94}));
  EXPECT_EQ(rates(datos_.CargarTipImp(2016, 3)), (std::vector<double>{958.94, 38.98, 65.46, 0.99}));
  EXPECT_EQ(rates(datos_.CargarTipImp(2018, 5)), (std::vector<double>{1006.89, 40.93, 68.73, 1.04}));
  EXPECT_EQ(rates(datos_.CargarTipImp(2024, 3)), (std::vector<double>{1022.37, 41.56, 69.79, 1.06}));
  EXPECT_EQ(rates(datos_.CargarTipImp(2024, 12)), (std::vector<double>{1022.37, 41.56, 69.79, 1.06}));
  Variant list = datos_.CargarTipImp(2014, 3);
  EXPECT_EQ(list.array().lbound(), 0);
  EXPECT_EQ(list.array().ubound(), 3);
}

TEST_F(ReferenceServices, GeneralRatesJoinYearAndPeriodWithoutPadding) {
  // A two-digit period before the last set sees every one-digit set.
  EXPECT_EQ(rates(datos_.CargarTipImp(2017, 11)), (std::vector<double>{1022.37, 41.56, 69.79, 1.06}));
  EXPECT_EQ(rates(datos_.CargarTipImp(2012, 12)), (std::vector<double>{1022.37, 41.56, 69.79, 1.06}));
}

TEST_F(ReferenceServices, UpdateAddressInUpperCase) {
  EXPECT_EQ(datos_.ObtenerURLAct(), "HTTP://WWW.EXAMPLE.COM/ZIVE/ACTUALIZACIONES/");
}

// --- Product lists and banks -------------------------------------------------------

TEST_F(ReferenceServices, ProductListOfAModel) {
  Variant list = datos_.CargarListasProd("553", "T06_TIPO = 'P'");
  const VariantArray& a = list.array();
  EXPECT_EQ(a.ubound(1), 6);  // six columns and the empty column 6
  EXPECT_EQ(a.ubound(2), 3);
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(a.at({0, r}), Variant("553"));
    EXPECT_EQ(a.at({1, r}).toLong(), r);
  }
  EXPECT_EQ(a.at({4, 1}), Variant("Vino tranquilo"));
  EXPECT_TRUE(a.at({6, 1}).isEmpty());
  EXPECT_TRUE(a.at({0, 0}).isEmpty());
  EXPECT_TRUE(datos_.CargarListasProd("999", "T06_TIPO = 'P'").isNull());
  EXPECT_EQ(errorOf([&] { datos_.CargarListasProd("553", "T06_TIPO = = 'P'"); }),
            engine::kSyntaxErrorInExpression);
}

TEST_F(ReferenceServices, BanksByCode) {
  Variant list = datos_.RellenarBancos();
  const VariantArray& a = list.array();
  EXPECT_EQ(a.ubound(1), 2);
  EXPECT_EQ(a.ubound(2), 10);
  EXPECT_EQ(a.at({0, 1}), Variant("0019"));
  EXPECT_EQ(a.at({1, 1}), Variant("Deutsche Bank España"));
  EXPECT_EQ(a.at({0, 10}), Variant("3035"));
}

TEST_F(ReferenceServices, BanksAnnotateFailures) {
  datos_.mdblec((dir_.path() / "missing.mdb").string());
  std::string description;
  EXPECT_EQ(errorOf([&] { datos_.RellenarBancos(); }, &description), engine::kFileNotFound);
  EXPECT_EQ(description.rfind("cZIVEDatosGenerales.RellenarBancos ", 0), 0u) << description;
  // The other operations pass failures on unchanged.
  EXPECT_EQ(errorOf([&] { datos_.ObtenerURLAct(); }, &description), engine::kFileNotFound);
  EXPECT_NE(description.rfind("cZIVE", 0), 0u) << description;
}

// --- Settings ------------------------------------------------------------------------

TEST_F(ReferenceServices, SettingsWithoutARow) {
  EXPECT_EQ(datos_.ObtenerIdioma(), "C");
  EXPECT_EQ(datos_.ObtenerActOnline(), 0);
  datos_.CambiarIdioma("E");
  EXPECT_TRUE(datos_.GuardarActOnline(1).isEmpty());
  EXPECT_EQ(datos_.ObtenerIdioma(), "C");
  EXPECT_EQ(datos_.ObtenerActOnline(), 0);
}

TEST_F(ReferenceServices, SettingsReadAndWritten) {
  modify("INSERT INTO T00_GENERAL (T00_Idioma, T00_ActOnline) VALUES (' E ', 0)");
  EXPECT_EQ(datos_.ObtenerIdioma(), "E");
  datos_.CambiarIdioma("C");
  EXPECT_EQ(datos_.ObtenerIdioma(), "C");
  EXPECT_TRUE(datos_.GuardarActOnline(1).isEmpty());
  EXPECT_EQ(datos_.ObtenerActOnline(), 1);
  auto& conexion = ZIVEGeneral::sharedConnection();
  ASSERT_TRUE(conexion.modifiableDatabase());
  EXPECT_FALSE(conexion.modifiableDatabase()->isOpen());
}

TEST_F(ReferenceServices, SettingsWriteEveryRow) {
  modify("INSERT INTO T00_GENERAL (T00_Idioma, T00_ActOnline) VALUES ('C', 0)");
  modify("INSERT INTO T00_GENERAL (T00_Idioma, T00_ActOnline) VALUES ('C', 0)");
  datos_.CambiarIdioma("E");
  datos_.GuardarActOnline(-1);
  auto db = engine::DBEngine::forThread().openDatabase(modifiable_);
  auto rs = db->openRecordset("SELECT COUNT(*) FROM T00_GENERAL WHERE T00_Idioma = 'E' AND T00_ActOnline = -1");
  EXPECT_EQ(rs->value(0).toLong(), 2);
  db->close();
}

TEST_F(ReferenceServices, NullSettingsFail) {
  modify("INSERT INTO T00_GENERAL (T00_Idioma, T00_ActOnline) VALUES (NULL, NULL)");
  EXPECT_EQ(errorOf([&] { datos_.ObtenerIdioma(); }), kInvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { datos_.ObtenerActOnline(); }), kInvalidUseOfNull);
}

TEST_F(ReferenceServices, RecordClassWorksOnTheOpenConnection) {
  modify("INSERT INTO T00_GENERAL (T00_Idioma, T00_ActOnline) VALUES ('E', 1)");
  ZIVEGeneral::sharedConnection().InicializaBD(modifiable_);
  cZIVET00 t00;
  EXPECT_EQ(t00.ObtenerIdioma(), "E");
  EXPECT_EQ(t00.ObtenerActOnline(), 1);
  t00.idioma("X");
  t00.GuardarIdioma();
  EXPECT_EQ(t00.ObtenerIdioma(), "X");
  ZIVEGeneral::sharedConnection().Cerrar();
}

// --- cZIVEGeneral ---------------------------------------------------------------------

TEST_F(ReferenceServices, DeclarantsNewestFirst) {
  EXPECT_TRUE(general_.ExisteDec().isNull());
  modify("INSERT INTO T01_DECLARANTES (T01_NIF, T01_NOMB) VALUES ('11111111H', 'Peña Ibáñez, Ane')");
  modify("INSERT INTO T01_DECLARANTES (T01_NIF, T01_NOMB) VALUES ('22222222J', 'Otxoa, Jon')");
  Variant list = general_.ExisteDec();
  const VariantArray& a = list.array();
  EXPECT_EQ(a.ubound(1), 3);
  EXPECT_EQ(a.ubound(2), 2);
  EXPECT_EQ(a.at({0, 1}).toLong(), 2);
  EXPECT_EQ(a.at({1, 1}), Variant("22222222J"));
  EXPECT_EQ(a.at({2, 2}), Variant("Peña Ibáñez, Ane"));
}

TEST_F(ReferenceServices, OneAdministrativeBody) {
  Variant body = general_.ObtenerAdmComID("01", "C");
  const VariantArray& a = body.array();
  EXPECT_EQ(a.ubound(), 2);
  EXPECT_EQ(a[0], Variant("01"));
  EXPECT_EQ(a[1], Variant("Andalucía"));
  EXPECT_TRUE(a[2].isEmpty());
  EXPECT_EQ(general_.ObtenerAdmComID("01", "E").array()[1], Variant("Andaluzia"));
  EXPECT_EQ(general_.ObtenerAdmComID("21", "c").array()[1], Variant("Bizkaiko Foru Aldundia"));
  EXPECT_TRUE(general_.ObtenerAdmComID("05", "C").isNull());
  // The reference database stays open.
  auto& conexion = ZIVEGeneral::sharedConnection();
  ASSERT_TRUE(conexion.referenceDatabase());
  EXPECT_TRUE(conexion.referenceDatabase()->isOpen());
}

TEST_F(ReferenceServices, AllAdministrativeBodiesInTableOrder) {
  Variant list = general_.ObtenerAdmCom("C");
  const VariantArray& a = list.array();
  EXPECT_EQ(a.ubound(1), 2);
  EXPECT_EQ(a.ubound(2), 18);
  EXPECT_EQ(a.at({0, 1}), Variant("01"));
  EXPECT_EQ(a.at({0, 5}), Variant("06"));
  EXPECT_EQ(a.at({0, 17}), Variant("22"));
  EXPECT_EQ(a.at({0, 18}), Variant("21"));
  EXPECT_EQ(a.at({1, 2}), Variant("Aragón"));
  EXPECT_EQ(general_.ObtenerAdmCom("c").array().at({1, 2}), Variant("Aragoi"));
  EXPECT_TRUE(ZIVEGeneral::sharedConnection().referenceDatabase()->isOpen());
}

TEST_F(ReferenceServices, AdministrativeBodiesAnnotateFailures) {
  std::string description;
  EXPECT_EQ(errorOf([&] { general_.ObtenerAdmComID("0'1", "C"); }, &description),
            engine::kSyntaxErrorInExpression);
  EXPECT_EQ(description.rfind("cZIVEGeneral.ObtenerAdmComID", 0), 0u) << description;
  general_.mdblec((dir_.path() / "missing.mdb").string());
  EXPECT_EQ(errorOf([&] { general_.ObtenerAdmCom("C"); }, &description), engine::kFileNotFound);
  EXPECT_EQ(description.rfind("cZIVEGeneral.ObtenerAdmCom", 0), 0u) << description;
}

TEST_F(ReferenceServices, PathsAreSharedByTheThreadsObjects) {
  cZIVEGeneral other;
  other.mdblec((dir_.path() / "missing.mdb").string());
  EXPECT_EQ(errorOf([&] { datos_.ObtenerURLAct(); }), engine::kFileNotFound);
  other.mdblec(testing::sampleReferenceDatabase());
  EXPECT_EQ(datos_.ObtenerNombreProvincia(2, 0), "ALBACETE");
}

// --- Late binding -------------------------------------------------------------------------

TEST_F(ReferenceServices, ClassesAreCreatableByName) {
  auto datos = CreateObject("svrZIVE.cZIVEDatosGeneral");
  datos->let("mdblec", Variant(testing::sampleReferenceDatabase()));
  EXPECT_EQ(datos->call("ObtenerNombreProvincia", {Variant(int16_t(20)), Variant(int16_t(1))}),
            Variant("GIPUZKOA"));
  EXPECT_EQ(datos->call("ObtenerNombreCalle", {Variant("AV"), Variant(int16_t(1))}),
            Variant("ETORBIDEA"));
  EXPECT_TRUE(datos->call("CargarTipImp", {Variant(int16_t(2012)), Variant(int16_t(6))}).isNull());
  auto general = CreateObject("svrZIVE.cZIVEGeneral");
  Variant bodies = general->call("ObtenerAdmCom", {Variant("C")});
  EXPECT_EQ(bodies.array().ubound(2), 18);
}

}  // namespace
}  // namespace svrZIVE
