#include "forms/stock/cZIVETipologia8.h"

#include "forms/form_service.h"
#include "forms/stock/cZIVET10_Tipologia8.h"
#include "frame/automation.h"
#include "base/automation_error.h"
#include "frame/class_registry.h"

namespace svrZIVE {

Variant cZIVETipologia8::CargarDeclaracion(int32_t lngSecDec) {
  cZIVET10_Tipologia8 detalle;
  return forms::cargarDeclaracion(detalle, lngSecDec);
}

Variant cZIVETipologia8::CargarExisFinales(int32_t lngEjercicio, const std::string& strPeriodicidad,
                                           int32_t lngSecDec, int32_t lngDeclarante) {
  return annotate("cZIVETipologia8.CargarExisFinales", [&] {
    forms::abrirModificable();
    cZIVET10_Tipologia8 detalle;
    Variant existencias = detalle.CargarExisFinales(lngEjercicio, strPeriodicidad, lngSecDec, lngDeclarante);
    forms::cerrar();
    return existencias;
  });
}

Variant cZIVETipologia8::GuardarDeclaracion(Variant& vBuffer, const Variant& blnInsertar) {
  cZIVET10_Tipologia8 detalle;
  return forms::guardarDeclaracion(detalle, vBuffer, blnInsertar);
}

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVETipologia8;

const TypeInfo& tipologia8Members() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVETipologia8");
    addPathProperties(t);
    t.method("CargarDeclaracion", {{"lngSecDec", "Long"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.CargarDeclaracion(a.lng(0)); });
    t.method("CargarExisFinales",
             {{"lngEjercicio", "Long"}, {"strPeriodicidad", "String"}, {"lngSecDec", "Long"},
              {"lngDeclarante", "Long"}},
             "Variant", [](Self& o, CallArguments& a) {
               return o.CargarExisFinales(a.lng(0), a.text(1), a.lng(2), a.lng(3));
             });
    t.method("GuardarDeclaracion", {{"vBuffer", "Variant"}, {"blnInsertar", "Boolean"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.GuardarDeclaracion(a[0], a[1]); });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered = registerPublicClass<cZIVETipologia8>("cZIVETipologia8", tipologia8Members);

}  // namespace

}  // namespace svrZIVE
