// cZIVET16_Tipologia14: one detail row of typology 14 (T16_Tipologia14: the
// key and 19 families of 4 slots, 77 columns, each slot with an epigraph
// code), its statements and the carry forward of each slot's epigraph code and
// closing stock; the year arrives as a Variant and is written as its text.
// Private: only cZIVETipologia14 creates it; the deletion of returns leaves
// its rows alone.
#pragma once

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET16_Tipologia14 : public forms::StockRecord {
 public:
  cZIVET16_Tipologia14();
};

}  // namespace svrZIVE
