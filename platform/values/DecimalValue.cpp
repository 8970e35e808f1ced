#include "platform/values/DecimalValue.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

constexpr std::uint64_t kTen19 = 10000000000000000000ull;

Uint256 Widen(Uint128 v) {
  Uint256 w;
  w.lo = v;
  return w;
}

// v * 10^k, exact; `overflow` set when 256 bits do not hold it.
Uint256 ScaleUp(Uint256 v, int k, bool* overflow) {
  *overflow = false;
  while (k > 0) {
    int step = k > 19 ? 19 : k;
    bool o = false;
    v = MulSmall(v, static_cast<std::uint64_t>(PowerOfTen(step)), &o);
    if (o) *overflow = true;
    k -= step;
  }
  return v;
}

// v / 10^k, truncated.
Uint256 TruncateDigits(Uint256 v, int k) {
  Uint128 rem = 0;
  while (k > 0) {
    int step = k > 38 ? 38 : k;
    v = DivModWide(v, PowerOfTen(step), &rem);
    k -= step;
  }
  return v;
}

Uint256 AddWide(const Uint256& a, const Uint256& b) {
  Uint256 r;
  r.lo = a.lo + b.lo;
  r.hi = a.hi + b.hi + (r.lo < a.lo ? 1 : 0);
  return r;
}

// a - b for a >= b.
Uint256 SubWide(const Uint256& a, const Uint256& b) {
  Uint256 r;
  r.lo = a.lo - b.lo;
  r.hi = a.hi - b.hi - (a.lo < b.lo ? 1 : 0);
  return r;
}

int DigitCount(Uint256 v) {
  int count = 0;
  while (!v.FitsUint128()) {
    Uint128 rem = 0;
    v = DivModWide(v, kTen19, &rem);
    count += 19;
  }
  Uint128 m = v.lo;
  while (m != 0) {
    m /= 10;
    ++count;
  }
  return count;
}

std::string DigitsOf(Uint128 m) {
  if (m == 0) return "0";
  char buf[48];
  int n = 0;
  while (m != 0) {
    buf[n++] = static_cast<char>('0' + static_cast<int>(m % 10));
    m /= 10;
  }
  std::string s;
  while (n > 0) s.push_back(buf[--n]);
  return s;
}

const Uint128 kMaxMantissa = PowerOfTen(38) - 1;

}  // namespace

DecimalValue DecimalValue::FromInteger(std::int64_t value) {
  DecimalValue d;
  d.mantissa_ = value;
  return d;
}

ValueStatus DecimalValue::FromMantissa(Int128 mantissa, int scale, DecimalValue* out) {
  if (scale < 0 || scale > kMaxScale) return ValueStatus::kInvalid;
  if (Magnitude(mantissa) > kMaxMantissa) return ValueStatus::kOverflow;
  out->mantissa_ = mantissa;
  out->scale_ = scale;
  return ValueStatus::kOk;
}

ValueStatus DecimalValue::FromWide(bool negative, Uint256 magnitude, int scale, DecimalValue* out) {
  int drop = scale > kMaxScale ? scale - kMaxScale : 0;
  int digits = DigitCount(magnitude);
  if (digits - drop > kMaxDigits) drop = digits - kMaxDigits;
  while (true) {
    if (drop > scale) return ValueStatus::kOverflow;
    Uint256 m = magnitude;
    if (drop > 0) {
      // Half away from zero looks only at the first dropped digit.
      m = TruncateDigits(m, drop - 1);
      Uint128 rem = 0;
      m = DivModWide(m, 10, &rem);
      if (rem >= 5) m = AddWide(m, Widen(1));
    }
    if (m.FitsUint128() && m.lo <= kMaxMantissa) {
      out->mantissa_ = negative ? -Int128(m.lo) : Int128(m.lo);
      out->scale_ = scale - drop;
      return ValueStatus::kOk;
    }
    ++drop;  // rounding carried into a new digit (99.95 -> 100.0)
  }
}

