#pragma once

#include "platform/expr/Bindings.h"
#include "platform/expr/ExprError.h"
#include "platform/expr/ExprNode.h"
#include "platform/expr/ExprValue.h"

namespace kv {

// Evaluates expression trees against bound variables.
//
// Semantics:
// - A bound name reads its variable now: text variables give their text (a STRING with its
//   padding), numeric ones an exact number. A name that is not bound, or bound to a column
//   only, is kUnknownName.
// - + - * / work on numbers (text that is not a number counts as 0); results are exact.
//   Division keeps up to 31 places and gives 0 for a zero divisor, as the runtime does.
//   & joins texts. Comparisons and AND, OR, NOT give 1 or 0; AND and OR stop as soon as the
//   result is known. Texts compare without trailing blanks; see ExprValue::Compare.
// - UPPER, LOWER; SUB(s, start, length): the characters from position start (from 1) on,
//   length of them (all the rest when omitted; positions outside the text give nothing);
//   LEFT(s): s without leading blanks, LEFT(s, n): that, cut or padded with blanks to n;
//   CLIP(s): s without trailing blanks; INSTRING(sub, s, step, start): the first position
//   from start (default 1) on, moving by step (default 1; a negative step searches towards
//   the start), where sub occurs in s, 0 when none; FORMAT(v, @picture): v as the picture
//   shows it.
// - An embedded SQL(...) call gives the empty text: it can only be evaluated by the server.
// Positions and lengths count characters, not bytes.
//
// Thread: the thread that owns the bound variables.
class ExprEvaluator {
 public:
  // Evaluates `root`. Returns true with the value in `out`, or false with `error` filled
  // (kUnknownName, kEvaluation) and `out` unchanged.
  [[nodiscard]] static bool Evaluate(const ExprNode& root, const Bindings& bindings, ExprValue* out,
                                     ExprError* error);
};

}  // namespace kv
