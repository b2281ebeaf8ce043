// cZIVET18_Tipologia16: one detail row of form 582 (T18_Tipologia16: the
// account, eight lines of epigraph, base, three rates, body code and amount,
// three totals; 61 columns), its statements, which pack the filled lines to
// the front, the rates of form 582 for an administrative body and the bodies
// with their rates for one epigraph.
//
// Unlike the other record classes it is public: clients create it by name
// and reach its `dat...` properties and operations through late binding. Its
// operations work on the database the caller opened on the thread's shared
// connection. The deletion of returns never reaches this table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "forms/form_record.h"
#include "frame/automation.h"

namespace svrZIVE {

class cZIVET18_Tipologia16 : public forms::FormRecord {
 public:
  static constexpr std::string_view kClassName = "cZIVET18_Tipologia16";

  cZIVET18_Tipologia16();

  // The epigraphs of model 582 in force for the year and period with the
  // body's rate, those at rate 0 included (table shape, 7 columns).
  // Annotates with "cZIVET18_Tipologia16.ObtenerTipo".
  Variant ObtenerTipo(int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom);

  // The bodies' names paired with the epigraph's rates, (row, column), rows
  // 0 to 17 (forms::bodiesWithRates). Annotates with
  // "cZIVET18_Tipologia16.cargarListaAdmCom".
  Variant cargarListaAdmCom(int32_t lngEjercicio, int16_t intPeriodo, const std::string& epi,
                            const std::string& idioma);

  // The Let/Get pairs of every property (the key, the account, each family
  // of the eight lines, the totals), then the operations.
  static const TypeInfo& members();
};

}  // namespace svrZIVE
