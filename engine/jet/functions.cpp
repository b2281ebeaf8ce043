// The SQLite side of the Jet dialect: the collation JET, the functions the
// translated statements call (jet_*), and the conversions of stored values.
//
// Values arrive from SQLite as Variants: INTEGER as Long (Double beyond 32
// bits), REAL as Double, TEXT as String, NULL as Null. Booleans are stored
// and computed as -1/0. Errors leave a function as "#NNNN#description".
#include <sqlite3.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "engine/jet/errors.h"
#include "engine/jet/format.h"
#include "engine/jet/function_support.h"
#include "engine/jet/translator.h"

namespace svrZIVE::engine::jet {

constexpr int32_t kDivisionByZero = 11;

[[noreturn]] static void raiseJet(int32_t number, std::string description = {}) {
  raiseJetError(number, "DAO.Field", std::move(description));
}

void typeMismatch() { raiseJet(kTypeMismatchInExpression); }

// ---- text ------------------------------------------------------------------

// The collator of the thread: Spanish rules, letter case ignored, accents not.
UCollator* collator() {
  struct Holder {
    UCollator* c = nullptr;
    Holder() {
      UErrorCode status = U_ZERO_ERROR;
      c = ucol_open("es", &status);
      if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        c = ucol_open("", &status);
      }
      if (c != nullptr) ucol_setStrength(c, UCOL_SECONDARY);
    }
    ~Holder() {
      if (c != nullptr) ucol_close(c);
    }
  };
  thread_local Holder holder;
  return holder.c;
}

