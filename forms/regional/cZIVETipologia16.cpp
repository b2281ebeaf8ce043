#include "forms/regional/cZIVETipologia16.h"

namespace svrZIVE {

Variant cZIVETipologia16::ObtenerTipo582(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo,
                                         const std::string& admcom) {
  return ratesOfBody(lngSecDec, lngEjercicio, intPeriodo, admcom);
}

Variant cZIVETipologia16::cargarListaAdmCom(int32_t lngEjercicio, int16_t intPeriodo, const std::string& epi,
                                            const std::string& idioma) {
  return onReference("cargarListaAdmCom", [&](cZIVET18_Tipologia16& detalle) {
    return detalle.cargarListaAdmCom(lngEjercicio, intPeriodo, epi, idioma);
  });
}

void cZIVETipologia16::addMembers(MemberTable<cZIVETipologia16>& t) {
  addRegionalMembers(t, "ObtenerTipo582");
  t.method("cargarListaAdmCom",
           {{"lngEjercicio", "Long"}, {"intPeriodo", "Integer"}, {"epi", "String"}, {"idioma", "String"}}, "Variant",
           [](cZIVETipologia16& o, CallArguments& a) {
             return o.cargarListaAdmCom(a.lng(0), a.integer(1), a.text(2), a.text(3));
           });
}

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia16>();
}  // namespace

}  // namespace svrZIVE
