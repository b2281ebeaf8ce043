// Form 563 (typology 4): cZIVET06_Tipologia4, one detail row of T06_Tipologia4
// (2 lines of epigraph code, base, rate and amount, each written where it
// stands, then the three totals; 12 columns); cZIVETipologia4, its service,
// with the epigraph rates of model 563 in force. A save copies element 11
// (T06_CUOTA) into the header's T02_IMPFIN. The deletion of returns of
// typology 4 reaches the record.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET06_Tipologia4 : public forms::RateRecord {
 public:
  cZIVET06_Tipologia4() : RateRecord(forms::layoutTipologia4()) {}
};

class cZIVETipologia4 : public forms::RateService<cZIVET06_Tipologia4> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia4";

  // The rates in force; lngSecDec has no effect. Annotates with
  // "cZIVETipologia4.ObtenerTipo".
  Variant ObtenerTipo563(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
};

}  // namespace svrZIVE
