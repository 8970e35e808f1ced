#include "platform/values/WideInt.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// Products of two 128-bit numbers, divided again by one factor, give the other factor back
// with no remainder; adding a remainder below the divisor comes back as the remainder.
TEST(WideInt, MultiplyThenDivideRoundTrips) {
  const Uint128 max = ~Uint128(0);
  const Uint128 big = (Uint128(1) << 127) + 12345;  // above 2^127: exercises the shifted-out bit
  struct Case {
    Uint128 a, b, extra;
  } cases[] = {
      {0, 5, 0},
      {1, 1, 0},
      {PowerOfTen(19), PowerOfTen(19), 7},
      {PowerOfTen(38) - 1, PowerOfTen(38) - 1, 12},
      {max, max, max - 1},
      {big, 3, 2},
      {3, big, big - 1},
      {max, big, 1},
  };
  for (const Case& c : cases) {
    Uint256 p = MulWide(c.a, c.b);
    // p + extra, with the carry into the high half.
    Uint256 q = p;
    q.lo += c.extra;
    if (q.lo < p.lo) ++q.hi;
    Uint128 rem = 0;
    Uint256 back = DivModWide(q, c.b, &rem);
    EXPECT_TRUE(back.FitsUint128());
    EXPECT_TRUE(back.lo == c.a) << static_cast<unsigned long long>(c.a);
    EXPECT_TRUE(rem == c.extra);
  }
  // (2^128 - 1)^2 = 2^256 - 2^129 + 1
  Uint256 sq = MulWide(max, max);
  EXPECT_TRUE(sq.hi == max - 1);
  EXPECT_TRUE(sq.lo == 1);
}

TEST(WideInt, SmallMultiplierOverflowAndCompare) {
  bool overflow = true;
  Uint256 v;
  v.lo = PowerOfTen(38);
  Uint256 w = MulSmall(v, 10, &overflow);
  EXPECT_FALSE(overflow);
  EXPECT_FALSE(w.FitsUint128());
  Uint256 top;
  top.hi = ~Uint128(0);
  MulSmall(top, 2, &overflow);
  EXPECT_TRUE(overflow);
  EXPECT_EQ(CompareWide(w, v), 1);
  EXPECT_EQ(CompareWide(v, w), -1);
  EXPECT_EQ(CompareWide(v, v), 0);
  EXPECT_TRUE(PowerOfTen(0) == 1);
  EXPECT_TRUE(PowerOfTen(38) / PowerOfTen(37) == 10);
  EXPECT_TRUE(Magnitude(-Int128(5)) == 5);
  EXPECT_TRUE(Magnitude(Int128(Uint128(1) << 127)) == (Uint128(1) << 127));  // most negative
}

}  // namespace
}  // namespace kv
