#include "platform/storage/SqlTranslator.h"

#include <optional>
#include <utility>
#include <vector>

namespace kv {

namespace {

// While the text is built, parameters are written as private markers (\x01 number \x02) so
// that dialect functions may reorder or repeat their arguments; `Finish` numbers them in the
// order they appear in the final text.
constexpr char kMarkOpen = '\x01';
constexpr char kMarkClose = '\x02';

enum class SqlType { kText, kNumber, kBool, kRaw };

struct Sql {
  std::string text;
  SqlType type = SqlType::kRaw;
};

// How a literal should be bound, decided by its surroundings.
struct Hint {
  enum class As { kNatural, kText, kNumber } as = As::kNatural;
  bool clip = false;  // drop trailing blanks of a text literal
};

bool IsNumericText(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : s) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c == '.' && !point)
      point = true;
    else
      return false;
  }
  return digit;
}

// A numeric text as a parameter: whole numbers of up to 9 digits as integers (they fit every
// server's integer type), everything else as an exact decimal written plainly.
SqlValue NumberParam(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  std::string sign;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    if (s.front() == '-') sign = "-";
    s.remove_prefix(1);
  }
  std::string_view whole = s, fraction;
  if (auto dot = s.find('.'); dot != std::string_view::npos) {
    whole = s.substr(0, dot);
    fraction = s.substr(dot + 1);
  }
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  std::string digits = whole.empty() ? "0" : std::string(whole);
  if (digits == "0" && fraction.empty()) sign.clear();
  if (fraction.empty() && digits.size() <= 9) return SqlValue::Integer(std::stoll(sign + digits));
  std::string text = sign + digits;
  if (!fraction.empty()) {
    text += '.';
    text += fraction;
  }
  return SqlValue::Decimal(text);
}

// "(" text tail ")"; built by appending (GCC 12 warns falsely on chains of operator+).
std::string Wrap(std::string_view text, std::string_view tail) {
  std::string out = "(";
  out += text;
  out += tail;
  out += ')';
  return out;
}

