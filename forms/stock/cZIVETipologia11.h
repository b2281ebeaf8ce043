// cZIVETipologia11: the service of typology 11, a stock-accounting return.
// Loads and saves the detail row in T13_Tipologia11 and carries the previous
// return's closing stocks forward; never touches the header or the reference
// database.
#pragma once

#include <string_view>

#include "forms/form_service_class.h"
#include "forms/stock/cZIVET13_Tipologia11.h"

namespace svrZIVE {

class cZIVETipologia11 : public forms::StockService<cZIVET13_Tipologia11> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia11";
};

}  // namespace svrZIVE
