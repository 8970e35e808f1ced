#include "platform/expr/Expression.h"

#include "platform/expr/ExprEvaluator.h"
#include "platform/expr/ExprParser.h"

namespace kv {

namespace {

const ExprNode* FirstUnbound(const ExprNode& n, const Bindings& bindings) {
  if (n.kind == ExprNodeKind::kName) return bindings.Find(n.text) ? nullptr : &n;
  for (const auto& a : n.args)
    if (const ExprNode* found = FirstUnbound(*a, bindings)) return found;
  return nullptr;
}

}  // namespace

bool Expression::Parse(std::string_view text, ExprError* error) {
  text_ = std::string(text);
  root_ = ExprParser::Parse(text, error);
  if (!root_) text_.clear();
  return root_ != nullptr;
}

bool Expression::Empty(ExprError* error) const {
  if (root_) return false;
  if (error) *error = {ExprErrorCode::kSyntax, 0, "no expression"};
  return true;
}

bool Expression::CheckNames(const Bindings& bindings, ExprError* error) const {
  if (Empty(error)) return false;
  if (const ExprNode* n = FirstUnbound(*root_, bindings)) {
    if (error) *error = {ExprErrorCode::kUnknownName, n->position, "unknown name " + n->text};
    return false;
  }
  if (error) *error = {};
  return true;
}

bool Expression::Evaluate(const Bindings& bindings, ExprValue* out, ExprError* error) const {
  if (Empty(error)) return false;
  return ExprEvaluator::Evaluate(*root_, bindings, out, error);
}

bool Expression::IsTrue(const Bindings& bindings, ExprError* error) const {
  ExprValue v;
  return Evaluate(bindings, &v, error) && v.IsTrue();
}

std::string QuoteExprString(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

}  // namespace kv