std::string ClipRightCopy(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

class Translator {
 public:
  Translator(const Dialect& d, const Bindings& b, ExprError* e) : d_(d), b_(b), error_(e) {}

  bool Ok() const { return ok_; }

  std::string Condition(const ExprNode& n) {
    if (!ok_) return {};
    if (n.kind == ExprNodeKind::kBinary && (n.op == ExprOp::kAnd || n.op == ExprOp::kOr)) {
      std::string a = Condition(*n.args[0]);
      std::string b = Condition(*n.args[1]);
      const char* word = n.op == ExprOp::kAnd ? " AND " : " OR ";
      return "(" + a + word + b + ")";
    }
    if (n.kind == ExprNodeKind::kUnary && n.op == ExprOp::kNot)
      return "NOT " + Condition(*n.args[0]);
    if (n.kind == ExprNodeKind::kBinary && IsComparison(n.op)) return Compare(n);
    Sql v = Value(n, {});
    switch (v.type) {
      case SqlType::kText:
        return Wrap(d_.TrimRight(v.text), " <> ''");
      case SqlType::kNumber:
        return Wrap(v.text, " <> 0");
      default:
        return v.text;  // SQL(...) text and conditions stand as they are
    }
  }

  Sql Value(const ExprNode& n, Hint hint) {
    if (!ok_) return {};
    switch (n.kind) {
      case ExprNodeKind::kName:
        return Name(n);
      case ExprNodeKind::kText: {
        std::string value = hint.clip ? ClipRightCopy(n.text) : n.text;
        if (hint.as == Hint::As::kNumber && IsNumericText(value))
          return Param(NumberParam(value), SqlType::kNumber);
        return Param(SqlValue::Text(std::move(value)), SqlType::kText);
      }
      case ExprNodeKind::kNumber:
        if (hint.as == Hint::As::kText) return Param(SqlValue::Text(n.text), SqlType::kText);
        return Param(NumberParam(n.text), SqlType::kNumber);
      case ExprNodeKind::kSql:
        if (n.text.find(kMarkOpen) != std::string::npos ||
            n.text.find(kMarkClose) != std::string::npos)
          return Fail(n, ExprErrorCode::kNotTranslatable, "SQL(...) text holds control characters");
        return {"(" + n.text + ")", SqlType::kRaw};
      case ExprNodeKind::kPicture:
        return Fail(n, ExprErrorCode::kBadArgument, "a picture is not a value");
      case ExprNodeKind::kUnary:
        if (n.op == ExprOp::kNegate) {
          Sql a = Value(*n.args[0], {Hint::As::kNumber});
          return {"(-" + a.text + ")", SqlType::kNumber};
        }
        return {d_.BooleanValue(Condition(n)), SqlType::kNumber};
      case ExprNodeKind::kBinary:
        return Binary(n);
      case ExprNodeKind::kCall:
        return Call(n, hint);
    }
    return {};
  }

 private:
  Sql Fail(const ExprNode& n, ExprErrorCode code, std::string message) {
    if (ok_ && error_) *error_ = {code, n.position, std::move(message)};
    ok_ = false;
    return {};
  }

  Sql Param(SqlValue p, SqlType type) {
    params_.push_back(std::move(p));
    std::string marker(1, kMarkOpen);
    marker += std::to_string(params_.size() - 1);
    marker += kMarkClose;
    return {marker, type};
  }

  const Binding* Bound(const ExprNode& n) {
    return n.kind == ExprNodeKind::kName ? b_.Find(n.text) : nullptr;
  }

  Sql Name(const ExprNode& n) {
    const Binding* b = b_.Find(n.text);
    if (!b) return Fail(n, ExprErrorCode::kUnknownName, "unknown name " + n.text);
    if (b->column.empty())
      return Fail(n, ExprErrorCode::kNotTranslatable, n.text + " has no column on the server");
    for (const std::string* s : {&b->column, &b->qualifier})
      if (s->find(kMarkOpen) != std::string::npos || s->find(kMarkClose) != std::string::npos)
        return Fail(n, ExprErrorCode::kNotTranslatable,
                    n.text + " has a column name with control characters");
    std::string text = b->qualifier.empty() ? "" : d_.QuoteIdentifier(b->qualifier) + ".";
    text += d_.QuoteIdentifier(b->column);
    return {text, b->IsText() ? SqlType::kText : SqlType::kNumber};
  }

  // The literal on one side of a comparison takes the kind of a bound column on the other.
  Hint CompareHint(const ExprNode& other) {
    Hint h;
    h.clip = true;
    const ExprNode* o = &other;
    while (o->kind == ExprNodeKind::kCall &&
           (o->function == ExprFunction::kUpper || o->function == ExprFunction::kLower))
      o = o->args[0].get();
    if (const Binding* b = Bound(*o)) h.as = b->IsText() ? Hint::As::kText : Hint::As::kNumber;
    return h;
  }

  std::string Compare(const ExprNode& n) {
    Sql a = Value(*n.args[0], CompareHint(*n.args[1]));
    Sql b = Value(*n.args[1], CompareHint(*n.args[0]));
    const char* op = "=";
    switch (n.op) {
      case ExprOp::kEqual:
        op = "=";
        break;
      case ExprOp::kNotEqual:
        op = "<>";
        break;
      case ExprOp::kLess:
        op = "<";
        break;
      case ExprOp::kGreater:
        op = ">";
        break;
      case ExprOp::kLessEqual:
        op = "<=";
        break;
      case ExprOp::kGreaterEqual:
        op = ">=";
        break;
      case ExprOp::kEqualNoCase:
        return d_.CompareText(d_.Upper(a.text), "=", d_.Upper(b.text));
      default:
        break;
    }
    if (a.type == SqlType::kText && b.type == SqlType::kText)
      return d_.CompareText(a.text, op, b.text);
    return a.text + " " + op + " " + b.text;
  }

  Sql Binary(const ExprNode& n) {
    if (IsComparison(n.op) || n.op == ExprOp::kAnd || n.op == ExprOp::kOr)
      return {d_.BooleanValue(Condition(n)), SqlType::kNumber};
    if (n.op == ExprOp::kConcat) {
      Sql a = Value(*n.args[0], {Hint::As::kText});
      Sql b = Value(*n.args[1], {Hint::As::kText});
      return {d_.Concat(a.text, b.text), SqlType::kText};
    }
    Sql a = Value(*n.args[0], {Hint::As::kNumber});
    Sql b = Value(*n.args[1], {Hint::As::kNumber});
    switch (n.op) {
      case ExprOp::kAdd:
        return {"(" + a.text + " + " + b.text + ")", SqlType::kNumber};
      case ExprOp::kSubtract:
        return {"(" + a.text + " - " + b.text + ")", SqlType::kNumber};
      case ExprOp::kMultiply:
        return {"(" + a.text + " * " + b.text + ")", SqlType::kNumber};
      case ExprOp::kDivide:
        return {d_.Divide(a.text, b.text), SqlType::kNumber};
      default:
        return Fail(n, ExprErrorCode::kSyntax, "operator without a server form");
    }
  }

  static bool IsLiteralOne(const ExprNode& n) {
    if (n.kind != ExprNodeKind::kNumber) return false;
    const SqlValue v = NumberParam(n.text);
    return v.kind == SqlValue::Kind::kInteger && v.integer == 1;
  }

  Sql Call(const ExprNode& n, Hint hint) {
    const auto& a = n.args;
    const Hint text{Hint::As::kText, hint.clip};
    const Hint number{Hint::As::kNumber};
    switch (n.function) {
      case ExprFunction::kUpper:
        return {d_.Upper(Value(*a[0], text).text), SqlType::kText};
      case ExprFunction::kLower:
        return {d_.Lower(Value(*a[0], text).text), SqlType::kText};
      case ExprFunction::kClip:
        return {d_.TrimRight(Value(*a[0], text).text), SqlType::kText};
      case ExprFunction::kSub: {
        Sql s = Value(*a[0], {Hint::As::kText});
        Sql start = Value(*a[1], number);
        if (a.size() < 3) return {d_.Substring(s.text, start.text, std::nullopt), SqlType::kText};
        Sql len = Value(*a[2], number);
        return {d_.Substring(s.text, start.text, len.text), SqlType::kText};
      }
      case ExprFunction::kLeft: {
        std::string s = d_.TrimLeft(Value(*a[0], {Hint::As::kText}).text);
        if (a.size() < 2) return {s, SqlType::kText};
        Sql len = Value(*a[1], number);
        return {d_.Substring(s, "1", len.text), SqlType::kText};
      }
      case ExprFunction::kInstring:
        return Instring(n);
      case ExprFunction::kFormat:
        return Format(n);
      case ExprFunction::kNone:
        break;
    }
    return Fail(n, ExprErrorCode::kUnknownFunction, "unknown function");
  }

  Sql Instring(const ExprNode& n) {
    const auto& a = n.args;
    if (a.size() >= 3 && !IsLiteralOne(*a[2]))
      return Fail(n, ExprErrorCode::kNotTranslatable,
                  "INSTRING with a step other than 1 has no server form");
    Sql needle = Value(*a[0], {Hint::As::kText});
    Sql hay = Value(*a[1], {Hint::As::kText});
    if (a.size() < 4 || IsLiteralOne(*a[3]))
      return {d_.Position(needle.text, hay.text), SqlType::kNumber};
    // Searching from a later start: the position within the rest, shifted back.
    Sql start = Value(*a[3], {Hint::As::kNumber});
    std::string within = d_.Position(needle.text, d_.Substring(hay.text, start.text, std::nullopt));
    return {
        "(CASE WHEN " + within + " = 0 THEN 0 ELSE " + within + " + " + start.text + " - 1 END)",
        SqlType::kNumber};
  }

  Sql Format(const ExprNode& n) {
    const std::string& pic = n.args[1]->text;  // "@s20"
    if (pic.size() >= 2 && (pic[1] == 's' || pic[1] == 'S')) {
      Sql v = Value(*n.args[0], {Hint::As::kText});
      std::string digits;
      for (std::size_t i = 2; i < pic.size() && pic[i] >= '0' && pic[i] <= '9'; ++i)
        digits += pic[i];
      if (digits.empty() || digits.size() > 6) return {v.text, SqlType::kText};
      return {d_.Substring(v.text, "1", digits), SqlType::kText};
    }
    return Fail(n, ExprErrorCode::kNotTranslatable,
                "FORMAT with picture " + pic + " has no server form");
  }

 public:
  // Replaces the markers by the dialect's placeholders, numbering the parameters in text order.
  void Finish(const std::string& text, Statement* out) {
    out->sql.clear();
    out->binds.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != kMarkOpen) {
        out->sql.push_back(text[i]);
        continue;
      }
      std::size_t close = text.find(kMarkClose, i);
      std::size_t index = std::stoul(text.substr(i + 1, close - i - 1));
      out->AppendValue(d_.Placeholder(params_[index]), params_[index]);
      i = close;
    }
  }

 private:
  const Dialect& d_;
  const Bindings& b_;
  ExprError* error_;
  bool ok_ = true;
  std::vector<SqlValue> params_;
};

