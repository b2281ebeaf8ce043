#include "forms/stock/cZIVET10_Tipologia8.h"

namespace svrZIVE {

cZIVET10_Tipologia8::cZIVET10_Tipologia8() : StockRecord(forms::layoutTipologia8()) {}

namespace {
[[maybe_unused]] const bool kDeleter = registerDetailDeleter(8, detailRecordFactory<cZIVET10_Tipologia8>());
}  // namespace

}  // namespace svrZIVE