int collate(std::string_view a, std::string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(collator(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                                        static_cast<int32_t>(b.size()), &status);
  if (U_FAILURE(status)) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

std::vector<UChar32> codePoints(std::string_view s) {
  std::vector<UChar32> out;
  out.reserve(s.size());
  int32_t i = 0;
  const int32_t n = static_cast<int32_t>(s.size());
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  while (i < n) {
    UChar32 c;
    U8_NEXT(p, i, n, c);
    out.push_back(c < 0 ? 0xFFFD : c);
  }
  return out;
}

std::string utf8(const std::vector<UChar32>& cps, size_t from, size_t count) {
  std::string out;
  size_t end = count == std::string::npos ? cps.size() : std::min(cps.size(), from + count);
  for (size_t i = from; i < end; ++i) {
    uint8_t buf[4];
    int32_t len = 0;
    UBool error = false;
    U8_APPEND(buf, len, 4, cps[i], error);
    if (!error) out.append(reinterpret_cast<char*>(buf), len);
  }
  return out;
}

UChar32 fold(UChar32 c) { return u_foldCase(c, U_FOLD_CASE_DEFAULT); }

std::string changeCase(std::string_view s, bool upper) {
  std::vector<UChar32> cps = codePoints(s);
  for (auto& c : cps) c = upper ? u_toupper(c) : u_tolower(c);
  return utf8(cps);
}

// ---- numbers ---------------------------------------------------------------

// The number a value stands for in an expression; a text that does not read
// as a number is a type mismatch.
double toNumber(const Variant& v) {
  if (v.isString()) {
    double d = 0;
    if (!parseNumber(v.asString(), d)) typeMismatch();
    return d;
  }
  if (v.isNumeric() || v.isDate()) return v.toDouble();
  if (v.isEmpty()) return 0;
  typeMismatch();
}

// The text of a value in an expression: numbers as the runtime writes them,
// Booleans as -1/0 (as they are stored).
std::string toText(const Variant& v) {
  switch (v.type()) {
    case VarType::String: return v.asString();
    case VarType::Boolean: return v.asBoolean() ? "-1" : "0";
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long: return std::to_string(v.toLong());
    case VarType::Double: return formatDouble(v.asDouble());
    case VarType::Date: return dateText(v.asDate());
    case VarType::Decimal: return v.asDecimal().text();
    case VarType::Empty:
    case VarType::Null: return {};
    default: typeMismatch();
  }
}

bool isWhole(double d) { return std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15; }

Variant numberVariant(double d) {
  if (isWhole(d) && d >= INT32_MIN && d <= INT32_MAX) return Variant(static_cast<int32_t>(d));
  return Variant(d);
}

int compareNumbers(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

// ---- SQLite glue -----------------------------------------------------------

Variant fromSqlite(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
      sqlite3_int64 i = sqlite3_value_int64(v);
      if (sqlite3_value_subtype(v) == kDateSubtype) return Variant::date(static_cast<double>(i));
      if (i >= INT32_MIN && i <= INT32_MAX) return Variant(static_cast<int32_t>(i));
      return Variant(static_cast<double>(i));
    }
    case SQLITE_FLOAT:
      if (sqlite3_value_subtype(v) == kDateSubtype) return Variant::date(sqlite3_value_double(v));
      return Variant(sqlite3_value_double(v));
    case SQLITE_TEXT: {
      const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
      int n = sqlite3_value_bytes(v);
      std::string text(p ? p : "", static_cast<size_t>(n));
      if (Decimal d; sqlite3_value_subtype(v) == kDecimalSubtype && Decimal::fromKey(text, d)) return Variant(d);
      return Variant(std::move(text));
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const uint8_t*>(sqlite3_value_blob(v));
      return Variant(Bytes(p, p + sqlite3_value_bytes(v)));
    }
    default: return Variant::null();
  }
}

void toSqlite(sqlite3_context* ctx, const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean: sqlite3_result_int(ctx, v.asBoolean() ? -1 : 0); break;
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long: sqlite3_result_int64(ctx, v.toLong()); break;
    case VarType::Double: sqlite3_result_double(ctx, v.asDouble()); break;
    case VarType::Date:
      sqlite3_result_double(ctx, v.asDate());
      sqlite3_result_subtype(ctx, kDateSubtype);
      break;
    case VarType::String: {
      const std::string& s = v.asString();
      sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      break;
    }
    case VarType::ByteArray: {
      const Bytes& b = v.asBytes();
      sqlite3_result_blob(ctx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
      break;
    }
    case VarType::Decimal: {
      const std::string key = v.asDecimal().key();
      sqlite3_result_text(ctx, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
      sqlite3_result_subtype(ctx, kDecimalSubtype);
      break;
    }
    default: sqlite3_result_null(ctx); break;
  }
}

void resultError(sqlite3_context* ctx, const AutomationError& e) {
  std::string message = "#" + std::to_string(e.number()) + "#" + e.description();
  sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}


bool anyNull(const Args& a) {
  for (const auto& v : a)
    if (v.isNull()) return true;
  return false;
}

void invalidUseOfNull() { raiseRuntimeError(kInvalidUseOfNull); }
void invalidCall() { raiseRuntimeError(kInvalidProcedureCall); }

// A whole-number argument (a count or a position).
int64_t wholeArg(const Variant& v) {
  if (v.isNull()) invalidUseOfNull();
  double d = roundHalfEven(toNumber(v));
  if (!std::isfinite(d) || std::fabs(d) > 2147483647.0) raiseRuntimeError(kOverflow);
  return static_cast<int64_t>(d);
}

namespace {

// ---- the functions ---------------------------------------------------------

Variant fnCompare(const Args& a) {
  if (anyNull(a)) return Variant::null();
  return Variant(static_cast<int32_t>(jetCompare(a[0], a[1])));
}

Variant fnConcat(const Args& a) {
  bool allNull = true;
  std::string out;
  for (const auto& v : a) {
    if (v.isNull()) continue;
    allNull = false;
    out += toText(v);
  }
  return allNull ? Variant::null() : Variant(std::move(out));
}

Variant fnNum(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  if (a[0].isString()) return numberVariant(toNumber(a[0]));
  return a[0];
}

Variant fnTruth(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return Variant(static_cast<int32_t>(toNumber(a[0]) != 0 ? 1 : 0));
}

Variant fnAdd(const Args& a) {
  if (anyNull(a)) return Variant::null();
  if (a[0].isString() && a[1].isString()) return Variant(a[0].asString() + a[1].asString());
  double x = toNumber(a[0]), y = toNumber(a[1]);
  return numberVariant(x + y);
}

Variant fnDiv(const Args& a) {
  if (anyNull(a)) return Variant::null();
  double x = toNumber(a[0]), y = toNumber(a[1]);
  if (y == 0) raiseJet(kDivisionByZero, "Division by zero.");
  return Variant(x / y);
}

Variant fnIntDiv(const Args& a) {
  if (anyNull(a)) return Variant::null();
  double x = roundHalfEven(toNumber(a[0])), y = roundHalfEven(toNumber(a[1]));
  if (y == 0) raiseJet(kDivisionByZero, "Division by zero.");
  return numberVariant(std::trunc(x / y));
}

Variant fnMod(const Args& a) {
  if (anyNull(a)) return Variant::null();
  double x = roundHalfEven(toNumber(a[0])), y = roundHalfEven(toNumber(a[1]));
  if (y == 0) raiseJet(kDivisionByZero, "Division by zero.");
  return numberVariant(std::fmod(x, y));
}

Variant fnPow(const Args& a) {
  if (anyNull(a)) return Variant::null();
  double r = std::pow(toNumber(a[0]), toNumber(a[1]));
  if (std::isnan(r)) invalidCall();
  if (std::isinf(r)) raiseRuntimeError(kOverflow);
  return Variant(r);
}

// Like with Jet's wildcards: * any text, ? one character, # one digit,
// [list] / [!list] one character in / not in the list (ranges a-z allowed).
// Letter case is ignored.

// Whether the pattern element at `pi` (not '*') matches `c`; `next` is the
// element after it.
bool matchOne(const std::vector<UChar32>& p, size_t pi, UChar32 c, size_t& next) {
  UChar32 pc = p[pi];
  next = pi + 1;
  if (pc == '?') return true;
  if (pc == '#') return u_isdigit(c) != 0;
  if (pc == '[') {
    size_t close = pi + 1;
    // A ']' right after '[' or '[!' belongs to the list.
    if (close < p.size() && p[close] == '!') ++close;
    if (close < p.size() && p[close] == ']') ++close;
    while (close < p.size() && p[close] != ']') ++close;
    if (close < p.size()) {
      size_t i = pi + 1;
      bool negate = false;
      if (p[i] == '!' && i + 1 < close) {
        negate = true;
        ++i;
      }
      bool in = false;
      const UChar32 fc = fold(c);
      for (; i < close; ++i) {
        if (i + 2 < close && p[i + 1] == '-') {
          UChar32 lo = fold(p[i]), hi = fold(p[i + 2]);
          if ((fc >= lo && fc <= hi) || (c >= p[i] && c <= p[i + 2])) in = true;
          i += 2;
        } else if (fold(p[i]) == fc) {
          in = true;
        }
      }
      next = close + 1;
      return in != negate;
    }
    // No closing bracket: '[' stands for itself.
  }
  return fold(pc) == fold(c);
}

// Greedy matching that goes back to the last '*' on a mismatch: linear in
// the text for each '*', whatever the pattern.
bool likeMatch(const std::vector<UChar32>& s, const std::vector<UChar32>& p) {
  size_t si = 0, pi = 0;
  size_t starP = std::string::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && p[pi] == '*') {
      while (pi < p.size() && p[pi] == '*') ++pi;
      starP = pi;
      starS = si;
      continue;
    }
    size_t next = 0;
    if (pi < p.size() && matchOne(p, pi, s[si], next)) {
      ++si;
      pi = next;
      continue;
    }
    if (starP == std::string::npos) return false;
    pi = starP;
    si = ++starS;
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

Variant fnLike(const Args& a) {
  if (anyNull(a)) return Variant::null();
  return Variant(static_cast<int32_t>(
      likeMatch(codePoints(toText(a[0])), codePoints(toText(a[1]))) ? 1 : 0));
}

Variant fnStore(const Args& a) {
  ColumnInfo column;
  column.type = static_cast<DaoType>(a[1].toLong());
  column.size = a[2].toLong();
  if (column.type == DaoType::Decimal) {  // precision * 256 + scale
    column.precision = static_cast<uint8_t>(column.size >> 8);
    column.scale = static_cast<uint8_t>(column.size & 0xFF);
  }
  int flags = a[3].toLong();
  column.required = (flags & 1) != 0;
  column.allowZeroLength = (flags & 2) != 0;
  column.autoIncrement = (flags & 4) != 0;
  std::string qualified = a[4].asString();
  size_t dot = qualified.rfind('.');
  column.name = dot == std::string::npos ? qualified : qualified.substr(dot + 1);
  std::string table = dot == std::string::npos ? std::string() : qualified.substr(0, dot);
  return storeValue(a[0], column, table);
}

Variant fnFormat(const Args& a) {
  if (a.size() > 1 && a[1].isNull()) return formatValue(a[0], {});
  return formatValue(a[0], a.size() > 1 ? toText(a[1]) : std::string());
}

// Val: the number at the start of a text, blanks anywhere ignored.
Variant fnVal(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  std::string text;
  for (char c : toText(a[0]))
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') text += c;
  size_t i = 0;
  if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h' || text[1] == 'O' || text[1] == 'o')) {
    int base = (text[1] == 'H' || text[1] == 'h') ? 16 : 8;
    int64_t v = 0;
    for (i = 2; i < text.size(); ++i) {
      int d = std::isxdigit(static_cast<unsigned char>(text[i]))
                  ? (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0'
                                                                       : std::tolower(text[i]) - 'a' + 10)
                  : 99;
      if (d >= base) break;
      v = v * base + d;
      if (v > 0xFFFFFFFFLL) break;
    }
    // 16 bits when they hold the digits, else 32, the top bit the sign: "&HFFFF" is -1.
    if (v <= 0xFFFF) return Variant(static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(v))));
    return Variant(static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v))));
  }
  std::string number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  bool digits = false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) number += text[i++], digits = true;
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) number += text[i++], digits = true;
  }
  if (!digits) return Variant(0.0);
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    size_t j = i + 1;
    std::string exponent = "E";
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
      while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) exponent += text[j++];
      number += exponent;
    }
  }
  if (number.back() == '.') number += '0';
  if (number[0] == '.' || ((number[0] == '-' || number[0] == '+') && number[1] == '.'))
    number.insert(number[0] == '.' ? 0 : 1, "0");
  double d = 0;
  if (!parseNumber(number, d)) return Variant(0.0);
  if (std::isinf(d)) raiseRuntimeError(kOverflow);
  return Variant(d);
}

