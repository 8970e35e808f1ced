#include "platform/expr/ExprEvaluator.h"

#include <optional>
#include <vector>

#include "platform/expr/PictureText.h"
#include "platform/expr/Utf8.h"
#include "platform/values/Utf8Text.h"

namespace kv {

namespace {

// Positions and counts far beyond any text; keeps integer arithmetic on them safe.
constexpr std::int64_t kPositionLimit = 1'000'000'000;

std::int64_t ToPosition(const ExprValue& v) {
  std::int64_t n = 0;
  if (v.AsNumber().ToInteger(&n) != ValueStatus::kOk)
    n = v.AsNumber().Sign() < 0 ? -kPositionLimit : kPositionLimit;
  if (n > kPositionLimit) return kPositionLimit;
  if (n < -kPositionLimit) return -kPositionLimit;
  return n;
}

class Evaluator {
 public:
  Evaluator(const Bindings& b, ExprError* e) : b_(b), error_(e) {}
  bool Ok() const { return ok_; }

  ExprValue Eval(const ExprNode& n) {
    if (!ok_) return {};
    switch (n.kind) {
      case ExprNodeKind::kName:
        return Name(n);
      case ExprNodeKind::kText:
        return ExprValue::Text(n.text);
      case ExprNodeKind::kNumber: {
        DecimalValue d;
        if (DecimalValue::Parse(n.text, &d) != ValueStatus::kOk) return Fail(n, "number too large");
        return ExprValue::Number(d);
      }
      case ExprNodeKind::kPicture:
        return ExprValue::Text(n.text);
      case ExprNodeKind::kSql:
        return ExprValue::Text("");
      case ExprNodeKind::kUnary: {
        ExprValue v = Eval(*n.args[0]);
        if (n.op == ExprOp::kNot) return ExprValue::Bool(!v.IsTrue());
        return ExprValue::Number(v.AsNumber().Negated());
      }
      case ExprNodeKind::kBinary:
        return Binary(n);
      case ExprNodeKind::kCall:
        return Call(n);
    }
    return {};
  }

 private:
  ExprValue Fail(const ExprNode& n, std::string message,
                 ExprErrorCode code = ExprErrorCode::kEvaluation) {
    if (ok_ && error_) *error_ = {code, n.position, std::move(message)};
    ok_ = false;
    return {};
  }

  ExprValue Name(const ExprNode& n) {
    const Binding* b = b_.Find(n.text);
    if (!b || b->variable.IsNull())
      return Fail(n, "unknown name " + n.text, ExprErrorCode::kUnknownName);
    if (b->variable.IsText()) return ExprValue::Text(b->variable.ToText());
    DecimalValue d;
    if (b->variable.GetDecimal(&d) != ValueStatus::kOk) d = DecimalValue();  // NaN REAL: 0
    return ExprValue::Number(d);
  }

  ExprValue Arithmetic(const ExprNode& n, const DecimalValue& a, const DecimalValue& b) {
    DecimalValue r;
    ValueStatus s = ValueStatus::kOk;
    switch (n.op) {
      case ExprOp::kAdd:
        s = DecimalValue::Add(a, b, &r);
        break;
      case ExprOp::kSubtract:
        s = DecimalValue::Sub(a, b, &r);
        break;
      case ExprOp::kMultiply:
        s = DecimalValue::Mul(a, b, &r);
        break;
      case ExprOp::kDivide: {
        if (b.IsZero()) return ExprValue::Number(DecimalValue());
        // As many places as the quotient's integer part leaves room for.
        for (int scale : {DecimalValue::kMaxScale, 24, 16, 8, 0}) {
          s = DecimalValue::Div(a, b, scale, &r);
          if (s != ValueStatus::kOverflow) break;
        }
        if (s == ValueStatus::kOk) {  // drop trailing zeros: 7/2 is 3.5, not 3.500...
          std::string plain = r.ToPlainText();
          if (DecimalValue::Parse(plain, &r) != ValueStatus::kOk) s = ValueStatus::kOverflow;
        }
        break;
      }
      default:
        break;
    }
    if (s != ValueStatus::kOk) return Fail(n, "number beyond 38 digits");
    return ExprValue::Number(r);
  }

  ExprValue Binary(const ExprNode& n) {
    if (n.op == ExprOp::kAnd || n.op == ExprOp::kOr) {
      bool left = Eval(*n.args[0]).IsTrue();
      if (!ok_) return {};
      if (n.op == ExprOp::kAnd && !left) return ExprValue::Bool(false);
      if (n.op == ExprOp::kOr && left) return ExprValue::Bool(true);
      return ExprValue::Bool(Eval(*n.args[1]).IsTrue());
    }
    ExprValue a = Eval(*n.args[0]);
    ExprValue b = Eval(*n.args[1]);
    if (!ok_) return {};
    switch (n.op) {
      case ExprOp::kConcat:
        return ExprValue::Text(a.AsText() + b.AsText());
      case ExprOp::kEqual:
        return ExprValue::Bool(ExprValue::Compare(a, b) == 0);
      case ExprOp::kNotEqual:
        return ExprValue::Bool(ExprValue::Compare(a, b) != 0);
      case ExprOp::kLess:
        return ExprValue::Bool(ExprValue::Compare(a, b) < 0);
      case ExprOp::kGreater:
        return ExprValue::Bool(ExprValue::Compare(a, b) > 0);
      case ExprOp::kLessEqual:
        return ExprValue::Bool(ExprValue::Compare(a, b) <= 0);
      case ExprOp::kGreaterEqual:
        return ExprValue::Bool(ExprValue::Compare(a, b) >= 0);
      case ExprOp::kEqualNoCase:
        return ExprValue::Bool(ExprValue::EqualNoCase(a, b));
      default:
        return Arithmetic(n, a.AsNumber(), b.AsNumber());
    }
  }

