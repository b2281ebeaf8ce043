#include "forms/stock/cZIVET16_Tipologia14.h"

namespace svrZIVE {

cZIVET16_Tipologia14::cZIVET16_Tipologia14() : StockRecord(forms::layoutTipologia14()) {}

}  // namespace svrZIVE