Variant fnCStr(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  return Variant(toText(a[0]));
}

Variant convertWhole(const Variant& v, double lo, double hi) {
  if (v.isNull()) invalidUseOfNull();
  double d = roundHalfEven(toNumber(v));
  if (!(d >= lo && d <= hi)) raiseRuntimeError(kOverflow);
  return Variant(static_cast<int32_t>(d));
}

Variant fnCLng(const Args& a) { return convertWhole(a[0], INT32_MIN, INT32_MAX); }
Variant fnCInt(const Args& a) { return convertWhole(a[0], -32768, 32767); }
Variant fnCByte(const Args& a) { return convertWhole(a[0], 0, 255); }

Variant fnCBool(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  if (a[0].isString()) {
    const std::string& s = a[0].asString();
    if (namesEqual(s, "True")) return Variant(true);
    if (namesEqual(s, "False")) return Variant(false);
  }
  return Variant(toNumber(a[0]) != 0);
}

// CDec; a Decimal's key (a Decimal field read plainly) is that Decimal.
Variant fnDecimal(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  if (Decimal d; a[0].isString() && Decimal::fromKey(a[0].asString(), d)) return Variant(d);
  if (a[0].isString()) {
    if (Decimal d; Decimal::parse(a[0].asString(), d)) return Variant(d);
    typeMismatch();
  }
  return Variant(a[0].toDecimal());
}

