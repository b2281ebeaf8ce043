// cZIVETipologia1: the service of form 560 (typology 1). Loads and saves a
// return's detail row in T03_Tipologia1 and gives the rates of form 560 in
// force for a year and period.
//
// A save copies the buffer's element 11 (T03_TOTALCUOTA_A) into the header's
// final amount T02_IMPFIN.
#pragma once

#include <cstdint>

#include "frame/service_paths.h"
#include "base/variant.h"

namespace svrZIVE {

class cZIVETipologia1 : public ServicePaths {
 public:
  // The detail row (elements 0 to 16 in column order), or Null.
  // Annotates with "cZIVETipologia1.CargarDeclaracion".
  Variant CargarDeclaracion(int32_t lngSecDec);
  // Writes the detail row (insert when blnInsertar is exactly True, update
  // otherwise) and the header's final amount; returns Empty. The buffer
  // (elements 0 to 16) is converted before any database is opened.
  // Annotates with "cZIVETipologia1.GuardarDeclaracion".
  Variant GuardarDeclaracion(Variant& vBuffer, const Variant& blnInsertar);
  // (T04_TIPO, T04_TIPO1, T04_TIPO2) in force, or Null; lngSecDec has no
  // effect. Annotates with "cZIVETipologia1.ObtenerTipo".
  Variant ObtenerTipo560(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo);
};

}  // namespace svrZIVE
