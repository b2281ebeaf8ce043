#include "base/variant.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

#include "base/automation_error.h"
#include "base/date_time.h"

namespace svrZIVE {

std::string_view varTypeName(VarType type) {
  switch (type) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Integer: return "Integer";
    case VarType::Long: return "Long";
    case VarType::Double: return "Double";
    case VarType::Date: return "Date";
    case VarType::String: return "String";
    case VarType::Object: return "Object";
    case VarType::Boolean: return "Boolean";
    case VarType::Variant: return "Variant";
    case VarType::Byte: return "Byte";
    case VarType::Decimal: return "Decimal";
    case VarType::Array: return "Array";
    case VarType::ByteArray: return "Byte()";
  }
  return "Unknown";
}

// ---------------------------------------------------------------------------
// Numbers as text

double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double whole = std::trunc(value);
  const double fraction = value - whole;  // exact: same sign, same binade or zero
  if (std::fabs(fraction) != 0.5) return std::round(value);
  if (std::fmod(whole, 2.0) == 0) return whole;
  return whole + (value > 0 ? 1.0 : -1.0);
}

// Plain decimal notation when the number fits in 15 positions counting the
// zeros after the point ("0.000056789"), exponent form otherwise ("1E+15",
// "5.6789E-12").
std::string formatDouble(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";  // also -0
  // to_chars never looks at the locale. The 15 significant digits come from
  // the scientific form; they are then written out plainly when the number
  // needs no more than 15 positions after the point, leading zeros included.
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific, 14);
  const std::string_view text(buffer.data(), result.ptr);
  const size_t e = text.find('e');
  const bool negative = text.front() == '-';
  std::string digits;  // the significant digits, trailing zeros dropped
  for (char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0))) {
    if (c != '.') digits += c;
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exponent);
  const int digitCount = static_cast<int>(digits.size());

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || (exponent < 0 && digitCount - exponent - 1 > 15)) {
    out += digits.substr(0, 1);
    if (digitCount > 1) out += "." + digits.substr(1);
    const int magnitude = exponent < 0 ? -exponent : exponent;
    out += exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) out += '0';
    out += std::to_string(magnitude);
  } else if (exponent < 0) {
    out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  } else if (digitCount <= exponent + 1) {
    out += digits + std::string(static_cast<size_t>(exponent + 1 - digitCount), '0');
  } else {
    out += digits.substr(0, static_cast<size_t>(exponent + 1)) + "." +
           digits.substr(static_cast<size_t>(exponent + 1));
  }
  return out;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

// parseNumber also reads "&H" (hexadecimal) and "&O" (octal) digits, either letter case. The value
// is an Integer when it fits in 16 bits and a Long when it fits in 32, the top
// bit being the sign ("&H8002" is -32766); wider values read as an infinity.
bool parseRadixNumber(std::string_view s, double& out) {
  if (s.size() < 3 || s[0] != '&') return false;
  const char letter = s[1];
  const int radix = letter == 'H' || letter == 'h' ? 16 : letter == 'O' || letter == 'o' ? 8 : 0;
  if (radix == 0) return false;
  uint64_t value = 0;
  for (char c : s.substr(2)) {
    int digit = -1;
    if (isDigit(c)) digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= radix) return false;
    value = std::min<uint64_t>(value * radix + digit, uint64_t(1) << 40);
  }
  if (value <= 0xFFFF) out = static_cast<int16_t>(static_cast<uint16_t>(value));
  else if (value <= 0xFFFFFFFF) out = static_cast<int32_t>(static_cast<uint32_t>(value));
  else out = std::numeric_limits<double>::infinity();
  return true;
}

// A number too large for a double reads as an infinity (the conversions turn
// it into Overflow); one too small reads as zero.
bool parseNumber(std::string_view text, double& out) {
  const std::string_view s = trimBlanks(text);
  if (parseRadixNumber(s, out)) return true;
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const size_t bodyStart = i;

  // Decimal position of the first significant digit, to tell an overflow
  // from an underflow when the value does not fit.
  int64_t magnitude = 0;
  bool significant = false;
  size_t digits = 0;
  for (; i < s.size() && isDigit(s[i]); ++i, ++digits) {
    if (significant) ++magnitude;
    else if (s[i] != '0') significant = true;
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && isDigit(s[i]); ++i, ++digits) {
      if (!significant) {
        --magnitude;
        if (s[i] != '0') significant = true;
      }
    }
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    int64_t exponent = 0;
    size_t exponentDigits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++exponentDigits) {
      exponent = std::min<int64_t>(exponent * 10 + (s[i] - '0'), 100000);
    }
    if (exponentDigits == 0) return false;
    magnitude += negativeExponent ? -exponent : exponent;
  }
  if (i != s.size()) return false;

  double value = 0;
  const char* first = s.data() + bodyStart;
  const char* last = s.data() + s.size();
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc() || result.ptr != last) {
    return false;
  }
  out = negative ? -value : value;
  return true;
}

