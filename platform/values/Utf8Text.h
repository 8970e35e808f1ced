#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// Text helpers shared by the value types, the conversions and the pictures. All text in the
// runtime is UTF-8; these functions never split a character and never read past the view.

// The largest length <= maxBytes at which `text` can be cut without splitting a UTF-8
// character: the cut moves back over continuation bytes to the start of the character that
// would be split. Bytes that are not valid UTF-8 are treated as single characters.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes);

// `text` without trailing blanks (spaces only; the runtime pads with blanks).
std::string_view ClipRight(std::string_view text);

// `text` without leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view text);

// Upper-cased copy: ASCII letters and the Latin-1 letters U+00E0..U+00FE (except U+00F7) are
// mapped to their capitals; everything else is copied unchanged, so the byte length never
// changes. Case-insensitive comparisons and label lookups go through this one function.
std::string UpperText(std::string_view text);

// True when `a` and `b` are equal ignoring case as UpperText defines it.
bool EqualNoCase(std::string_view a, std::string_view b);

// The letters UpperText folds, as UTF-8 text of 56 characters each: the i-th character of
// FoldSmallLetters() has the i-th character of FoldCapitalLetters() as its capital, and
// lower-casing maps it back. ASCII a-z, then the Latin-1 small letters U+00E0..U+00FE but
// U+00F7; every other character (ß, ÿ, Greek, Cyrillic, ...) is its own capital. The database
// dialects fold text on the servers by these two lists, so that a case-insensitive order,
// locate or filter means the same on every server as in the runtime.
std::string_view FoldSmallLetters();
std::string_view FoldCapitalLetters();

// True when `text` is well-formed UTF-8 (no stray continuation bytes, no truncated or
// overlong sequences, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Number of UTF-8 characters in `text` (invalid bytes count as one character each).
std::size_t Utf8Length(std::string_view text);

}  // namespace kv
