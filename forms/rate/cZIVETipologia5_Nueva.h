// Form 564 in its new layout: cZIVET09_Tipologia5_Nueva, one detail row of
// T09_Tipologia5_Nueva (12 lines of epigraph code, base, rate and amount,
// 8 deduction lines of code, one-letter concept and amount, the three
// totals; 76 columns), whose statements write the lines with a base and the
// deductions with an amount first; cZIVETipologia5_Nueva, its service, with
// the epigraph rates of model 564 in force. A save copies element 75
// (T09_CUOTA) into the header's T02_IMPFIN. Nothing deletes its rows.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET09_Tipologia5_Nueva : public forms::RateRecord {
 public:
  cZIVET09_Tipologia5_Nueva() : RateRecord(forms::layoutTipologia5Nueva()) {}
};

class cZIVETipologia5_Nueva : public forms::RateService<cZIVET09_Tipologia5_Nueva> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia5_Nueva";

  // The rates in force; lngSecDec has no effect. Annotates with
  // "cZIVETipologia5_Nueva.ObtenerTipo".
  Variant ObtenerTipo564(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
};

}  // namespace svrZIVE
