#include "base/decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "base/automation_error.h"

namespace svrZIVE {

namespace {

using Wide = DecimalMantissa;

constexpr std::string_view kLargest = "79228162514264337593543950335";  // 2^96 - 1

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits over 96 bits: more digits than 2^96 - 1 has, or as many and larger.
bool tooWide(std::string_view digits) {
  return digits.size() > kLargest.size() || (digits.size() == kLargest.size() && digits > kLargest);
}

Wide power10(int exponent) {
  Wide p = 1;
  for (int i = 0; i < exponent; ++i) p *= 10;
  return p;
}

std::string digitsOf(Wide value) {
  std::string out;
  do {
    out.insert(out.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  return out;
}

// Adds one to a digit string.
void increment(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
}

}  // namespace

Decimal Decimal::fromDigits(std::string digits, int64_t scale, bool negative, int maxScale) {
  const size_t first = digits.find_first_not_of('0');
  digits.erase(0, first == std::string::npos ? digits.size() : first);
  if (digits.empty()) return Decimal();
  const int64_t length = static_cast<int64_t>(digits.size());
  if (length - scale > kMaxDigits) raiseRuntimeError(kOverflow);
  if (scale < 0) {
    digits.append(static_cast<size_t>(-scale), '0');
    scale = 0;
  }
  if (scale - length > maxScale + 1) return Decimal();  // below half of the smallest place
  // Places dropped so that the scale and the width fit, rounded half to even.
  int64_t drop = std::max({scale - maxScale, length - kMaxDigits, int64_t(0)});
  if (drop < length && tooWide(std::string_view(digits).substr(0, static_cast<size_t>(length - drop)))) ++drop;
  if (drop > 0) {
    std::string kept = drop < length ? digits.substr(0, static_cast<size_t>(length - drop)) : "0";
    const std::string dropped = drop <= length ? digits.substr(static_cast<size_t>(length - drop))
                                               : std::string(static_cast<size_t>(drop - length), '0') + digits;
    const bool beyondHalf = dropped.find_first_not_of('0', 1) != std::string::npos;
    if (dropped[0] > '5' || (dropped[0] == '5' && (beyondHalf || (kept.back() - '0') % 2 == 1))) increment(kept);
    digits = std::move(kept);
    scale -= drop;
    if (scale < 0) raiseRuntimeError(kOverflow);
    // A carry can make one digit more: it ends in a zero, dropped exactly.
    while (tooWide(digits)) {
      if (scale == 0 || digits.back() != '0') raiseRuntimeError(kOverflow);
      digits.pop_back();
      --scale;
    }
  }
  Decimal d;
  for (char c : digits) d.mantissa_ = d.mantissa_ * 10 + static_cast<unsigned>(c - '0');
  d.scale_ = static_cast<uint8_t>(scale);
  d.negative_ = negative;
  d.normalise();
  return d;
}

void Decimal::normalise() {
  while (scale_ > 0 && mantissa_ % 10 == 0) {
    mantissa_ /= 10;
    --scale_;
  }
  if (mantissa_ == 0) {
    scale_ = 0;
    negative_ = false;
  }
}

bool Decimal::parse(std::string_view text, Decimal& out) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string digits;
  int64_t scale = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) digits += text[i];
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isDigit(text[i]); ++i, ++scale) digits += text[i];
  }
  if (digits.empty()) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    int64_t exponent = 0;
    const size_t start = i;
    for (; i < text.size() && isDigit(text[i]); ++i) exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 100000);
    if (i == start) return false;
    scale += negativeExponent ? exponent : -exponent;
  }
  if (i != text.size()) return false;
  out = fromDigits(std::move(digits), scale, negative);
  return true;
}

Decimal Decimal::fromDouble(double value) {
  if (!std::isfinite(value)) raiseRuntimeError(kOverflow);
  std::array<char, 64> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, 14);
  Decimal d;
  parse(std::string_view(buffer.data(), result.ptr), d);
  return d;
}

Decimal Decimal::fromInteger(int64_t value) {
  Decimal d;
  d.negative_ = value < 0;
  d.mantissa_ = value < 0 ? Wide(0) - static_cast<Wide>(value) : Wide(value);
  d.normalise();
  return d;
}

int Decimal::wholeDigits() const {
  const Wide whole = mantissa_ / power10(scale_);
  return whole == 0 ? 0 : static_cast<int>(digitsOf(whole).size());
}

std::string Decimal::text() const {
  std::string digits = digitsOf(mantissa_);
  if (digits.size() <= scale_) digits.insert(0, scale_ + 1 - digits.size(), '0');
  if (scale_ > 0) digits.insert(digits.size() - scale_, ".");
  return negative_ ? "-" + digits : digits;
}

double Decimal::toDouble() const {
  const std::string t = text();
  double value = 0;
  std::from_chars(t.data(), t.data() + t.size(), value);
  return value;
}

Decimal Decimal::rounded(int scale) const {
  if (scale_ <= scale) return *this;
  return fromDigits(digitsOf(mantissa_), scale_, negative_, scale);
}

std::string Decimal::key() const {
  const Wide unit = power10(scale_);
  std::string whole = digitsOf(mantissa_ / unit);
  std::string key = std::string(kMaxDigits - whole.size(), '0') + whole;
  if (scale_ > 0) {
    const std::string places = digitsOf(mantissa_ % unit);
    key += "." + std::string(scale_ - places.size(), '0') + places;
  }
  if (!negative_) return key;
  for (char& c : key)
    if (isDigit(c)) c = static_cast<char>('9' - (c - '0'));
  return "-" + key + "~";
}

bool Decimal::fromKey(std::string_view key, Decimal& out) {
  const bool negative = !key.empty() && key.front() == '-';
  if (negative) {
    if (key.size() < 2 || key.back() != '~') return false;
    key = key.substr(1, key.size() - 2);
  }
  if (key.size() < kMaxDigits || (key.size() > kMaxDigits && (key[kMaxDigits] != '.' || key.size() == kMaxDigits + 1)))
    return false;
  std::string digits;
  for (size_t i = 0; i < key.size(); ++i) {
    if (i == kMaxDigits) continue;
    if (!isDigit(key[i])) return false;
    digits += negative ? static_cast<char>('9' - (key[i] - '0')) : key[i];
  }
  const int64_t scale = key.size() > kMaxDigits ? static_cast<int64_t>(key.size() - kMaxDigits - 1) : 0;
  const size_t first = digits.find_first_not_of('0');
  if (scale > kMaxScale || (first != std::string::npos && tooWide(std::string_view(digits).substr(first))))
    return false;
  out = fromDigits(std::move(digits), scale, negative);
  return true;
}

int Decimal::compare(const Decimal& other) const {
  const int c = key().compare(other.key());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace svrZIVE
