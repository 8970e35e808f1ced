#include "framework/browse/SqlCallRewrite.h"

namespace kv {
namespace {

bool IsCallStart(std::string_view text, std::size_t i, std::size_t* open) {
  if (i + 3 > text.size()) return false;
  for (std::size_t k = 0; k < 3; ++k) {
    const char c = text[i + k];
    if (c != "SQL"[k] && c != "sql"[k]) return false;
  }
  if (i > 0) {
    const char before = text[i - 1];
    if (before != ' ' && before != '|' && before != '(' && before != '~') return false;
  }
  std::size_t k = i + 3;
  while (k < text.size() && text[k] == ' ') ++k;
  if (k >= text.size() || text[k] != '(') return false;
  *open = k;
  return true;
}

// The index just past the literal starting at `i` (a quote), '' inside it included.
std::size_t SkipLiteral(std::string_view text, std::size_t i) {
  for (std::size_t k = i + 1; k < text.size(); ++k) {
    if (text[k] != '\'') continue;
    if (k + 1 < text.size() && text[k + 1] == '\'') {
      ++k;
      continue;
    }
    return k + 1;
  }
  return text.size();
}

// The index just past the parenthesis that closes the one at `open`, quoted parts followed.
std::size_t SkipCall(std::string_view text, std::size_t open) {
  int depth = 0;
  for (std::size_t k = open; k < text.size(); ++k) {
    if (text[k] == '\'') {
      k = SkipLiteral(text, k) - 1;
    } else if (text[k] == '(') {
      ++depth;
    } else if (text[k] == ')' && --depth == 0) {
      return k + 1;
    }
  }
  return text.size();
}

}  // namespace

std::string RewriteSqlCalls(std::string_view filter, std::size_t maxLength) {
  std::string out;
  std::size_t i = 0;
  while (i < filter.size()) {
    std::size_t open = 0;
    if (filter[i] == '\'') {
      const std::size_t end = SkipLiteral(filter, i);
      out.append(filter.substr(i, end - i));
      i = end;
    } else if (IsCallStart(filter, i, &open)) {
      const std::size_t end = SkipCall(filter, open);
      out += " ''=SQL";
      out.append(filter.substr(open, end - open));
      i = end;
    } else {
      out += filter[i++];
    }
  }
  if (out.size() > maxLength) out.resize(maxLength);
  return out;
}

}  // namespace kv
