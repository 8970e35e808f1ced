#pragma once

#include <cstdint>

namespace kv {

// The runtime's date and time numbers.
//
// A date is a serial day number: day 4 is January 1, 1801, and each day adds one, so
// consecutive dates subtract to a number of days and sort as numbers. 0 means "no date"
// (shown blank). Valid dates run from day 4 (1801-01-01) to kLastDateSerial (9999-12-31).
//
// A time is the number of hundredths of a second since midnight plus one: 1 is 00:00:00.00,
// 8640000 is 23:59:59.99. 0 means "no time" (shown blank).
//
// All functions are pure and may be called from any thread.

constexpr std::int32_t kFirstDateSerial = 4;       // 1801-01-01
constexpr std::int32_t kLastDateSerial = 2994626;  // 9999-12-31
constexpr std::int32_t kLastTimeValue = 8640000;   // 23:59:59.99

struct CivilDate {
  int year = 0;   // 1801..9999
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};

// True when the year is a leap year of the Gregorian calendar.
bool IsLeapYear(int year);
// Number of days in the month (0 for a month outside 1..12).
int DaysInMonth(int year, int month);
// Serial day number of a date; 0 when the date does not exist (February 30, month 13) or lies
// outside 1801-01-01..9999-12-31.
std::int32_t DateSerial(int year, int month, int day);
// The calendar date of a serial day number; false (and `out` unchanged) outside the valid
// range.
bool SerialToDate(std::int32_t serial, CivilDate* out);
// Day of the week of a serial day number: 0 Sunday .. 6 Saturday.
int DayOfWeek(std::int32_t serial);

// Time value of a clock time; 0 when a part is out of range.
std::int32_t TimeValue(int hours, int minutes, int seconds, int hundredths = 0);

// Today's date in the local time zone, as a serial day number.
std::int32_t Today();
// The local time of day now, as a time value (hundredths of a second since midnight + 1).
std::int32_t Clock();

}  // namespace kv
