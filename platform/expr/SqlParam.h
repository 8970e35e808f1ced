#pragma once

#include <string>
#include <vector>

namespace kv {

// A value handed to the server beside SQL text. Every literal of an expression (what a user
// typed into a query, a range value, a number) travels this way and never as SQL text.
enum class SqlParamKind {
  kText,     // bind as text
  kInteger,  // bind as a whole number; `text` holds its digits ("-12")
  kDecimal,  // bind as an exact decimal; `text` holds it plainly ("12.5", never an exponent)
};

struct SqlParam {
  SqlParamKind kind = SqlParamKind::kText;
  std::string text;

  friend bool operator==(const SqlParam& a, const SqlParam& b) {
    return a.kind == b.kind && a.text == b.text;
  }
};

using SqlParams = std::vector<SqlParam>;

}  // namespace kv