bool Run(const ExprNode& root, const Dialect& dialect, const Bindings& bindings, Statement* out,
         ExprError* error, bool condition) {
  ExprError local;
  ExprError* err = error ? error : &local;
  *err = {};
  Translator t(dialect, bindings, err);
  std::string text = condition ? t.Condition(root) : t.Value(root, {}).text;
  if (!t.Ok()) return false;
  t.Finish(text, out);
  return true;
}

}  // namespace

bool SqlTranslator::TranslateCondition(const ExprNode& root, const Dialect& dialect,
                                       const Bindings& bindings, Statement* out, ExprError* error) {
  return Run(root, dialect, bindings, out, error, true);
}

bool SqlTranslator::TranslateValue(const ExprNode& root, const Dialect& dialect,
                                   const Bindings& bindings, Statement* out, ExprError* error) {
  return Run(root, dialect, bindings, out, error, false);
}

namespace {

bool Parsed(const Expression& e, ExprError* error) {
  if (e.Root()) return true;
  if (error) *error = {ExprErrorCode::kSyntax, 0, "no expression"};
  return false;
}

}  // namespace

bool SqlTranslator::Condition(const Expression& e, const Dialect& dialect, const Bindings& bindings,
                              Statement* out, ExprError* error) {
  return Parsed(e, error) && TranslateCondition(*e.Root(), dialect, bindings, out, error);
}

bool SqlTranslator::Value(const Expression& e, const Dialect& dialect, const Bindings& bindings,
                          Statement* out, ExprError* error) {
  return Parsed(e, error) && TranslateValue(*e.Root(), dialect, bindings, out, error);
}

}  // namespace kv
