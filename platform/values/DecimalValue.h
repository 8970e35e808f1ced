#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/values/ValueStatus.h"
#include "platform/values/WideInt.h"

namespace kv {

// An exact decimal number for expression evaluation and conversions: a signed integer
// mantissa of at most 38 significant digits and a scale (number of places, 0..31), so the
// value is mantissa / 10^scale. No binary floating point is ever involved: 0.1 + 0.2 is
// exactly 0.3 and every result is either exact or rounded half away from zero at a stated
// scale. Operations that cannot produce a representable result return a ValueStatus other
// than kOk and leave their output unchanged. Plain value type: copy freely, any thread.
class DecimalValue {
 public:
  static constexpr int kMaxDigits = 38;  // significant digits of the mantissa
  static constexpr int kMaxScale = 31;   // places after the decimal point

  // Zero at scale 0.
  constexpr DecimalValue() = default;

  // The integer `value` at scale 0. Always exact.
  static DecimalValue FromInteger(std::int64_t value);

  // mantissa / 10^scale. kOverflow when |mantissa| has more than 38 digits, kInvalid when
  // scale is outside 0..31.
  [[nodiscard]] static ValueStatus FromMantissa(Int128 mantissa, int scale, DecimalValue* out);

  // Parses plain decimal text: optional blanks, an optional sign, digits with at most one
  // decimal point (at least one digit), an optional exponent ("1.5e3"), optional blanks.
  // The value is taken exactly; more than 31 places are rounded half away from zero to 31.
  // kInvalid for anything else (empty text, letters, two signs), kOverflow beyond 38 digits.
  [[nodiscard]] static ValueStatus Parse(std::string_view text, DecimalValue* out);

  // The decimal that the shortest round-trip text of `value` shows (0.1 gives exactly 0.1).
  // kInvalid for NaN and infinities, kOverflow beyond 38 digits.
  [[nodiscard]] static ValueStatus FromReal(double value, DecimalValue* out);

  Int128 Mantissa() const { return mantissa_; }
  int Scale() const { return scale_; }
  bool IsZero() const { return mantissa_ == 0; }
  // -1, 0 or 1.
  int Sign() const { return mantissa_ < 0 ? -1 : (mantissa_ > 0 ? 1 : 0); }

  // Text with exactly Scale() places: "12.50", "-0.05", "7". Never an exponent.
  std::string ToText() const;
  // Text without trailing zeros after the point, and without the point when nothing is left
  // after it: "12.5", "-0.05", "7". This is how numbers are written into text variables.
  std::string ToPlainText() const;
  // Nearest double (correctly rounded from the exact text).
  double ToReal() const;
  // Rounded half away from zero to an integer. kOverflow outside the 64-bit range.
  [[nodiscard]] ValueStatus ToInteger(std::int64_t* out) const;

  // This value at `places` decimal places, rounded half away from zero when places are
  // dropped. kOverflow when added places push the mantissa past 38 digits, kInvalid for
  // places outside 0..31.
  [[nodiscard]] ValueStatus Rescale(int places, DecimalValue* out) const;

  // True when the value, taken at its own scale, has at most `digits` digits in total (what
  // a DECIMAL(digits, Scale()) can hold).
  bool FitsDigits(int digits) const;

  DecimalValue Negated() const;

  // Exact sum, difference and product. When the exact result needs more than 38 digits or
  // 31 places, places are dropped (rounded half away from zero) until it fits; kOverflow
  // when even the integer part does not fit.
  [[nodiscard]] static ValueStatus Add(const DecimalValue& a, const DecimalValue& b,
                                       DecimalValue* out);
  [[nodiscard]] static ValueStatus Sub(const DecimalValue& a, const DecimalValue& b,
                                       DecimalValue* out);
  [[nodiscard]] static ValueStatus Mul(const DecimalValue& a, const DecimalValue& b,
                                       DecimalValue* out);
  // a / b rounded half away from zero at `scale` places (0..31). kDivideByZero when b is
  // zero; kOverflow when the quotient at that scale needs more than 38 digits.
  [[nodiscard]] static ValueStatus Div(const DecimalValue& a, const DecimalValue& b, int scale,
                                       DecimalValue* out);

  // Exact numeric comparison regardless of scale: -1, 0 or 1. 1.50 equals 1.5.
  static int Compare(const DecimalValue& a, const DecimalValue& b);

  friend bool operator==(const DecimalValue& a, const DecimalValue& b) {
    return Compare(a, b) == 0;
  }

 private:
  // Builds the value sign * magnitude / 10^scale from an exact wide magnitude, dropping places
  // (rounded half away from zero) until it has at most 38 digits and 31 places.
  static ValueStatus FromWide(bool negative, Uint256 magnitude, int scale, DecimalValue* out);
  static ValueStatus AddSigned(const DecimalValue& a, const DecimalValue& b, bool negateB,
                               DecimalValue* out);

  Int128 mantissa_ = 0;
  int scale_ = 0;
};

}  // namespace kv
