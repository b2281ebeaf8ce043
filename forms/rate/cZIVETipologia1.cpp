#include "forms/rate/cZIVETipologia1.h"

namespace svrZIVE {

Variant cZIVETipologia1::ObtenerTipo560(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
  return annotate("cZIVETipologia1.ObtenerTipo", [&] {
    cZIVET03_Tipologia1 detalle;
    detalle.setSecdec(lngSecDec);
    forms::abrirReferencia();
    Variant tipos = detalle.ObtenerTipo(lngEjercicio, intPeriodo);
    forms::cerrar();
    return tipos;
  });
}

void cZIVETipologia1::addMembers(MemberTable<cZIVETipologia1>& t) {
  forms::addFormMembers(t);
  t.method("ObtenerTipo560", {{"lngSecDec", "Long"}, {"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}}, "Variant",
           [](cZIVETipologia1& o, CallArguments& a) { return o.ObtenerTipo560(a.lng(0), a.lng(1), a.integer(2)); });
}

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia1>();
}  // namespace

}  // namespace svrZIVE
