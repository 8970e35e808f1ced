#pragma once

#include <cstddef>
#include <string_view>

#include "platform/values/DecimalValue.h"
#include "platform/values/ValueStatus.h"

namespace kv {

// Byte size of a stored DECIMAL with `digits` digits: the size of the packed form, so record
// layouts keep their declared sizes (DECIMAL(11,2) is 6 bytes).
constexpr std::size_t DecimalStorageSize(int digits) {
  return static_cast<std::size_t>(digits / 2 + 1);
}

// The scaled integer held in `size` bytes of little-endian two's complement.
Int128 LoadDecimalMantissa(const unsigned char* bytes, std::size_t size);

// The stored value as a DecimalValue at `places`.
DecimalValue LoadDecimal(const unsigned char* bytes, std::size_t size, int places);

// Stores `value` rounded half away from zero to `places`. Returns kOk, or kOverflow when the
// rounded value needs more than `digits` digits; then the bytes are left unchanged, so a
// failed assignment never leaves a wrapped or partial value behind.
[[nodiscard]] ValueStatus StoreDecimal(const DecimalValue& value, int digits, int places,
                                       unsigned char* bytes, std::size_t size);

// DECIMAL(Digits, Places): an exact decimal of up to 31 digits, `Places` of them after the
// point, stored as a scaled integer (value * 10^Places) in DecimalStorageSize(Digits) bytes
// of little-endian two's complement. Alignment 1, no padding, trivially copyable and
// standard layout, so it sits in record structs and byte equality is value equality (there
// is one stored form per value; zero is all zero bytes). Not thread-safe, like any variable.
template <int Digits, int Places>
struct Decimal {
  static_assert(Digits >= 1 && Digits <= 31, "DECIMAL holds 1 to 31 digits");
  static_assert(Places >= 0 && Places <= Digits, "DECIMAL places must be 0..digits");
  static constexpr int kDigits = Digits;
  static constexpr int kPlaces = Places;
  static constexpr std::size_t kSize = DecimalStorageSize(Digits);

  // Zero.
  Decimal() : bytes{} {}

  // The stored value, exact.
  DecimalValue Get() const { return LoadDecimal(bytes, kSize, Places); }
  // The scaled integer (value * 10^Places).
  Int128 Mantissa() const { return LoadDecimalMantissa(bytes, kSize); }

  // Assigns `value` rounded half away from zero to Places. kOverflow (value unchanged) when it
  // needs more than Digits digits.
  [[nodiscard]] ValueStatus Set(const DecimalValue& value) {
    return StoreDecimal(value, Digits, Places, bytes, kSize);
  }
  // Assigns the number written in `text` (DecimalValue::Parse). kInvalid for text that is not
  // a number, kOverflow as for Set; the value is unchanged on failure.
  [[nodiscard]] ValueStatus SetText(std::string_view text) {
    DecimalValue v;
    ValueStatus st = DecimalValue::Parse(text, &v);
    return st == ValueStatus::kOk ? Set(v) : st;
  }

  unsigned char bytes[kSize];
};

}  // namespace kv
