#include "forms/rate/cZIVETipologia1.h"

#include "forms/form_service.h"
#include "forms/rate/cZIVET03_Tipologia1.h"
#include "frame/automation.h"
#include "base/automation_error.h"
#include "frame/class_registry.h"

namespace svrZIVE {

Variant cZIVETipologia1::CargarDeclaracion(int32_t lngSecDec) {
  cZIVET03_Tipologia1 detalle;
  return forms::cargarDeclaracion(detalle, lngSecDec);
}

Variant cZIVETipologia1::GuardarDeclaracion(Variant& vBuffer, const Variant& blnInsertar) {
  cZIVET03_Tipologia1 detalle;
  return forms::guardarDeclaracion(detalle, vBuffer, blnInsertar);
}

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

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVETipologia1;

const TypeInfo& tipologia1Members() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVETipologia1");
    addPathProperties(t);
    t.method("CargarDeclaracion", {{"lngSecDec", "Long"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.CargarDeclaracion(a.lng(0)); });
    t.method("GuardarDeclaracion", {{"vBuffer", "Variant"}, {"blnInsertar", "Boolean"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.GuardarDeclaracion(a[0], a[1]); });
    t.method("ObtenerTipo560", {{"lngSecDec", "Long"}, {"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}},
             "Variant",
             [](Self& o, CallArguments& a) { return o.ObtenerTipo560(a.lng(0), a.lng(1), a.integer(2)); });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered = registerPublicClass<cZIVETipologia1>("cZIVETipologia1", tipologia1Members);

}  // namespace

}  // namespace svrZIVE
