// cZIVET03_Tipologia1: one detail row of form 560 (T03_Tipologia1), its
// statements and the rates of form 560 in force (T04_TIPOS1 of the reference
// database). Private: only cZIVETipologia1 and the deletion of returns
// (typology 1) create it.
#pragma once

#include <cstdint>

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET03_Tipologia1 : public forms::DetailFormRecord {
 public:
  cZIVET03_Tipologia1();

  // The rates (T04_TIPO, T04_TIPO1, T04_TIPO2) of the set in force for the
  // year and period, single-record shaped; Null when no set is that old.
  // Annotates with "cZIVET03_Tipologia1.ObtenerTipo".
  Variant ObtenerTipo(int32_t lngEjercicio, int16_t intPeriodo);
};

namespace forms {
// The statement of the form-560 rates in force for a key of rateKey().
Statement tipos560Statement(int32_t lngEjercicio, int16_t intPeriodo);
}  // namespace forms

}  // namespace svrZIVE
