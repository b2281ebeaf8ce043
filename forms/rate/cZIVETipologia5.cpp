#include "forms/rate/cZIVETipologia5.h"

#include "engine/dao.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE {

bool cZIVET07_Tipologia5::ExisteDeclaracion() {
  return annotate("cZIVET07_Tipologia5.ExisteDeclaracion", [&] {
    Statement s("Select * from  T07_Tipologia5  WHERE T07_SECDEC = ");
    s << secdec();
    return !ZIVEGeneral::sharedConnection().openRecordset(s)->eof();
  });
}

bool cZIVETipologia5::ExisteDeclaracion(int32_t lngSecDec) {
  cZIVET07_Tipologia5 detalle;
  return annotate("cZIVETipologia5.ExisteDeclaracion", [&] {
    detalle.setSecdec(lngSecDec);
    forms::abrirModificable();
    bool existe = detalle.ExisteDeclaracion();
    forms::cerrar();
    return existe;
  });
}

void cZIVETipologia5::addMembers(MemberTable<cZIVETipologia5>& t) {
  RateService::addMembers(t);
  t.method("ExisteDeclaracion", {{"lngSecDec", "Long"}}, "Boolean",
           [](cZIVETipologia5& o, CallArguments& a) { return Variant(o.ExisteDeclaracion(a.lng(0))); });
}

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(5, detailRecordFactory<cZIVET07_Tipologia5>());
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia5>();
}  // namespace

}  // namespace svrZIVE
