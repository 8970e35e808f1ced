#include "platform/storage/SqlValue.h"

#include <cstdio>

namespace kv {

std::string CanonicalDecimal(std::string_view text) {
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  size_t dot = s.find('.');
  std::string_view whole = s.substr(0, dot);
  std::string_view frac = dot == std::string_view::npos ? std::string_view{} : s.substr(dot + 1);
  if (whole.empty() && frac.empty()) return std::string(text);
  for (char c : whole)
    if (c < '0' || c > '9') return std::string(text);
  for (char c : frac)
    if (c < '0' || c > '9') return std::string(text);
  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  while (!frac.empty() && frac.back() == '0') frac.remove_suffix(1);
  if (whole.empty() && frac.empty()) return "0";
  std::string out;
  if (negative) out += '-';
  out += whole.empty() ? std::string_view("0") : whole;
  if (!frac.empty()) {
    out += '.';
    out += frac;
  }
  return out;
}

int SignificantDigits(std::string_view decimalText) {
  std::string canon = CanonicalDecimal(decimalText);
  int digits = 0;
  bool leading = true;
  for (char c : canon) {
    if (c == '-' || c == '.') continue;
    if (c < '0' || c > '9') return 0;
    if (leading && c == '0') continue;
    leading = false;
    ++digits;
  }
  return digits == 0 ? 1 : digits;
}

std::string CanonicalText(const SqlValue& value) {
  switch (value.kind) {
    case SqlValue::Kind::kNull:
      return {};
    case SqlValue::Kind::kText: {
      std::string t = value.text;
      while (!t.empty() && t.back() == ' ') t.pop_back();
      return t;
    }
    case SqlValue::Kind::kDecimal:
      return CanonicalDecimal(value.text);
    case SqlValue::Kind::kInteger:
      return std::to_string(value.integer);
    case SqlValue::Kind::kReal: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", value.real);
      return buf;
    }
  }
  return {};
}

}  // namespace kv