Variant fnCDbl(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  return Variant(toNumber(a[0]));
}

Variant fnLeft(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  int64_t n = wholeArg(a[1]);
  if (n < 0) invalidCall();
  auto cps = codePoints(toText(a[0]));
  return Variant(utf8(cps, 0, static_cast<size_t>(n)));
}

Variant fnRight(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  int64_t n = wholeArg(a[1]);
  if (n < 0) invalidCall();
  auto cps = codePoints(toText(a[0]));
  size_t count = std::min(cps.size(), static_cast<size_t>(n));
  return Variant(utf8(cps, cps.size() - count));
}

Variant fnMid(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  int64_t start = wholeArg(a[1]);
  if (start < 1) invalidCall();
  size_t count = std::string::npos;
  if (a.size() > 2) {
    int64_t n = wholeArg(a[2]);
    if (n < 0) invalidCall();
    count = static_cast<size_t>(n);
  }
  auto cps = codePoints(toText(a[0]));
  if (static_cast<size_t>(start) > cps.size()) return Variant(std::string());
  return Variant(utf8(cps, static_cast<size_t>(start - 1), count));
}

Variant fnLen(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return Variant(static_cast<int32_t>(codePoints(toText(a[0])).size()));
}

Variant trimmed(const Args& a, bool left, bool right) {
  if (a[0].isNull()) return Variant::null();
  std::string s = toText(a[0]);
  size_t b = 0, e = s.size();
  if (left)
    while (b < e && s[b] == ' ') ++b;
  if (right)
    while (e > b && s[e - 1] == ' ') --e;
  return Variant(s.substr(b, e - b));
}

