// cZIVET13_Tipologia11: one detail row of typology 11 (T13_Tipologia11: the
// key and 27 families of 6 slots, 163 columns: a materials section (PM_) and a
// products section (MB_)), its statements and the carry forward of the
// materials' codes and closing stocks, the products' keys and closing stocks,
// and the previous return's year and period. Private: only cZIVETipologia11
// and the deletion of returns (typology 11) create it.
#pragma once

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET13_Tipologia11 : public forms::StockRecord {
 public:
  cZIVET13_Tipologia11();
};

}  // namespace svrZIVE
