// The rates of the regional-rate forms (581, 582): T07_TIPOS4 of the
// reference database keeps, for every epigraph of a rate set, one rate column
// per administrative body; the body's code selects the column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/statement.h"
#include "base/variant.h"

namespace svrZIVE::forms {

// The rate column of a body code: 1 -> "T07_TIPO02", 21 -> "T07_TIPO01",
// 22 -> "T07_TIPO18"; empty for the codes without a column (0, 5, 15, 18, 19,
// negative, above 22).
std::string rateColumnOf(int16_t bodyCode);

struct BodyRateQuery {
  std::string_view model;     // "581"
  bool leaveOutZeroRates;     // epigraphs whose rate for the body is 0 are left out
};

// The two statements of the lookup: the set in force, and its epigraphs with
// the body's rate (`setKey` is the found set's key, written between quotes).
Statement setInForceStatement(const BodyRateQuery& query, int32_t lngEjercicio, int16_t intPeriodo);
Statement bodyRatesStatement(const BodyRateQuery& query, const std::string& column, const std::string& setKey);

// The epigraphs of the set in force with the body's rate, table-shaped
// (T07_MOD, T07_EJER, T07_PER, T07_EPIEXT, rate, T07_NOMC, T07_NOME; rows
// from 1), one row per epigraph (the first the query returns). A body code
// that is not a number raises 13; a code without a column makes the second
// statement fail in the engine; no set old enough raises the engine's
// no-current-record error. Failures pass on unchanged.
Variant ratesForBody(const BodyRateQuery& query, int32_t lngEjercicio, int16_t intPeriodo, const std::string& admcom);

// The rates of epigraph `epi` in the newest set of `model` not later than the
// year and period, for the bodies of T07_TIPO02 to T07_TIPO18 (T07_TIPO01 is
// not read), at most one row.
Statement epigraphRatesStatement(std::string_view model, const std::string& epi, int32_t lngEjercicio,
                                 int16_t intPeriodo);

// The bodies with their rates for one epigraph: a (row, column) array, rows 0
// to 17 and columns 0 to 2, row r pairing the r-th name of TAUX_ADMCOM as the
// table returns them (TADM_DESC when `idioma` is exactly "C", TADM_DESE
// otherwise) with the rate of column T07_TIPO(r + 2); column 2 and row 17
// stay empty. Nothing ties a name to a column but its position. No rate row
// old enough raises 13; fewer than 17 bodies raises 9. Failures pass on
// unchanged.
Variant bodiesWithRates(std::string_view model, int32_t lngEjercicio, int16_t intPeriodo, const std::string& epi,
                        const std::string& idioma);

}  // namespace svrZIVE::forms
