// The dialect's text functions beyond the plain ones: character codes (Asc,
// Chr, in the Windows Latin code page), Str, Space, String, StrComp,
// StrConv, InStr and InStrRev with their compare argument, Replace and
// StrReverse. A compare argument is 0 for a binary comparison (exact code
// points) or 1 for a textual one (letter case ignored); -1 and 2 (the
// database's setting) compare as text, which is also what the functions do
// without one.
#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>

#include "base/variant.h"
#include "engine/jet/function_support.h"

namespace svrZIVE::engine::jet {

namespace {

// The longest text a function builds: longer ones overflow.
constexpr int64_t kLongestText = 1 << 24;

// Code points of the characters 128-159 of the Windows Latin code page
// (the others are the Unicode code points of the same number).
constexpr int32_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A number argument: a text that does not read as a number is a type mismatch.
double numberArg(const Variant& v) {
  if (v.isNull()) invalidUseOfNull();
  double d = 0;
  if (v.isString() && !parseNumber(v.asString(), d)) raiseRuntimeError(kTypeMismatch);
  return v.isString() ? d : toNumber(v);
}

int64_t lengthArg(const Variant& v) {
  if (v.isNull()) invalidUseOfNull();
  numberArg(v);
  int64_t n = wholeArg(v);
  if (n < 0) invalidCall();
  if (n > kLongestText) raiseRuntimeError(kOverflow);
  return n;
}

// Whether a compare argument asks for a binary comparison.
bool binaryCompare(const Args& a, size_t i) {
  if (a.size() <= i) return false;
  int64_t mode = wholeArg(a[i]);
  if (mode < -1 || mode > 2) invalidCall();
  return mode == 0;
}

std::vector<int32_t> folded(std::string_view s, bool binary) {
  std::vector<int32_t> cps = codePoints(s);
  if (!binary)
    for (auto& c : cps) c = fold(c);
  return cps;
}

// The 0-based position of `sought` in `text` from `from` on, forwards.
size_t findFrom(const std::vector<int32_t>& text, const std::vector<int32_t>& sought, size_t from) {
  if (sought.size() > text.size()) return std::string::npos;
  for (size_t i = from; i + sought.size() <= text.size(); ++i)
    if (std::equal(sought.begin(), sought.end(), text.begin() + static_cast<std::ptrdiff_t>(i))) return i;
  return std::string::npos;
}

Variant whole(size_t n) { return Variant(static_cast<int32_t>(n)); }

Variant fnAsc(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  std::vector<int32_t> cps = codePoints(toText(a[0]));
  if (cps.empty()) invalidCall();
  const int32_t c = cps[0];
  if (c < 128 || (c >= 160 && c < 256)) return whole(static_cast<size_t>(c));
  const int32_t* at = std::find(std::begin(kWindows1252), std::end(kWindows1252), c);
  return whole(at == std::end(kWindows1252) ? '?' : static_cast<size_t>(128 + (at - kWindows1252)));
}

Variant fnChr(const Args& a) {
  double d = roundHalfEven(numberArg(a[0]));
  if (d < 0 || d > 255) invalidCall();
  const auto code = static_cast<int32_t>(d);
  return Variant(utf8({code >= 128 && code < 160 ? kWindows1252[code - 128] : code}));
}

// Str: a number's text with a blank for its sign when it is not negative,
// and no zero before the decimal point.
Variant fnStr(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  if (a[0].isDate()) return Variant(toText(a[0]));
  const double d = numberArg(a[0]);
  std::string text = formatDouble(std::fabs(d));
  if (text.size() > 1 && text[0] == '0' && text[1] == '.') text.erase(0, 1);
  return Variant((d < 0 ? "-" : " ") + text);
}

Variant fnSpace(const Args& a) { return Variant(std::string(static_cast<size_t>(lengthArg(a[0])), ' ')); }

// String(n, character): a character given by its code or as the first of a text.
Variant fnString(const Args& a) {
  if (anyNull(a)) return Variant::null();
  const int64_t n = lengthArg(a[0]);
  std::string one;
  if (a[1].isString()) {
    std::vector<int32_t> cps = codePoints(a[1].asString());
    if (cps.empty()) invalidCall();
    one = utf8(cps, 0, 1);
  } else {
    double code = std::fmod(roundHalfEven(numberArg(a[1])), 256);
    one = fnChr({Variant(code < 0 ? code + 256 : code)}).asString();
  }
  if (static_cast<int64_t>(one.size()) * n > kLongestText) raiseRuntimeError(kOverflow);
  std::string out;
  out.reserve(one.size() * static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) out += one;
  return Variant(std::move(out));
}

Variant fnStrComp(const Args& a) {
  const bool binary = binaryCompare(a, 2);
  if (a[0].isNull() || a[1].isNull()) return Variant::null();
  const std::string x = toText(a[0]), y = toText(a[1]);
  int r = 0;
  if (binary) {
    std::vector<int32_t> cx = codePoints(x), cy = codePoints(y);
    r = cx < cy ? -1 : cx > cy ? 1 : 0;
  } else {
    r = collate(x, y);
  }
  return Variant(static_cast<int32_t>(r));
}

bool wordSeparator(int32_t c) { return c == 0 || (c >= 9 && c <= 13) || c == ' '; }

// StrConv(text, conversion): 1 upper case, 2 lower case, 3 the first letter
// of every word in upper case and the others in lower case.
Variant fnStrConv(const Args& a) {
  const int64_t conversion = wholeArg(a[1]);
  if (a.size() > 2) wholeArg(a[2]);  // the locale: ours is the only one
  if (conversion < 1 || conversion > 3) invalidCall();
  if (a[0].isNull()) return Variant::null();
  std::vector<int32_t> cps = codePoints(toText(a[0]));
  bool wordStart = true;
  for (auto& c : cps) {
    const bool upper = conversion == 1 || (conversion == 3 && wordStart);
    c = upper ? u_toupper(c) : u_tolower(c);
    wordStart = wordSeparator(c);
  }
  return Variant(utf8(cps));
}

// InStr([start, ]text, sought[, compare]): the 1-based position, 0 when not found.
Variant fnInStr(const Args& a) {
  int64_t start = 1;
  size_t first = 0;
  if (a.size() >= 3) {
    start = wholeArg(a[0]);
    if (start < 1) invalidCall();
    first = 1;
  }
  const bool binary = binaryCompare(a, 3);
  if (a[first].isNull() || a[first + 1].isNull()) return Variant::null();
  const auto text = folded(toText(a[first]), binary);
  const auto sought = folded(toText(a[first + 1]), binary);
  if (static_cast<size_t>(start) > text.size()) return whole(0);
  if (sought.empty()) return whole(static_cast<size_t>(start));
  const size_t at = findFrom(text, sought, static_cast<size_t>(start - 1));
  return whole(at == std::string::npos ? 0 : at + 1);
}

// InStrRev(text, sought[, start[, compare]]): the last position at or
// before start (-1: the end).
Variant fnInStrRev(const Args& a) {
  const int64_t start = a.size() > 2 ? wholeArg(a[2]) : -1;
  if (start == 0 || start < -1) invalidCall();
  const bool binary = binaryCompare(a, 3);
  if (a[0].isNull() || a[1].isNull()) return Variant::null();
  const auto text = folded(toText(a[0]), binary);
  const auto sought = folded(toText(a[1]), binary);
  const size_t end = start == -1 ? text.size() : static_cast<size_t>(start);
  if (end > text.size()) return whole(0);
  if (sought.empty()) return whole(end);
  for (size_t i = end; i >= sought.size(); --i)
    if (std::equal(sought.begin(), sought.end(), text.begin() + static_cast<std::ptrdiff_t>(i - sought.size())))
      return whole(i - sought.size() + 1);
  return whole(0);
}

// Replace(text, sought, replacement[, start[, count[, compare]]]): the text
// from `start` on with at most `count` (-1: every) occurrences replaced.
Variant fnReplace(const Args& a) {
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].isNull()) invalidUseOfNull();
  const int64_t start = a.size() > 3 ? wholeArg(a[3]) : 1;
  const int64_t count = a.size() > 4 ? wholeArg(a[4]) : -1;
  if (start < 1 || count < -1) invalidCall();
  const bool binary = binaryCompare(a, 5);
  const std::vector<int32_t> original = codePoints(toText(a[0]));
  if (static_cast<size_t>(start) > original.size()) return Variant(std::string());
  const auto text = folded(toText(a[0]), binary);
  const auto sought = folded(toText(a[1]), binary);
  const std::string replacement = toText(a[2]);
  const size_t from = static_cast<size_t>(start - 1);
  if (sought.empty() || count == 0) return Variant(utf8(original, from));
  std::string out;
  size_t at = from;
  for (int64_t done = 0; count < 0 || done < count; ++done) {
    const size_t found = findFrom(text, sought, at);
    if (found == std::string::npos) break;
    out += utf8(original, at, found - at) + replacement;
    at = found + sought.size();
    if (static_cast<int64_t>(out.size()) > kLongestText) raiseRuntimeError(kOverflow);
  }
  return Variant(out + utf8(original, at));
}

Variant fnStrReverse(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  std::vector<int32_t> cps = codePoints(toText(a[0]));
  std::reverse(cps.begin(), cps.end());
  return Variant(utf8(cps));
}

constexpr Registration kTexts[] = {
    {"jet_asc", 1, call<fnAsc>},           {"jet_chr", 1, call<fnChr>},
    {"jet_str", 1, call<fnStr>},           {"jet_space", 1, call<fnSpace>},
    {"jet_string", 2, call<fnString>},     {"jet_strcomp", -1, call<fnStrComp>},
    {"jet_strconv", -1, call<fnStrConv>},  {"jet_instr", -1, call<fnInStr>},
    {"jet_instrrev", -1, call<fnInStrRev>}, {"jet_replace", -1, call<fnReplace>},
    {"jet_strreverse", 1, call<fnStrReverse>},
};

}  // namespace

std::span<const Registration> textRegistrations() { return kTexts; }

}  // namespace svrZIVE::engine::jet
