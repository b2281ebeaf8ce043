// cZIVETipologia12: the service of typology 12, a stock-accounting return.
// Loads and saves the detail row in T14_Tipologia12 and carries the previous
// return's closing stocks forward; never touches the header or the reference
// database.
#pragma once

#include <string_view>

#include "forms/form_service_class.h"
#include "forms/stock/cZIVET14_Tipologia12.h"

namespace svrZIVE {

class cZIVETipologia12 : public forms::StockService<cZIVET14_Tipologia12> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia12";
};

}  // namespace svrZIVE
