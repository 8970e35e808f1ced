#include "platform/storage/RecordPosition.h"

#include <charconv>
#include <cstdlib>

namespace kv {
namespace {

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '%')
      out += "%25";
    else if (c == '|')
      out += "%7C";
    else
      out += c;
  }
  return out;
}

bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    std::string_view code = text.substr(i + 1, 2);
    if (code == "25")
      *out += '%';
    else if (code == "7C")
      *out += '|';
    else
      return false;
    i += 2;
  }
  return true;
}

}  // namespace

std::string EncodePosition(const std::vector<SqlValue>& values) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += '|';
    if (values[i].IsNull())
      out += 'N';
    else
      out += "V" + Escape(CanonicalText(values[i]));
  }
  return out.size() <= kMaxPositionLength ? out : std::string();
}

bool DecodePosition(std::string_view text, const std::vector<ColumnDesc>& columns,
                    std::vector<SqlValue>* values) {
  values->clear();
  size_t start = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    size_t bar = text.find('|', start);
    if ((bar == std::string_view::npos) != (i + 1 == columns.size())) return false;
    std::string_view part =
        text.substr(start, bar == std::string_view::npos ? text.npos : bar - start);
    start = bar + 1;
    if (part == "N") {
      values->push_back(SqlValue::Null());
      continue;
    }
    if (part.empty() || part.front() != 'V') return false;
    std::string raw;
    if (!Unescape(part.substr(1), &raw)) return false;
    switch (columns[i].type) {
      case ColumnType::kText:
        values->push_back(SqlValue::Text(raw));
        break;
      case ColumnType::kDecimal:
        values->push_back(SqlValue::Decimal(raw));
        break;
      case ColumnType::kInteger: {
        std::int64_t n = 0;
        auto [p, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), n);
        if (ec != std::errc() || p != raw.data() + raw.size()) return false;
        values->push_back(SqlValue::Integer(n));
        break;
      }
      case ColumnType::kReal: {
        char* end = nullptr;
        double d = std::strtod(raw.c_str(), &end);
        if (raw.empty() || *end != '\0') return false;
        values->push_back(SqlValue::Real(d));
        break;
      }
    }
  }
  return true;
}

}  // namespace kv
