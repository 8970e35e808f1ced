#include "framework/window/QueueField.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kv {

double SettingToReal(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return 0;
  // strtod also accepts hexadecimal, "inf" and "nan"; a stored number is plain decimal.
  for (char c : text) {
    bool plain = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
    if (!plain) return 0;
  }
  std::string copy(text);  // strtod needs a terminated string
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return 0;
  return value;
}

long long SettingToInteger(std::string_view text) {
  std::string_view trimmed = TrimBlanks(text);
  // Whole numbers are converted exactly, beyond the precision of a double.
  long long exact = 0;
  std::string_view digits = trimmed;
  if (digits.size() > 1 && digits[0] == '+' && digits[1] >= '0' && digits[1] <= '9') {
    digits.remove_prefix(1);
  }
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), exact);
  if (!digits.empty() && ec == std::errc() && ptr == digits.data() + digits.size()) return exact;
  double value = SettingToReal(trimmed);
  if (value >= 9.2233720368547758e18) return std::numeric_limits<long long>::max();
  if (value <= -9.2233720368547758e18) return std::numeric_limits<long long>::min();
  return static_cast<long long>(std::round(value));
}

}  // namespace kv
