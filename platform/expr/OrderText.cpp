#include "platform/expr/OrderText.h"

#include <utility>

namespace kv {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One component's text [begin, end) of the whole order text into `out`.
bool ParseComponent(std::string_view text, std::size_t begin, std::size_t end, OrderComponent* out,
                    ExprError* error) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
    out->ascending = text[begin] == '+';
    ++begin;
  }
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end) {
    *error = {ExprErrorCode::kSyntax, begin, "order component without a name"};
    return false;
  }
  if (!out->expression.Parse(text.substr(begin, end - begin), error)) {
    error->position += begin;
    return false;
  }
  return true;
}

}  // namespace

bool ParseOrderText(std::string_view text, std::vector<OrderComponent>* out, ExprError* error) {
  ExprError local;
  ExprError* err = error ? error : &local;
  *err = {};
  std::vector<OrderComponent> parts;
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size()) {
    out->clear();
    return true;
  }
  int nesting = 0;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const bool atEnd = i == text.size();
    const char c = atEnd ? ',' : text[i];
    if (quoted) {
      if (c == '\'') quoted = false;  // a doubled quote reopens at once: still right
      if (!atEnd) continue;
    }
    if (c == '\'')
      quoted = true;
    else if (c == '(')
      ++nesting;
    else if (c == ')' && nesting > 0)
      --nesting;
    else if (c == ',' && (nesting == 0 || atEnd)) {
      OrderComponent part;
      if (!ParseComponent(text, start, i, &part, err)) return false;
      parts.push_back(std::move(part));
      start = i + 1;
    }
  }
  *out = std::move(parts);
  return true;
}

}  // namespace kv
