// cZIVET12_Tipologia10: one detail row of typology 10 (T12_Tipologia10: 185
// columns: a materials section (PM_) of five slots with V and L columns, two
// PPE lines with a text key each, a products section (PE_) of five slots with
// a key and a text grade), its statements and the carry forward of each
// materials slot's code and two closing stocks, the PPE keys and closing
// stocks, each products slot's key, grade and closing stock. Private: only
// cZIVETipologia10 and the deletion of returns (typology 10) create it.
#pragma once

#include "forms/detail_form_record.h"

namespace svrZIVE {

class cZIVET12_Tipologia10 : public forms::StockRecord {
 public:
  cZIVET12_Tipologia10();
};

}  // namespace svrZIVE
