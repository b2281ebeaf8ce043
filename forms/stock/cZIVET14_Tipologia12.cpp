#include "forms/stock/cZIVET14_Tipologia12.h"

namespace svrZIVE {

cZIVET14_Tipologia12::cZIVET14_Tipologia12() : StockRecord(forms::layoutTipologia12()) {}

}  // namespace svrZIVE
