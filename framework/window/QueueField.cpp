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

namespace {

// The length of the quoted field that starts at value[0] (a double quote), up to and with its
// closing quote, when that quote is followed by "," or the end; 0 when it is not such a field.
std::size_t QuotedLength(std::string_view value, std::string* unquoted) {
  std::string out;
  for (std::size_t i = 1; i < value.size(); ++i) {
    if (value[i] != '"') {
      out += value[i];
      continue;
    }
    if (i + 1 < value.size() && value[i + 1] == '"') {
      out += '"';
      ++i;
      continue;
    }
    if (i + 1 < value.size() && value[i + 1] != ',') return 0;
    if (unquoted != nullptr) *unquoted = std::move(out);
    return i + 1;
  }
  return 0;  // no closing quote: an older value that merely begins with one
}

}  // namespace

std::string JoinListItems(const std::vector<std::string>& items) {
  std::string out;
  for (std::size_t f = 0; f < items.size(); ++f) {
    if (f > 0) out += ',';
    const std::string& item = items[f];
    if (item.find(',') == std::string::npos && !item.starts_with('"')) {
      out += item;
      continue;
    }
    out += '"';
    for (char c : item) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

std::string ListItem(std::string_view value, std::size_t n, bool rest) {
  if (n == 0) return {};
  std::size_t start = 0;
  for (std::size_t i = 1;; ++i) {
    std::string_view tail = value.substr(start);
    std::string unquoted;
    std::size_t quoted = tail.starts_with('"') ? QuotedLength(tail, &unquoted) : 0;
    if (i == n) {
      if (quoted != 0) return unquoted;
      if (rest) return std::string(tail);
      return std::string(tail.substr(0, tail.find(',')));
    }
    std::size_t comma =
        quoted != 0 ? (quoted < tail.size() ? quoted : std::string_view::npos) : tail.find(',');
    if (comma == std::string_view::npos) return {};
    start += comma + 1;
  }
}

}  // namespace kv
