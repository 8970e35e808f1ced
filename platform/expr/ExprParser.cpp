#include "platform/expr/ExprParser.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/expr/ExprLexer.h"

namespace kv {

namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

struct FunctionInfo {
  const char* name;
  ExprFunction function;
  int minArgs;
  int maxArgs;
};

constexpr FunctionInfo kFunctions[] = {
    {"UPPER", ExprFunction::kUpper, 1, 1},   {"LOWER", ExprFunction::kLower, 1, 1},
    {"SUB", ExprFunction::kSub, 2, 3},       {"LEFT", ExprFunction::kLeft, 1, 2},
    {"CLIP", ExprFunction::kClip, 1, 1},     {"INSTRING", ExprFunction::kInstring, 2, 4},
    {"FORMAT", ExprFunction::kFormat, 2, 2},
};

// Reads an operator run such as "<=", "=<", "~=" or "~<" into a comparison, or kNone.
ExprOp ComparisonOf(std::string_view run) {
  const bool lt = run.find('<') != std::string_view::npos;
  const bool gt = run.find('>') != std::string_view::npos;
  const bool eq = run.find('=') != std::string_view::npos;
  const auto tildes = std::count(run.begin(), run.end(), '~');
  if (tildes > 1) return ExprOp::kNone;
  if (tildes == 1 && run.front() != '~') return ExprOp::kNone;  // "=~" and the like: no meaning
  ExprOp op;
  if (lt && gt)
    op = ExprOp::kNotEqual;
  else if (lt)
    op = eq ? ExprOp::kLessEqual : ExprOp::kLess;
  else if (gt)
    op = eq ? ExprOp::kGreaterEqual : ExprOp::kGreater;
  else if (eq)
    op = ExprOp::kEqual;
  else
    return ExprOp::kEqualNoCase;  // "~" alone
  // Each of < > = appears once at most in a meaningful operator.
  for (char c : {'<', '>', '='})
    if (std::count(run.begin(), run.end(), c) > 1 && !(c == '=' && !lt && !gt && tildes == 0))
      return ExprOp::kNone;
  if (tildes == 0) return op;
  switch (op) {  // "~" in front negates
    case ExprOp::kEqual:
      return ExprOp::kNotEqual;
    case ExprOp::kNotEqual:
      return ExprOp::kEqual;
    case ExprOp::kLess:
      return ExprOp::kGreaterEqual;
    case ExprOp::kGreater:
      return ExprOp::kLessEqual;
    case ExprOp::kLessEqual:
      return ExprOp::kGreater;
    case ExprOp::kGreaterEqual:
      return ExprOp::kLess;
    default:
      return ExprOp::kNone;
  }
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, ExprError* error) : t_(std::move(tokens)), error_(error) {}

  ExprNodePtr Run() {
    if (t_.front().kind == TokenKind::kEnd)
      return Fail(ExprErrorCode::kSyntax, 0, "empty expression");
    auto root = Or();
    if (!root) return nullptr;
    if (Peek().kind != TokenKind::kEnd)
      return Fail(ExprErrorCode::kSyntax, Peek().position,
                  Peek().kind == TokenKind::kRParen ? "\")\" without its \"(\""
                                                    : "unexpected \"" + Peek().text + "\"");
    return root;
  }

 private:
  const Token& Peek() const { return t_[i_]; }
  const Token& Take() { return t_[i_ < t_.size() - 1 ? i_++ : i_]; }
  bool IsKeyword(const char* word) const {
    return Peek().kind == TokenKind::kName && Upper(Peek().text) == word;
  }

  ExprNodePtr Fail(ExprErrorCode code, std::size_t at, std::string message) {
    if (error_ && error_->ok()) *error_ = {code, at, std::move(message)};
    return nullptr;
  }

  // Builds an operator node; refuses trees deeper than the limit.
  ExprNodePtr Node(ExprNodeKind kind, ExprOp op, std::size_t at, ExprNodePtr a,
                   ExprNodePtr b = {}) {
    auto n = std::make_unique<ExprNode>();
    n->kind = kind;
    n->op = op;
    n->position = at;
    n->depth = 1 + std::max(a->depth, b ? b->depth : 0);
    n->args.push_back(std::move(a));
    if (b) n->args.push_back(std::move(b));
    if (n->depth > ExprParser::kMaxDepth) return TooDeep(at);
    return n;
  }
  ExprNodePtr TooDeep(std::size_t at) {
    return Fail(ExprErrorCode::kTooDeep, at, "expression nested too deeply");
  }

  // Operands missing after an operator are the commonest slip ("A AND", "1 +"): say so.
  ExprNodePtr Operand(ExprNodePtr (Parser::*rule)(), const Token& op) {
    if (Peek().kind == TokenKind::kEnd)
      return Fail(ExprErrorCode::kSyntax, op.position,
                  "operator \"" + op.text + "\" without an operand after it");
    return (this->*rule)();
  }

