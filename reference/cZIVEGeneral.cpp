#include "reference/cZIVEGeneral.h"

#include "engine/dao.h"
#include "frame/automation.h"
#include "frame/class_registry.h"
#include "frame/conexion_dao.h"
#include "frame/statement.h"
#include "frame/zive_general.h"

namespace svrZIVE {

namespace {

cZIVEConexionDAO& conexion() { return ZIVEGeneral::sharedConnection(); }

}  // namespace

Variant cZIVEGeneral::ExisteDec() {
  conexion().InicializaBD(ZIVEGeneral::modifiablePath());
  auto rs = conexion().openRecordset(
      Statement("SELECT T01_CSDE,T01_NIF,T01_NOMB FROM T01_Declarantes ORDER BY T01_CSDE DESC"));
  Variant list = ZIVEGeneral::ConvertirRecordset(*rs, 2);
  // Closing the database closes the recordset with it.
  conexion().Cerrar();
  return list;
}

Variant cZIVEGeneral::ObtenerAdmComID(const std::string& strAdmComID, const std::string& idioma) {
  return annotate("cZIVEGeneral.ObtenerAdmComID", [&] {
    conexion().InicializaBD(ZIVEGeneral::referencePath());
    Statement s;
    if (idioma == "C") {
      s << "Select TADM_COD, TADM_DESC  from TAUX_ADMCOM where TADM_COD='" << strAdmComID << "'";
    } else {
      s << "Select TADM_COD, TADM_DESE  from TAUX_ADMCOM where TADM_COD='" << strAdmComID << "'";
    }
    auto rs = conexion().openRecordset(s);
    // The recordset ends with the operation; the database stays open.
    return ZIVEGeneral::ConvertirRecordset(*rs, 0);
  });
}

Variant cZIVEGeneral::ObtenerAdmCom(const std::string& idioma) {
  return annotate("cZIVEGeneral.ObtenerAdmCom", [&] {
    conexion().InicializaBD(ZIVEGeneral::referencePath());
    Statement s;
    if (idioma == "C") {
      s << "Select TADM_COD, TADM_DESC  from TAUX_ADMCOM";
    } else {
      s << "Select TADM_COD, TADM_DESE  from TAUX_ADMCOM";
    }
    auto rs = conexion().openRecordset(s);
    return ZIVEGeneral::ConvertirRecordset(*rs, 2);
  });
}

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVEGeneral;

const TypeInfo& generalMembers() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVEGeneral");
    addPathProperties(t);
    t.method("ExisteDec", {}, "Variant", [](Self& o, CallArguments&) { return o.ExisteDec(); });
    t.method("ObtenerAdmComID", {{"strAdmComID", "String"}, {"idioma", "String"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.ObtenerAdmComID(a.text(0), a.text(1)); });
    t.method("ObtenerAdmCom", {{"idioma", "String"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.ObtenerAdmCom(a.text(0)); });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered = registerPublicClass<cZIVEGeneral>("cZIVEGeneral", generalMembers);

}  // namespace

}  // namespace svrZIVE
