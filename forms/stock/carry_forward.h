// The carry forward of the stock-accounting forms: the closing stocks of the
// declarant's previous return of the same typology and periodicity, found by
// ordering the declarant's earlier headers (not by computing the previous
// period). The query of each typology is part of its layout.
#pragma once

#include <cstdint>
#include <string>

#include "forms/form_layout.h"
#include "frame/statement.h"
#include "base/variant.h"

namespace svrZIVE::forms {

// The layout's carry-forward query with the four values written in (the
// year converted to a Long, or as its text where the layout says so).
Statement carryForwardStatement(const FormLayout& layout, const Variant& lngEjercicio, const std::string& strPeriodicidad,
                                int32_t lngSecDec, int32_t lngDeclarante);

// Runs it on the shared connection and returns the table shape (columns of
// the select list, rows from 1); Null when no header qualifies. Failures
// pass on unchanged.
Variant cargarExisFinales(const FormLayout& layout, const Variant& lngEjercicio, const std::string& strPeriodicidad,
                          int32_t lngSecDec, int32_t lngDeclarante);

}  // namespace svrZIVE::forms
