#include "forms/regional/cZIVETipologia15.h"

namespace svrZIVE {

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

void cZIVETipologia15::addMembers(MemberTable<cZIVETipologia15>& t) {
  forms::addFormMembers(t);
  t.method("ObtenerTipo581",
           {{"lngSecDec", "Long"}, {"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}, {"admcom", "String"}},
           "Variant", [](cZIVETipologia15& o, CallArguments& a) {
             return o.ObtenerTipo581(a.lng(0), a.lng(1), a.integer(2), a.text(3));
           });
}

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia15>();
}  // namespace

}  // namespace svrZIVE
