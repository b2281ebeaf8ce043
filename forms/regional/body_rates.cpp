#include "forms/regional/body_rates.h"

#include <array>
#include <utility>

#include "engine/dao.h"
#include "forms/rate_key.h"
#include "frame/conexion_dao.h"
#include "frame/zive_general.h"

namespace svrZIVE::forms {

namespace {

// Body code -> number of its T07_TIPOnn column. The numbering of the columns
// does not follow the codes.
constexpr std::array<std::pair<int16_t, int>, 18> kBodyColumns = {{
    {1, 2},   {2, 3},   {3, 4},   {4, 5},   {6, 6},   {7, 7},   {8, 8},   {9, 9},   {10, 10},
    {11, 11}, {12, 12}, {13, 13}, {14, 14}, {16, 15}, {17, 16}, {20, 17}, {21, 1},  {22, 18},
}};

constexpr int kRateColumns = 18;

// Recordsets of the lookup are opened as snapshots.
constexpr int16_t kSnapshot = 4;

}  // namespace

std::string rateColumnOf(int16_t bodyCode) {
  for (auto [code, column] : kBodyColumns) {
    if (code != bodyCode) continue;
    return std::string(column < 10 ? "T07_TIPO0" : "T07_TIPO") + std::to_string(column);
  }
  return {};
}

Statement setInForceStatement(const BodyRateQuery& query, int32_t lngEjercicio, int16_t intPeriodo) {
  Statement s("Select distinct top 1  T07_EJER, T07_PER  from T07_TIPOS4 where T07_MOD = '");
  s.fixed(query.model);
  s << "' and T07_EJER  &  format(T07_PER,'00')  <= ";
  s.fixed(rateKey(lngEjercicio, intPeriodo));
  s << " ORDER BY  T07_EJER desc, T07_PER desc";
  return s;
}

Statement bodyRatesStatement(const BodyRateQuery& query, const std::string& column, const std::string& setKey) {
  Statement s("Select distinct T07_MOD,T07_EJER, T07_PER,T07_EPIEXT,");
  s.fixed(column);
  s << ",T07_NOMC,T07_NOME from T07_TIPOS4 where T07_MOD = '";
  s.fixed(query.model);
  s << "'  and T07_EJER  &  T07_PER  = '" << setKey << "'";
  if (query.leaveOutZeroRates) {
    s << " AND ";
    s.fixed(column);
    s << "<> 0";
  }
  s << " ORDER BY T07_MOD, T07_EJER desc, T07_PER desc";
  return s;
}

Variant ratesForBody(const BodyRateQuery& query, int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom) {
  std::string column = rateColumnOf(Variant(admcom).toInteger());
  cZIVEConexionDAO& conexion = ZIVEGeneral::sharedConnection();

  auto found = conexion.openRecordset(setInForceStatement(query, lngEjercicio, intPeriodo), kSnapshot);
  // Read at once: no set old enough is the engine's no-current-record error.
  std::string key = setKey(found->value(0), found->value(1));
  found->close();

  auto rs = conexion.openRecordset(bodyRatesStatement(query, column, key), kSnapshot);
  Variant table = ZIVEGeneral::ConvertirRecordset(*rs, 2);
  rs->close();
  return ZIVEGeneral::QuitarRepetidos(table);
}

Statement epigraphRatesStatement(std::string_view model, const std::string& epi, int32_t lngEjercicio,
                                 int16_t intPeriodo) {
  Statement s("Select top 1  T07_TIPO02");
  for (int column = 3; column <= kRateColumns; ++column)
    s.fixed(std::string(column < 10 ? ", T07_TIPO0" : ", T07_TIPO") + std::to_string(column));
  s << " from T07_TIPOS4 where T07_EPIEXT = '" << epi << "'  and T07_MOD = '";
  s.fixed(model);
  s << "' and T07_EJER  &  format(T07_PER,'00')  <= ";
  s.fixed(rateKey(lngEjercicio, intPeriodo));
  s << " ORDER BY  T07_EJER desc, T07_PER desc";
  return s;
}

Variant bodiesWithRates(std::string_view model, int32_t lngEjercicio, int16_t intPeriodo, const std::string& epi,
                        const std::string& idioma) {
  cZIVEConexionDAO& conexion = ZIVEGeneral::sharedConnection();
  auto rs = conexion.openRecordset(epigraphRatesStatement(model, epi, lngEjercicio, intPeriodo));
  Variant rates = ZIVEGeneral::ConvertirRecordset(*rs, 0);
  rs->close();
  // Exactly "C" is Spanish; any other code, "c" too, Basque.
  rs = conexion.openRecordset(idioma == "C" ? Statement("Select TADM_DESC from TAUX_ADMCOM")
                                            : Statement("Select TADM_DESE from TAUX_ADMCOM"));
  Variant names = ZIVEGeneral::ConvertirRecordset(*rs, 1);
  rs->close();

  // No rate row: the rates are Null and have no upper bound (13).
  const VariantArray& r = rates.array();
  VariantArray list = VariantArray::matrix(0, r.ubound(), 0, 2);
  for (int32_t row = 0; row < kRateColumns - 1; ++row) {
    list.at({row, 0}) = names.array()[row];  // fewer bodies than columns: 9
    list.at({row, 1}) = r[row];
  }
  return Variant(std::move(list));
}

}  // namespace svrZIVE::forms
