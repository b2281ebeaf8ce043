// The dialect's date and time functions: parts of a date, DateAdd, DateDiff,
// DatePart, DateSerial, TimeSerial, DateValue, TimeValue, CDate, IsDate, the
// clock (Now, Date, Time) and the names of months and weekdays. Weeks start
// on Sunday unless the call says otherwise (1 Sunday .. 7 Saturday, 0 the
// system's: Sunday).
#include <chrono>
#include <cmath>
#include <ctime>

#include "base/date_time.h"
#include "engine/jet/format.h"
#include "engine/jet/function_support.h"
#include "engine/schema.h"

namespace svrZIVE::engine::jet {

double toDate(const Variant& v) {
  if (v.isNull()) invalidUseOfNull();
  double days = 0;
  if (v.isDate()) {
    days = v.asDate();
  } else if (v.isString()) {
    if (!parseDateText(v.asString(), days) && !parseNumber(v.asString(), days)) raiseRuntimeError(kTypeMismatch);
  } else if (v.isNumeric() || v.isEmpty()) {
    days = v.toDouble();
  } else {
    raiseRuntimeError(kTypeMismatch);
  }
  if (!isValidDate(days)) invalidCall();
  return days;
}

namespace {

Variant dateResult(double days) {
  if (!isValidDate(days)) invalidCall();
  return Variant::date(days);
}

int16_t part(int v) { return static_cast<int16_t>(v); }

// The first day of the week an argument asks for (0: the system's, Sunday).
int firstDay(const Args& a, size_t i) {
  if (a.size() <= i || a[i].isNull()) return 1;
  int64_t d = wholeArg(a[i]);
  if (d < 0 || d > 7) invalidCall();
  return d == 0 ? 1 : static_cast<int>(d);
}

int weekdayFrom(int weekday, int first) { return (weekday - first + 7) % 7 + 1; }

Variant fnDate(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return dateResult(toDate(a[0]));
}

template <int CivilTime::*field>
Variant fnPart(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return Variant(part(civilFromDays(toDate(a[0])).*field));
}

Variant fnWeekday(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return Variant(part(weekdayFrom(civilFromDays(toDate(a[0])).weekday, firstDay(a, 1))));
}

// A two-digit year of DateSerial is of the 1900s from 30 on, of the 2000s below.
int fullYear(int64_t y) { return static_cast<int>(y >= 0 && y < 30 ? y + 2000 : y >= 30 && y < 100 ? y + 1900 : y); }

Variant fnDateSerial(const Args& a) {
  if (anyNull(a)) return Variant::null();
  int64_t y = wholeArg(a[0]), m = wholeArg(a[1]), d = wholeArg(a[2]);
  if (std::llabs(m) > 120000 || std::llabs(d) > 4000000 || std::llabs(y) > 10000) invalidCall();
  return dateResult(daysFromCivil(fullYear(y), static_cast<int>(m), static_cast<int>(d)));
}

Variant fnTimeSerial(const Args& a) {
  if (anyNull(a)) return Variant::null();
  int64_t h = wholeArg(a[0]), n = wholeArg(a[1]), s = wholeArg(a[2]);
  double t = timeFraction(static_cast<int>(h), static_cast<int>(n), static_cast<int>(s));
  return dateResult(combineDateTime(0, t));
}

Variant fnDateValue(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  return dateResult(std::trunc(toDate(a[0])));
}

Variant fnTimeValue(const Args& a) {
  if (a[0].isNull()) return Variant::null();
  double d = toDate(a[0]);
  return dateResult(std::fabs(d - std::trunc(d)));
}

Variant fnIsDate(const Args& a) {
  double days = 0;
  if (a[0].isDate()) return Variant(true);
  return Variant(a[0].isString() && parseDateText(a[0].asString(), days));
}

double clock(bool date, bool time) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  double d = date ? daysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) : 0;
  double t = time ? timeFraction(local.tm_hour, local.tm_min, local.tm_sec) : 0;
  return combineDateTime(d, t);
}

Variant fnNow(const Args&) { return Variant::date(clock(true, true)); }
Variant fnToday(const Args&) { return Variant::date(clock(true, false)); }
Variant fnTime(const Args&) { return Variant::date(clock(false, true)); }

