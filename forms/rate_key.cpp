#include "forms/rate_key.h"


namespace svrZIVE::forms {

namespace {

// Format(n, "####"): the digits of n without leading zeros; 0 writes nothing.
std::string hashes(int64_t n) {
  if (n == 0) return {};
  return std::to_string(n);
}

// Format(n, "00") / "#0": at least `digits` digits, '-' in front when negative.
std::string padded(int64_t n, std::size_t digits) {
  std::string text = std::to_string(n < 0 ? -n : n);
  if (text.size() < digits) text.insert(0, digits - text.size(), '0');
  return n < 0 ? "-" + text : text;
}

// A number of a recordset as Format rounds it to a whole number.
int64_t whole(const Variant& value) { return static_cast<int64_t>(roundHalfEven(value.toDouble())); }

}  // namespace

std::string rateKey(int32_t lngEjercicio, int16_t intPeriodo) {
  return hashes(lngEjercicio) + padded(intPeriodo, 2);
}

std::string setKey(const Variant& year, const Variant& period) {
  // Format(Null) is Null, which joins as nothing.
  return (year.isNull() ? std::string() : hashes(whole(year))) +
         (period.isNull() ? std::string() : padded(whole(period), 1));
}

}  // namespace svrZIVE::forms
