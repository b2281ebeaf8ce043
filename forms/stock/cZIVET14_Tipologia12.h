// cZIVET14_Tipologia12: one detail row of typology 12 (T14_Tipologia12: 127
// columns: ten material slots (material, kilos, EXTR) and six stock slots
// (CE_) with an epigraph code each), its statements and the carry forward of
// the stock slots' epigraph codes and closing stocks. Private: only
// cZIVETipologia12 creates it; the deletion of returns leaves its rows alone.
#pragma once

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET14_Tipologia12 : public forms::StockRecord {
 public:
  cZIVET14_Tipologia12();
};

}  // namespace svrZIVE