  ExprValue Call(const ExprNode& n) {
    std::vector<ExprValue> v;
    for (const auto& a : n.args) v.push_back(Eval(*a));
    if (!ok_) return {};
    switch (n.function) {
      case ExprFunction::kUpper:
        return ExprValue::Text(UpperText(v[0].AsText()));
      case ExprFunction::kLower:
        return ExprValue::Text(Utf8Lower(v[0].AsText()));
      case ExprFunction::kClip:
        return ExprValue::Text(std::string(ClipRight(v[0].AsText())));
      case ExprFunction::kSub:
        return Sub(v);
      case ExprFunction::kLeft:
        return Left(v);
      case ExprFunction::kInstring:
        return Instring(v);
      case ExprFunction::kFormat: {
        std::string out;
        std::string message;
        if (!FormatByPicture(v[0], n.args[1]->text, &out, &message))
          return Fail(*n.args[1], message);
        return ExprValue::Text(std::move(out));
      }
      case ExprFunction::kNone:
        break;
    }
    return Fail(n, "unknown function", ExprErrorCode::kUnknownFunction);
  }

  static ExprValue Sub(const std::vector<ExprValue>& v) {
    const std::string s = v[0].AsText();
    const std::int64_t length = static_cast<std::int64_t>(Utf8Length(s));
    std::int64_t first = ToPosition(v[1]);
    std::int64_t last = v.size() > 2 ? first + ToPosition(v[2]) - 1 : length;  // inclusive
    if (first < 1) first = 1;
    if (last > length) last = length;
    if (last < first) return ExprValue::Text("");
    return ExprValue::Text(Utf8Substr(s, static_cast<std::size_t>(first - 1),
                                      static_cast<std::size_t>(last - first + 1)));
  }

  static ExprValue Left(const std::vector<ExprValue>& v) {
    std::string s = v[0].AsText();
    std::size_t lead = s.find_first_not_of(' ');
    s = lead == std::string::npos ? std::string() : s.substr(lead);
    if (v.size() < 2) return ExprValue::Text(std::move(s));
    std::int64_t width = ToPosition(v[1]);
    if (width <= 0) return ExprValue::Text("");
    if (width > 65535) width = 65535;  // no text variable is longer
    const std::size_t count = Utf8Length(s);
    if (count >= static_cast<std::size_t>(width))
      return ExprValue::Text(Utf8Substr(s, 0, static_cast<std::size_t>(width)));
    s.append(static_cast<std::size_t>(width) - count, ' ');
    return ExprValue::Text(std::move(s));
  }

  static ExprValue Instring(const std::vector<ExprValue>& v) {
    const auto sub = DecodeUtf8(v[0].AsText());
    const auto s = DecodeUtf8(v[1].AsText());
    const std::int64_t subLen = static_cast<std::int64_t>(sub.size()) - 1;
    const std::int64_t len = static_cast<std::int64_t>(s.size()) - 1;
    const std::int64_t step = v.size() > 2 ? ToPosition(v[2]) : 1;
    std::int64_t pos = v.size() > 3 ? ToPosition(v[3]) : 1;
    if (subLen == 0 || step == 0 || subLen > len) return ExprValue::Number(DecimalValue());
    const std::int64_t lastStart = len - subLen + 1;
    if (step < 0 && pos > lastStart) pos = lastStart;  // a backward search starts where it fits
    auto matchesAt = [&](std::int64_t p) {
      for (std::int64_t k = 0; k < subLen; ++k)
        if (s[p - 1 + k].cp != sub[k].cp) return false;
      return true;
    };
    for (; pos >= 1 && pos <= lastStart; pos += step)
      if (matchesAt(pos)) return ExprValue::Number(DecimalValue::FromInteger(pos));
    return ExprValue::Number(DecimalValue());
  }

  const Bindings& b_;
  ExprError* error_;
  bool ok_ = true;
};

}  // namespace

bool ExprEvaluator::Evaluate(const ExprNode& root, const Bindings& bindings, ExprValue* out,
                             ExprError* error) {
  ExprError local;
  ExprError* err = error ? error : &local;
  *err = {};
  Evaluator e(bindings, err);
  ExprValue v = e.Eval(root);
  if (!e.Ok()) return false;
  *out = std::move(v);
  return true;
}

}  // namespace kv
