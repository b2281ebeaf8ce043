// cZIVETipologia13: the service of typology 13, a stock-accounting return.
// Loads and saves the detail row in T15_Tipologia13 and carries the previous
// return's closing stocks forward; never touches the header or the reference
// database.
#pragma once

#include <string_view>

#include "forms/form_service_class.h"
#include "forms/stock/cZIVET15_Tipologia13.h"

namespace svrZIVE {

class cZIVETipologia13 : public forms::StockService<cZIVET15_Tipologia13> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia13";
};

}  // namespace svrZIVE
