#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Small UTF-8 helpers shared by the pattern matcher and the expression evaluator. A character
// is one code point; a byte that does not start a valid sequence counts as one character of
// its own (its byte value), so no input is rejected and cutting never splits a character.

struct Utf8Char {
  char32_t cp = 0;         // the code point (or the lone byte's value)
  std::size_t offset = 0;  // byte offset of its first byte
};

// The characters of `text` followed by one end marker whose offset is text.size().
std::vector<Utf8Char> DecodeUtf8(std::string_view text);

// The characters [first, first + count) of `text` (0-based, clamped to the text).
std::string Utf8Substr(std::string_view text, std::size_t first, std::size_t count);

// Lower-case form, the inverse of UpperText (platform/values/Utf8Text.h): ASCII letters and
// the Latin-1 capitals U+00C0..U+00DE (except U+00D7) become small letters; everything else
// is kept as it is.
std::string Utf8Lower(std::string_view text);

}  // namespace kv
