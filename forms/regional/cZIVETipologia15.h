// cZIVETipologia15: the service of form 581 (typology 15). Loads and saves
// the detail row in T17_Tipologia15 (filled lines packed to the front) and
// gives the rates of an administrative body. A save copies element 94
// (T17_CUOTA) into the header's final amount T02_IMPFIN.
//
// Its error texts carry the name "cZIVETipologia15_Nueva".
#pragma once

#include <cstdint>
#include <string>

#include "frame/service_paths.h"
#include "base/variant.h"

namespace svrZIVE {

class cZIVETipologia15 : public ServicePaths {
 public:
  // The detail row (elements 0 to 94 in column order), or Null.
  // Annotates with "cZIVETipologia15_Nueva.CargarDeclaracion".
  Variant CargarDeclaracion(int32_t lngSecDec);
  // Writes the detail row (insert when blnInsertar is exactly True, update
  // otherwise) and the header's final amount; returns Empty. The buffer
  // (elements 0 to 94) is converted before any database is opened.
  // Annotates with "cZIVETipologia15_Nueva.GuardarDeclaracion".
  Variant GuardarDeclaracion(Variant& vBuffer, const Variant& blnInsertar);
  // The epigraphs in force with the rate of body `admcom`; lngSecDec has no
  // effect. Annotates with "cZIVETipologia15_Nueva.ObtenerTipo".
  Variant ObtenerTipo581(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom);
};

}  // namespace svrZIVE
