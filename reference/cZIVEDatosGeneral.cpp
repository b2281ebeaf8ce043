#include "reference/cZIVEDatosGeneral.h"

#include <memory>

#include "engine/dao.h"
#include "frame/automation.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/statement.h"
#include "frame/zive_general.h"
#include "reference/cZIVET00.h"
#include "reference/text_case.h"

namespace svrZIVE {

namespace {

cZIVEConexionDAO& conexion() { return ZIVEGeneral::sharedConnection(); }

// A value read from a recordset, written into a statement by its own type.
void appendValue(Statement& s, const Variant& value) {
  switch (value.type()) {
    case VarType::Byte:
      s << value.asByte();
      break;
    case VarType::Integer:
      s << value.asInteger();
      break;
    case VarType::Long:
      s << value.asLong();
      break;
    case VarType::Double:
      s << value.asDouble();
      break;
    default:
      s << value.toText();
      break;
  }
}

// The first column of the first record, in upper case; empty without records.
std::string firstNameUpper(const Statement& query) {
  auto rs = conexion().openRecordset(query);
  std::string name;
  if (!rs->eof()) name = upperCase(rs->value(0).toText());
  rs->close();
  conexion().Cerrar();
  return name;
}

}  // namespace

// --- Reference data ----------------------------------------------------------

void cZIVEDatosGeneral::CargarResultado(const std::string& strCadena, Variant& vBufferResultado) {
  vBufferResultado = Variant(VariantArray::matrix(0, 1, 0, 0));
  int32_t r = vBufferResultado.array().ubound(2);
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  auto rs = conexion().openRecordset(strCadena);
  while (!rs->eof()) {
    VariantArray& buffer = vBufferResultado.array();
    buffer.redimPreserve(r);
    buffer.at({0, r}) = rs->fields().item(0)->value();
    buffer.at({1, r}) = rs->fields().item(1)->value();
    r = buffer.ubound(2) + 1;
    rs->moveNext();
  }
  rs->close();
  conexion().Cerrar();
}

std::string cZIVEDatosGeneral::ObtenerNombreProvincia(int16_t intCod, int16_t lngIdioma) {
  Statement s;
  if (lngIdioma == 0) {
    s << "SELECT TPRO_NCAS FROM T01_PROVINCIAS WHERE TPRO_CODI = " << intCod;
  } else {
    s << "SELECT TPRO_NEUS FROM T01_PROVINCIAS WHERE TPRO_CODI = " << intCod;
  }
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  return firstNameUpper(s);
}

std::string cZIVEDatosGeneral::ObtenerNombreMunicipio(int16_t intCod, int16_t /*lngIdioma*/) {
  Statement s("SELECT TMUN_NOMB FROM T02_MUNICIPIOS WHERE TMUN_CODI = ");
  s << intCod;
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  return firstNameUpper(s);
}

std::string cZIVEDatosGeneral::ObtenerNombreCalle(const std::string& strCodVia, int16_t lngIdioma) {
  Statement s;
  if (lngIdioma == 0) {
    s << "SELECT TSIG_NCAS FROM T03_SIGLASVIA WHERE TSIG_CODI  = '" << strCodVia << "'";
  } else {
    s << "SELECT TSIG_NEUS FROM T03_SIGLASVIA WHERE TSIG_CODI = '" << strCodVia << "'";
  }
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  return firstNameUpper(s);
}

void cZIVEDatosGeneral::CargarDatosGenerales(Variant& vBufferResultado) {
  vBufferResultado = Variant(VariantArray::vector(0, 3));
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  auto rs = conexion().openRecordset(Statement("Select T00_EJEPERMIN,T00_EJEPERMAX from T00_GENERAL"));
  while (!rs->eof()) {
    VariantArray& buffer = vBufferResultado.array();
    buffer.redimPreserve(1);
    buffer[0] = rs->value(0);
    buffer[1] = rs->value(1);
    rs->moveNext();
  }
  rs->close();
  conexion().Cerrar();
}

Variant cZIVEDatosGeneral::CargarTipImp(int16_t intEjercicio, int16_t intPeriodo) {
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  // Year and period joined as they are, without padding: 2016 and 3 give 20163.
  Statement a(
      "Select top 1 T01_EJERCICIO, T01_PERIODO from T01_TIPOS where T01_EJERCICIO & T01_PERIODO <= ");
  a << intEjercicio << intPeriodo << " ORDER BY T01_EJERCICIO desc, T01_PERIODO desc";
  auto rs = conexion().openRecordset(a);
  Statement b;
  if (rs->recordCount() > 0) {
    b << "Select T01_TIPIMP from T01_TIPOS where T01_EJERCICIO = ";
    appendValue(b, rs->value(0));
    b << " AND T01_PERIODO = ";
    appendValue(b, rs->value(1));
    b << " ORDER BY T01_CODPROD asc";
  } else {
    b = a;
  }
  rs->close();
  rs = conexion().openRecordset(b);
  Variant rates = ZIVEGeneral::ConvertirRecordset(*rs, 1);
  rs->close();
  conexion().Cerrar();
  return rates;
}

std::string cZIVEDatosGeneral::ObtenerURLAct() {
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  auto rs = conexion().openRecordset(Statement("SELECT T00_URLACT FROM T00_GENERAL "));
  std::string url = upperCase(rs->value(0).toText());
  rs->close();
  conexion().Cerrar();
  return url;
}

Variant cZIVEDatosGeneral::CargarListasProd(const std::string& strModelo, const std::string& strTipo) {
  conexion().InicializaBD(ZIVEGeneral::referencePath());
  Statement s("Select * from T06_TIPOS3 where T06_MOD = '");
  // strTipo is an SQL condition by contract: it goes in as statement text.
  s << strModelo << "' AND ";
  s.fixed(strTipo);
  s << " order by T06_CODI";
  auto rs = conexion().openRecordset(s);
  Variant list = ZIVEGeneral::ConvertirRecordset(*rs, 2);
  rs->close();
  conexion().Cerrar();
  return list;
}

Variant cZIVEDatosGeneral::RellenarBancos() {
  return annotate("cZIVEDatosGenerales.RellenarBancos ", [&] {
    conexion().InicializaBD(ZIVEGeneral::referencePath());
    auto rs = conexion().openRecordset(
        Statement("Select TBAN_CODI, TBAN_COLA From TBANCOS order by TBAN_CODI asc"));
    Variant list = ZIVEGeneral::ConvertirRecordset(*rs, 2);
    rs->close();
    conexion().Cerrar();
    return list;
  });
}

// --- Settings ----------------------------------------------------------------

std::string cZIVEDatosGeneral::ObtenerIdioma() {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  cZIVET00 settings;
  std::string idioma = settings.ObtenerIdioma();
  conexion().Cerrar();
  return idioma;
}

void cZIVEDatosGeneral::CambiarIdioma(const std::string& sidioma) {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  cZIVET00 settings;
  settings.idioma(sidioma);
  settings.GuardarIdioma();
  conexion().Cerrar();
}

int16_t cZIVEDatosGeneral::ObtenerActOnline() {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  cZIVET00 settings;
  int16_t actOnline = settings.ObtenerActOnline();
  conexion().Cerrar();
  return actOnline;
}

Variant cZIVEDatosGeneral::GuardarActOnline(int16_t intActOnline) {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  cZIVET00 settings;
  settings.ActOnline(intActOnline);
  Variant result = settings.GuardarActOnline();
  conexion().Cerrar();
  return result;
}

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVEDatosGeneral;

const TypeInfo& datosGeneralMembers() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVEDatosGeneral");
    addPathProperties(t);
    t.method("CargarResultado", {{"strCadena", "String"}, {"vBufferResultado", "Variant"}}, {},
             [](Self& o, CallArguments& a) {
               o.CargarResultado(a.text(0), a[1]);
               return Variant();
             });
    t.method("ObtenerNombreProvincia", {{"intCod", "Integer"}, {"lngIdioma", "Integer"}}, "String",
             [](Self& o, CallArguments& a) {
               return Variant(o.ObtenerNombreProvincia(a.integer(0), a.integer(1)));
             });
    t.method("ObtenerNombreMunicipio", {{"intCod", "Integer"}, {"lngIdioma", "Integer"}}, "String",
             [](Self& o, CallArguments& a) {
               return Variant(o.ObtenerNombreMunicipio(a.integer(0), a.integer(1)));
             });
    t.method("ObtenerNombreCalle", {{"strCodVia", "String"}, {"lngIdioma", "Integer"}}, "String",
             [](Self& o, CallArguments& a) {
               return Variant(o.ObtenerNombreCalle(a.text(0), a.integer(1)));
             });
    t.method("CargarDatosGenerales", {{"vBufferResultado", "Variant"}}, {},
             [](Self& o, CallArguments& a) {
               o.CargarDatosGenerales(a[0]);
               return Variant();
             });
    t.method("CargarTipImp", {{"intEjercicio", "Integer"}, {"intPeriodo", "Integer"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.CargarTipImp(a.integer(0), a.integer(1)); });
    t.method("ObtenerURLAct", {}, "String",
             [](Self& o, CallArguments&) { return Variant(o.ObtenerURLAct()); });
    t.method("CargarListasProd", {{"strModelo", "String"}, {"strTipo", "String"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.CargarListasProd(a.text(0), a.text(1)); });
    t.method("RellenarBancos", {}, "Variant", [](Self& o, CallArguments&) { return o.RellenarBancos(); });
    t.method("ObtenerIdioma", {}, "String",
             [](Self& o, CallArguments&) { return Variant(o.ObtenerIdioma()); });
    t.method("CambiarIdioma", {{"sidioma", "String"}}, {}, [](Self& o, CallArguments& a) {
      o.CambiarIdioma(a.text(0));
      return Variant();
    });
    t.method("ObtenerActOnline", {}, "Integer",
             [](Self& o, CallArguments&) { return Variant(o.ObtenerActOnline()); });
    t.method("GuardarActOnline", {{"intActOnline", "Integer"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.GuardarActOnline(a.integer(0)); });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered =
    registerPublicClass<cZIVEDatosGeneral>("cZIVEDatosGeneral", datosGeneralMembers);

}  // namespace

}  // namespace svrZIVE
