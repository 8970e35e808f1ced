#pragma once

#include <cstdint>

namespace kv {

// Unsigned 256-bit arithmetic, just enough for exact decimal multiplication, division and
// comparison of 128-bit mantissas without overflow. Plain value type; any thread.
using Uint128 = unsigned __int128;
using Int128 = __int128;

struct Uint256 {
  Uint128 hi = 0;
  Uint128 lo = 0;

  // True when the value fits in 128 bits.
  bool FitsUint128() const { return hi == 0; }
};

// a * b, exact.
Uint256 MulWide(Uint128 a, Uint128 b);

// a * m, exact; `overflow` is set when the product needs more than 256 bits.
Uint256 MulSmall(const Uint256& a, std::uint64_t m, bool* overflow);

// Quotient and remainder of a / d; d must not be 0.
Uint256 DivModWide(const Uint256& a, Uint128 d, Uint128* remainder);

// -1, 0 or 1 as a is less than, equal to or greater than b.
int CompareWide(const Uint256& a, const Uint256& b);

// 10^n for 0 <= n <= 38 (the largest power of ten that fits in 128 bits).
Uint128 PowerOfTen(int n);

// Absolute value of a signed 128-bit integer, exact also for the most negative value.
inline Uint128 Magnitude(Int128 v) {
  return v < 0 ? Uint128(0) - Uint128(v) : Uint128(v);
}

}  // namespace kv
