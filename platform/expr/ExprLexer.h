#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/expr/ExprError.h"

namespace kv {

// Splits an expression text into tokens. Names are letters, digits, "_" and ":" starting
// with a letter or "_" (PRO:PCODE, LOC:SERVER; AND, OR and NOT are names the parser reads as
// keywords). String literals are enclosed in single quotes with a quote inside written twice.
// Numbers are digits with an optional fraction (12, 9.25, .5). A picture starts with "@" and
// runs to the next blank, comma or closing parenthesis (text between tildes may hold any of
// them). Comparison operators are runs of "<", ">", "=" and "~". "SQL", blanks and "(" start an
// embedded SQL call whose text runs to the matching ")", skipping quoted parts, and is kept
// as it is.

enum class TokenKind {
  kEnd,
  kName,
  kString,
  kNumber,
  kPicture,
  kSqlCall,
  kLParen,
  kRParen,
  kComma,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kAmp,
  kCompare,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // name, undoubled string value, number, picture, SQL text or operator run
  std::size_t position = 0;
};

// Tokenises `text`; the last token is kEnd. Returns false and fills `error` (position and
// message) for an unterminated string or SQL call or a character that starts no token.
[[nodiscard]] bool Tokenize(std::string_view text, std::vector<Token>* tokens, ExprError* error);

}  // namespace kv
