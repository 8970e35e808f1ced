#include "platform/expr/Utf8.h"

namespace kv {

namespace {

// Length of the valid sequence starting at text[i], or 0 when the byte starts none.
std::size_t SequenceLength(std::string_view text, std::size_t i, char32_t* cp) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char c = b(i);
  std::size_t len = c < 0x80           ? 1
                    : (c >> 5) == 0x6  ? 2
                    : (c >> 4) == 0xE  ? 3
                    : (c >> 3) == 0x1E ? 4
                                       : 0;
  if (len == 0 || i + len > text.size()) return 0;
  char32_t v = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms and surrogates are not valid characters.
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *cp = v;
  return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

template <typename Map>
std::string MapCase(std::string_view text, Map map) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    std::size_t len = SequenceLength(text, i, &cp);
    if (len == 0) {  // keep an invalid byte as it is
      out.push_back(text[i++]);
      continue;
    }
    AppendUtf8(out, map(cp));
    i += len;
  }
  return out;
}

}  // namespace

std::vector<Utf8Char> DecodeUtf8(std::string_view text) {
  std::vector<Utf8Char> out;
  out.reserve(text.size() + 1);
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    std::size_t len = SequenceLength(text, i, &cp);
    if (len == 0) {
      cp = static_cast<unsigned char>(text[i]);
      len = 1;
    }
    out.push_back({cp, i});
    i += len;
  }
  out.push_back({0, text.size()});
  return out;
}

std::string Utf8Substr(std::string_view text, std::size_t first, std::size_t count) {
  const auto chars = DecodeUtf8(text);
  const std::size_t n = chars.size() - 1;
  if (first >= n) return {};
  std::size_t last = count > n - first ? n : first + count;
  return std::string(text.substr(chars[first].offset, chars[last].offset - chars[first].offset));
}

std::string Utf8Lower(std::string_view text) {
  return MapCase(text, [](char32_t c) -> char32_t {
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    return c;
  });
}

}  // namespace kv
