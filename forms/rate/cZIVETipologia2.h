// Form 561 (typology 2): cZIVET04_Tipologia2, one detail row of T04_Tipologia2
// (6 lines of epigraph code, base, degree, rate and amount, then the three
// totals; 34 columns), whose statements write the lines with a base first;
// cZIVETipologia2, its service, with the epigraph rates of model 561 in
// force (8 columns, T05_GRADO among them). A save copies element 33
// (T04_CUOTA) into the header's T02_IMPFIN. The deletion of returns of
// typology 2 reaches the record.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET04_Tipologia2 : public forms::RateRecord {
 public:
  cZIVET04_Tipologia2() : RateRecord(forms::layoutTipologia2()) {}
};

class cZIVETipologia2 : public forms::RateService<cZIVET04_Tipologia2> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia2";

  // The rates in force; lngSecDec has no effect. Annotates with
  // "cZIVETipologia2.ObtenerTipo".
  Variant ObtenerTipo561(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
};

}  // namespace svrZIVE
