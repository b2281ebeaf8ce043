// The runtime's Decimal (variant subtype 14): a 96-bit unsigned integer, a
// sign and a scale of 0 to 28 decimal places. Values are kept in one form
// only (no trailing zeros after the point, no negative zero), so that two
// Decimals are equal exactly when their numbers are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace svrZIVE {

// 128-bit arithmetic, a GCC and Clang extension, for the 96-bit integer.
__extension__ typedef unsigned __int128 DecimalMantissa;

class Decimal {
 public:
  static constexpr int kMaxScale = 28;
  static constexpr int kMaxDigits = 29;  // 2^96 - 1 has 29 digits

  Decimal() = default;  // zero

  // CDec of a text: plain or exponent notation with a sign, blanks around
  // it; digits beyond what 96 bits and 28 places hold are rounded half to
  // even. False when the text is no number; Overflow (6) when its whole
  // part needs more than 96 bits.
  static bool parse(std::string_view text, Decimal& out);
  // CDec of a Double: its 15 significant digits, as the runtime writes them
  // (0.1 is exactly 0.1). Overflow (6) beyond the range, for an infinity or NaN.
  static Decimal fromDouble(double value);
  static Decimal fromInteger(int64_t value);
  // The key written by key(); false for any other text.
  static bool fromKey(std::string_view key, Decimal& out);

  bool negative() const { return negative_; }
  int scale() const { return scale_; }
  bool isZero() const { return mantissa_ == 0; }
  // Digits of the whole part (0 for a value below 1).
  int wholeDigits() const;

  // Plain notation, never an exponent: "-1234.5678", "0.0001".
  std::string text() const;
  double toDouble() const;
  // The value with at most `scale` places, halves to the even neighbour.
  Decimal rounded(int scale) const;

  // A text whose byte order is the order of the numbers: 29 digits of the
  // whole part, then '.' and the places if there are any; a negative value
  // is '-', the nines' complement of those digits and '~'.
  std::string key() const;

  int compare(const Decimal& other) const;
  bool operator==(const Decimal& other) const = default;

 private:
  DecimalMantissa mantissa_ = 0;  // below 2^96
  uint8_t scale_ = 0;
  bool negative_ = false;

  // The value of a digit string with a decimal point before its last `scale` digits.
  // at most `maxScale` places kept.
  static Decimal fromDigits(std::string digits, int64_t scale, bool negative, int maxScale = kMaxScale);
  void normalise();
};

}  // namespace svrZIVE
