// cZIVETipologia8: the service of typology 8, a stock-accounting return.
// Loads and saves the detail row in T10_Tipologia8 and carries the previous
// return's closing stocks forward. It never touches the header (no final
// amount) and never reads the reference database.
#pragma once

#include <cstdint>
#include <string>

#include "frame/service_paths.h"
#include "base/variant.h"

namespace svrZIVE {

class cZIVETipologia8 : public ServicePaths {
 public:
  // The detail row (elements 0 to 112 in column order), or Null.
  // Annotates with "cZIVETipologia8.CargarDeclaracion".
  Variant CargarDeclaracion(int32_t lngSecDec);
  // The closing stocks of the previous return of declarant lngDeclarante
  // (same typology and periodicity, year not later, number lower), or Null.
  // Annotates with "cZIVETipologia8.CargarExisFinales".
  Variant CargarExisFinales(int32_t lngEjercicio, const std::string& strPeriodicidad, int32_t lngSecDec,
                            int32_t lngDeclarante);
  // Writes the detail row (insert when blnInsertar is exactly True, update
  // otherwise); returns Empty. The buffer (elements 0 to 112) is converted
  // before any database is opened. Annotates with "cZIVETipologia8.GuardarDeclaracion".
  Variant GuardarDeclaracion(Variant& vBuffer, const Variant& blnInsertar);
};

}  // namespace svrZIVE