ValueStatus DecimalValue::Parse(std::string_view text, DecimalValue* out) {
  std::string_view t = TrimBlanks(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  std::string digits;  // significant digits, leading zeros dropped
  int fraction = 0;
  bool seenDigit = false;
  bool seenPoint = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      seenDigit = true;
      if (!(digits.empty() && c == '0')) digits.push_back(c);
      if (seenPoint) ++fraction;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
  }
  if (!seenDigit) return ValueStatus::kInvalid;
  long exponent = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) expNegative = t[i++] == '-';
    if (i >= t.size()) return ValueStatus::kInvalid;
    for (; i < t.size(); ++i) {
      if (t[i] < '0' || t[i] > '9') return ValueStatus::kInvalid;
      if (exponent < 100000) exponent = exponent * 10 + (t[i] - '0');
    }
    if (expNegative) exponent = -exponent;
  }
  if (i != t.size()) return ValueStatus::kInvalid;
  long scale = fraction - exponent;
  if (digits.empty()) {  // zero, whatever its form
    *out = DecimalValue();
    return ValueStatus::kOk;
  }
  if (scale < 0) {
    if (static_cast<long>(digits.size()) - scale > kMaxDigits) return ValueStatus::kOverflow;
    digits.append(static_cast<std::size_t>(-scale), '0');
    scale = 0;
  }
  if (scale > kMaxScale) {
    // Keep one digit beyond 31 places for the rounding below; the rest is truncated, which
    // does not change a half-away-from-zero result.
    long keep = static_cast<long>(digits.size()) - (scale - kMaxScale) + 1;
    if (keep <= 0) {
      *out = DecimalValue();
      return ValueStatus::kOk;
    }
    digits.resize(static_cast<std::size_t>(keep));
    scale = kMaxScale + 1;
  }
  if (static_cast<int>(digits.size()) > kMaxDigits || scale > kMaxScale) {
    // Too many digits or places: round away places if there are any to spare.
    Uint256 wide;
    bool overflow = false;
    for (char c : digits) {
      wide = AddWide(MulSmall(wide, 10, &overflow), Widen(static_cast<Uint128>(c - '0')));
      if (overflow) return ValueStatus::kOverflow;
    }
    return FromWide(negative, wide, static_cast<int>(scale), out);
  }
  Uint128 m = 0;
  for (char c : digits) m = m * 10 + static_cast<Uint128>(c - '0');
  out->mantissa_ = negative ? -Int128(m) : Int128(m);
  out->scale_ = static_cast<int>(scale);
  return ValueStatus::kOk;
}

ValueStatus DecimalValue::FromReal(double value, DecimalValue* out) {
  if (!std::isfinite(value)) return ValueStatus::kInvalid;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  if (res.ec != std::errc()) return ValueStatus::kInvalid;
  return Parse(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), out);
}

std::string DecimalValue::ToText() const {
  std::string digits = DigitsOf(Magnitude(mantissa_));
  if (static_cast<int>(digits.size()) <= scale_) {
    digits.insert(0, static_cast<std::size_t>(scale_ + 1) - digits.size(), '0');
  }
  if (scale_ > 0) digits.insert(digits.size() - static_cast<std::size_t>(scale_), ".");
  if (mantissa_ < 0) digits.insert(0, "-");
  return digits;
}

