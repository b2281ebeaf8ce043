// cZIVETipologia14: the service of typology 14, a stock-accounting return.
// Loads and saves the detail row in T16_Tipologia14 and carries the previous
// return's closing stocks forward; never touches the header or the reference
// database.
#pragma once

#include <string_view>

#include "forms/form_service_class.h"
#include "forms/stock/cZIVET16_Tipologia14.h"

namespace svrZIVE {

class cZIVETipologia14 : public forms::StockService<cZIVET16_Tipologia14> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia14";
};

}  // namespace svrZIVE
