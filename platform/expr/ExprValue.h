#pragma once

#include <string>
#include <string_view>

#include "platform/values/DecimalValue.h"

namespace kv {

// The result of evaluating an expression or part of one: text or an exact number. Numbers
// are DecimalValues (integers, DECIMALs and REALs all become exact decimals), so arithmetic
// never goes through binary floating point. Truth values are the numbers 1 and 0.
// Plain value type: copy freely, any thread.
class ExprValue {
 public:
  enum class Kind { kText, kNumber };

  ExprValue() = default;  // the empty text
  static ExprValue Text(std::string text);
  static ExprValue Number(const DecimalValue& number);
  static ExprValue Bool(bool value);

  Kind kind() const { return kind_; }
  bool IsText() const { return kind_ == Kind::kText; }

  // The value as text: text as it is (padding included), a number written plainly ("12.5").
  std::string AsText() const;
  // The value as a number: a number as it is; text taken as a number when it is one
  // (surrounding blanks allowed), otherwise 0.
  DecimalValue AsNumber() const;
  // True for a non-zero number and for text that is not blank.
  bool IsTrue() const;

  // -1, 0 or 1. Numbers compare exactly; two texts compare clipped of trailing blanks, byte
  // by byte; text with a number compares numerically when the text is a number or blank
  // (blank counts as 0), otherwise as texts (the number written plainly). These are the
  // variables' own comparison rules (VarRef::Compare).
  static int Compare(const ExprValue& a, const ExprValue& b);
  // Equal as texts (clipped) after upper-casing both.
  static bool EqualNoCase(const ExprValue& a, const ExprValue& b);

 private:
  Kind kind_ = Kind::kText;
  std::string text_;
  DecimalValue number_;
};

}  // namespace kv
