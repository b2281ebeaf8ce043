// cZIVETipologia8: the service of typology 8, a stock-accounting return.
// Loads and saves the detail row in T10_Tipologia8 (elements 0 to 112) and
// carries the previous return's closing stocks forward. It never touches
// the header (no final amount) and never reads the reference database.
#pragma once

#include <string_view>

#include "forms/form_service_class.h"
#include "forms/stock/cZIVET10_Tipologia8.h"

namespace svrZIVE {

class cZIVETipologia8 : public forms::StockService<cZIVET10_Tipologia8> {
 public:
  static constexpr std::string_view kClassName = "cZIVETipologia8";
};

}  // namespace svrZIVE
