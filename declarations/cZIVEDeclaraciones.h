// cZIVEDeclaraciones: the declaration headers (T02_Declaraciones of the
// modifiable database) and the deletion of a return with its detail.
//
// A declaration crosses the interface as a buffer of elements 0 to 12, the
// column order of the declaration list: 0 number (Long; 0 or empty for a new
// one), 1 declarant (Long), 2 year (Long), 3 periodicity (Byte), 4 period
// (Byte), 5 model, 6 typology (Byte), 7 final amount (Double),
// 8 establishment code, 9 TTA code, 10 establishment name, 11 establishment
// address, 12 administrative body code.
//
// Every operation is one cycle on the thread's shared connection, on the
// modifiable database, and puts its fixed text ("cZIVEDeclaraciones." and its
// name, some with a trailing blank) in front of the description of every
// failure it passes on.
#pragma once

#include <cstdint>
#include <string>

#include "frame/service_paths.h"
#include "base/variant.h"

namespace svrZIVE {

class cZIVEDeclaraciones : public ServicePaths {
 public:
  int32_t NumeroDeclaraciones(int32_t NumSec);
  // Deletes the detail row through the typology's record class (when the
  // typology has one), then the header. Always true.
  bool EliminarDeclaraciones(int32_t lngNumCSDC, uint8_t btTipologia);
  bool TieneDeclaraciones(int32_t SecDte);
  // The declarant's declarations, table-shaped in buffer order; Null when none.
  Variant ObtenerDeclaraciones(int32_t lngNumSec = 0);
  // The heading of one declaration; Null when it is not stored.
  Variant ObtenerDeclaracion(int32_t lngNumSec = 0);
  // Inserts (element 0 is 0 or empty) or updates the establishment and body
  // fields of a declaration; returns its number. Elements that do not convert
  // fail the save before anything is written.
  int32_t GuardarDeclaracion(Variant& vBuffer);
  // Whether the declarant has a return of that year, period, periodicity and
  // model. A period outside 0 to 255 fails with Overflow.
  bool DecDuplicadas(int32_t lngCSDE, int32_t lngEjercicio, int16_t intPeriodo, uint8_t bitPeriodicidad,
                     const std::string& strModelo);
};

}  // namespace svrZIVE
