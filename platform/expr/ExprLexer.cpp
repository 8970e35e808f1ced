#include "platform/expr/ExprLexer.h"

namespace kv {

namespace {

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == ':';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

class Lexer {
 public:
  Lexer(std::string_view text, std::vector<Token>* out, ExprError* error)
      : s_(text), out_(out), error_(error) {}

  bool Run() {
    out_->clear();
    while (true) {
      while (i_ < s_.size() && IsBlank(s_[i_])) ++i_;
      if (i_ >= s_.size()) break;
      if (!Next()) return false;
    }
    out_->push_back({TokenKind::kEnd, {}, s_.size()});
    return true;
  }

 private:
  bool Fail(std::size_t at, std::string message) {
    if (error_) *error_ = {ExprErrorCode::kSyntax, at, std::move(message)};
    return false;
  }
  void Emit(TokenKind kind, std::string text, std::size_t at) {
    out_->push_back({kind, std::move(text), at});
  }

  bool Next() {
    const std::size_t at = i_;
    const char c = s_[i_];
    switch (c) {
      case '(':
        ++i_;
        Emit(TokenKind::kLParen, "(", at);
        return true;
      case ')':
        ++i_;
        Emit(TokenKind::kRParen, ")", at);
        return true;
      case ',':
        ++i_;
        Emit(TokenKind::kComma, ",", at);
        return true;
      case '+':
        ++i_;
        Emit(TokenKind::kPlus, "+", at);
        return true;
      case '-':
        ++i_;
        Emit(TokenKind::kMinus, "-", at);
        return true;
      case '*':
        ++i_;
        Emit(TokenKind::kStar, "*", at);
        return true;
      case '/':
        ++i_;
        Emit(TokenKind::kSlash, "/", at);
        return true;
      case '&':
        ++i_;
        Emit(TokenKind::kAmp, "&", at);
        return true;
      case '\'':
        return String();
      case '@':
        return Picture();
      case '<':
      case '>':
      case '=':
      case '~': {
        while (i_ < s_.size() && (s_[i_] == '<' || s_[i_] == '>' || s_[i_] == '=' || s_[i_] == '~'))
          ++i_;
        Emit(TokenKind::kCompare, std::string(s_.substr(at, i_ - at)), at);
        return true;
      }
      default:
        break;
    }
    if (IsDigit(c) || (c == '.' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]))) return Number();
    if (IsNameStart(static_cast<unsigned char>(c))) return Name();
    return Fail(at, std::string("unexpected character \"") + c + "\"");
  }

  bool String() {
    const std::size_t at = i_++;
    std::string value;
    while (true) {
      if (i_ >= s_.size()) return Fail(at, "string without its closing quote");
      if (s_[i_] == '\'') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
          value.push_back('\'');
          i_ += 2;
          continue;
        }
        ++i_;
        break;
      }
      value.push_back(s_[i_++]);
    }
    Emit(TokenKind::kString, std::move(value), at);
    return true;
  }

  bool Number() {
    const std::size_t at = i_;
    while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
    if (i_ < s_.size() && s_[i_] == '.') {
      ++i_;
      while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
    }
    if (i_ < s_.size() && IsNameChar(static_cast<unsigned char>(s_[i_])))
      return Fail(i_, "number followed by a letter");
    Emit(TokenKind::kNumber, std::string(s_.substr(at, i_ - at)), at);
    return true;
  }

  bool Picture() {
    const std::size_t at = i_++;
    bool inTilde = false;
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == '~')
        inTilde = !inTilde;
      else if (!inTilde && (IsBlank(c) || c == ',' || c == ')'))
        break;
      ++i_;
    }
    if (inTilde) return Fail(at, "picture without its closing \"~\"");
    if (i_ - at < 2) return Fail(at, "\"@\" without a picture");
    Emit(TokenKind::kPicture, std::string(s_.substr(at, i_ - at)), at);
    return true;
  }

  bool Name() {
    const std::size_t at = i_;
    while (i_ < s_.size() && IsNameChar(static_cast<unsigned char>(s_[i_]))) ++i_;
    std::string_view name = s_.substr(at, i_ - at);
    if (EqualsNoCase(name, "SQL")) {
      std::size_t k = i_;
      while (k < s_.size() && IsBlank(s_[k])) ++k;
      if (k < s_.size() && s_[k] == '(') return SqlCall(at, k);
    }
    Emit(TokenKind::kName, std::string(name), at);
    return true;
  }

  // The SQL text between the parentheses is the server's business: only parentheses and
  // quoted parts are followed, so that a ")" inside a quoted SQL literal does not end it.
  bool SqlCall(std::size_t at, std::size_t open) {
    int nesting = 0;
    std::size_t k = open;
    while (k < s_.size()) {
      char c = s_[k];
      if (c == '\'' || c == '"') {
        std::size_t close = s_.find(c, k + 1);
        if (close == std::string_view::npos) return Fail(k, "quoted text in SQL(...) not closed");
        k = close + 1;
        continue;
      }
      if (c == '(') ++nesting;
      if (c == ')' && --nesting == 0) break;
      ++k;
    }
    if (k >= s_.size()) return Fail(at, "SQL( without its closing parenthesis");
    std::string_view inner = s_.substr(open + 1, k - open - 1);
    while (!inner.empty() && IsBlank(inner.front())) inner.remove_prefix(1);
    while (!inner.empty() && IsBlank(inner.back())) inner.remove_suffix(1);
    i_ = k + 1;
    Emit(TokenKind::kSqlCall, std::string(inner), at);
    return true;
  }

  std::string_view s_;
  std::size_t i_ = 0;
  std::vector<Token>* out_;
  ExprError* error_;
};

}  // namespace

bool Tokenize(std::string_view text, std::vector<Token>* tokens, ExprError* error) {
  return Lexer(text, tokens, error).Run();
}

}  // namespace kv
