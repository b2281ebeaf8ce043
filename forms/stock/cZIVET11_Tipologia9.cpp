#include "forms/stock/cZIVET11_Tipologia9.h"

namespace svrZIVE {

cZIVET11_Tipologia9::cZIVET11_Tipologia9() : StockRecord(forms::layoutTipologia9()) {}

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(9, detailRecordFactory<cZIVET11_Tipologia9>());
}  // namespace

}  // namespace svrZIVE
