// cZIVET15_Tipologia13: one detail row of typology 13 (T15_Tipologia13: the
// key and 16 families of 6 slots, 97 columns, each slot with an epigraph
// code), its statements and the carry forward of each slot's epigraph code and
// closing stock, then the six closing stocks again. Private: only
// cZIVETipologia13 creates it; the deletion of returns leaves its rows alone.
#pragma once

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET15_Tipologia13 : public forms::StockRecord {
 public:
  cZIVET15_Tipologia13();
};

}  // namespace svrZIVE
