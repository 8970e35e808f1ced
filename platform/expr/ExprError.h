#pragma once

#include <cstddef>
#include <string>

namespace kv {

// What went wrong with an expression, where, and in words a developer can act on. Expressions
// report faults as values: nothing here throws, and no input crashes the parser, the evaluator
// or the translator.
enum class ExprErrorCode {
  kNone = 0,
  kSyntax,           // the text is not an expression (unbalanced parentheses, stray token ...)
  kTooDeep,          // nesting beyond the limit the parser accepts
  kUnknownFunction,  // NAME( with a name that is not a function
  kArgumentCount,    // a function called with too few or too many arguments
  kBadArgument,      // an argument of the wrong form (FORMAT without a picture ...)
  kUnknownName,      // a name that the bindings do not know
  kNotTranslatable,  // valid locally, but has no server form (the caller filters locally)
  kEvaluation,       // evaluation failed: a number beyond 38 digits, an unusable picture ...
};

struct ExprError {
  ExprErrorCode code = ExprErrorCode::kNone;
  std::size_t position = 0;  // byte offset in the expression text
  std::string message;

  bool ok() const { return code == ExprErrorCode::kNone; }
  // "message at position N", for logs and message texts.
  std::string Describe() const;
};

}  // namespace kv
