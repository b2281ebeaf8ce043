#include "forms/rate/cZIVET03_Tipologia1.h"

#include "engine/dao.h"
#include "forms/rate_key.h"
#include "base/automation_error.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE {

namespace forms {

Statement tipos560Statement(int32_t lngEjercicio, int16_t intPeriodo) {
  Statement s(
      "Select top 1 T04_TIPO,T04_TIPO1,T04_TIPO2 from T04_TIPOS1 where T04_EJER   &  format(T04_PER,'00')  "
      "<= ");
  // The key is a number: it goes in without quotes.
  s.fixed(rateKey(lngEjercicio, intPeriodo));
  s << " ORDER BY T04_EJER desc, T04_PER desc";
  return s;
}

}  // namespace forms

cZIVET03_Tipologia1::cZIVET03_Tipologia1() : DetailFormRecord(forms::layoutTipologia1()) {}

Variant cZIVET03_Tipologia1::ObtenerTipo(int32_t lngEjercicio, int16_t intPeriodo) {
  return annotate("cZIVET03_Tipologia1.ObtenerTipo", [&] {
    auto rs = ZIVEGeneral::sharedConnection().openRecordset(forms::tipos560Statement(lngEjercicio, intPeriodo));
    Variant tipos = ZIVEGeneral::ConvertirRecordset(*rs, 0);
    rs->close();
    return tipos;
  });
}

namespace {
[[maybe_unused]] const bool kDeleter =
    registerDetailDeleter(1, detailRecordFactory<cZIVET03_Tipologia1>());
}  // namespace

}  // namespace svrZIVE
