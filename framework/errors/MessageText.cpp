#include "framework/errors/MessageText.h"

#include <algorithm>

namespace kv {
namespace {

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Position of `token` in `buffer` at or after `from`, ignoring ASCII case; npos when absent.
// Only ASCII letters are folded, so byte positions in the buffer and its folded form agree.
std::size_t FindIgnoreCase(std::string_view buffer, std::string_view token, std::size_t from) {
  if (token.size() > buffer.size()) return std::string_view::npos;
  for (std::size_t i = from; i + token.size() <= buffer.size(); ++i) {
    if (EqualsIgnoreCase(buffer.substr(i, token.size()), token)) return i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string_view ClipBlanks(std::string_view text) {
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  // Step back over continuation bytes (10xxxxxx) so the cut lands before a lead byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string StatusText(std::string_view text) {
  return std::string(CutUtf8(ClipBlanks(text), kStatusTextLimit));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return UpperAscii(x) == UpperAscii(y);
         });
}

int ReplaceToken(std::string& buffer, std::string_view token, std::string_view value,
                 std::size_t limit) {
  if (token.empty() || EqualsIgnoreCase(token, value)) return 0;
  int count = 0;
  std::size_t from = 0;
  for (;;) {
    std::size_t at = FindIgnoreCase(buffer, token, from);
    if (at == std::string::npos) break;
    buffer.replace(at, token.size(), value);
    ++count;
    from = at + value.size();
    if (buffer.size() > limit) buffer.resize(CutUtf8(buffer, limit).size());
    if (from >= buffer.size()) break;
  }
  return count;
}

}  // namespace kv
