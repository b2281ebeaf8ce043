// Variant values as automation clients pass them: the empty value, the null
// value, Boolean, Byte, Integer, Long, Double, Decimal, String, objects, arrays of
// variants with any number of dimensions, each with its own bounds, and byte
// arrays (the value of a binary field).
//
// Conversions follow the runtime rules that the system's buffers rely on:
// integers round halves to even, out of range is Overflow (6), a text that does
// not read as a number is Type mismatch (13), Null is Invalid use of Null (94).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/decimal.h"

namespace svrZIVE {

// Variant type codes, numbered as the automation runtime numbers them.
enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,   // 16-bit signed
  Long = 3,      // 32-bit signed
  Double = 5,
  Date = 7,      // days from 30 December 1899 (base/date_time.h)
  String = 8,
  Object = 9,
  Boolean = 11,
  Variant = 12,  // element type of variant arrays
  Decimal = 14,  // base/decimal.h
  Byte = 17,     // 8-bit unsigned
  Array = 0x2000,
  ByteArray = 0x2011,  // Array | Byte: the bytes of a binary field
};

std::string_view varTypeName(VarType type);  // "Empty", "Null", "Long", ...

class Variant;

using Bytes = std::vector<uint8_t>;

// A late-bound object held in a variant. The component frame implements it
// for its public classes; the engine's recordsets are objects too.
class Dispatch {
 public:
  virtual ~Dispatch() = default;
  virtual std::string className() const = 0;
};

struct ArrayBound {
  int32_t lower = 0;
  int32_t upper = -1;  // upper < lower: no elements in this dimension
  int32_t count() const { return upper >= lower ? upper - lower + 1 : 0; }
  bool operator==(const ArrayBound&) const = default;
};

// An array of variants. Elements are stored with the first subscript varying
// fastest, so that ReDim Preserve of the last dimension keeps every element.
class VariantArray {
 public:
  VariantArray() = default;
  explicit VariantArray(std::vector<ArrayBound> bounds);  // every element Empty
  // One dimension lower..upper.
  static VariantArray vector(int32_t lower, int32_t upper);
  // Two dimensions (lower1..upper1, lower2..upper2).
  static VariantArray matrix(int32_t lower1, int32_t upper1, int32_t lower2, int32_t upper2);

  size_t dimensions() const { return bounds_.size(); }
  const std::vector<ArrayBound>& bounds() const { return bounds_; }
  // LBound / UBound, dimension numbered from 1; other dimensions: error 9.
  int32_t lbound(size_t dimension = 1) const;
  int32_t ubound(size_t dimension = 1) const;
  size_t size() const;  // defined below, once Variant is complete

  // Element access by subscripts; a wrong count or a subscript outside its
  // bounds raises Subscript out of range (9).
  Variant& at(std::span<const int32_t> subscripts);
  const Variant& at(std::span<const int32_t> subscripts) const;
  Variant& at(std::initializer_list<int32_t> subscripts);
  const Variant& at(std::initializer_list<int32_t> subscripts) const;
  Variant& operator[](int32_t subscript);  // one-dimensional arrays
  const Variant& operator[](int32_t subscript) const;

  // ReDim Preserve: changes the upper bound of the last dimension and keeps the
  // content of every element that stays in bounds.
  void redimPreserve(int32_t newUpper);

  // Elements in storage order (first subscript fastest).
  std::vector<Variant>& elements() { return elements_; }
  const std::vector<Variant>& elements() const { return elements_; }

  bool operator==(const VariantArray& other) const;

 private:
  size_t offsetOf(std::span<const int32_t> subscripts) const;
  std::vector<ArrayBound> bounds_;
  std::vector<Variant> elements_;
};

class Variant {
 public:
  struct NullTag {};
  struct DateValue {
    double days = 0;
    bool operator==(const DateValue&) const = default;
  };

