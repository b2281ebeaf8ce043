// The Format function of Jet expressions, for numbers: the digit
// placeholders 0 and #, the decimal point, thousands separators, %,
// scientific E+/E- forms, literal text ("...", \c), sections for positive;
// negative;zero values, and the named formats General Number, Fixed,
// Standard, Currency, Percent, Scientific, Yes/No, True/False and On/Off;
// dates with date patterns and the named date and time formats. The decimal
// point is always '.' and the thousands separator ','. Numbers round half away
// from zero at the last digit shown, as the runtime's Format does.
#pragma once

#include <string>
#include <string_view>

#include "base/variant.h"

namespace svrZIVE::engine::jet {

// Format(value[, pattern]): Null gives Null; a text that reads as a number is
// formatted as that number, any other text is returned unchanged.
Variant formatValue(const Variant& value, std::string_view pattern);

// One number with a pattern (the sections are chosen here).
std::string formatNumber(double value, std::string_view pattern);

// Dates (date_format.cpp): whether a pattern formats a date (a named date or
// time format, or date placeholders and no digit placeholders), and a date
// formatted with one.
bool isDatePattern(std::string_view pattern);
std::string formatDate(double days, std::string_view pattern);

}  // namespace svrZIVE::engine::jet
