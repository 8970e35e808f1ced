#include "framework/errors/MessageText.h"

#include "platform/values/Utf8Text.h"

namespace kv {

std::string_view ClipBlanks(std::string_view text) {
  return ClipRight(text);
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
  return text.substr(0, Utf8CutLength(text, maxBytes));
}

std::string StatusText(std::string_view text) {
  return std::string(CutUtf8(ClipBlanks(text), kStatusTextLimit));
}

int ReplaceToken(std::string& buffer, std::string_view token, std::string_view value,
                 std::size_t limit) {
  if (token.empty() || EqualNoCase(token, value)) return 0;
  // UpperText keeps byte lengths, so positions in the folded copy are positions in the buffer.
  const std::string upperToken = UpperText(token);
  int count = 0;
  std::size_t from = 0;
  while (from < buffer.size()) {
    std::size_t at = UpperText(buffer).find(upperToken, from);
    if (at == std::string::npos) break;
    buffer.replace(at, token.size(), value);
    ++count;
    from = at + value.size();  // the inserted value is not searched for this token again
    if (buffer.size() > limit) buffer.resize(CutUtf8(buffer, limit).size());
  }
  return count;
}

}  // namespace kv
