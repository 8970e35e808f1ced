#include "platform/values/VarRef.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

// Text to double for REAL targets: the same number syntax as DecimalValue::Parse, but with
// the full double range. Returns false for text that is not a number.
bool ParseRealText(std::string_view text, double* out) {
  std::string_view t = TrimBlanks(text);
  if (!t.empty() && t[0] == '+') t.remove_prefix(1);
  if (t.empty() || t[0] == '+' || (t[0] == '-' && t.size() > 1 && t[1] == '-')) return false;
  for (char c : t) {  // from_chars would also take "inf" and "nan"
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
      return false;
    }
  }
  double d = 0;
  auto res = std::from_chars(t.data(), t.data() + t.size(), d);
  if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return false;
  *out = d;
  return true;
}

std::string RealText(double d) {
  DecimalValue v;
  if (DecimalValue::FromReal(d, &v) == ValueStatus::kOk) return v.ToPlainText();
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

template <typename T>
T LoadAs(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void StoreAs(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

int Sign3(int c) {
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

std::int64_t VarRef::LoadInteger() const {
  switch (type_) {
    case ValueType::kByte:
      return LoadAs<Byte>(address_);
    case ValueType::kShort:
      return LoadAs<Short>(address_);
    case ValueType::kUShort:
      return LoadAs<UShort>(address_);
    case ValueType::kLong:
      return LoadAs<Long>(address_);
    default:
      return 0;
  }
}

ValueStatus VarRef::StoreInteger(std::int64_t v) const {
  switch (type_) {
    case ValueType::kByte:
      if (v < 0 || v > 255) return ValueStatus::kOverflow;
      StoreAs<Byte>(address_, static_cast<Byte>(v));
      return ValueStatus::kOk;
    case ValueType::kShort:
      if (v < INT16_MIN || v > INT16_MAX) return ValueStatus::kOverflow;
      StoreAs<Short>(address_, static_cast<Short>(v));
      return ValueStatus::kOk;
    case ValueType::kUShort:
      if (v < 0 || v > UINT16_MAX) return ValueStatus::kOverflow;
      StoreAs<UShort>(address_, static_cast<UShort>(v));
      return ValueStatus::kOk;
    case ValueType::kLong:
      if (v < INT32_MIN || v > INT32_MAX) return ValueStatus::kOverflow;
      StoreAs<Long>(address_, static_cast<Long>(v));
      return ValueStatus::kOk;
    default:
      return ValueStatus::kInvalid;
  }
}

double VarRef::LoadReal() const {
  return LoadAs<double>(address_);
}

std::string_view VarRef::TextView() const {
  if (type_ == ValueType::kString)
    return std::string_view(static_cast<const char*>(address_), size_);
  return LoadCStringText(static_cast<const char*>(address_), size_);
}

std::string VarRef::ToText() const {
  if (IsNull()) return std::string();
  switch (type_) {
    case ValueType::kString:
      return std::string(static_cast<const char*>(address_), size_);
    case ValueType::kCString:
      return std::string(LoadCStringText(static_cast<const char*>(address_), size_));
    case ValueType::kDecimal:
      return LoadDecimal(static_cast<const unsigned char*>(address_), size_, places_).ToPlainText();
    case ValueType::kReal:
      return RealText(LoadReal());
    default:
      return std::to_string(LoadInteger());
  }
}

std::string VarRef::ToClippedText() const {
  std::string s = ToText();
  s.resize(ClipRight(s).size());
  return s;
}

ValueStatus VarRef::GetDecimal(DecimalValue* out) const {
  if (IsNull()) return ValueStatus::kInvalid;
  switch (type_) {
    case ValueType::kString:
    case ValueType::kCString:
      return DecimalValue::Parse(TextView(), out);
    case ValueType::kDecimal:
      *out = LoadDecimal(static_cast<const unsigned char*>(address_), size_, places_);
      return ValueStatus::kOk;
    case ValueType::kReal:
      return DecimalValue::FromReal(LoadReal(), out);
    default:
      *out = DecimalValue::FromInteger(LoadInteger());
      return ValueStatus::kOk;
  }
}

DecimalValue VarRef::ToDecimal() const {
  DecimalValue v;
  if (GetDecimal(&v) != ValueStatus::kOk) return DecimalValue();
  return v;
}

Long VarRef::ToLong() const {
  if (IsNull()) return 0;
  if (IsIntegerType(type_)) return static_cast<Long>(LoadInteger());
  if (type_ == ValueType::kReal || IsText()) {
    double d = ToReal();
    if (std::isnan(d)) return 0;
    d = std::round(d);  // half away from zero
    if (d >= 2147483647.0) return INT32_MAX;
    if (d <= -2147483648.0) return INT32_MIN;
    // Text holding an exact decimal is rounded exactly below, not through the double.
    if (type_ == ValueType::kReal) return static_cast<Long>(d);
  }
  std::int64_t i = 0;
  if (ToDecimal().ToInteger(&i) != ValueStatus::kOk) return 0;
  if (i > INT32_MAX) return INT32_MAX;
  if (i < INT32_MIN) return INT32_MIN;
  return static_cast<Long>(i);
}

double VarRef::ToReal() const {
  if (IsNull()) return 0;
  switch (type_) {
    case ValueType::kReal:
      return LoadReal();
    case ValueType::kString:
    case ValueType::kCString: {
      double d = 0;
      return ParseRealText(TextView(), &d) ? d : 0.0;
    }
    case ValueType::kDecimal:
      return ToDecimal().ToReal();
    default:
      return static_cast<double>(LoadInteger());
  }
}

ValueStatus VarRef::SetText(std::string_view text) const {
  if (IsNull()) return ValueStatus::kInvalid;
  switch (type_) {
    case ValueType::kString:
      StoreStringText(text, static_cast<char*>(address_), size_);
      return ValueStatus::kOk;
    case ValueType::kCString:
      StoreCStringText(text, static_cast<char*>(address_), size_);
      return ValueStatus::kOk;
    case ValueType::kReal: {
      double d = 0;
      ParseRealText(text, &d);  // non-numeric text is 0
      StoreAs<double>(address_, d);
      return ValueStatus::kOk;
    }
    default: {
      DecimalValue v;
      ValueStatus st = DecimalValue::Parse(text, &v);
      if (st == ValueStatus::kInvalid)
        v = DecimalValue();  // non-numeric text is 0
      else if (st != ValueStatus::kOk)
        return st;
      return SetDecimal(v);
    }
  }
}

ValueStatus VarRef::SetDecimal(const DecimalValue& value) const {
  if (IsNull()) return ValueStatus::kInvalid;
  switch (type_) {
    case ValueType::kString:
    case ValueType::kCString:
      return SetText(value.ToPlainText());
    case ValueType::kDecimal:
      return StoreDecimal(value, digits_, places_, static_cast<unsigned char*>(address_), size_);
    case ValueType::kReal:
      StoreAs<double>(address_, value.ToReal());
      return ValueStatus::kOk;
    default: {
      std::int64_t i = 0;
      ValueStatus st = value.ToInteger(&i);
      return st == ValueStatus::kOk ? StoreInteger(i) : st;
    }
  }
}

ValueStatus VarRef::SetInteger(std::int64_t value) const {
  if (IsNull()) return ValueStatus::kInvalid;
  if (IsIntegerType(type_)) return StoreInteger(value);
  if (type_ == ValueType::kReal) {
    StoreAs<double>(address_, static_cast<double>(value));
    return ValueStatus::kOk;
  }
  return SetDecimal(DecimalValue::FromInteger(value));
}

ValueStatus VarRef::SetReal(double value) const {
  if (IsNull()) return ValueStatus::kInvalid;
  if (type_ == ValueType::kReal) {
    StoreAs<double>(address_, value);
    return ValueStatus::kOk;
  }
  if (IsText()) return SetText(RealText(value));
  DecimalValue v;
  ValueStatus st = DecimalValue::FromReal(value, &v);
  return st == ValueStatus::kOk ? SetDecimal(v) : st;
}

ValueStatus VarRef::Assign(const VarRef& source) const {
  if (IsNull() || source.IsNull()) return ValueStatus::kInvalid;
  if (source.IsText()) return SetText(source.ToText());  // ToText copies: aliasing is safe
  if (source.type_ == ValueType::kReal) return SetReal(source.LoadReal());
  if (IsIntegerType(source.type_)) return SetInteger(source.LoadInteger());
  DecimalValue v;
  ValueStatus st = source.GetDecimal(&v);
  return st == ValueStatus::kOk ? SetDecimal(v) : st;
}

void VarRef::Clear() const {
  if (IsNull()) return;
  if (type_ == ValueType::kString) {
    std::memset(address_, ' ', size_);
  } else {
    std::memset(address_, 0, size_);  // zero for every number type, empty CSTRING
  }
}

int VarRef::Compare(const VarRef& a, const VarRef& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
  if (a.IsText() && b.IsText()) {
    return Sign3(ClipRight(a.TextView()).compare(ClipRight(b.TextView())));
  }
  if (a.IsText() != b.IsText()) {
    const VarRef& text = a.IsText() ? a : b;
    std::string_view t = text.TextView();
    DecimalValue probe;
    if (!TrimBlanks(t).empty() && DecimalValue::Parse(t, &probe) != ValueStatus::kOk) {
      return Sign3(a.ToClippedText().compare(b.ToClippedText()));
    }
    // Blank text takes part as 0 (ToDecimal of non-numeric text), so cleared equals cleared.
  }
  if (a.type_ == ValueType::kReal || b.type_ == ValueType::kReal) {
    double x = a.ToReal(), y = b.ToReal();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return DecimalValue::Compare(a.ToDecimal(), b.ToDecimal());
}

bool VarRef::EqualNoCase(const VarRef& a, const VarRef& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull();
  return UpperText(a.ToClippedText()) == UpperText(b.ToClippedText());
}

}  // namespace kv
