#include "forms/regional/cZIVETipologia15.h"

namespace svrZIVE {

Variant cZIVETipologia15::ObtenerTipo581(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo,
                                         const std::string& admcom) {
  return ratesOfBody(lngSecDec, lngEjercicio, intPeriodo, admcom);
}

void cZIVETipologia15::addMembers(MemberTable<cZIVETipologia15>& t) { addRegionalMembers(t, "ObtenerTipo581"); }

namespace {
[[maybe_unused]] const bool kRegistered = forms::registerFormService<cZIVETipologia15>();
}  // namespace

}  // namespace svrZIVE