  // A guard against deep recursion before any node exists: "((((..." or "- - - ...".
  struct Nest {
    explicit Nest(int& d) : d_(++d) {}
    ~Nest() { --d_; }
    int& d_;
  };

  ExprNodePtr Or() {
    auto left = And();
    while (left && IsKeyword("OR")) {
      const Token& op = Take();
      auto right = Operand(&Parser::And, op);
      if (!right) return nullptr;
      left =
          Node(ExprNodeKind::kBinary, ExprOp::kOr, op.position, std::move(left), std::move(right));
    }
    return left;
  }

  ExprNodePtr And() {
    auto left = Not();
    while (left && IsKeyword("AND")) {
      const Token& op = Take();
      auto right = Operand(&Parser::Not, op);
      if (!right) return nullptr;
      left =
          Node(ExprNodeKind::kBinary, ExprOp::kAnd, op.position, std::move(left), std::move(right));
    }
    return left;
  }

  bool AtNot() const {
    return IsKeyword("NOT") || (Peek().kind == TokenKind::kCompare && Peek().text == "~");
  }

  ExprNodePtr Not() {
    if (!AtNot()) return Comparison();
    Nest nest(nesting_);
    if (nesting_ > ExprParser::kMaxDepth) return TooDeep(Peek().position);
    const Token& op = Take();
    auto operand = Operand(&Parser::Not, op);
    if (!operand) return nullptr;
    return Node(ExprNodeKind::kUnary, ExprOp::kNot, op.position, std::move(operand));
  }

  ExprNodePtr Comparison() {
    auto left = Concat();
    while (left && Peek().kind == TokenKind::kCompare) {
      const Token& op = Take();
      ExprOp cmp = ComparisonOf(op.text);
      if (cmp == ExprOp::kNone)
        return Fail(ExprErrorCode::kSyntax, op.position, "unknown operator \"" + op.text + "\"");
      auto right = Operand(&Parser::Concat, op);
      if (!right) return nullptr;
      left = Node(ExprNodeKind::kBinary, cmp, op.position, std::move(left), std::move(right));
    }
    return left;
  }

  ExprNodePtr Concat() {
    auto left = Additive();
    while (left && Peek().kind == TokenKind::kAmp) {
      const Token& op = Take();
      auto right = Operand(&Parser::Additive, op);
      if (!right) return nullptr;
      left = Node(ExprNodeKind::kBinary, ExprOp::kConcat, op.position, std::move(left),
                  std::move(right));
    }
    return left;
  }

  ExprNodePtr Additive() {
    auto left = Term();
    while (left && (Peek().kind == TokenKind::kPlus || Peek().kind == TokenKind::kMinus)) {
      const Token& op = Take();
      auto right = Operand(&Parser::Term, op);
      if (!right) return nullptr;
      left = Node(ExprNodeKind::kBinary,
                  op.kind == TokenKind::kPlus ? ExprOp::kAdd : ExprOp::kSubtract, op.position,
                  std::move(left), std::move(right));
    }
    return left;
  }

  ExprNodePtr Term() {
    auto left = Unary();
    while (left && (Peek().kind == TokenKind::kStar || Peek().kind == TokenKind::kSlash)) {
      const Token& op = Take();
      auto right = Operand(&Parser::Unary, op);
      if (!right) return nullptr;
      left = Node(ExprNodeKind::kBinary,
                  op.kind == TokenKind::kStar ? ExprOp::kMultiply : ExprOp::kDivide, op.position,
                  std::move(left), std::move(right));
    }
    return left;
  }

  ExprNodePtr Unary() {
    const bool minus = Peek().kind == TokenKind::kMinus;
    const bool plus = Peek().kind == TokenKind::kPlus;
    const bool negation = AtNot();
    if (!minus && !plus && !negation) return Primary();
    Nest nest(nesting_);
    if (nesting_ > ExprParser::kMaxDepth) return TooDeep(Peek().position);
    const Token& op = Take();
    auto operand = Operand(&Parser::Unary, op);
    if (!operand || plus) return operand;
    return Node(ExprNodeKind::kUnary, minus ? ExprOp::kNegate : ExprOp::kNot, op.position,
                std::move(operand));
  }

  ExprNodePtr Leaf(ExprNodeKind kind, const Token& tok) {
    auto n = std::make_unique<ExprNode>();
    n->kind = kind;
    n->text = tok.text;
    n->position = tok.position;
    return n;
  }

