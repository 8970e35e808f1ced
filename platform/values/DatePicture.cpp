#include "platform/values/DatePicture.h"

#include <vector>

#include "platform/values/Calendar.h"
#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

// Patterns: M month 01-12, D day 01-31, d day 1-31, y two-digit year, Y four-digit year,
// a month abbreviation, A month name, W weekday name, / the separator; others are literal.
const char* const kDatePatterns[] = {
    "",      "M/D/y", "M/D/Y", "a D, Y", "A d, Y", "D/M/y", "D/M/Y", "D a y", "D a Y",     "y/M/D",
    "Y/M/D", "yMD",   "YMD",   "M/y",    "M/Y",    "y/M",   "Y/M",   "M/D/Y", "W, A d, Y",
};

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

std::string TwoDigits(int v) {
  std::string s = std::to_string(v % 100);
  return s.size() < 2 ? "0" + s : s;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool AllDigits(std::string_view t) {
  if (t.empty()) return false;
  for (char c : t) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

int ToInt(std::string_view t) {
  int v = 0;
  for (char c : t) v = v * 10 + (c - '0');
  return v;
}

// Index 1..12 of a month written as a number, a full name or a three-letter abbreviation.
int MonthOf(std::string_view token) {
  if (AllDigits(token)) return token.size() <= 2 ? ToInt(token) : 0;
  std::string up = UpperText(token);
  for (int m = 0; m < 12; ++m) {
    std::string name = UpperText(kMonths[m]);
    if (up == name || (up.size() == 3 && name.compare(0, 3, up) == 0)) return m + 1;
  }
  return 0;
}

bool IsWeekday(std::string_view token) {
  std::string up = UpperText(token);
  for (const char* w : kWeekdays) {
    std::string name = UpperText(w);
    if (up == name || (up.size() == 3 && name.compare(0, 3, up) == 0)) return true;
  }
  return false;
}

// A year from two or four digits; -1 otherwise.
int YearOf(std::string_view token) {
  if (!AllDigits(token)) return -1;
  if (token.size() == 4) return ToInt(token);
  if (token.size() == 2) {
    int yy = ToInt(token);
    return yy < 50 ? 2000 + yy : 1900 + yy;
  }
  return -1;
}

// Splits text into runs of letters and digits; false when anything other than a separator
// stands between them.
bool Tokenize(std::string_view text, char separator, std::vector<std::string_view>* tokens) {
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (IsAlnum(c)) {
      std::size_t start = i;
      while (i < text.size() && IsAlnum(text[i])) ++i;
      tokens->push_back(text.substr(start, i - start));
    } else if (c == '/' || c == '.' || c == '-' || c == ',' || c == ' ' || c == separator) {
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

char SeparatorOf(const PictureOptions& options) {
  return options.separator ? options.separator : '/';
}

Deformatted Bad() {
  Deformatted r;
  r.status = PictureStatus::kBadDate;
  return r;
}

}  // namespace

int DatePictureWidth(const PictureOptions& options) {
  int width = 0;
  for (const char* p = kDatePatterns[options.format]; *p; ++p) {
    switch (*p) {
      case 'Y':
        width += 4;
        break;
      case 'a':
        width += 3;
        break;
      case 'A':
      case 'W':
        width += 9;  // September, Wednesday
        break;
      case 'M':
      case 'D':
      case 'd':
      case 'y':
        width += 2;
        break;
      default:
        width += 1;
        break;
    }
  }
  return width;
}

std::string FormatDatePicture(const PictureOptions& options, std::int64_t serial) {
  int width = DatePictureWidth(options);
  if (serial == 0) return std::string(static_cast<std::size_t>(width), ' ');
  CivilDate date;
  if (serial < kFirstDateSerial || serial > kLastDateSerial ||
      !SerialToDate(static_cast<std::int32_t>(serial), &date)) {
    return std::string(static_cast<std::size_t>(width), '#');
  }
  std::string out;
  for (const char* p = kDatePatterns[options.format]; *p; ++p) {
    switch (*p) {
      case 'M':
        out += TwoDigits(date.month);
        break;
      case 'D':
        out += TwoDigits(date.day);
        break;
      case 'd':
        out += std::to_string(date.day);
        break;
      case 'y':
        out += TwoDigits(date.year);
        break;
      case 'Y':
        out += std::to_string(date.year);
        break;
      case 'a':
        out += std::string(kMonths[date.month - 1]).substr(0, 3);
        break;
      case 'A':
        out += kMonths[date.month - 1];
        break;
      case 'W':
        out += kWeekdays[DayOfWeek(static_cast<std::int32_t>(serial))];
        break;
      case '/':
        out.push_back(SeparatorOf(options));
        break;
      default:
        out.push_back(*p);
        break;
    }
  }
  return out;
}

Deformatted DeformatDatePicture(const PictureOptions& options, std::string_view text) {
  std::string_view t = TrimBlanks(text);
  if (t.empty()) return Deformatted();
  std::vector<std::string_view> tokens;
  if (!Tokenize(t, SeparatorOf(options), &tokens)) return Bad();
  std::string fields;  // the pattern's field letters in order
  for (const char* p = kDatePatterns[options.format]; *p; ++p) {
    if (std::string_view("MDdyYaAW").find(*p) != std::string_view::npos) fields.push_back(*p);
  }
  bool compact = options.format == 11 || options.format == 12;
  if (compact) {
    // yymmdd / yyyymmdd: one run of digits split by position.
    if (tokens.size() != 1 || !AllDigits(tokens[0])) return Bad();
    std::string_view d = tokens[0];
    std::size_t yl = d.size() == 8 ? 4 : (d.size() == 6 ? 2 : 0);
    if (yl == 0) return Bad();
    tokens = {d.substr(0, yl), d.substr(yl, 2), d.substr(yl + 2, 2)};
  }
  if (!fields.empty() && fields[0] == 'W' && tokens.size() + 1 == fields.size()) {
    fields.erase(0, 1);  // the weekday may be left out
  }
  if (tokens.size() != fields.size()) return Bad();
  int year = -1, month = 0, day = 1;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::string_view tok = tokens[i];
    switch (fields[i]) {
      case 'M':
      case 'a':
      case 'A':
        month = MonthOf(tok);
        if (month == 0) return Bad();
        break;
      case 'D':
      case 'd':
        if (!AllDigits(tok) || tok.size() > 2) return Bad();
        day = ToInt(tok);
        break;
      case 'y':
      case 'Y':
        year = YearOf(tok);
        if (year < 0) return Bad();
        break;
      case 'W':
        if (!IsWeekday(tok)) return Bad();
        break;
    }
  }
  std::int32_t serial = DateSerial(year, month, day);
  if (serial == 0) return Bad();
  Deformatted r;
  r.number = DecimalValue::FromInteger(serial);
  r.text = std::to_string(serial);
  return r;
}

}  // namespace kv
