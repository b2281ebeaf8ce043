// The rates in force of the rate-based forms, from the reference database:
// a rate set applies from its own year and period on, so the set in force
// for a return is the latest one not later than the return's year and period.
//
// Form 560 finds its one row of T04_TIPOS1 in one statement. The epigraph
// forms (models 561 to 566) take two steps on T05_TIPOS2: the year and period
// of the set in force, then the whole set, one row per epigraph.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/variant.h"
#include "frame/statement.h"

namespace svrZIVE::forms {

// The statement of the form-560 rates in force.
Statement tipos560Statement(int32_t lngEjercicio, int16_t intPeriodo);

// The first step of an epigraph model: the year and period of its set in force.
Statement epigraphSetStatement(std::string_view model, int32_t lngEjercicio, int16_t intPeriodo);
// The second step: the rows of the set of `setKey` (rate_key.h's setKey).
Statement epigraphRatesStatement(std::string_view model, const std::string& setKey);

// The rates of `model` in force for the year and period, on the database the
// shared connection has open:
//   "560"  (T04_TIPO, T04_TIPO1, T04_TIPO2), single-record shaped, or Null;
//   other  the epigraphs of the set (table shape, rows from 1; columns
//          T05_MOD, T05_EJER, T05_PER, T05_EPIEXT, T05_TIPO, for 561
//          T05_GRADO, then T05_NOMC, T05_NOME), the first row of each
//          epigraph only. Before the model's first set: the engine's
//          no-current-record error.
// A model without rates raises 5. Failures pass on unchanged.
Variant ratesInForce(std::string_view model, int32_t lngEjercicio, int16_t intPeriodo);

}  // namespace svrZIVE::forms
