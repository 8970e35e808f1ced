#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/values/Decimal.h"
#include "platform/values/DecimalValue.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"
#include "platform/values/ValueStatus.h"
#include "platform/values/ValueType.h"

namespace kv {

// A reference to a variable of any runtime type: its address, type, byte size and, for
// DECIMAL, digits and places. It carries the runtime's conversions, so code that handles
// "any variable" (field pairs, control bindings, key components, query fields, drivers)
// reads, writes, clears and compares through it without knowing the type.
//
// A VarRef does not own the variable; the variable must outlive every use of the reference.
// Copying a VarRef copies the reference. A default-constructed VarRef is null: reads give
// empty text or zero, writes return kInvalid, and it compares equal only to another null.
// Thread: the variable's own rules apply (VarRef adds no locking). Values are read and
// written with memcpy, so fields of packed record images need no alignment.
//
// Conversion rules (assignment target := source):
// - text := text: the source's full text (a STRING's padding included), cut to the target
//   without splitting a UTF-8 character; STRING pads with blanks, CSTRING with NULs.
// - text := number: the number written plainly: integers as digits, DECIMAL without trailing
//   zeros after the point ("12.5", "3", "-0.05"), REAL as its shortest exact decimal text.
// - number := text: the text taken as a number (blanks around it allowed, optional sign,
//   point, exponent). Text that is not a number converts to 0, as in the runtime.
// - integer or DECIMAL := any number: rounded half away from zero to the target's places.
//   A value outside the target's range (BYTE 0..255, a DECIMAL's digits, ...) is not
//   wrapped: the assignment returns kOverflow and the target keeps its old value.
// - REAL := any number: the nearest double.
class VarRef {
 public:
  VarRef() = default;
  // A reference described field by field (used by record field tables). `size` is the byte
  // size; digits and places matter only for DECIMAL.
  VarRef(void* address, ValueType type, std::uint32_t size, int digits = 0, int places = 0)
      : address_(address),
        size_(size),
        type_(type),
        digits_(static_cast<std::uint8_t>(digits)),
        places_(static_cast<std::uint8_t>(places)) {}

  template <std::size_t N>
  VarRef(String<N>& v) : VarRef(v.bytes, ValueType::kString, N) {}  // NOLINT: implicit
  template <std::size_t N>
  VarRef(CString<N>& v) : VarRef(v.bytes, ValueType::kCString, N) {}  // NOLINT: implicit
  template <int D, int P>
  VarRef(Decimal<D, P>& v)  // NOLINT: implicit
      : VarRef(v.bytes, ValueType::kDecimal, static_cast<std::uint32_t>(v.kSize), D, P) {}
  VarRef(Byte& v) : VarRef(&v, ValueType::kByte, 1) {}      // NOLINT: implicit
  VarRef(Short& v) : VarRef(&v, ValueType::kShort, 2) {}    // NOLINT: implicit
  VarRef(UShort& v) : VarRef(&v, ValueType::kUShort, 2) {}  // NOLINT: implicit
  VarRef(Long& v) : VarRef(&v, ValueType::kLong, 4) {}      // NOLINT: implicit
  VarRef(Real& v) : VarRef(&v, ValueType::kReal, 8) {}      // NOLINT: implicit

  bool IsNull() const { return address_ == nullptr; }
  void* Address() const { return address_; }
  ValueType Type() const { return type_; }
  std::uint32_t Size() const { return size_; }
  int Digits() const { return digits_; }
  int Places() const { return places_; }
  bool IsText() const { return IsTextType(type_); }
  // True when both refer to the same variable with the same description.
  bool SameVariable(const VarRef& other) const {
    return address_ == other.address_ && type_ == other.type_ && size_ == other.size_;
  }

  // --- Reading -------------------------------------------------------------------------
  // The value as text: a STRING's full bytes (padding included), a CSTRING's text up to its
  // NUL, a number written plainly (see the conversion rules). Null: empty.
  std::string ToText() const;
  // ToText without trailing blanks.
  std::string ToClippedText() const;
  // The value as an exact decimal. Text that is not a number gives kInvalid (and leaves
  // `out` unchanged); a REAL that is NaN or infinite gives kInvalid; kOverflow beyond 38
  // digits.
  [[nodiscard]] ValueStatus GetDecimal(DecimalValue* out) const;
  // The value as an exact decimal; 0 where GetDecimal fails (non-numeric text is 0).
  DecimalValue ToDecimal() const;
  // The value rounded half away from zero to a LONG; beyond the LONG range it is clamped to
  // the nearest limit; non-numeric text is 0.
  Long ToLong() const;
  // The value as a double; non-numeric text is 0.
  double ToReal() const;

  // --- Writing (the target is this reference; see the conversion rules) ----------------
  // this := source. kOk, or kOverflow / kInvalid with this variable unchanged. Assigning a
  // variable to itself is allowed.
  [[nodiscard]] ValueStatus Assign(const VarRef& source) const;
  [[nodiscard]] ValueStatus SetText(std::string_view text) const;
  [[nodiscard]] ValueStatus SetDecimal(const DecimalValue& value) const;
  [[nodiscard]] ValueStatus SetInteger(std::int64_t value) const;
  [[nodiscard]] ValueStatus SetReal(double value) const;
  // Blanks a STRING, empties a CSTRING (all NUL), zeroes a number. Null: nothing.
  void Clear() const;

  // --- Comparing -----------------------------------------------------------------------
  // Ordering used by exact comparisons: -1, 0 or 1.
  // - text with text: both clipped of trailing blanks, then compared byte by byte (UTF-8
  //   byte order is code point order); "ab" equals "ab   " and a CSTRING "ab".
  // - number with number: exactly, as decimals (LONG 5 equals DECIMAL 5.00); when either is a
  //   REAL, as doubles.
  // - text with number: numerically when the text is a number or blank (blank counts as 0, so
  //   a cleared text equals a cleared number), otherwise the number's plain text is compared
  //   with the clipped text.
  // - null sorts before everything else; two nulls are equal.
  static int Compare(const VarRef& a, const VarRef& b);
  // Compare(a, b) == 0.
  static bool Equal(const VarRef& a, const VarRef& b) { return Compare(a, b) == 0; }
  // Both values as text (ToClippedText), upper-cased (UpperText), compared as texts. Numbers
  // take part through their plain text: DECIMAL 1.50 and REAL 1.5 are both "1.5". Two nulls
  // are equal; null and a non-null value are not.
  static bool EqualNoCase(const VarRef& a, const VarRef& b);

 private:
  // The text of a STRING or CSTRING in place (no copy); only for text types.
  std::string_view TextView() const;
  std::int64_t LoadInteger() const;
  ValueStatus StoreInteger(std::int64_t value) const;
  double LoadReal() const;

  void* address_ = nullptr;
  std::uint32_t size_ = 0;
  ValueType type_ = ValueType::kString;
  std::uint8_t digits_ = 0;
  std::uint8_t places_ = 0;
};

}  // namespace kv