Variant fnTrim(const Args& a) { return trimmed(a, true, true); }
Variant fnLTrim(const Args& a) { return trimmed(a, true, false); }
Variant fnRTrim(const Args& a) { return trimmed(a, false, true); }

Variant fnUCase(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return Variant(changeCase(toText(a[0]), true));
}

Variant fnLCase(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return Variant(changeCase(toText(a[0]), false));
}

Variant keepKind(const Variant& original, double result) {
  if (original.isNumeric() && original.type() != VarType::Double) return numberVariant(result);
  return Variant(result);
}

Variant fnAbs(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return keepKind(a[0], std::fabs(toNumber(a[0])));
}

Variant fnInt(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return keepKind(a[0], std::floor(toNumber(a[0])));
}

Variant fnFix(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return keepKind(a[0], std::trunc(toNumber(a[0])));
}

Variant fnSgn(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  double d = toNumber(a[0]);
  return Variant(static_cast<int32_t>(d > 0 ? 1 : d < 0 ? -1 : 0));
}

Variant fnRound(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  double d = toNumber(a[0]);
  int64_t places = a.size() > 1 ? wholeArg(a[1]) : 0;
  if (places < 0) invalidCall();
  if (places > 15) return Variant(d);
  double scale = std::pow(10.0, static_cast<double>(places));
  // Round the decimal value, not its binary neighbour: 2.675 is 2.675.
  double scaled = std::stod(formatDouble(d * scale));
  return Variant(roundHalfEven(scaled) / scale);
}

int collationCompare(void*, int na, const void* a, int nb, const void* b) {
  return collate(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)),
                 std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)));
}


constexpr Registration kRegistrations[] = {
    {"jet_compare", 2, call<fnCompare>},  {"jet_concat", -1, call<fnConcat>},
    {"jet_num", 1, call<fnNum>},          {"jet_truth", 1, call<fnTruth>},
    {"jet_add", 2, call<fnAdd>},          {"jet_div", 2, call<fnDiv>},
    {"jet_idiv", 2, call<fnIntDiv>},      {"jet_mod", 2, call<fnMod>},
    {"jet_pow", 2, call<fnPow>},          {"jet_like", 2, call<fnLike>},
    {"jet_store", 5, call<fnStore>},      {"jet_format", 1, call<fnFormat>},
    {"jet_format", 2, call<fnFormat>},    {"jet_val", 1, call<fnVal>},
    {"jet_cstr", 1, call<fnCStr>},        {"jet_clng", 1, call<fnCLng>},
    {"jet_cint", 1, call<fnCInt>},        {"jet_cbyte", 1, call<fnCByte>},
    {"jet_cbool", 1, call<fnCBool>},      {"jet_cdbl", 1, call<fnCDbl>},
    {"jet_decimal", 1, call<fnDecimal>},
    {"jet_left", 2, call<fnLeft>},        {"jet_right", 2, call<fnRight>},
    {"jet_mid", 2, call<fnMid>},          {"jet_mid", 3, call<fnMid>},
    {"jet_len", 1, call<fnLen>},          {"jet_trim", 1, call<fnTrim>},
    {"jet_ltrim", 1, call<fnLTrim>},      {"jet_rtrim", 1, call<fnRTrim>},
    {"jet_ucase", 1, call<fnUCase>},      {"jet_lcase", 1, call<fnLCase>},
    {"jet_abs", 1, call<fnAbs>},          {"jet_int", 1, call<fnInt>},
    {"jet_fix", 1, call<fnFix>},          {"jet_sgn", 1, call<fnSgn>},
    {"jet_round", 1, call<fnRound>},      {"jet_round", 2, call<fnRound>},
};

}  // namespace

