#include "engine/jet/format.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "base/date_time.h"
#include "engine/schema.h"

namespace svrZIVE::engine::jet {

namespace {

// The decimal digits of |value| rounded half away from zero, from its 15
// significant digits (so that 2.675 shows as 2.68, as the runtime shows it).
struct Digits {
  std::string digits;  // without leading zeros; empty for zero
  int pointPos = 0;    // digits before the decimal point (may be <= 0 or > size)
};

Digits significantDigits(double value) {
  Digits d;
  value = std::fabs(value);
  if (value == 0 || !std::isfinite(value)) return d;
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
  std::string_view text(buffer, r.ptr - buffer);  // d.dddddddddddddde+XX
  size_t e = text.find('e');
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                  exponent);
  for (char c : text.substr(0, e))
    if (c != '.') d.digits += c;
  d.pointPos = exponent + 1;
  return d;
}

// Keeps `keep` leading digits, rounding half away from zero.
void roundDigits(Digits& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.pointPos;
    }
  }
  size_t first = d.digits.find_first_not_of('0');
  if (first == std::string::npos) d.digits.clear();
}

enum class ItemKind { Zero, Hash, Point, Comma, Percent, Exponent, Literal };

struct Item {
  ItemKind kind;
  std::string text;  // Literal: the text; Exponent: "E+", "E-", "e+" or "e-"
};

std::vector<Item> parseSection(std::string_view s) {
  std::vector<Item> items;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    switch (c) {
      case '0': items.push_back({ItemKind::Zero, {}}); break;
      case '#': items.push_back({ItemKind::Hash, {}}); break;
      case '.': items.push_back({ItemKind::Point, {}}); break;
      case ',': items.push_back({ItemKind::Comma, {}}); break;
      case '%': items.push_back({ItemKind::Percent, {}}); break;
      case 'E':
      case 'e':
        if (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
          items.push_back({ItemKind::Exponent, std::string(s.substr(i, 2))});
          ++i;
        } else {
          items.push_back({ItemKind::Literal, std::string(1, c)});
        }
        break;
      case '\\':
        if (i + 1 < s.size()) items.push_back({ItemKind::Literal, std::string(1, s[++i])});
        break;
      case '"': {
        size_t close = s.find('"', i + 1);
        if (close == std::string_view::npos) close = s.size();
        items.push_back({ItemKind::Literal, std::string(s.substr(i + 1, close - i - 1))});
        i = close;
        break;
      }
      default: items.push_back({ItemKind::Literal, std::string(1, c)}); break;
    }
  }
  return items;
}

std::vector<std::string_view> splitSections(std::string_view pattern) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '"') quoted = !quoted;
    else if (pattern[i] == '\\') ++i;
    else if (pattern[i] == ';' && !quoted) {
      sections.push_back(pattern.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(pattern.substr(start));
  return sections;
}

bool isPlaceholder(ItemKind k) { return k == ItemKind::Zero || k == ItemKind::Hash; }

std::string groupThousands(const std::string& digits) {
  std::string out;
  int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    out += digits[i];
    if ((n - 1 - i) % 3 == 0 && i != n - 1) out += ',';
  }
  return out;
}

