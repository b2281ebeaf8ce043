// cZIVET03_Tipologia1: one detail row of form 560 (T03_Tipologia1), its
// statements and the rates of form 560 in force (T04_TIPOS1 of the reference
// database: (T04_TIPO, T04_TIPO1, T04_TIPO2) single-record shaped, or Null
// when no set is that old). Private: only cZIVETipologia1 and the deletion
// of returns (typology 1) create it.
#pragma once

#include "forms/rate/rate_form.h"

namespace svrZIVE {

class cZIVET03_Tipologia1 : public forms::RateRecord {
 public:
  cZIVET03_Tipologia1() : RateRecord(forms::layoutTipologia1()) {}
};

}  // namespace svrZIVE
