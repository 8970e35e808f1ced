#include "platform/expr/ExprValue.h"

#include "platform/values/Utf8Text.h"

namespace kv {

ExprValue ExprValue::Text(std::string text) {
  ExprValue v;
  v.text_ = std::move(text);
  return v;
}

ExprValue ExprValue::Number(const DecimalValue& number) {
  ExprValue v;
  v.kind_ = Kind::kNumber;
  v.number_ = number;
  return v;
}

ExprValue ExprValue::Bool(bool value) {
  return Number(DecimalValue::FromInteger(value ? 1 : 0));
}

std::string ExprValue::AsText() const {
  return IsText() ? text_ : number_.ToPlainText();
}

DecimalValue ExprValue::AsNumber() const {
  if (!IsText()) return number_;
  DecimalValue d;
  if (DecimalValue::Parse(text_, &d) != ValueStatus::kOk) return DecimalValue();
  return d;
}

bool ExprValue::IsTrue() const {
  return IsText() ? !ClipRight(text_).empty() : !number_.IsZero();
}

int ExprValue::Compare(const ExprValue& a, const ExprValue& b) {
  if (!a.IsText() && !b.IsText()) return DecimalValue::Compare(a.number_, b.number_);
  if (a.IsText() != b.IsText()) {
    const ExprValue& text = a.IsText() ? a : b;
    DecimalValue parsed;  // stays 0 for blank text, so a cleared text equals a cleared number
    if (ClipRight(text.text_).empty() ||
        DecimalValue::Parse(text.text_, &parsed) == ValueStatus::kOk) {
      int c = DecimalValue::Compare(parsed, a.IsText() ? b.number_ : a.number_);
      return a.IsText() ? c : -c;
    }
  }
  const std::string at = a.AsText(), bt = b.AsText();
  std::string_view x = ClipRight(at), y = ClipRight(bt);
  // std::string_view::compare orders by char, which may be signed: compare as bytes.
  const std::size_t n = x.size() < y.size() ? x.size() : y.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto p = static_cast<unsigned char>(x[i]), q = static_cast<unsigned char>(y[i]);
    if (p != q) return p < q ? -1 : 1;
  }
  return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

bool ExprValue::EqualNoCase(const ExprValue& a, const ExprValue& b) {
  std::string x = a.AsText(), y = b.AsText();
  return kv::EqualNoCase(ClipRight(x), ClipRight(y));
}

}  // namespace kv