void registerJetFunctions(sqlite3* db) {
  auto add = [&](const Registration& r) {
    const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | (r.deterministic ? SQLITE_DETERMINISTIC : 0);
    sqlite3_create_function_v2(db, r.name, r.args, flags, nullptr, r.fn, nullptr, nullptr, nullptr);
  };
  for (const auto& r : kRegistrations) add(r);
  for (const auto& r : dateRegistrations()) add(r);
  for (const auto& r : textRegistrations()) add(r);
  for (const auto& r : numberRegistrations()) add(r);
  registerAggregates(db);
  sqlite3_create_collation_v2(db, "JET", SQLITE_UTF8, nullptr, collationCompare, nullptr);
}

int jetCompare(const Variant& a, const Variant& b) {
  const bool aNull = a.isNull() || a.isEmpty(), bNull = b.isNull() || b.isEmpty();
  if (aNull || bNull) return aNull == bNull ? 0 : aNull ? -1 : 1;
  if (a.isString() && b.isString()) return collate(a.asString(), b.asString());
  // A date against a text compares as dates when the text reads as one.
  if (a.isDate() || b.isDate()) {
    auto date = [](const Variant& v) {
      double days = 0;
      if (v.isString() && !parseDateText(v.asString(), days) && !parseNumber(v.asString(), days)) typeMismatch();
      return v.isString() ? days : v.toDouble();
    };
    return compareNumbers(date(a), date(b));
  }
  // A Decimal against another number or a text that reads as one compares exactly.
  if (a.isDecimal() || b.isDecimal()) {
    auto decimal = [](const Variant& v) {
      Decimal d;
      if (v.isString() && !Decimal::parse(v.asString(), d)) typeMismatch();
      return v.isString() ? d : v.toDecimal();
    };
    return decimal(a).compare(decimal(b));
  }
  return compareNumbers(toNumber(a), toNumber(b));
}

