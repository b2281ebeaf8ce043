// cZIVETipologia15: the service of form 581 (typology 15). Loads and saves
// the detail row in T17_Tipologia15 (elements 0 to 94, filled lines packed
// to the front) and gives the rates of an administrative body. A save copies
// element 94 (T17_CUOTA) into the header's final amount T02_IMPFIN.
//
// Its error texts carry the name "cZIVETipologia15_Nueva".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "forms/regional/cZIVET17_Tipologia15.h"
#include "forms/regional/regional_service.h"

namespace svrZIVE {

class cZIVETipologia15 : public forms::RegionalService<cZIVET17_Tipologia15> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia15";

  // The epigraphs in force with the rate of body `admcom`; lngSecDec has no
  // effect. Annotates with "cZIVETipologia15_Nueva.ObtenerTipo".
  Variant ObtenerTipo581(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom);

  static void addMembers(MemberTable<cZIVETipologia15>& t);
};

}  // namespace svrZIVE
