#include "platform/storage/DialectSupport.h"

#include <algorithm>
#include <cctype>

namespace kv::dialect {

bool Contains(std::string_view text, std::string_view what) {
  auto it = std::search(text.begin(), text.end(), what.begin(), what.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
  return it != text.end();
}

bool CodeIs(std::string_view code, std::initializer_list<std::string_view> any) {
  return std::find(any.begin(), any.end(), code) != any.end();
}

bool ContainsNumber(std::string_view text, std::string_view number) {
  for (size_t at = text.find(number); at != std::string_view::npos;
       at = text.find(number, at + 1)) {
    bool before = at > 0 && std::isdigit(static_cast<unsigned char>(text[at - 1]));
    size_t end = at + number.size();
    bool after = end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]));
    if (!before && !after) return true;
  }
  return false;
}

std::string DecimalType(std::string_view type, const ColumnDesc& c) {
  int p = std::clamp(c.precision, 1, 38);
  int s = std::clamp(c.scale, 0, p);
  return std::string(type) + "(" + std::to_string(p) + "," + std::to_string(s) + ")";
}

std::string Width(const ColumnDesc& c) {
  return std::to_string(std::max(1, c.size));
}

int DecimalPlaces(std::string_view text) {
  size_t dot = text.find('.');
  if (dot == std::string_view::npos) return 0;
  int places = 0;
  for (size_t i = dot + 1; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
       ++i)
    ++places;
  return places;
}

std::string QuotedAfter(std::string_view text, std::string_view marker, char open, char close) {
  auto it = std::search(text.begin(), text.end(), marker.begin(), marker.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
  if (it == text.end()) return {};
  std::size_t from = std::size_t(it - text.begin()) + marker.size();
  while (from < text.size() && text[from] == ' ') ++from;
  if (from >= text.size() || text[from] != open) return {};
  std::size_t end = text.find(close, from + 1);
  if (end == std::string_view::npos) return {};
  return std::string(text.substr(from + 1, end - from - 1));
}

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view p : parts) out += p;
  return out;
}

}  // namespace kv::dialect
