#include "forms/regional/cZIVETipologia15.h"

#include "forms/form_service.h"
#include "forms/regional/cZIVET17_Tipologia15.h"
#include "frame/automation.h"
#include "base/automation_error.h"
#include "frame/class_registry.h"

namespace svrZIVE {

Variant cZIVETipologia15::CargarDeclaracion(int32_t lngSecDec) {
  cZIVET17_Tipologia15 detalle;
  return forms::cargarDeclaracion(detalle, lngSecDec);
}

Variant cZIVETipologia15::GuardarDeclaracion(Variant& vBuffer, const Variant& blnInsertar) {
  cZIVET17_Tipologia15 detalle;
  return forms::guardarDeclaracion(detalle, vBuffer, blnInsertar);
}

Variant cZIVETipologia15::ObtenerTipo581(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo,
                                         const std::string& admcom) {
  cZIVET17_Tipologia15 detalle;
  return annotate(forms::serviceText(detalle.layout(), "ObtenerTipo"), [&] {
    detalle.setSecdec(lngSecDec);
    forms::abrirReferencia();
    Variant tipos = detalle.ObtenerTipo(lngEjercicio, intPeriodo, admcom);
    forms::cerrar();
    return tipos;
  });
}

// --- Late binding ------------------------------------------------------------

namespace {

using Self = cZIVETipologia15;

const TypeInfo& tipologia15Members() {
  static const TypeInfo info = [] {
    MemberTable<Self> t("cZIVETipologia15");
    addPathProperties(t);
    t.method("CargarDeclaracion", {{"lngSecDec", "Long"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.CargarDeclaracion(a.lng(0)); });
    t.method("GuardarDeclaracion", {{"vBuffer", "Variant"}, {"blnInsertar", "Boolean"}}, "Variant",
             [](Self& o, CallArguments& a) { return o.GuardarDeclaracion(a[0], a[1]); });
    t.method("ObtenerTipo581",
             {{"lngSecDec", "Long"}, {"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}, {"admcom", "String"}},
             "Variant", [](Self& o, CallArguments& a) {
               return o.ObtenerTipo581(a.lng(0), a.lng(1), a.integer(2), a.text(3));
             });
    return std::move(t).build();
  }();
  return info;
}

[[maybe_unused]] const bool kRegistered =
    registerPublicClass<cZIVETipologia15>("cZIVETipologia15", tipologia15Members);

}  // namespace

}  // namespace svrZIVE
