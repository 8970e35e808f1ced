#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// Text helpers of the error manager: the limits of its buffers and the token replacement that
// builds a message's text. All texts are UTF-8; the limits count bytes and a cut never splits a
// character. Pure functions, callable from any thread.

// Longest name, message text or runtime error text kept in an error status (a 255-byte
// null-terminated buffer).
inline constexpr std::size_t kStatusTextLimit = 254;
// Longest expanded message text (a 2000-byte null-terminated buffer).
inline constexpr std::size_t kExpandedTextLimit = 1999;

// `text` without its trailing blanks (spaces).
std::string_view ClipBlanks(std::string_view text);

// The longest prefix of `text` that has at most `maxBytes` bytes and ends on a character
// boundary. A text that already fits is returned whole.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

// What the setters of the error status store: trailing blanks removed, then cut to the status
// limit.
std::string StatusText(std::string_view text);

// Replaces every occurrence of `token` in `buffer` by `value`, matching letters in either case
// on both sides (as the runtime's UpperText folds them). The buffer is scanned from its start to
// its end; text just inserted is not searched again, so a value that contains its own token is
// inserted once. After each replacement the buffer is cut to `limit` bytes. When `token` and
// `value` are equal ignoring case nothing is done. An empty token does nothing. Returns the number
// of replacements.
int ReplaceToken(std::string& buffer, std::string_view token, std::string_view value,
                 std::size_t limit = kExpandedTextLimit);

}  // namespace kv
