// cZIVEDeclarante: the declarants (T01_DECLARANTES of the modifiable database).
//
// A declarant crosses the interface as a buffer of elements 0 to 15 in the
// table's column order: 0 number (Long; empty for a new declarant), 1 tax
// number, 2 name, 3 street-type code, 4 street name, 5 street number (Long),
// 6 letter, 7 staircase, 8 floor, 9 door, 10 province (Byte), 11 postal code
// (Long), 12 municipality (Integer), 13 municipality name, 14 telephone
// prefix (Integer), 15 telephone number (Long).
//
// Every operation is one cycle on the thread's shared connection, on the
// modifiable database. GuardarDeclarante and ImportarDte leave the database
// open; the others close it. CargarDeclarante, GuardarDeclarante, ImportarDte
// and NifRepetido pass failures on; EliminarDeclarante, ObtenerDeclarantes
// and NumeroDeclarantes put their fixed text in front of the description.
#pragma once

#include <cstdint>
#include <string>

#include "frame/service_paths.h"
#include "base/variant.h"

namespace svrZIVE {

class cZIVEDeclarante : public ServicePaths {
 public:
  // Fills vBufferResultado (0 to 15, typed by field) with the declarant
  // lngCSDE; a number that is not stored gives that number, empty texts and 0s.
  void CargarDeclarante(int32_t lngCSDE, Variant& vBufferResultado);
  // Saves a declarant buffer: inserted when element 0 is empty (or the empty
  // text), returning the new number; otherwise the row of that number is
  // rewritten and the number returned. Elements that do not convert fail the
  // save before anything is written.
  int32_t GuardarDeclarante(Variant& vBufferResultado);
  // GuardarDeclarante reading element (k, 0) of a two-dimensional buffer.
  int32_t ImportarDte(Variant& vBufferResultado);
  // Deletes the declarant; its declarations stay.
  void EliminarDeclarante(int32_t SecDte);
  // The number of a declarant with that tax number, or 0 (always 0 for an
  // empty text).
  int32_t NifRepetido(const std::string& strNif);
  // Every declarant by tax number: (0 number, 1 tax number, 2 name,
  // 3 municipality name, 4 province) x rows 1..N; Null when there is none.
  Variant ObtenerDeclarantes();
  int32_t NumeroDeclarantes();
};

}  // namespace svrZIVE