  ExprNodePtr Primary() {
    const Token& tok = Take();
    switch (tok.kind) {
      case TokenKind::kNumber:
        return Leaf(ExprNodeKind::kNumber, tok);
      case TokenKind::kString:
        return Leaf(ExprNodeKind::kText, tok);
      case TokenKind::kSqlCall:
        return Leaf(ExprNodeKind::kSql, tok);
      case TokenKind::kName: {
        const std::string upper = Upper(tok.text);
        if (upper == "AND" || upper == "OR")
          return Fail(ExprErrorCode::kSyntax, tok.position,
                      "\"" + tok.text + "\" without an operand before it");
        if (Peek().kind == TokenKind::kLParen) return Call(tok);
        return Leaf(ExprNodeKind::kName, tok);
      }
      case TokenKind::kLParen: {
        Nest nest(nesting_);
        if (nesting_ > ExprParser::kMaxDepth) return TooDeep(tok.position);
        auto inner = Or();
        if (!inner) return nullptr;
        if (Peek().kind != TokenKind::kRParen)
          return Fail(ExprErrorCode::kSyntax, tok.position, "\"(\" without its \")\"");
        Take();
        return inner;
      }
      case TokenKind::kEnd:
        return Fail(ExprErrorCode::kSyntax, tok.position,
                    "expression ends where an operand is expected");
      case TokenKind::kPicture:
        return Fail(ExprErrorCode::kBadArgument, tok.position,
                    "a picture is only allowed as FORMAT's second argument");
      default:
        return Fail(ExprErrorCode::kSyntax, tok.position, "unexpected \"" + tok.text + "\"");
    }
  }

  ExprNodePtr Call(const Token& name) {
    const FunctionInfo* info = nullptr;
    const std::string upper = Upper(name.text);
    for (const auto& f : kFunctions)
      if (upper == f.name) info = &f;
    if (!info)
      return Fail(ExprErrorCode::kUnknownFunction, name.position, "unknown function " + name.text);
    Nest nest(nesting_);
    if (nesting_ > ExprParser::kMaxDepth) return TooDeep(name.position);
    Take();  // "("
    auto call = std::make_unique<ExprNode>();
    call->kind = ExprNodeKind::kCall;
    call->function = info->function;
    call->text = info->name;
    call->position = name.position;
    if (Peek().kind != TokenKind::kRParen) {
      while (true) {
        const bool pictureSlot = info->function == ExprFunction::kFormat && call->args.size() == 1;
        ExprNodePtr arg;
        if (pictureSlot && Peek().kind == TokenKind::kPicture)
          arg = Leaf(ExprNodeKind::kPicture, Take());
        else if (pictureSlot && Peek().kind == TokenKind::kString) {
          arg = Leaf(ExprNodeKind::kPicture, Take());
          if (arg->text.empty() || arg->text[0] != '@') arg->text.insert(0, "@");
        } else if (pictureSlot) {
          return Fail(ExprErrorCode::kBadArgument, Peek().position,
                      "FORMAT needs a picture such as @N9.2 as its second argument");
        } else {
          arg = Or();
        }
        if (!arg) return nullptr;
        call->depth = std::max(call->depth, arg->depth + 1);
        call->args.push_back(std::move(arg));
        if (Peek().kind == TokenKind::kComma) {
          Take();
          continue;
        }
        break;
      }
    }
    if (Peek().kind != TokenKind::kRParen)
      return Fail(ExprErrorCode::kSyntax, Peek().position,
                  std::string(info->name) + "( without its \")\"");
    Take();
    const int count = static_cast<int>(call->args.size());
    if (count < info->minArgs || count > info->maxArgs)
      return Fail(
          ExprErrorCode::kArgumentCount, name.position,
          std::string(info->name) + " takes " + std::to_string(info->minArgs) +
              (info->minArgs == info->maxArgs ? "" : " to " + std::to_string(info->maxArgs)) +
              " arguments, not " + std::to_string(count));
    if (call->depth > ExprParser::kMaxDepth) return TooDeep(name.position);
    return call;
  }

  std::vector<Token> t_;
  std::size_t i_ = 0;
  int nesting_ = 0;
  ExprError* error_;
};

}  // namespace

bool IsComparison(ExprOp op) {
  switch (op) {
    case ExprOp::kEqual:
    case ExprOp::kNotEqual:
    case ExprOp::kLess:
    case ExprOp::kGreater:
    case ExprOp::kLessEqual:
    case ExprOp::kGreaterEqual:
    case ExprOp::kEqualNoCase:
      return true;
    default:
      return false;
  }
}

const char* FunctionName(ExprFunction f) {
  for (const auto& info : kFunctions)
    if (info.function == f) return info.name;
  return "";
}

ExprNodePtr ExprParser::Parse(std::string_view text, ExprError* error) {
  ExprError local;
  ExprError* err = error ? error : &local;
  *err = {};
  std::vector<Token> tokens;
  if (!Tokenize(text, &tokens, err)) return nullptr;
  auto root = Parser(std::move(tokens), err).Run();
  if (!root && err->ok()) *err = {ExprErrorCode::kSyntax, 0, "not an expression"};
  return root;
}

}  // namespace kv
