#include "forms/stock/cZIVET10_Tipologia8.h"

#include "forms/stock/carry_forward.h"

namespace svrZIVE {

cZIVET10_Tipologia8::cZIVET10_Tipologia8() : FormRecord(forms::layoutTipologia8()) {}

Variant cZIVET10_Tipologia8::CargarExisFinales(int32_t lngEjercicio, const std::string& strPeriodicidad,
                                               int32_t lngSecDec, int32_t lngDeclarante) {
  return forms::cargarExisFinales(layout(), lngEjercicio, strPeriodicidad, lngSecDec, lngDeclarante);
}

namespace {
[[maybe_unused]] const bool kDeleter =
    registerDetailDeleter(8, detailRecordFactory<cZIVET10_Tipologia8>());
}  // namespace

}  // namespace svrZIVE
