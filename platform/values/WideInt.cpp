#include "platform/values/WideInt.h"

namespace kv {

Uint256 MulWide(Uint128 a, Uint128 b) {
  const Uint128 mask = ~std::uint64_t(0);
  Uint128 a0 = a & mask, a1 = a >> 64, b0 = b & mask, b1 = b >> 64;
  Uint128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  // Middle column: the high half of p00 plus the low halves of the cross products.
  Uint128 mid = (p00 >> 64) + (p01 & mask) + (p10 & mask);
  Uint256 r;
  r.lo = (p00 & mask) | (mid << 64);
  r.hi = p11 + (p01 >> 64) + (p10 >> 64) + (mid >> 64);
  return r;
}

Uint256 MulSmall(const Uint256& a, std::uint64_t m, bool* overflow) {
  Uint256 lo = MulWide(a.lo, m);
  Uint256 hi = MulWide(a.hi, m);
  Uint256 r;
  r.lo = lo.lo;
  r.hi = lo.hi + hi.lo;
  bool carry = r.hi < lo.hi;
  *overflow = hi.hi != 0 || carry;
  return r;
}

Uint256 DivModWide(const Uint256& a, Uint128 d, Uint128* remainder) {
  // Restoring division one bit at a time; 256 steps is cheap next to anything that formats
  // or parses the result. `top` records the bit shifted out of the 128-bit remainder.
  Uint256 q;
  Uint128 r = 0;
  for (int i = 255; i >= 0; --i) {
    bool top = (r >> 127) != 0;
    Uint128 bit = i >= 128 ? (a.hi >> (i - 128)) & 1 : (a.lo >> i) & 1;
    r = (r << 1) | bit;
    if (top || r >= d) {
      r -= d;
      if (i >= 128) {
        q.hi |= Uint128(1) << (i - 128);
      } else {
        q.lo |= Uint128(1) << i;
      }
    }
  }
  *remainder = r;
  return q;
}

int CompareWide(const Uint256& a, const Uint256& b) {
  if (a.hi != b.hi) return a.hi < b.hi ? -1 : 1;
  if (a.lo != b.lo) return a.lo < b.lo ? -1 : 1;
  return 0;
}

Uint128 PowerOfTen(int n) {
  Uint128 p = 1;
  for (int i = 0; i < n && i < 38; ++i) p *= 10;
  return p;
}

}  // namespace kv
