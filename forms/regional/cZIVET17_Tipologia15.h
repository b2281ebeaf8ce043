// cZIVET17_Tipologia15: one detail row of form 581 (T17_Tipologia15: 7
// product lines, 21 deduction lines, three totals; 95 columns), its
// statements, which pack the filled lines to the front, and the rates of
// form 581 for an administrative body. Private: only cZIVETipologia15
// creates it; the deletion of returns never reaches this table.
#pragma once

#include <cstdint>
#include <string>

#include "forms/form_record.h"

namespace svrZIVE {

class cZIVET17_Tipologia15 : public forms::FormRecord {
 public:
  cZIVET17_Tipologia15();

  // The epigraphs of model 581 in force for the year and period with the
  // body's rate, those whose rate is 0 left out (table shape, 7 columns).
  // Annotates with "cZIVET17_Tipologia15.ObtenerTipo".
  Variant ObtenerTipo(int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom);
};

}  // namespace svrZIVE
