#include "forms/rate/rate_lookup.h"

#include <string>

#include "base/automation_error.h"
#include "engine/dao.h"
#include "forms/rate_key.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE::forms {

namespace {

// The statement texts of one epigraph model. Each model spells its two steps
// its own way; the first step's text around the model number is common.
struct EpigraphModel {
  std::string_view model;
  std::string_view firstOrder;
  std::string_view secondSelect;  // ends where the set's key is appended
  std::string_view secondOrder;
  int32_t lastColumn;  // of the rows returned: 561 reads T05_GRADO too
};

constexpr EpigraphModel kEpigraphModels[] = {
    {"561", " ORDER BY  T05_EJER desc, T05_PER desc",
     "Select distinct T05_MOD,T05_EJER, T05_PER,T05_EPIEXT, T05_TIPO, T05_GRADO,T05_NOMC,T05_NOME from T05_TIPOS2 "
     "where T05_MOD = '561' and T05_EJER  &  T05_PER  = ",
     " ORDER BY T05_MOD, T05_EJER desc, T05_PER desc", 7},
    {"562", " ORDER BY T05_EJER desc, T05_PER desc",
     "Select distinct T05_MOD,T05_EJER, T05_PER,T05_EPIEXT, T05_TIPO,T05_NOMC,T05_NOME  from T05_TIPOS2 where "
     "T05_MOD = '562'  and T05_EJER  &  T05_PER = ",
     " ORDER BY T05_MOD, T05_EJER desc, T05_PER desc, T05_EPIEXT asc", 6},
    {"563", " ORDER BY  T05_EJER desc, T05_PER desc",
     "Select distinct T05_MOD,T05_EJER, T05_PER,T05_EPIEXT, T05_TIPO,T05_NOMC,T05_NOME  from T05_TIPOS2 where "
     "T05_MOD = '563' and T05_EJER  &  T05_PER  = ",
     " ORDER BY T05_MOD, T05_EJER desc, T05_PER desc, T05_EPIEXT asc", 6},
    {"564", " ORDER BY  T05_EJER desc, T05_PER desc",
     "Select distinct T05_MOD,T05_EJER, T05_PER,T05_EPIEXT, T05_TIPO,T05_NOMC,T05_NOME from T05_TIPOS2 where "
     "T05_MOD = '564'  and T05_EJER  &  T05_PER  = ",
     " ORDER BY T05_MOD, T05_EJER desc, T05_PER desc", 6},
    {"566", " ORDER BY  T05_EJER desc, T05_PER desc",
     "Select distinct T05_MOD,T05_EJER, T05_PER,T05_EPIEXT, T05_TIPO,T05_NOMC,T05_NOME  from T05_TIPOS2 where "
     "T05_MOD = '566'  and T05_EJER  &  T05_PER  = ",
     " ORDER BY T05_MOD, T05_EJER desc, T05_PER desc", 6},
};

const EpigraphModel& epigraphModel(std::string_view model) {
  for (const EpigraphModel& m : kEpigraphModels)
    if (m.model == model) return m;
  raiseRuntimeError(kInvalidProcedureCall);
}

Variant tipos560(int32_t lngEjercicio, int16_t intPeriodo) {
  auto rs = ZIVEGeneral::sharedConnection().openRecordset(tipos560Statement(lngEjercicio, intPeriodo));
  Variant tipos = ZIVEGeneral::ConvertirRecordset(*rs, 0);
  rs->close();
  return tipos;
}

Variant epigraphRates(const EpigraphModel& m, int32_t lngEjercicio, int16_t intPeriodo) {
  cZIVEConexionDAO& conexion = ZIVEGeneral::sharedConnection();
  auto found = conexion.openRecordset(epigraphSetStatement(m.model, lngEjercicio, intPeriodo));
  // Read at once: before the first set this is the no-current-record error.
  std::string key = setKey(found->value(0), found->value(1));
  found->close();

  auto rs = conexion.openRecordset(epigraphRatesStatement(m.model, key));
  Variant table = ZIVEGeneral::ConvertirRecordset(*rs, 2);
  rs->close();
  return ZIVEGeneral::QuitarRepetidos(table, m.lastColumn);
}

}  // namespace

Statement tipos560Statement(int32_t lngEjercicio, int16_t intPeriodo) {
  Statement s(
      "Select top 1 T04_TIPO,T04_TIPO1,T04_TIPO2 from T04_TIPOS1 where T04_EJER   &  format(T04_PER,'00')  "
      "<= ");
  // The key is a number: it goes in without quotes.
  s.fixed(rateKey(lngEjercicio, intPeriodo));
  s << " ORDER BY T04_EJER desc, T04_PER desc";
  return s;
}

Statement epigraphSetStatement(std::string_view model, int32_t lngEjercicio, int16_t intPeriodo) {
  const EpigraphModel& m = epigraphModel(model);
  Statement s("Select distinct top 1  T05_EJER, T05_PER  from T05_TIPOS2 where T05_MOD = '");
  s.fixed(m.model);
  s << "' and T05_EJER  &  format(T05_PER,'00')  <= ";
  s.fixed(rateKey(lngEjercicio, intPeriodo));
  s.fixed(m.firstOrder);
  return s;
}

Statement epigraphRatesStatement(std::string_view model, const std::string& setKey) {
  const EpigraphModel& m = epigraphModel(model);
  Statement s;
  s.fixed(m.secondSelect);
  s.fixed(setKey);
  s.fixed(m.secondOrder);
  return s;
}

Variant ratesInForce(std::string_view model, int32_t lngEjercicio, int16_t intPeriodo) {
  if (model == "560") return tipos560(lngEjercicio, intPeriodo);
  return epigraphRates(epigraphModel(model), lngEjercicio, intPeriodo);
}

}  // namespace svrZIVE::forms
