#include "platform/values/Decimal.h"

namespace kv {

Int128 LoadDecimalMantissa(const unsigned char* bytes, std::size_t size) {
  if (size == 0) return 0;
  Uint128 u = 0;
  for (std::size_t i = size; i-- > 0;) u = (u << 8) | bytes[i];
  // Sign-extend from the top stored bit.
  if (size < 16 && (bytes[size - 1] & 0x80) != 0) u |= ~Uint128(0) << (8 * size);
  return static_cast<Int128>(u);
}

DecimalValue LoadDecimal(const unsigned char* bytes, std::size_t size, int places) {
  DecimalValue v;
  // Stored values always fit 31 digits, so this cannot fail for a well-formed field; a
  // corrupted image beyond 38 digits reads as zero rather than as a wrapped value.
  if (DecimalValue::FromMantissa(LoadDecimalMantissa(bytes, size), places, &v) !=
      ValueStatus::kOk) {
    return DecimalValue();
  }
  return v;
}

ValueStatus StoreDecimal(const DecimalValue& value, int digits, int places, unsigned char* bytes,
                         std::size_t size) {
  DecimalValue scaled;
  ValueStatus st = value.Rescale(places, &scaled);
  if (st != ValueStatus::kOk) return st;
  if (!scaled.FitsDigits(digits)) return ValueStatus::kOverflow;
  Uint128 u = static_cast<Uint128>(scaled.Mantissa());
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<unsigned char>(u & 0xFF);
    u >>= 8;
  }
  return ValueStatus::kOk;
}

}  // namespace kv