// ---------------------------------------------------------------------------
// Arrays

VariantArray::VariantArray(std::vector<ArrayBound> bounds) : bounds_(std::move(bounds)) {
  size_t count = bounds_.empty() ? 0 : 1;
  for (const ArrayBound& b : bounds_) count *= static_cast<size_t>(b.count());
  elements_.resize(count);
}

VariantArray VariantArray::vector(int32_t lower, int32_t upper) {
  return VariantArray({{lower, upper}});
}

VariantArray VariantArray::matrix(int32_t lower1, int32_t upper1, int32_t lower2, int32_t upper2) {
  return VariantArray({{lower1, upper1}, {lower2, upper2}});
}

int32_t VariantArray::lbound(size_t dimension) const {
  if (dimension < 1 || dimension > bounds_.size()) raiseRuntimeError(kSubscriptOutOfRange);
  return bounds_[dimension - 1].lower;
}

int32_t VariantArray::ubound(size_t dimension) const {
  if (dimension < 1 || dimension > bounds_.size()) raiseRuntimeError(kSubscriptOutOfRange);
  return bounds_[dimension - 1].upper;
}

size_t VariantArray::offsetOf(std::span<const int32_t> subscripts) const {
  if (subscripts.size() != bounds_.size() || bounds_.empty()) raiseRuntimeError(kSubscriptOutOfRange);
  size_t offset = 0;
  size_t stride = 1;
  for (size_t d = 0; d < bounds_.size(); ++d) {
    const ArrayBound& b = bounds_[d];
    if (subscripts[d] < b.lower || subscripts[d] > b.upper) raiseRuntimeError(kSubscriptOutOfRange);
    offset += static_cast<size_t>(int64_t(subscripts[d]) - b.lower) * stride;
    stride *= static_cast<size_t>(b.count());
  }
  return offset;
}

Variant& VariantArray::at(std::span<const int32_t> subscripts) {
  return elements_[offsetOf(subscripts)];
}

const Variant& VariantArray::at(std::span<const int32_t> subscripts) const {
  return elements_[offsetOf(subscripts)];
}

Variant& VariantArray::at(std::initializer_list<int32_t> subscripts) {
  return at(std::span<const int32_t>(subscripts.begin(), subscripts.size()));
}

const Variant& VariantArray::at(std::initializer_list<int32_t> subscripts) const {
  return at(std::span<const int32_t>(subscripts.begin(), subscripts.size()));
}

Variant& VariantArray::operator[](int32_t subscript) {
  return at(std::span<const int32_t>(&subscript, 1));
}

const Variant& VariantArray::operator[](int32_t subscript) const {
  return at(std::span<const int32_t>(&subscript, 1));
}

void VariantArray::redimPreserve(int32_t newUpper) {
  if (bounds_.empty()) raiseRuntimeError(kSubscriptOutOfRange);
  ArrayBound& last = bounds_.back();
  if (int64_t(newUpper) < int64_t(last.lower) - 1) raiseRuntimeError(kSubscriptOutOfRange);
  size_t stride = 1;  // elements per step of the last subscript
  for (size_t d = 0; d + 1 < bounds_.size(); ++d) stride *= static_cast<size_t>(bounds_[d].count());
  last.upper = newUpper;
  elements_.resize(stride * static_cast<size_t>(last.count()));
}

bool VariantArray::operator==(const VariantArray& other) const {
  return bounds_ == other.bounds_ && elements_ == other.elements_;
}

// ---------------------------------------------------------------------------
// Variant

namespace {

using ArrayPtr = std::shared_ptr<VariantArray>;

// A moved-from array variant holds no array; it reads as an empty one.
const VariantArray& arrayOf(const ArrayPtr& p) {
  static const VariantArray none;
  return p ? *p : none;
}

}  // namespace

