#pragma once

#include <string>

#include "platform/expr/Bindings.h"
#include "platform/expr/ExprError.h"
#include "platform/expr/ExprNode.h"
#include "platform/expr/Expression.h"
#include "platform/storage/Dialect.h"
#include "platform/storage/Statement.h"

namespace kv {

// Translates expressions of the runtime's language (platform/expr) into SQL for a server,
// through that server's Dialect.
//
// What becomes what:
// - A bound name becomes its quoted column (qualified when the binding has a qualifier).
// - Every literal, string or number, becomes a parameter marker and a bound value: no value
//   written in an expression (and so nothing a user typed into a query) is ever put into the
//   SQL text. A literal compared with a bound column takes the column's kind (the number 5
//   compared with a text column is bound as the text "5"); text literals compared with
//   anything lose their trailing blanks, as local comparisons ignore them.
// - SQL(...) passes its text through unchanged, in parentheses: it is the one place where
//   SQL text written by the program reaches the server.
// - Operators and functions become their SQL forms through the dialect. A value used as a
//   condition is true when non-zero (numbers) or non-blank (text); a condition used as a
//   value gives 1 or 0. The binary "~" compares upper-cased operands. Two texts compare in
//   byte order, case-sensitively, whatever the server's collation (Dialect::CompareText), so
//   that the server passes the rows that local evaluation passes.
// Known differences from local evaluation: a STRING variable is padded with blanks locally
// but stored clipped on the server, so "&" after a bound text gives different texts (CLIP
// the name first); a text column compared with a number compares as text on the server
// ("05" = 5 holds locally only); a DECIMAL turned into text keeps its places on PostgreSQL
// and SQL Server ("19.90") where the runtime writes "19.9".
// Not translatable (kNotTranslatable, so the caller filters locally instead): FORMAT with a
// picture other than a string picture, INSTRING with a step other than 1, a name bound
// without a column. A name that is not bound at all is kUnknownName.
//
// Thread: any; the translator keeps no state between calls.
class SqlTranslator {
 public:
  // `root` as a condition (the text of a WHERE clause). Returns true and fills `out` (its
  // values in the order of their markers), or false with `error` filled (when given) and
  // `out` unchanged.
  [[nodiscard]] static bool TranslateCondition(const ExprNode& root, const Dialect& dialect,
                                               const Bindings& bindings, Statement* out,
                                               ExprError* error = nullptr);

  // `root` as a value (for a select list or an order clause); same results as above.
  [[nodiscard]] static bool TranslateValue(const ExprNode& root, const Dialect& dialect,
                                           const Bindings& bindings, Statement* out,
                                           ExprError* error = nullptr);

  // The same for a parsed expression; an empty one fails with kSyntax.
  [[nodiscard]] static bool Condition(const Expression& e, const Dialect& dialect,
                                      const Bindings& bindings, Statement* out,
                                      ExprError* error = nullptr);
  [[nodiscard]] static bool Value(const Expression& e, const Dialect& dialect,
                                  const Bindings& bindings, Statement* out,
                                  ExprError* error = nullptr);
};

}  // namespace kv
