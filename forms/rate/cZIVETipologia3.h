// Form 562 (typology 3): cZIVET05_Tipologia3, one detail row of T05_Tipologia3
// (4 lines of epigraph code, base, rate and amount, each written where it
// stands, then the three totals; 20 columns); cZIVETipologia3, its service,
// with the epigraph rates of model 562 in force. A save copies element 19
// (T05_CUOTA) into the header's T02_IMPFIN. The deletion of returns of
// typology 3 reaches the record.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET05_Tipologia3 : public forms::RateRecord {
 public:
  cZIVET05_Tipologia3() : RateRecord(forms::layoutTipologia3()) {}
};

class cZIVETipologia3 : public forms::RateService<cZIVET05_Tipologia3> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia3";

  // The rates in force; lngSecDec has no effect. Annotates with
  // "cZIVETipologia3.ObtenerTipo".
  Variant ObtenerTipo562(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
};

}  // namespace svrZIVE
