// cZIVETipologia9: the service of typology 9, a stock-accounting return. Loads
// and saves the detail row in T11_Tipologia9 and carries the previous return's
// closing stocks forward; never touches the header or the reference database.
#pragma once

#include <string_view>

#include "forms/form_service_class.h"
#include "forms/stock/cZIVET11_Tipologia9.h"

namespace svrZIVE {

class cZIVETipologia9 : public forms::StockService<cZIVET11_Tipologia9> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia9";
};

}  // namespace svrZIVE
