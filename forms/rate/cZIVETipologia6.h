// Form 566 (typology 6): cZIVET08_Tipologia6, one detail row of T08_Tipologia6
// (6 lines of epigraph code, base, rate and amount, then the three totals;
// 28 columns), whose statements write the lines with a base first;
// cZIVETipologia6, its service, with the epigraph rates of model 566 in
// force. A save copies element 27 (T08_CUOTA) into the header's T02_IMPFIN.
// The deletion of returns of typology 6 reaches the record.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET08_Tipologia6 : public forms::RateRecord {
 public:
  cZIVET08_Tipologia6() : RateRecord(forms::layoutTipologia6()) {}
};

class cZIVETipologia6 : public forms::RateService<cZIVET08_Tipologia6> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia6";

  // The rates in force; lngSecDec has no effect. Annotates with
  // "cZIVETipologia6.ObtenerTipo".
  Variant ObtenerTipo566(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
};

}  // namespace svrZIVE