// The interval argument of DateAdd, DateDiff and DatePart.
enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval interval(const Variant& v) {
  if (!v.isString()) invalidCall();
  static constexpr std::pair<std::string_view, Interval> kNames[] = {
      {"yyyy", Interval::Year},  {"q", Interval::Quarter}, {"m", Interval::Month},  {"y", Interval::DayOfYear},
      {"d", Interval::Day},      {"w", Interval::Weekday}, {"ww", Interval::Week}, {"h", Interval::Hour},
      {"n", Interval::Minute},   {"s", Interval::Second}};
  for (const auto& [name, i] : kNames)
    if (namesEqual(v.asString(), name)) return i;
  invalidCall();
}

double addMonths(double days, int64_t months) {
  CivilTime c = civilFromDays(days);
  int64_t total = static_cast<int64_t>(c.year) * 12 + (c.month - 1) + months;
  if (total < 100 * 12 || total > 9999 * 12 + 11) invalidCall();
  int y = static_cast<int>(total / 12), m = static_cast<int>(total % 12) + 1;
  int last = static_cast<int>(daysFromCivil(y, m + 1, 1) - daysFromCivil(y, m, 1));
  double date = daysFromCivil(y, m, std::min(c.day, last));
  return combineDateTime(date, std::fabs(days - std::trunc(days)));
}

// Seconds from the epoch of a date, on a straight line across the epoch.
double secondsOf(double days) {
  CivilTime c = civilFromDays(days);
  return daysFromCivil(c.year, c.month, c.day) * 86400.0 + c.hour * 3600.0 + c.minute * 60.0 + c.second;
}

Variant fnDateAdd(const Args& a) {
  if (anyNull(a)) return Variant::null();
  Interval i = interval(a[0]);
  double n = std::trunc(toNumber(a[1]));
  double d = toDate(a[2]);
  if (std::fabs(n) > 1e9) invalidCall();
  const int64_t k = static_cast<int64_t>(n);
  switch (i) {
    case Interval::Year: return dateResult(addMonths(d, k * 12));
    case Interval::Quarter: return dateResult(addMonths(d, k * 3));
    case Interval::Month: return dateResult(addMonths(d, k));
    case Interval::Week: return dateResult(combineDateTime(std::trunc(d) + 7.0 * n, std::fabs(d - std::trunc(d))));
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday: return dateResult(combineDateTime(std::trunc(d) + n, std::fabs(d - std::trunc(d))));
    default: break;
  }
  const double unit = i == Interval::Hour ? 3600.0 : i == Interval::Minute ? 60.0 : 1.0;
  double seconds = secondsOf(d) + n * unit;
  double whole = std::floor(seconds / 86400.0);
  return dateResult(combineDateTime(whole, (seconds - whole * 86400.0) / 86400.0));
}

Variant fnDateDiff(const Args& a) {
  if (a[1].isNull() || a[2].isNull()) return Variant::null();
  Interval i = interval(a[0]);
  double d1 = toDate(a[1]), d2 = toDate(a[2]);
  CivilTime c1 = civilFromDays(d1), c2 = civilFromDays(d2);
  const double day1 = daysFromCivil(c1.year, c1.month, c1.day), day2 = daysFromCivil(c2.year, c2.month, c2.day);
  double r = 0;
  switch (i) {
    case Interval::Year: r = c2.year - c1.year; break;
    case Interval::Quarter: r = (c2.year * 4 + (c2.month - 1) / 3) - (c1.year * 4 + (c1.month - 1) / 3); break;
    case Interval::Month: r = (c2.year * 12 + c2.month) - (c1.year * 12 + c1.month); break;
    case Interval::DayOfYear:
    case Interval::Day: r = day2 - day1; break;
    case Interval::Weekday: r = std::trunc((day2 - day1) / 7); break;
    case Interval::Week: {
      // Week boundaries (first days of the week) crossed.
      const int first = firstDay(a, 3);
      auto weekStart = [&](double day, int weekday) { return day - (weekday - first + 7) % 7; };
      r = (weekStart(day2, c2.weekday) - weekStart(day1, c1.weekday)) / 7;
      break;
    }
    case Interval::Hour: r = std::floor(secondsOf(d2) / 3600) - std::floor(secondsOf(d1) / 3600); break;
    case Interval::Minute: r = std::floor(secondsOf(d2) / 60) - std::floor(secondsOf(d1) / 60); break;
    case Interval::Second: r = secondsOf(d2) - secondsOf(d1); break;
  }
  // The count is a Long: seconds across more than 68 years overflow it.
  if (r < -2147483648.0 || r > 2147483647.0) raiseRuntimeError(kOverflow);
  return Variant(static_cast<int32_t>(r));
}

