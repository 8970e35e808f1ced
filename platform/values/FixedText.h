#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/values/Utf8Text.h"

namespace kv {

// Writes `text` into a STRING field of `size` bytes: cut at `size` bytes without splitting a
// UTF-8 character, the rest filled with blanks.
void StoreStringText(std::string_view text, char* bytes, std::size_t size);

// Writes `text` into a CSTRING field of `size` bytes: at most size-1 bytes of text (cut
// without splitting a UTF-8 character), the rest filled with NUL bytes, so equal texts give
// equal bytes. A NUL inside `text` ends it.
void StoreCStringText(std::string_view text, char* bytes, std::size_t size);

// The text of a CSTRING field: the bytes up to the first NUL, or all `size` bytes when a
// corrupted image has none.
std::string_view LoadCStringText(const char* bytes, std::size_t size);

// STRING(N): N bytes of UTF-8, blank padded. Assigning longer text cuts it at N bytes, moving
// the cut back so that no character is split, and pads the rest with blanks. Trivially
// copyable, standard layout, alignment 1. Not thread-safe, like any variable.
template <std::size_t N>
struct String {
  static_assert(N >= 1, "STRING needs at least one byte");
  static constexpr std::size_t kSize = N;

  // All blanks.
  String() { std::memset(bytes, ' ', N); }
  String(std::string_view text) { Assign(text); }  // NOLINT: implicit like an assignment
  String& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }

  void Assign(std::string_view text) { StoreStringText(text, bytes, N); }
  // All N bytes, padding included.
  std::string_view View() const { return std::string_view(bytes, N); }
  // The text without trailing blanks.
  std::string_view Clipped() const { return ClipRight(View()); }
  char* data() { return bytes; }
  const char* data() const { return bytes; }

  char bytes[N];
};

// CSTRING(N): NUL-terminated text of at most N-1 bytes in N bytes; unused bytes are NUL.
// Assigning longer text cuts it at N-1 bytes without splitting a UTF-8 character.
template <std::size_t N>
struct CString {
  static_assert(N >= 1, "CSTRING needs at least one byte");
  static constexpr std::size_t kSize = N;

  // Empty text.
  CString() { std::memset(bytes, 0, N); }
  CString(std::string_view text) { Assign(text); }  // NOLINT: implicit like an assignment
  CString& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }

  void Assign(std::string_view text) { StoreCStringText(text, bytes, N); }
  // The text up to the terminating NUL.
  std::string_view View() const { return LoadCStringText(bytes, N); }
  std::string_view Clipped() const { return ClipRight(View()); }
  char* data() { return bytes; }
  const char* data() const { return bytes; }

  char bytes[N];
};

}  // namespace kv
