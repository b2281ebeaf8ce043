// cZIVETipologia1: the service of form 560 (typology 1). Loads and saves a
// return's detail row in T03_Tipologia1 (elements 0 to 16) and gives the
// rates of form 560 in force for a year and period.
//
// A save copies the buffer's element 11 (T03_TOTALCUOTA_A) into the header's
// final amount T02_IMPFIN.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/cZIVET03_Tipologia1.h"

namespace svrZIVE {

class cZIVETipologia1 : public forms::RateService<cZIVET03_Tipologia1> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia1";

  // (T04_TIPO, T04_TIPO1, T04_TIPO2) in force, or Null; lngSecDec has no
  // effect. Annotates with "cZIVETipologia1.ObtenerTipo".
  Variant ObtenerTipo560(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
};

}  // namespace svrZIVE
