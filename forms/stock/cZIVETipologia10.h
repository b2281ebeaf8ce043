// cZIVETipologia10: the service of typology 10, a stock-accounting return.
// Loads and saves the detail row in T12_Tipologia10 and carries the previous
// return's closing stocks forward; never touches the header or the reference
// database.
#pragma once

#include <string_view>

#include "forms/form_service_class.h"
#include "forms/stock/cZIVET12_Tipologia10.h"

namespace svrZIVE {

class cZIVETipologia10 : public forms::StockService<cZIVET12_Tipologia10> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia10";
};

}  // namespace svrZIVE
