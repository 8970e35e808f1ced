#pragma once

#include <string_view>

#include "platform/expr/ExprError.h"
#include "platform/expr/ExprNode.h"

namespace kv {

// Parses the runtime's expression language into a tree.
//
// Grammar, loosest binding first:
//   or          := and { OR and }
//   and         := not { AND not }
//   not         := ( NOT | ~ ) not | comparison
//   comparison  := concat { op concat }   op: = <> < > <= >= =< => ~ and the negated forms
//                                          ~= (not equal) ~< (not less) ~> (not greater) ...
//   concat      := additive { & additive }
//   additive    := term { ( + | - ) term }
//   term        := unary { ( * | / ) unary }
//   unary       := ( - | + | NOT | ~ ) unary | primary
//   primary     := number | 'string' | name | function ( args ) | SQL( text ) | ( or )
// Keywords and function names are case-insensitive. Functions: UPPER(s), LOWER(s),
// SUB(s, start [, length]), LEFT(s [, length]), CLIP(s), INSTRING(sub, s [, step [, start]]),
// FORMAT(value, @picture). The binary "~" compares for equality ignoring case.
//
// The tree's depth (nested parentheses, prefix operators and chains of binary operators
// alike) is limited to kMaxDepth, so that evaluating or translating it cannot exhaust the
// stack; deeper input is reported as kTooDeep.
class ExprParser {
 public:
  static constexpr int kMaxDepth = 200;

  // Parses `text`. Returns the tree, or null with `error` filled (kSyntax, kTooDeep,
  // kUnknownFunction, kArgumentCount, kBadArgument). Empty or blank text is a kSyntax error.
  // Thread: any; the parser keeps no state between calls.
  static ExprNodePtr Parse(std::string_view text, ExprError* error);
};

}  // namespace kv
