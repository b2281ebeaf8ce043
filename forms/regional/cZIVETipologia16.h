// cZIVETipologia16: the service of form 582 (typology 16). Loads and saves
// the detail row in T18_Tipologia16 (buffer elements 0 to 60, filled lines
// packed to the front; a load returns the table's order, where a line's body
// code comes before its second and third rates), gives the rates of an
// administrative body and lists the bodies with their rates for an epigraph.
// A save copies element 60 (T18_CUOINT) into the header's final amount
// T02_IMPFIN.
//
// Its error texts carry the name "cZIVETipologia16_Nueva".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "forms/regional/cZIVET18_Tipologia16.h"
#include "forms/regional/regional_service.h"

namespace svrZIVE {

class cZIVETipologia16 : public forms::RegionalService<cZIVET18_Tipologia16> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia16";

  // The epigraphs in force with the rate of body `admcom`, zero rates
  // included; lngSecDec has no effect. Annotates with
  // "cZIVETipologia16_Nueva.ObtenerTipo".
  Variant ObtenerTipo582(int32_t lngSecDec, int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom);

  // Every body's name with its rate for epigraph `epi`, (row, column), from
  // the reference database. Annotates with
  // "cZIVETipologia16_Nueva.cargarListaAdmCom".
  Variant cargarListaAdmCom(int32_t lngEjercicio, int16_t intPeriodo, const std::string& epi,
                            const std::string& idioma);

  static void addMembers(MemberTable<cZIVETipologia16>& t);
};

}  // namespace svrZIVE
