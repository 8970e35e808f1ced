#include "platform/values/Calendar.h"

#include <chrono>
#include <ctime>

namespace kv {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (the classic era-based algorithm).
long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2 ? 1 : 0;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int* y, int* m, int* d) {
  z += 719468;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2 ? 1 : 0));
}

// Serial 0 is December 28, 1800, so that serial 4 is January 1, 1801.
const long kSerialEpoch = DaysFromCivil(1800, 12, 28);

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int32_t DateSerial(int year, int month, int day) {
  if (year < 1801 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) return 0;
  return static_cast<std::int32_t>(DaysFromCivil(year, month, day) - kSerialEpoch);
}

bool SerialToDate(std::int32_t serial, CivilDate* out) {
  if (serial < kFirstDateSerial || serial > kLastDateSerial) return false;
  CivilFromDays(serial + kSerialEpoch, &out->year, &out->month, &out->day);
  return true;
}

int DayOfWeek(std::int32_t serial) {
  // Serial 0 (1800-12-28) was a Sunday.
  int r = serial % 7;
  return r < 0 ? r + 7 : r;
}

std::int32_t TimeValue(int hours, int minutes, int seconds, int hundredths) {
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 ||
      hundredths < 0 || hundredths > 99) {
    return 0;
  }
  return ((hours * 60 + minutes) * 60 + seconds) * 100 + hundredths + 1;
}

namespace {

// Local broken-down time now, with the hundredths of the current second.
std::tm LocalNow(int* hundredths) {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto since = now - std::chrono::system_clock::from_time_t(seconds);
  *hundredths = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count() / 10 % 100);
  if (*hundredths < 0) *hundredths = 0;
  std::tm local{};
  localtime_r(&seconds, &local);
  return local;
}

}  // namespace

std::int32_t Today() {
  int hundredths = 0;
  std::tm t = LocalNow(&hundredths);
  return DateSerial(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

std::int32_t Clock() {
  int hundredths = 0;
  std::tm t = LocalNow(&hundredths);
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  return TimeValue(t.tm_hour, t.tm_min, t.tm_sec > 59 ? 59 : t.tm_sec, hundredths);
}

}  // namespace kv
