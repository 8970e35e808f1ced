#pragma once

#include <string>
#include <string_view>

#include "platform/expr/Bindings.h"
#include "platform/expr/ExprError.h"
#include "platform/expr/ExprNode.h"
#include "platform/expr/ExprValue.h"

namespace kv {

// One expression of the runtime's expression language (filters, computed values): parsed
// once, then evaluated locally against bound variables as often as needed, or translated to
// SQL with parameters for a server. The language is described in ExprParser.h, evaluation in
// ExprEvaluator.h; the storage layer's SqlTranslator translates an expression for a server.
//
//   Expression filter;
//   ExprError error;
//   if (!filter.Parse("UPPER(PRO:DESCRIPTION) = UPPER('12'' Pipe')", &error)) ... report
//   Bindings names;
//   names.BindFields(ProductsFields(), &record);
//   bool passes = filter.IsTrue(names);
//
// Nothing here throws; every failure is an ExprError with a position and a message. An
// Expression is movable, not copyable. Thread: parse on any thread; evaluation follows the
// bound variables' owner; a parsed expression is not changed by evaluating or translating
// it, so several threads may read it at once.
class Expression {
 public:
  Expression() = default;
  Expression(Expression&&) = default;
  Expression& operator=(Expression&&) = default;

  // Parses `text`, replacing what was parsed before. Returns true on success; on failure
  // returns false, fills `error` and leaves the expression empty.
  [[nodiscard]] bool Parse(std::string_view text, ExprError* error = nullptr);

  bool IsParsed() const { return root_ != nullptr; }
  const std::string& Text() const { return text_; }
  // The syntax tree, or null when nothing is parsed. Owned by the expression.
  const ExprNode* Root() const { return root_.get(); }

  // True when every name the expression uses is bound; otherwise false with kUnknownName
  // and the position of the first unbound name. An empty expression fails with kSyntax.
  [[nodiscard]] bool CheckNames(const Bindings& bindings, ExprError* error = nullptr) const;

  // Evaluates the expression now. True with the value in `out`; false with `error` filled.
  [[nodiscard]] bool Evaluate(const Bindings& bindings, ExprValue* out,
                              ExprError* error = nullptr) const;

  // The expression as a filter: true when it evaluates to a true value. An expression that
  // cannot be evaluated (or is empty) passes nothing: false, with `error` filled when given.
  bool IsTrue(const Bindings& bindings, ExprError* error = nullptr) const;

 private:
  bool Empty(ExprError* error) const;

  std::string text_;
  ExprNodePtr root_;
};

// `text` as a string literal of the language: enclosed in single quotes, every single quote
// inside doubled ("12' Pipe" gives '12'' Pipe').
std::string QuoteExprString(std::string_view text);

}  // namespace kv
