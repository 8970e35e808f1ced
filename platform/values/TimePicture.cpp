#include "platform/values/TimePicture.h"

#include <vector>

#include "platform/values/Calendar.h"
#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

// H hour 00-23, h hour 01-12, M minutes, S seconds, p AM/PM, : the separator.
const char* const kTimePatterns[] = {"",    "H:M",    "HM",  "h:Mp", "H:M:S",
                                     "HMS", "h:M:Sp", "H:M", "H:M:S"};

std::string TwoDigits(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int ToInt(std::string_view t) {
  int v = 0;
  for (char c : t) v = v * 10 + (c - '0');
  return v;
}

char SeparatorOf(const PictureOptions& options) {
  return options.separator ? options.separator : ':';
}

Deformatted Bad() {
  Deformatted r;
  r.status = PictureStatus::kBadTime;
  return r;
}

}  // namespace

int TimePictureWidth(const PictureOptions& options) {
  int width = 0;
  for (const char* p = kTimePatterns[options.format]; *p; ++p) width += (*p == ':') ? 1 : 2;
  return width;
}

std::string FormatTimePicture(const PictureOptions& options, std::int64_t value) {
  int width = TimePictureWidth(options);
  if (value == 0) return std::string(static_cast<std::size_t>(width), ' ');
  if (value < 1 || value > kLastTimeValue) return std::string(static_cast<std::size_t>(width), '#');
  std::int64_t centi = value - 1;
  int hours = static_cast<int>(centi / 360000);
  int minutes = static_cast<int>(centi / 6000 % 60);
  int seconds = static_cast<int>(centi / 100 % 60);
  std::string out;
  for (const char* p = kTimePatterns[options.format]; *p; ++p) {
    switch (*p) {
      case 'H':
        out += TwoDigits(hours);
        break;
      case 'h':
        out += TwoDigits(hours % 12 == 0 ? 12 : hours % 12);
        break;
      case 'M':
        out += TwoDigits(minutes);
        break;
      case 'S':
        out += TwoDigits(seconds);
        break;
      case 'p':
        out += hours < 12 ? "AM" : "PM";
        break;
      default:
        out.push_back(SeparatorOf(options));
        break;
    }
  }
  return out;
}

Deformatted DeformatTimePicture(const PictureOptions& options, std::string_view text) {
  std::string_view t = TrimBlanks(text);
  if (t.empty()) return Deformatted();
  // An AM/PM marker may end any time.
  int half = 0;  // 0 none, 1 AM, 2 PM
  if (t.size() >= 2) {
    std::string tail = UpperText(t.substr(t.size() - 2));
    if (tail == "AM" || tail == "PM") {
      half = tail == "AM" ? 1 : 2;
      t = TrimBlanks(t.substr(0, t.size() - 2));
    }
  }
  std::vector<std::string_view> parts;
  char sep = SeparatorOf(options);
  std::size_t i = 0;
  while (i < t.size()) {
    if (IsDigit(t[i])) {
      std::size_t start = i;
      while (i < t.size() && IsDigit(t[i])) ++i;
      parts.push_back(t.substr(start, i - start));
    } else if (t[i] == sep || t[i] == ':' || t[i] == '.' || t[i] == ' ') {
      ++i;
    } else {
      return Bad();
    }
  }
  if (parts.size() == 1 && parts[0].size() >= 3 && parts[0].size() <= 6) {
    // Compact forms: hmm, hhmm, hmmss, hhmmss.
    std::string_view d = parts[0];
    std::size_t hl = d.size() % 2 == 1 ? 1 : 2;
    parts.clear();
    parts.push_back(d.substr(0, hl));
    for (std::size_t k = hl; k < d.size(); k += 2) parts.push_back(d.substr(k, 2));
  }
  if (parts.size() < 2 || parts.size() > 3) return Bad();
  for (std::string_view p : parts) {
    if (p.size() > 2) return Bad();
  }
  int hours = ToInt(parts[0]);
  int minutes = ToInt(parts[1]);
  int seconds = parts.size() == 3 ? ToInt(parts[2]) : 0;
  if (half != 0) {
    if (hours < 1 || hours > 12) return Bad();
    hours = hours % 12 + (half == 2 ? 12 : 0);
  }
  std::int32_t value = TimeValue(hours, minutes, seconds);
  if (value == 0) return Bad();
  Deformatted r;
  r.number = DecimalValue::FromInteger(value);
  r.text = std::to_string(value);
  return r;
}

}  // namespace kv
