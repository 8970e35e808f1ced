#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kv {

// The syntax tree of an expression. Trees are built by `ExprParser` and read by the evaluator
// and the SQL translator; their depth is bounded by `ExprParser::kMaxDepth`, so walking them
// recursively is safe.

enum class ExprNodeKind {
  kName,     // a bound name such as PRO:PCODE (text: the name as written)
  kText,     // a string literal (text: its value, quotes undoubled)
  kNumber,   // a numeric literal (text: digits with an optional fraction, as written)
  kPicture,  // a picture argument of FORMAT (text: the picture with its "@")
  kSql,      // an embedded SQL(...) call (text: the SQL between the parentheses, trimmed)
  kUnary,    // op applied to args[0]
  kBinary,   // args[0] op args[1]
  kCall,     // function(args...)
};

enum class ExprOp {
  kNone,
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kConcat,
  kNegate,
  kEqual,
  kNotEqual,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  kEqualNoCase,  // binary "~": equal, ignoring the case of letters
  kAnd,
  kOr,
  kNot,
};

enum class ExprFunction { kNone, kUpper, kLower, kSub, kLeft, kClip, kInstring, kFormat };

struct ExprNode {
  ExprNodeKind kind = ExprNodeKind::kText;
  ExprOp op = ExprOp::kNone;
  ExprFunction function = ExprFunction::kNone;
  std::string text;
  std::size_t position = 0;  // byte offset of the node's first token in the source text
  int depth = 1;             // 1 for a leaf, 1 + the deepest argument otherwise
  std::vector<std::unique_ptr<ExprNode>> args;
};

using ExprNodePtr = std::unique_ptr<ExprNode>;

// True for the comparison operators (their result is a truth value).
bool IsComparison(ExprOp op);

// The function's name in upper case ("INSTRING"), for messages and SQL.
const char* FunctionName(ExprFunction f);

}  // namespace kv
