#include "forms/regional/cZIVET17_Tipologia15.h"

#include "forms/regional/body_rates.h"
#include "base/automation_error.h"

namespace svrZIVE {

cZIVET17_Tipologia15::cZIVET17_Tipologia15() : FormRecord(forms::layoutTipologia15()) {}

Variant cZIVET17_Tipologia15::ObtenerTipo(int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom) {
  return annotate("cZIVET17_Tipologia15.ObtenerTipo", [&] {
    return forms::ratesForBody({"581", true}, lngEjercicio, intPeriodo, admcom);
  });
}

}  // namespace svrZIVE