Variant fnDatePart(const Args& a) {
  if (a[1].isNull()) return Variant::null();
  Interval i = interval(a[0]);
  CivilTime c = civilFromDays(toDate(a[1]));
  const int first = firstDay(a, 2);
  const double day = daysFromCivil(c.year, c.month, c.day);
  switch (i) {
    case Interval::Year: return Variant(part(c.year));
    case Interval::Quarter: return Variant(part((c.month - 1) / 3 + 1));
    case Interval::Month: return Variant(part(c.month));
    case Interval::DayOfYear: return Variant(part(static_cast<int>(day - daysFromCivil(c.year, 1, 1)) + 1));
    case Interval::Day: return Variant(part(c.day));
    case Interval::Weekday: return Variant(part(weekdayFrom(c.weekday, first)));
    case Interval::Week: {
      // The week holding 1 January is the first.
      const double jan1 = daysFromCivil(c.year, 1, 1);
      const int jan1Weekday = civilFromDays(jan1).weekday;
      const double firstWeekStart = jan1 - (jan1Weekday - first + 7) % 7;
      return Variant(part(static_cast<int>((day - firstWeekStart) / 7) + 1));
    }
    case Interval::Hour: return Variant(part(c.hour));
    case Interval::Minute: return Variant(part(c.minute));
    case Interval::Second: return Variant(part(c.second));
  }
  return Variant::null();
}

bool abbreviated(const Args& a, size_t i) { return a.size() > i && !a[i].isNull() && a[i].toDouble() != 0; }

Variant fnMonthName(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  int64_t m = wholeArg(a[0]);
  if (m < 1 || m > 12) invalidCall();
  return Variant(formatDate(daysFromCivil(2000, static_cast<int>(m), 1), abbreviated(a, 1) ? "mmm" : "mmmm"));
}

Variant fnWeekdayName(const Args& a) {
  if (a[0].isNull()) invalidUseOfNull();
  int64_t w = wholeArg(a[0]);
  if (w < 1 || w > 7) invalidCall();
  // 2 January 2000 was a Sunday.
  const int sunday = static_cast<int>(w - 1 + firstDay(a, 2) - 1) % 7;
  return Variant(formatDate(daysFromCivil(2000, 1, 2 + sunday), abbreviated(a, 1) ? "ddd" : "dddd"));
}

constexpr Registration kDates[] = {
    {"jet_date", 1, call<fnDate>},
    {"jet_year", 1, call<fnPart<&CivilTime::year>>},
    {"jet_month", 1, call<fnPart<&CivilTime::month>>},
    {"jet_day", 1, call<fnPart<&CivilTime::day>>},
    {"jet_hour", 1, call<fnPart<&CivilTime::hour>>},
    {"jet_minute", 1, call<fnPart<&CivilTime::minute>>},
    {"jet_second", 1, call<fnPart<&CivilTime::second>>},
    {"jet_weekday", 1, call<fnWeekday>},
    {"jet_weekday", 2, call<fnWeekday>},
    {"jet_dateserial", 3, call<fnDateSerial>},
    {"jet_timeserial", 3, call<fnTimeSerial>},
    {"jet_datevalue", 1, call<fnDateValue>},
    {"jet_timevalue", 1, call<fnTimeValue>},
    {"jet_isdate", 1, call<fnIsDate>},
    {"jet_dateadd", 3, call<fnDateAdd>},
    {"jet_datediff", 3, call<fnDateDiff>},
    {"jet_datediff", 4, call<fnDateDiff>},
    {"jet_datediff", 5, call<fnDateDiff>},
    {"jet_datepart", 2, call<fnDatePart>},
    {"jet_datepart", 3, call<fnDatePart>},
    {"jet_datepart", 4, call<fnDatePart>},
    {"jet_monthname", 1, call<fnMonthName>},
    {"jet_monthname", 2, call<fnMonthName>},
    {"jet_weekdayname", 1, call<fnWeekdayName>},
    {"jet_weekdayname", 2, call<fnWeekdayName>},
    {"jet_weekdayname", 3, call<fnWeekdayName>},
    {"jet_now", 0, call<fnNow>, false},
    {"jet_today", 0, call<fnToday>, false},
    {"jet_time", 0, call<fnTime>, false},
};

}  // namespace

std::span<const Registration> dateRegistrations() { return kDates; }

}  // namespace svrZIVE::engine::jet
