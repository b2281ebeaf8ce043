// cZIVET11_Tipologia9: one detail row of typology 9 (T11_Tipologia9: the key
// and 26 families of 6 slots, 157 columns: a materials section (PM_, a
// material code per slot) and a products section (MA_, a product key per
// slot)), its statements and the carry forward of the materials' codes and
// closing stocks, then the products' keys and closing stocks. Private: only
// cZIVETipologia9 and the deletion of returns (typology 9) create it.
#pragma once

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET11_Tipologia9 : public forms::StockRecord {
 public:
  cZIVET11_Tipologia9();
};

}  // namespace svrZIVE
