#include "forms/stock/cZIVET13_Tipologia11.h"

namespace svrZIVE {

cZIVET13_Tipologia11::cZIVET13_Tipologia11() : StockRecord(forms::layoutTipologia11()) {}

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(11, detailRecordFactory<cZIVET13_Tipologia11>());
}  // namespace

}  // namespace svrZIVE
