#include "platform/values/FixedText.h"

namespace kv {

void StoreStringText(std::string_view text, char* bytes, std::size_t size) {
  std::size_t n = Utf8CutLength(text, size);
  std::memmove(bytes, text.data(), n);  // text may alias the field itself
  std::memset(bytes + n, ' ', size - n);
}

void StoreCStringText(std::string_view text, char* bytes, std::size_t size) {
  if (size == 0) return;
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t n = Utf8CutLength(text, size - 1);
  std::memmove(bytes, text.data(), n);
  std::memset(bytes + n, 0, size - n);
}

std::string_view LoadCStringText(const char* bytes, std::size_t size) {
  const void* nul = std::memchr(bytes, 0, size);
  std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
  return std::string_view(bytes, n);
}

}  // namespace kv