  Variant() = default;  // Empty
  Variant(NullTag) : value_(NullTag{}) {}
  Variant(bool b) : value_(b) {}
  Variant(uint8_t b) : value_(b) {}
  Variant(int16_t i) : value_(i) {}
  Variant(int32_t l) : value_(l) {}
  Variant(double d) : value_(d) {}
  Variant(std::string s) : value_(std::move(s)) {}
  Variant(std::string_view s) : value_(std::string(s)) {}
  Variant(const char* s) : value_(std::string(s)) {}
  Variant(VariantArray a) : value_(std::make_shared<VariantArray>(std::move(a))) {}
  Variant(std::shared_ptr<Dispatch> object) : value_(std::move(object)) {}
  Variant(Bytes bytes) : value_(std::make_shared<const Bytes>(std::move(bytes))) {}
  Variant(Decimal d) : value_(d) {}
  // Other integer widths would be ambiguous: say which type is meant.
  Variant(long) = delete;
  Variant(unsigned) = delete;

  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&&) noexcept = default;
  Variant& operator=(Variant&&) noexcept = default;

  static Variant null() { return Variant(NullTag{}); }
  static Variant empty() { return Variant(); }
  static Variant date(double days);

  VarType type() const;  // Array for arrays (the element type is always Variant)
  bool isEmpty() const { return value_.index() == 0; }
  bool isNull() const { return value_.index() == 1; }
  bool isArray() const;
  bool isObject() const;
  bool isNumeric() const;  // Boolean, Byte, Integer, Long, Double or Decimal
  bool isString() const { return std::holds_alternative<std::string>(value_); }
  // A byte array; not an array of variants (isArray is false).
  bool isBytes() const { return std::holds_alternative<std::shared_ptr<const Bytes>>(value_); }
  bool isDate() const { return std::holds_alternative<DateValue>(value_); }
  bool isDecimal() const { return std::holds_alternative<Decimal>(value_); }

  // Exact access: the held value when the type is that one, else Type mismatch.
  bool asBoolean() const;
  uint8_t asByte() const;
  int16_t asInteger() const;
  int32_t asLong() const;
  double asDouble() const;
  double asDate() const;  // the days of a Date
  const Decimal& asDecimal() const;
  const std::string& asString() const;
  VariantArray& array();  // arrays held by value: a copy of the variant copies them
  const VariantArray& array() const;
  const std::shared_ptr<Dispatch>& object() const;
  const Bytes& asBytes() const;

  // Conversions by the runtime's rules (CByte, CInt, CLng, CDbl, CBool, CStr):
  //  - numbers convert; fractions round to the nearest integer, halves to even;
  //  - a text that reads as a number (blanks around it allowed) converts,
  //    any other text raises Type mismatch (13);
  //  - Empty gives 0, False or the empty text; Null raises Invalid use of Null (94);
  //  - a result out of the target's range raises Overflow (6);
  //  - arrays, byte arrays and objects raise Type mismatch.
  // Boolean True is -1 as a number and "True" as text; a Date is its days as
  // a number and its general date text as text; a Decimal rounds exactly and
  // is written in plain notation. CDec (toDecimal) takes a Double's 15
  // significant digits and a text's every digit.
  uint8_t toByte() const;
  int16_t toInteger() const;
  int32_t toLong() const;
  double toDouble() const;
  Decimal toDecimal() const;
  bool toBoolean() const;
  std::string toText() const;

  // Identity of type and value (arrays element by element); Empty != Null.
  bool operator==(const Variant& other) const;

 private:
  std::variant<std::monostate, NullTag, bool, uint8_t, int16_t, int32_t, double, std::string,
               std::shared_ptr<VariantArray>, std::shared_ptr<Dispatch>, std::shared_ptr<const Bytes>, DateValue, Decimal>
      value_;
};

inline size_t VariantArray::size() const { return elements_.size(); }

// The runtime's comparison `a = b` of two variants, as used by the module
// functions: Null on either side is never equal; numbers compare as numbers
// (a text that reads as a number against a number compares numerically; a
// Decimal against another number compares as Decimals, exactly);
// texts compare exactly, byte arrays byte by byte; Empty equals 0 and the
// empty text.
bool variantEquals(const Variant& a, const Variant& b);

// Double as the runtime writes it: at most 15 significant digits, '.' as the
// decimal point whatever the locale, no trailing zeros or point; exponent form
// ("1E+15", "5.6789E-12") when the decimal exponent is 15 or more or below -4.
std::string formatDouble(double value);

// Reads a text as a number the way the runtime does (blanks around it, a sign,
// digits with an optional '.', an optional exponent). False when it does not.
bool parseNumber(std::string_view text, double& out);

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

}  // namespace svrZIVE