std::string DecimalValue::ToPlainText() const {
  std::string s = ToText();
  if (scale_ > 0) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

double DecimalValue::ToReal() const {
  std::string s = ToText();
  double d = 0;
  std::from_chars(s.data(), s.data() + s.size(), d);
  return d;
}

ValueStatus DecimalValue::ToInteger(std::int64_t* out) const {
  DecimalValue whole;
  ValueStatus st = Rescale(0, &whole);
  if (st != ValueStatus::kOk) return st;
  if (whole.mantissa_ > INT64_MAX || whole.mantissa_ < INT64_MIN) return ValueStatus::kOverflow;
  *out = static_cast<std::int64_t>(whole.mantissa_);
  return ValueStatus::kOk;
}

ValueStatus DecimalValue::Rescale(int places, DecimalValue* out) const {
  if (places < 0 || places > kMaxScale) return ValueStatus::kInvalid;
  Uint128 mag = Magnitude(mantissa_);
  if (places >= scale_) {
    bool overflow = false;
    Uint256 w = ScaleUp(Widen(mag), places - scale_, &overflow);
    if (overflow || !w.FitsUint128() || w.lo > kMaxMantissa) return ValueStatus::kOverflow;
    out->mantissa_ = mantissa_ < 0 ? -Int128(w.lo) : Int128(w.lo);
    out->scale_ = places;
    return ValueStatus::kOk;
  }
  Uint128 p = PowerOfTen(scale_ - places);
  Uint128 q = mag / p;
  Uint128 r = mag % p;
  if (r >= p - r) ++q;  // r >= p/2 without overflow: half away from zero
  out->mantissa_ = mantissa_ < 0 ? -Int128(q) : Int128(q);
  out->scale_ = places;
  return ValueStatus::kOk;
}

bool DecimalValue::FitsDigits(int digits) const {
  if (digits >= kMaxDigits) return true;
  return Magnitude(mantissa_) < PowerOfTen(digits < 0 ? 0 : digits);
}

DecimalValue DecimalValue::Negated() const {
  DecimalValue d = *this;
  d.mantissa_ = -mantissa_;
  return d;
}

ValueStatus DecimalValue::AddSigned(const DecimalValue& a, const DecimalValue& b, bool negateB,
                                    DecimalValue* out) {
  int scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
  bool o1 = false, o2 = false;  // cannot overflow: 2^127 * 10^31 < 2^231
  Uint256 ma = ScaleUp(Widen(Magnitude(a.mantissa_)), scale - a.scale_, &o1);
  Uint256 mb = ScaleUp(Widen(Magnitude(b.mantissa_)), scale - b.scale_, &o2);
  bool na = a.mantissa_ < 0;
  bool nb = (b.mantissa_ < 0) != negateB && b.mantissa_ != 0;
  if (na == nb) return FromWide(na, AddWide(ma, mb), scale, out);
  int c = CompareWide(ma, mb);
  if (c == 0) {
    *out = DecimalValue();
    out->scale_ = scale > kMaxScale ? kMaxScale : scale;
    return ValueStatus::kOk;
  }
  if (c > 0) return FromWide(na, SubWide(ma, mb), scale, out);
  return FromWide(nb, SubWide(mb, ma), scale, out);
}

ValueStatus DecimalValue::Add(const DecimalValue& a, const DecimalValue& b, DecimalValue* out) {
  return AddSigned(a, b, false, out);
}

ValueStatus DecimalValue::Sub(const DecimalValue& a, const DecimalValue& b, DecimalValue* out) {
  return AddSigned(a, b, true, out);
}

ValueStatus DecimalValue::Mul(const DecimalValue& a, const DecimalValue& b, DecimalValue* out) {
  bool negative = (a.mantissa_ < 0) != (b.mantissa_ < 0);
  Uint256 product = MulWide(Magnitude(a.mantissa_), Magnitude(b.mantissa_));
  if (product.hi == 0 && product.lo == 0) negative = false;
  return FromWide(negative, product, a.scale_ + b.scale_, out);
}

ValueStatus DecimalValue::Div(const DecimalValue& a, const DecimalValue& b, int scale,
                              DecimalValue* out) {
  if (scale < 0 || scale > kMaxScale) return ValueStatus::kInvalid;
  if (b.mantissa_ == 0) return ValueStatus::kDivideByZero;
  bool negative = (a.mantissa_ < 0) != (b.mantissa_ < 0);
  Uint128 ma = Magnitude(a.mantissa_);
  Uint128 mb = Magnitude(b.mantissa_);
  // quotient = ma / mb * 10^e at the requested scale.
  int e = scale + b.scale_ - a.scale_;
  Uint128 q = 0;
  if (e >= 0) {
    bool overflow = false;
    Uint256 num = ScaleUp(Widen(ma), e, &overflow);
    // num would exceed 2^256 only when the quotient exceeds 2^256 / 2^127: far too big.
    if (overflow) return ValueStatus::kOverflow;
    Uint128 r = 0;
    Uint256 wq = DivModWide(num, mb, &r);
    if (r >= mb - r) wq = AddWide(wq, Widen(1));
    if (!wq.FitsUint128()) return ValueStatus::kOverflow;
    q = wq.lo;
  } else {
    // Divide first, then drop -e digits; the remainder of the first division is below one
    // unit, and 10^k is even, so only the dropped digits decide the half-away rounding.
    Uint128 whole = ma / mb;
    Uint128 p = PowerOfTen(-e);
    q = whole / p;
    Uint128 r = whole % p;
    if (r >= p - r) ++q;
  }
  if (q > kMaxMantissa) return ValueStatus::kOverflow;
  if (q == 0) negative = false;
  out->mantissa_ = negative ? -Int128(q) : Int128(q);
  out->scale_ = scale;
  return ValueStatus::kOk;
}

int DecimalValue::Compare(const DecimalValue& a, const DecimalValue& b) {
  int sa = a.Sign(), sb = b.Sign();
  if (sa != sb) return sa < sb ? -1 : 1;
  if (sa == 0) return 0;
  int scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
  bool o = false;
  Uint256 ma = ScaleUp(Widen(Magnitude(a.mantissa_)), scale - a.scale_, &o);
  Uint256 mb = ScaleUp(Widen(Magnitude(b.mantissa_)), scale - b.scale_, &o);
  int c = CompareWide(ma, mb);
  return sa < 0 ? -c : c;
}

}  // namespace kv