Variant storeValue(const Variant& value, const ColumnInfo& column, std::string_view table) {
  const std::string field = table.empty() ? column.name : std::string(table) + "." + column.name;
  if (value.isNull() || value.isEmpty()) {
    if (column.required && !column.autoIncrement)
      raiseJet(kRequiredIsNull, "The field '" + field +
                                    "' is required (its Required property is True): it cannot be Null.");
    return Variant::null();
  }
  if (value.isArray() || value.isObject()) typeMismatch();
  auto mismatch = [&]() {
    raiseJet(kTypeMismatchInExpression, "Data type mismatch: the value '" + toText(value) +
                                            "' is not a number and cannot be stored in the field '" +
                                            field + "'.");
  };
  auto number = [&]() {
    if (value.isString()) {
      double d = 0;
      if (!parseNumber(value.asString(), d)) mismatch();
      return d;
    }
    return value.toDouble();
  };
  auto whole = [&](double lo, double hi) {
    double d = roundHalfEven(number());
    if (!(d >= lo && d <= hi)) raiseRuntimeError(kOverflow);
    return d;
  };
  switch (column.type) {
    case DaoType::Text:
    case DaoType::Memo: {
      std::string text = toText(value);
      if (text.empty() && !column.allowZeroLength)
        raiseJet(kZeroLengthNotAllowed,
                 "The field '" + field + "' does not allow the zero-length text (AllowZeroLength is False).");
      if (column.type == DaoType::Text) {
        size_t limit = column.size > 0 ? static_cast<size_t>(column.size) : 255;
        if (codePoints(text).size() > limit)
          raiseJet(kFieldTooSmall, "The text is too long for the field '" + field + "', which holds at most " +
                                       std::to_string(limit) + " characters.");
      }
      return Variant(std::move(text));
    }
    case DaoType::Boolean: {
      if (value.isString()) {
        const std::string& s = value.asString();
        if (namesEqual(s, "True") || namesEqual(s, "Yes") || namesEqual(s, "On")) return Variant(true);
        if (namesEqual(s, "False") || namesEqual(s, "No") || namesEqual(s, "Off")) return Variant(false);
      }
      return Variant(number() != 0);
    }
    case DaoType::Byte: return Variant(static_cast<uint8_t>(whole(0, 255)));
    case DaoType::Integer: return Variant(static_cast<int16_t>(whole(-32768, 32767)));
    case DaoType::Long: return Variant(static_cast<int32_t>(whole(INT32_MIN, INT32_MAX)));
    case DaoType::Single: {
      double d = number();
      if (std::fabs(d) > FLT_MAX) raiseRuntimeError(kOverflow);
      return Variant(d);
    }
    case DaoType::Currency: {
      double d = number();
      if (std::fabs(d) > 922337203685477.0) raiseRuntimeError(kOverflow);
      return Variant(roundHalfEven(d * 10000.0) / 10000.0);
    }
    case DaoType::Double: {
      double d = number();
      if (!std::isfinite(d)) raiseRuntimeError(kOverflow);
      return Variant(d);
    }
    case DaoType::Binary:
    case DaoType::LongBinary: {
      // A text is stored as its bytes, as DAO stores a string given to a binary field.
      Bytes bytes = value.isBytes()    ? value.asBytes()
                    : value.isString() ? Bytes(value.asString().begin(), value.asString().end())
                                       : (mismatch(), Bytes{});
      if (column.type == DaoType::Binary && bytes.size() > static_cast<size_t>(column.size))
        raiseJet(kFieldTooSmall, "The value is too long for the field '" + field + "', which holds at most " +
                                     std::to_string(column.size) + " bytes.");
      return Variant(std::move(bytes));
    }
    case DaoType::GUID: {
      std::string guid = value.isString() ? normalizedGuid(value.asString()) : std::string();
      if (guid.empty())
        raiseJet(kTypeMismatchInExpression, "Data type mismatch: the value '" + toText(value) +
                                                "' is not a GUID and cannot be stored in the field '" + field + "'.");
      return Variant(std::move(guid));
    }
    case DaoType::Date: {
      double days = 0;
      if (value.isDate()) days = value.asDate();
      else if (value.isString() && parseDateText(value.asString(), days)) {
      } else days = number();
      if (!isValidDate(days)) raiseRuntimeError(kOverflow);
      return Variant::date(days);
    }
    case DaoType::Decimal: {
      // A text is a number, or the key of a Decimal read plainly (INSERT ... SELECT).
      Decimal d;
      if (value.isString() && !Decimal::fromKey(value.asString(), d) && !Decimal::parse(value.asString(), d))
        mismatch();
      if (!value.isString()) d = value.toDecimal();
      d = d.rounded(column.scale);
      if (d.wholeDigits() > column.precision - column.scale)
        raiseJet(kNumericFieldOverflow, "The value " + d.text() + " does not fit the field '" + field +
                                            "', which holds " + std::to_string(column.precision - column.scale) +
                                            " digits before the point and " + std::to_string(column.scale) +
                                            " after it.");
      return Variant(d);
    }
    case DaoType::Unknown: return value;
  }
  return value;
}

std::string normalizedGuid(std::string_view text) {
  std::string_view s = text;
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36) return {};
  std::string out = "{";
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c))) return {};
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out + "}";
}

}  // namespace svrZIVE::engine::jet
