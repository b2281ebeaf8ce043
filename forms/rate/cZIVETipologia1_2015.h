// Form 560 from 2015: cZIVET19_Tipologia1, one detail row of T19_Tipologia1
// (a base, its reduction, the net base, a rate and the gross amount, the
// base split into its IND and OTR parts with their rates and amounts, and
// the total: 13 columns written as sent; a load returns the whole row);
// cZIVETipologia1_2015, its service, with the rates of form 560 in force as
// cZIVETipologia1 gives them. A save copies element 12 (T19_CUOINTTOT) into
// the header's T02_IMPFIN. Nothing deletes its rows (the deletion of returns
// of typology 1 reaches T03_Tipologia1 only).
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET19_Tipologia1 : public forms::RateRecord {
 public:
  cZIVET19_Tipologia1() : RateRecord(forms::layoutTipologia1_2015()) {}
};

class cZIVETipologia1_2015 : public forms::RateService<cZIVET19_Tipologia1> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia1_2015";

  // The rates in force; lngSecDec has no effect. Annotates with
  // "cZIVETipologia1_2015.ObtenerTipo".
  Variant ObtenerTipo560(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
};

}  // namespace svrZIVE
