// Form 564 in its first layout (typology 5): cZIVET07_Tipologia5, one detail
// row of T07_Tipologia5 (16 lines of epigraph code, base, rate and amount,
// then the three totals; 68 columns), whose statements write the lines with
// a base first; cZIVETipologia5, its service, with the epigraph rates of
// model 564 in force and the test whether a return is stored in this layout.
// A save copies element 67 (T07_CUOTA) into the header's T02_IMPFIN. The
// deletion of returns of typology 5 reaches the record.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET07_Tipologia5 : public forms::RateRecord {
 public:
  cZIVET07_Tipologia5() : RateRecord(forms::layoutTipologia5()) {}

  // Whether T07_Tipologia5 holds a row of datT07_SECDEC; the recordset is
  // left to the connection's closing. Annotates with
  // "cZIVET07_Tipologia5.ExisteDeclaracion".
  bool ExisteDeclaracion();
};

class cZIVETipologia5 : public forms::RateService<cZIVET07_Tipologia5> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia5";

  // The rates in force; lngSecDec has no effect. Annotates with
  // "cZIVETipologia5.ObtenerTipo".
  Variant ObtenerTipo564(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo) {
    return obtenerTipo(lngSecDec, lngEjercicio, intPeriodo);
  }
  // Whether the return is stored in this layout (a return of the new layout
  // is not). Annotates with "cZIVETipologia5.ExisteDeclaracion".
  bool ExisteDeclaracion(int32_t lngSecDec);

  static void addMembers(MemberTable<cZIVETipologia5>& t);
};

}  // namespace svrZIVE