// |value| in one section (the sign is the caller's).
std::string formatSection(double value, const std::vector<Item>& items) {
  // Layout of the section.
  int point = -1, exponent = -1;
  bool percent = false;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind == ItemKind::Point && point < 0 && exponent < 0) point = static_cast<int>(i);
    if (items[i].kind == ItemKind::Exponent && exponent < 0) exponent = static_cast<int>(i);
    if (items[i].kind == ItemKind::Percent) percent = true;
  }
  const int mantissaEnd = exponent >= 0 ? exponent : static_cast<int>(items.size());
  const int intEnd = point >= 0 ? point : mantissaEnd;
  int intZeros = 0, intPlaces = 0, fracZeros = 0, fracPlaces = 0, expZeros = 0;
  bool grouping = false, intLiterals = false;
  int firstInt = -1, lastInt = -1;
  for (int i = 0; i < intEnd; ++i) {
    if (isPlaceholder(items[i].kind)) {
      ++intPlaces;
      if (items[i].kind == ItemKind::Zero) ++intZeros;
      if (firstInt < 0) firstInt = i;
      lastInt = i;
    }
  }
  for (int i = 0; i < intEnd; ++i) {
    if (items[i].kind == ItemKind::Comma && i > firstInt && i < lastInt && firstInt >= 0) grouping = true;
    if (items[i].kind == ItemKind::Literal && i > firstInt && i < lastInt && firstInt >= 0) intLiterals = true;
  }
  for (int i = intEnd; i < mantissaEnd; ++i) {
    if (isPlaceholder(items[i].kind)) {
      ++fracPlaces;
      if (items[i].kind == ItemKind::Zero && fracZeros == fracPlaces - 1) ++fracZeros;
    }
  }
  for (size_t i = exponent >= 0 ? exponent + 1 : items.size(); i < items.size(); ++i)
    if (isPlaceholder(items[i].kind)) ++expZeros;

  if (percent) value *= 100;
  Digits d = significantDigits(value);
  int exp10 = 0;
  if (exponent >= 0) {
    const int intDigits = std::max(intPlaces, 1);
    if (!d.digits.empty()) {
      roundDigits(d, intDigits + fracPlaces);
      if (!d.digits.empty()) {
        exp10 = d.pointPos - intDigits;
        d.pointPos = intDigits;
      }
    }
  } else {
    roundDigits(d, d.pointPos + fracPlaces);
  }

  // The digits before and after the point.
  std::string intDigits, fracDigits;
  for (int i = 0; i < d.pointPos; ++i)
    intDigits += i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0';
  for (int i = 0; i < fracPlaces; ++i) {
    int k = d.pointPos + i;
    fracDigits += (k >= 0 && k < static_cast<int>(d.digits.size())) ? d.digits[k] : '0';
  }
  if (static_cast<int>(intDigits.size()) < intZeros)
    intDigits.insert(0, intZeros - intDigits.size(), '0');
  // Optional decimals drop their trailing zeros.
  while (static_cast<int>(fracDigits.size()) > fracZeros && fracDigits.back() == '0')
    fracDigits.pop_back();

  std::string out;
  std::string intText = grouping ? groupThousands(intDigits) : intDigits;
  int placeholderIndex = 0;
  size_t fracIndex = 0;
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    const Item& it = items[i];
    if (i < intEnd) {
      if (isPlaceholder(it.kind)) {
        if (!intLiterals) {
          if (placeholderIndex == 0) out += intText;
        } else {
          // Digits fill the placeholders from the right; the leftmost takes the rest.
          int fromRight = intPlaces - 1 - placeholderIndex;
          int n = static_cast<int>(intDigits.size());
          if (placeholderIndex == 0 && n > intPlaces) out += intDigits.substr(0, n - intPlaces);
          if (fromRight < n) out += intDigits[n - 1 - fromRight];
        }
        ++placeholderIndex;
      } else if (it.kind == ItemKind::Literal) {
        out += it.text;
      } else if (it.kind == ItemKind::Percent) {
        out += '%';
      }
      continue;
    }
    if (i == point) {
      out += '.';
      continue;
    }
    if (i < mantissaEnd) {
      if (isPlaceholder(it.kind)) {
        if (fracIndex < fracDigits.size()) out += fracDigits[fracIndex];
        ++fracIndex;
      } else if (it.kind == ItemKind::Literal) {
        out += it.text;
      } else if (it.kind == ItemKind::Percent) {
        out += '%';
      }
      continue;
    }
    if (i == exponent) {
      out += it.text[0];
      if (exp10 < 0) out += '-';
      else if (it.text[1] == '+') out += '+';
      std::string e = std::to_string(std::abs(exp10));
      if (static_cast<int>(e.size()) < expZeros) e.insert(0, expZeros - e.size(), '0');
      out += e;
      continue;
    }
    if (it.kind == ItemKind::Literal) out += it.text;
    else if (it.kind == ItemKind::Percent) out += '%';
  }
  return out;
}

std::string wholeOrDouble(double value) {
  return formatDouble(value);
}

struct Named {
  std::string_view name;
  std::string_view pattern;
};
constexpr Named kNamed[] = {
    {"Fixed", "0.00"},          {"Standard", "#,##0.00"}, {"Percent", "0.00%"},
    {"Scientific", "0.00E+00"}, {"Currency", "$#,##0.00;($#,##0.00)"},
};

bool isNamedNumberFormat(std::string_view pattern) {
  for (std::string_view name : {"General Number", "Yes/No", "True/False", "On/Off"})
    if (namesEqual(pattern, name)) return true;
  for (const auto& n : kNamed)
    if (namesEqual(pattern, n.name)) return true;
  return false;
}

}  // namespace

std::string formatNumber(double value, std::string_view pattern) {
  if (pattern.empty()) return wholeOrDouble(value);
  if (namesEqual(pattern, "General Number")) return wholeOrDouble(value);
  if (namesEqual(pattern, "Yes/No")) return value != 0 ? "Yes" : "No";
  if (namesEqual(pattern, "True/False")) return value != 0 ? "True" : "False";
  if (namesEqual(pattern, "On/Off")) return value != 0 ? "On" : "Off";
  for (const auto& n : kNamed)
    if (namesEqual(pattern, n.name)) return formatNumber(value, n.pattern);

  std::vector<std::string_view> sections = splitSections(pattern);
  if (value == 0 && sections.size() >= 3 && !sections[2].empty())
    return formatSection(0, parseSection(sections[2]));
  if (value < 0 && sections.size() >= 2 && !sections[1].empty())
    return formatSection(-value, parseSection(sections[1]));
  std::string text = formatSection(value, parseSection(sections[0]));
  if (value < 0) text.insert(0, 1, '-');
  return text;
}

Variant formatValue(const Variant& value, std::string_view pattern) {
  if (value.isNull()) return Variant::null();
  if (value.isEmpty()) return Variant(std::string());
  double number = 0;
  if ((isDatePattern(pattern) && !isNamedNumberFormat(pattern)) || (value.isDate() && pattern.empty())) {
    if (value.isDate()) number = value.asDate();
    else if (value.isString() && !parseDateText(value.asString(), number) && !parseNumber(value.asString(), number))
      return value;
    else if (!value.isString()) number = value.toDouble();
    if (!isValidDate(number)) return Variant(formatNumber(number, pattern));
    return Variant(formatDate(number, pattern));
  }
  if (value.isDate()) {
    number = value.asDate();
  } else if (value.isString()) {
    if (!parseNumber(value.asString(), number)) return value;
  } else if (value.isNumeric()) {
    number = value.toDouble();
  } else {
    return value;
  }
  return Variant(formatNumber(number, pattern));
}

}  // namespace svrZIVE::engine::jet
