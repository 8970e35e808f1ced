#pragma once

#include <string_view>
#include <vector>

#include "platform/expr/ExprError.h"
#include "platform/expr/Expression.h"

namespace kv {

// One component of a view's order text: "+PRO:PCODE", "-UPPER(PRO:DESCRIPTION)", "PRO:PRICE".
struct OrderComponent {
  bool ascending = true;  // "-" in front makes it descending; "+" or no sign ascending
  Expression expression;  // what is sorted on: a name or any expression over bound names
};

// Splits an order text into its components: they are separated by commas outside parentheses
// and quotes, each optionally signed, each an expression (so "UPPER(" name ")" works, and a
// comma inside a function call does not split). Blanks around components are ignored.
// Returns true with the components in `out` (none for blank text); on failure returns false
// with `error` filled, its position counted in the whole order text, and `out` unchanged.
// An empty component (",,", a trailing comma, a lone sign) is a kSyntax error.
// Thread: any.
[[nodiscard]] bool ParseOrderText(std::string_view text, std::vector<OrderComponent>* out,
                                  ExprError* error = nullptr);

}  // namespace kv
