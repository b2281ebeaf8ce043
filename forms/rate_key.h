// The keys of the effective-rate rule: a rate set applies from its own year
// and period on, so the set in force is the latest one whose year joined to
// its period is not later than the return's key.
#pragma once

#include <cstdint>
#include <string>

#include "base/variant.h"

namespace svrZIVE::forms {

// Format(year, "####") & Format(period, "00"): 2014 and 3 give "201403".
std::string rateKey(int32_t lngEjercicio, int16_t intPeriodo);

// Format(year, "####") & Format(period, "#0") of a found rate set (values as
// the recordset gives them): 2014 and 7 give "20147".
std::string setKey(const Variant& year, const Variant& period);

}  // namespace svrZIVE::forms
