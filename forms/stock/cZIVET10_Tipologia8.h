// cZIVET10_Tipologia8: one detail row of typology 8 (T10_Tipologia8: the key
// and 14 families of 8 slots, 113 columns), its statements and the carry
// forward of the eight closing stocks T10_EXFIN1 to T10_EXFIN8. Private:
// only cZIVETipologia8 and the deletion of returns (typology 8) create it.
#pragma once

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET10_Tipologia8 : public forms::StockRecord {
 public:
  cZIVET10_Tipologia8();
};

}  // namespace svrZIVE
