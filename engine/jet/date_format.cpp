// Format for Date/Time values: the named date and time formats and the
// patterns of d, m, y, h, n, s, w, q, AM/PM and the separators, with the
// United States names of months and days.
#include <cctype>
#include <cstdio>

#include "base/date_time.h"
#include "engine/jet/format.h"
#include "engine/schema.h"

namespace svrZIVE::engine::jet {

namespace {

constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

struct NamedDate {
  std::string_view name;
  std::string_view pattern;
};
constexpr NamedDate kNamedDates[] = {
    {"Long Date", "dddd, mmmm d, yyyy"}, {"Medium Date", "dd-mmm-yy"}, {"Short Date", "m/d/yyyy"},
    {"Long Time", "h:nn:ss AM/PM"},      {"Medium Time", "hh:nn AM/PM"}, {"Short Time", "hh:nn"},
};

std::string two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

size_t run(std::string_view p, size_t i, char c) {
  size_t n = 0;
  while (i + n < p.size() && std::tolower(static_cast<unsigned char>(p[i + n])) == c) ++n;
  return n;
}

bool startsWithIgnoringCase(std::string_view p, size_t i, std::string_view word) {
  return p.size() - i >= word.size() && namesEqual(p.substr(i, word.size()), word);
}

}  // namespace

std::string_view namedDatePattern(std::string_view name) {
  for (const auto& n : kNamedDates)
    if (namesEqual(name, n.name)) return n.pattern;
  return {};
}

bool isDatePattern(std::string_view pattern) {
  if (namesEqual(pattern, "General Date") || !namedDatePattern(pattern).empty()) return true;
  bool date = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    if (c == '"') {
      size_t close = pattern.find('"', i + 1);
      i = close == std::string_view::npos ? pattern.size() : close;
    } else if (c == '\\') {
      ++i;
    } else if (c == '0' || c == '#') {
      return false;
    } else if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's' || c == 'w' || c == 'q' ||
               c == 'c' || c == 't') {
      date = true;
    }
  }
  return date;
}

std::string formatDate(double days, std::string_view pattern) {
  if (pattern.empty() || namesEqual(pattern, "General Date")) return dateText(days);
  if (std::string_view named = namedDatePattern(pattern); !named.empty()) pattern = named;
  const CivilTime c = civilFromDays(days);
  const bool twelve = [&] {
    for (std::string_view w : {"AM/PM", "A/P", "AMPM"})
      for (size_t i = 0; i + w.size() <= pattern.size(); ++i)
        if (startsWithIgnoringCase(pattern, i, w)) return true;
    return false;
  }();
  std::string out;
  bool afterHour = false;  // an 'm' right after h or before s is minutes
  for (size_t i = 0; i < pattern.size();) {
    const char raw = pattern[i];
    const char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(raw)));
    if (raw == '"') {
      size_t close = pattern.find('"', i + 1);
      if (close == std::string_view::npos) close = pattern.size();
      out.append(pattern.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    if (raw == '\\') {
      if (i + 1 < pattern.size()) out += pattern[i + 1];
      i += 2;
      continue;
    }
    if (startsWithIgnoringCase(pattern, i, "AM/PM") || startsWithIgnoringCase(pattern, i, "AMPM")) {
      const bool upper = raw == 'A';
      out += c.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
      i += startsWithIgnoringCase(pattern, i, "AM/PM") ? 5 : 4;
      continue;
    }
    if (startsWithIgnoringCase(pattern, i, "A/P")) {
      const bool upper = raw == 'A';
      out += c.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
      i += 3;
      continue;
    }
    size_t n = run(pattern, i, ch);
    switch (ch) {
      case 'c': out += dateText(days); break;
      case 'd':
        if (n == 1) out += std::to_string(c.day);
        else if (n == 2) out += two(c.day);
        else if (n == 3) out += std::string(kDays[c.weekday - 1]).substr(0, 3);
        else if (n == 4) out += kDays[c.weekday - 1];
        else out += formatDate(days, n == 5 ? "Short Date" : "Long Date");
        break;
      case 'w':
        if (n == 1) out += std::to_string(c.weekday);
        else out += std::to_string(static_cast<int>((daysFromCivil(c.year, c.month, c.day) -
                                                     daysFromCivil(c.year, 1, 1) +
                                                     civilFromDays(daysFromCivil(c.year, 1, 1)).weekday - 1) /
                                                    7) +
                                   1);
        break;
      case 'm': {
        bool minutes = n <= 2 && (afterHour || [&] {
          size_t j = i + n;
          while (j < pattern.size() && !std::isalpha(static_cast<unsigned char>(pattern[j]))) ++j;
          return j < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[j])) == 's';
        }());
        if (minutes) out += n == 1 ? std::to_string(c.minute) : two(c.minute);
        else if (n == 1) out += std::to_string(c.month);
        else if (n == 2) out += two(c.month);
        else if (n == 3) out += std::string(kMonths[c.month - 1]).substr(0, 3);
        else out += kMonths[c.month - 1];
        break;
      }
      case 'q': out += std::to_string((c.month - 1) / 3 + 1); break;
      case 'y':
        if (n == 1 || n == 3) {
          out += std::to_string(static_cast<int>(daysFromCivil(c.year, c.month, c.day) - daysFromCivil(c.year, 1, 1)) + 1);
          if (n == 3) out += two(c.year % 100);
        } else if (n == 2) {
          out += two(c.year % 100);
        } else {
          char b[8];
          std::snprintf(b, sizeof b, "%04d", c.year);
          out += b;
        }
        break;
      case 'h': {
        int h = twelve ? (c.hour % 12 == 0 ? 12 : c.hour % 12) : c.hour;
        out += n == 1 ? std::to_string(h) : two(h);
        break;
      }
      case 'n': out += n == 1 ? std::to_string(c.minute) : two(c.minute); break;
      case 's': out += n == 1 ? std::to_string(c.second) : two(c.second); break;
      case 't':
        if (n >= 5) {
          out += formatDate(days, "Long Time");
          break;
        }
        [[fallthrough]];
      default: out.append(pattern.substr(i, n == 0 ? 1 : n)); break;
    }
    afterHour = ch == 'h' || (afterHour && !std::isalpha(static_cast<unsigned char>(raw)));
    i += n == 0 ? 1 : n;
  }
  return out;
}

}  // namespace svrZIVE::engine::jet
