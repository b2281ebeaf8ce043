// Date/Time values as the runtime keeps them: a Double counting days from
// 30 December 1899, the fraction being the time of day (for days before that
// date the fraction still counts forward from midnight: -1.25 is 29 December
// 1899 at 06:00). Years run from 100 to 9999.
//
// Texts of dates follow the United States order the dialect's #...# literals
// use: month/day/year, times as h:nn:ss with AM or PM.
#pragma once

#include <string>
#include <string_view>

namespace svrZIVE {

struct CivilTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int weekday = 7;  // 1 Sunday .. 7 Saturday
};

inline constexpr double kMinDate = -657434.0;   // 1 January 100
inline constexpr double kMaxDate = 2958465.99999;  // 31 December 9999, 23:59:59

// DateSerial: months and days out of their range carry over (month 13 is
// January of the next year, day 0 the last day of the month before).
double daysFromCivil(int year, int month, int day);
// TimeSerial: the fraction of a day; hours, minutes and seconds carry over.
double timeFraction(int hour, int minute, int second);
// A date and a time of day put together (the time keeps counting forward on
// days before the epoch).
double combineDateTime(double date, double time);
// The date and time a value stands for, to the nearest second.
CivilTime civilFromDays(double days);
bool isValidDate(double days);

// The runtime's general date text: "m/d/yyyy h:nn:ss AM", the date alone when
// the time is midnight, the time alone on 30 December 1899.
std::string dateText(double days);

// The date as ISO 8601 text, "yyyy-mm-ddThh:nn:ss", for JSON.
std::string isoDateText(double days);

// Reads a date, a time or both from a text: m/d/yyyy, m-d-yyyy, yyyy-m-d,
// yyyy/m/d, d/m/yyyy when the first number cannot be a month, a month name
// ("Jan 5, 2020", "5 January 2020"), two-digit years (00-29 the 2000s),
// times h:nn[:ss] with an optional AM/PM. False when the text is none of them.
bool parseDateText(std::string_view text, double& out);

}  // namespace svrZIVE