Variant::Variant(const Variant& other) : value_(other.value_) {
  if (auto* p = std::get_if<ArrayPtr>(&value_)) *p = std::make_shared<VariantArray>(arrayOf(*p));
}

Variant& Variant::operator=(const Variant& other) {
  // Copy first: `other` may live inside this variant's own array.
  Variant copy(other);
  value_ = std::move(copy.value_);
  return *this;
}

VarType Variant::type() const {
  return std::visit(
      [](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) return VarType::Empty;
        else if constexpr (std::is_same_v<T, NullTag>) return VarType::Null;
        else if constexpr (std::is_same_v<T, bool>) return VarType::Boolean;
        else if constexpr (std::is_same_v<T, uint8_t>) return VarType::Byte;
        else if constexpr (std::is_same_v<T, int16_t>) return VarType::Integer;
        else if constexpr (std::is_same_v<T, int32_t>) return VarType::Long;
        else if constexpr (std::is_same_v<T, double>) return VarType::Double;
        else if constexpr (std::is_same_v<T, std::string>) return VarType::String;
        else if constexpr (std::is_same_v<T, ArrayPtr>) return VarType::Array;
        else if constexpr (std::is_same_v<T, std::shared_ptr<const Bytes>>) return VarType::ByteArray;
        else if constexpr (std::is_same_v<T, DateValue>) return VarType::Date;
        else if constexpr (std::is_same_v<T, Decimal>) return VarType::Decimal;
        else return VarType::Object;
      },
      value_);
}

bool Variant::isArray() const { return std::holds_alternative<ArrayPtr>(value_); }
bool Variant::isObject() const { return std::holds_alternative<std::shared_ptr<Dispatch>>(value_); }

bool Variant::isNumeric() const {
  switch (type()) {
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Decimal: return true;
    default: return false;
  }
}

namespace {

template <class T, class Value>
const T& exactly(const Value& value) {
  const T* held = std::get_if<T>(&value);
  if (!held) raiseRuntimeError(kTypeMismatch);
  return *held;
}

}  // namespace

bool Variant::asBoolean() const { return exactly<bool>(value_); }
uint8_t Variant::asByte() const { return exactly<uint8_t>(value_); }
int16_t Variant::asInteger() const { return exactly<int16_t>(value_); }
int32_t Variant::asLong() const { return exactly<int32_t>(value_); }
double Variant::asDouble() const { return exactly<double>(value_); }
double Variant::asDate() const { return exactly<DateValue>(value_).days; }
const Decimal& Variant::asDecimal() const { return exactly<Decimal>(value_); }
Variant Variant::date(double days) {
  Variant v;
  v.value_ = DateValue{days};
  return v;
}
const std::string& Variant::asString() const { return exactly<std::string>(value_); }
const std::shared_ptr<Dispatch>& Variant::object() const {
  return exactly<std::shared_ptr<Dispatch>>(value_);
}

const Bytes& Variant::asBytes() const {
  const auto& p = exactly<std::shared_ptr<const Bytes>>(value_);
  static const Bytes none;
  return p ? *p : none;
}

VariantArray& Variant::array() {
  ArrayPtr* p = std::get_if<ArrayPtr>(&value_);
  if (!p) raiseRuntimeError(kTypeMismatch);
  if (!*p) *p = std::make_shared<VariantArray>();
  return **p;
}

const VariantArray& Variant::array() const { return arrayOf(exactly<ArrayPtr>(value_)); }

namespace {

// The value of a Boolean, Byte, Integer, Long or Double as a double; false for
// any other type.
template <class Value>
bool heldNumber(const Value& value, double& out) {
  return std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          out = v ? -1.0 : 0.0;
          return true;
        } else if constexpr (std::is_arithmetic_v<T>) {
          out = static_cast<double>(v);
          return true;
        } else if constexpr (std::is_same_v<T, Variant::DateValue>) {
          out = v.days;
          return true;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          out = v.toDouble();
          return true;
        } else {
          return false;
        }
      },
      value);
}

