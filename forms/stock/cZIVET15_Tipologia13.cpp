#include "forms/stock/cZIVET15_Tipologia13.h"

namespace svrZIVE {

cZIVET15_Tipologia13::cZIVET15_Tipologia13() : StockRecord(forms::layoutTipologia13()) {}

}  // namespace svrZIVE
