#include "base/date_time.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

namespace svrZIVE {

namespace {

constexpr const char* kMonthNames[] = {"january", "february", "march",     "april",   "may",      "june",
                                       "july",    "august",   "september", "october", "november", "december"};

// Days from 1970-01-01 of a proleptic Gregorian date.
long long daysFrom1970(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFrom1970(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

constexpr long long kEpochFrom1970 = -25569;  // 1899-12-30

int monthByName(std::string_view word) {
  if (word.size() < 3) return 0;
  for (int m = 0; m < 12; ++m) {
    std::string_view name = kMonthNames[m];
    if (word.size() > name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < word.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(word[i])) == name[i];
    if (same) return m + 1;
  }
  return 0;
}

struct Piece {
  bool number = false;
  int value = 0;
  int digits = 0;
  std::string word;
  char sep = 0;  // the separator after it
};

}  // namespace

double daysFromCivil(int year, int month, int day) {
  long long y = year + (month - 1 >= 0 ? (month - 1) / 12 : -((12 - month) / 12));
  int m = ((month - 1) % 12 + 12) % 12 + 1;
  return static_cast<double>(daysFrom1970(y, static_cast<unsigned>(m), 1) - kEpochFrom1970 + (day - 1));
}

double timeFraction(int hour, int minute, int second) {
  return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double combineDateTime(double date, double time) {
  double whole = std::trunc(date);
  double days = whole + std::floor(time);
  double fraction = time - std::floor(time);
  return days < 0 && fraction > 0 ? days - fraction : days + fraction;
}

CivilTime civilFromDays(double days) {
  CivilTime c;
  double whole = std::trunc(days);
  long long seconds = std::llround(std::fabs(days - whole) * 86400.0);
  long long day = static_cast<long long>(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    day += days < 0 ? -1 : 1;
  }
  civilFrom1970(day + kEpochFrom1970, c.year, c.month, c.day);
  c.hour = static_cast<int>(seconds / 3600);
  c.minute = static_cast<int>(seconds / 60 % 60);
  c.second = static_cast<int>(seconds % 60);
  // 30 December 1899 was a Saturday.
  c.weekday = static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
  return c;
}

bool isValidDate(double days) { return std::isfinite(days) && days >= kMinDate && days < kMaxDate + 1e-5; }

std::string dateText(double days) {
  CivilTime c = civilFromDays(days);
  char date[32], time[32];
  std::snprintf(date, sizeof date, "%d/%d/%04d", c.month, c.day, c.year);
  int h12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
  std::snprintf(time, sizeof time, "%d:%02d:%02d %s", h12, c.minute, c.second, c.hour < 12 ? "AM" : "PM");
  const bool hasTime = c.hour != 0 || c.minute != 0 || c.second != 0;
  if (std::trunc(days) == 0 && hasTime) return time;
  return hasTime ? std::string(date) + " " + time : std::string(date);
}

std::string isoDateText(double days) {
  CivilTime c = civilFromDays(days);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
  return text;
}

bool parseDateText(std::string_view text, double& out) {
  // Split into numbers and words with the separator that follows each.
  std::vector<Piece> pieces;
  size_t i = 0;
  bool pm = false, am = false;
  while (i < text.size()) {
    unsigned char ch = static_cast<unsigned char>(text[i]);
    if (std::isspace(ch) || ch == ',') {
      if (!pieces.empty() && pieces.back().sep == 0) pieces.back().sep = ' ';
      ++i;
    } else if (std::isdigit(ch)) {
      Piece p;
      p.number = true;
      while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (p.digits < 6) p.value = p.value * 10 + (text[i] - '0');
        ++p.digits;
        ++i;
      }
      if (p.digits > 4) return false;
      pieces.push_back(p);
    } else if (std::isalpha(ch)) {
      std::string word;
      while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) word += text[i++];
      std::string lower;
      for (char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == "am" || lower == "a") am = true;
      else if (lower == "pm" || lower == "p") pm = true;
      else {
        Piece p;
        p.word = lower;
        pieces.push_back(p);
      }
    } else if (ch == '/' || ch == '-' || ch == '.' || ch == ':') {
      if (pieces.empty() || pieces.back().sep != 0) return false;
      pieces.back().sep = static_cast<char>(ch);
      ++i;
    } else {
      return false;
    }
  }
  // The time: numbers joined by ':'.
  std::vector<int> date, time;
  int month = 0;
  for (size_t k = 0; k < pieces.size(); ++k) {
    const Piece& p = pieces[k];
    const bool inTime = p.sep == ':' || (k > 0 && pieces[k - 1].sep == ':');
    if (!p.number) {
      if (month != 0) return false;
      month = monthByName(p.word);
      if (month == 0) return false;
    } else if (inTime) {
      time.push_back(p.value);
    } else {
      date.push_back(p.value);
    }
  }
  if (time.size() == 1 || time.size() > 3) return false;
  if ((am || pm) && time.empty() && date.size() == 1 && month == 0) {
    // "3 PM": a lone hour.
    time = {date[0], 0};
    date.clear();
  }
  double day = 0;
  if (!date.empty() || month != 0) {
    int y = 0, m = 0, d = 0;
    if (month != 0) {
      if (date.size() != 2) return false;
      m = month;
      // "Jan 5 2020" or "5 Jan 2020": the day is the number that is no year.
      d = date[0];
      y = date[1];
    } else if (date.size() == 3) {
      const bool yearFirst = pieces.front().number && pieces.front().digits > 2;
      if (yearFirst) {
        y = date[0], m = date[1], d = date[2];
      } else if (date[0] > 12 && date[1] <= 12) {
        d = date[0], m = date[1], y = date[2];
      } else {
        m = date[0], d = date[1], y = date[2];
      }
    } else {
      return false;
    }
    if (y < 100) y += y < 30 ? 2000 : 1900;
    if (m < 1 || m > 12 || d < 1 || y > 9999) return false;
    double first = daysFromCivil(y, m, 1);
    if (d > static_cast<int>(daysFromCivil(y, m + 1, 1) - first)) return false;
    day = first + d - 1;
  }
  double fraction = 0;
  if (!time.empty()) {
    int h = time[0], n = time[1], s = time.size() > 2 ? time[2] : 0;
    if (am || pm) {
      if (h < 1 || h > 12) return false;
      h = h % 12 + (pm ? 12 : 0);
    }
    if (h > 23 || n > 59 || s > 59) return false;
    fraction = timeFraction(h, n, s);
  } else if (am || pm) {
    return false;
  }
  if (date.empty() && month == 0 && time.empty()) return false;
  out = combineDateTime(day, fraction);
  return true;
}

}  // namespace svrZIVE