template <class Int>
Int roundedInto(double number) {
  const double rounded = roundHalfEven(number);
  if (!(rounded >= double(std::numeric_limits<Int>::min()) &&
        rounded <= double(std::numeric_limits<Int>::max()))) {
    raiseRuntimeError(kOverflow);
  }
  return static_cast<Int>(rounded);
}

}  // namespace

double Variant::toDouble() const {
  double number = 0;
  if (heldNumber(value_, number)) return number;
  if (isEmpty()) return 0;
  if (isNull()) raiseRuntimeError(kInvalidUseOfNull);
  if (!isString() || !parseNumber(asString(), number)) raiseRuntimeError(kTypeMismatch);
  if (!std::isfinite(number)) raiseRuntimeError(kOverflow);
  return number;
}

// A Decimal is rounded as a Decimal: 2.5000000000000000001 is nearer 3.
uint8_t Variant::toByte() const { return roundedInto<uint8_t>(isDecimal() ? asDecimal().rounded(0).toDouble() : toDouble()); }
int16_t Variant::toInteger() const { return roundedInto<int16_t>(isDecimal() ? asDecimal().rounded(0).toDouble() : toDouble()); }
int32_t Variant::toLong() const { return roundedInto<int32_t>(isDecimal() ? asDecimal().rounded(0).toDouble() : toDouble()); }

Decimal Variant::toDecimal() const {
  if (isDecimal()) return asDecimal();
  if (isString()) {
    Decimal d;
    if (Decimal::parse(asString(), d)) return d;
  }
  switch (type()) {
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long: return Decimal::fromInteger(toLong());
    default: return Decimal::fromDouble(toDouble());
  }
}

bool Variant::toBoolean() const {
  if (isString()) {
    const std::string_view text = trimBlanks(asString());
    if (equalsIgnoringCase(text, "True")) return true;
    if (equalsIgnoringCase(text, "False")) return false;
  }
  return toDouble() != 0;
}

std::string Variant::toText() const {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) return {};
        else if constexpr (std::is_same_v<T, NullTag>) raiseRuntimeError(kInvalidUseOfNull);
        else if constexpr (std::is_same_v<T, bool>) return v ? "True" : "False";
        else if constexpr (std::is_same_v<T, double>) return formatDouble(v);
        else if constexpr (std::is_integral_v<T>) return std::to_string(v);
        else if constexpr (std::is_same_v<T, std::string>) return v;
        else if constexpr (std::is_same_v<T, DateValue>) return dateText(v.days);
        else if constexpr (std::is_same_v<T, Decimal>) return v.text();
        else raiseRuntimeError(kTypeMismatch);
      },
      value_);
}

bool Variant::operator==(const Variant& other) const {
  if (value_.index() != other.value_.index()) return false;
  return std::visit(
      [&](const auto& mine) {
        using T = std::decay_t<decltype(mine)>;
        const T& theirs = std::get<T>(other.value_);
        if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, NullTag>) return true;
        else if constexpr (std::is_same_v<T, ArrayPtr>) return arrayOf(mine) == arrayOf(theirs);
        else if constexpr (std::is_same_v<T, std::shared_ptr<const Bytes>>) return (mine ? *mine : Bytes{}) == (theirs ? *theirs : Bytes{});
        else return mine == theirs;  // objects: the same object
      },
      value_);
}

bool variantEquals(const Variant& a, const Variant& b) {
  if (a.isNull() || b.isNull()) return false;
  if (a.isBytes() || b.isBytes()) return a == b;
  if (a.isArray() || a.isObject() || b.isArray() || b.isObject()) return false;
  if (a.isString() && b.isString()) return a.asString() == b.asString();
  if (a.isEmpty() || b.isEmpty()) {
    const Variant& other = a.isEmpty() ? b : a;
    if (other.isEmpty()) return true;
    if (other.isString()) return other.asString().empty();
    return other.toDouble() == 0;
  }
  // At least one number; the other is a number or a text.
  if (a.isDecimal() || b.isDecimal()) {
    try {
      return a.toDecimal() == b.toDecimal();
    } catch (const AutomationError&) {
      return false;  // a text that is no number, a number beyond the Decimal range
    }
  }
  const auto numeric = [](const Variant& v, double& out) {
    return v.isString() ? parseNumber(v.asString(), out) : (out = v.toDouble(), true);
  };
  double x = 0;
  double y = 0;
  return numeric(a, x) && numeric(b, y) && x == y;
}

}  // namespace svrZIVE
