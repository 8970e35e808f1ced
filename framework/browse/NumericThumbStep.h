#pragma once

#include "framework/browse/ThumbStep.h"

namespace kv {

// A thumb step for a numeric free element (LONG, DECIMAL, REAL and the other integer types):
// positions are spread evenly between the limits, so Percentile(low) is 0, Percentile(high)
// is 100, values outside the limits give 0 or 100, and ValueAt(p) is low + (high - low) * p /
// 100 in the free element's type (rounded to its places). The limits may come in either order
// (a descending order gives the greater value as the low limit). Equal limits give 0 for every
// value and the low limit for every position. The limits are read again at each reload
// (NeedsLimits is always true), so the thumb follows a table that grows or shrinks.
class NumericThumbStep : public ThumbStep {
 public:
  std::uint8_t Percentile(VarRef value) override;
  Value ValueAt(std::int16_t position) override;
  void Kill() override;
  void SetLimits(VarRef low, VarRef high) override;
  std::uint8_t NeedsLimits() override { return 1; }

 private:
  Value like_;  // a variable of the free element's type; null until SetLimits
  double low_ = 0;
  double high_ = 0;
};

}  // namespace kv
