#include "forms/stock/cZIVET12_Tipologia10.h"

namespace svrZIVE {

cZIVET12_Tipologia10::cZIVET12_Tipologia10() : StockRecord(forms::layoutTipologia10()) {}

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(10, detailRecordFactory<cZIVET12_Tipologia10>());
}  // namespace

}  // namespace svrZIVE
