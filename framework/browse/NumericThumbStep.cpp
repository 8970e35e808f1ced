#include "framework/browse/NumericThumbStep.h"

#include <algorithm>
#include <cmath>

namespace kv {

void NumericThumbStep::SetLimits(VarRef low, VarRef high) {
  like_ = Value::ClearedLike(low);
  low_ = low.ToReal();
  high_ = high.ToReal();
}

std::uint8_t NumericThumbStep::Percentile(VarRef value) {
  if (high_ == low_) return 0;
  const double p = (value.ToReal() - low_) / (high_ - low_) * 100.0;
  return static_cast<std::uint8_t>(std::clamp(std::lround(p), 0L, 100L));
}

Value NumericThumbStep::ValueAt(std::int16_t position) {
  if (like_.IsNull()) return Value();
  const double p = std::clamp<int>(position, 0, 100) / 100.0;
  Value out = like_;
  // The nearest value the free element can hold; a value it cannot (beyond its range) stays 0.
  (void)out.Ref().SetReal(low_ + (high_ - low_) * p);
  return out;
}

void NumericThumbStep::Kill() {
  like_ = Value();
  low_ = high_ = 0;
}

}  // namespace kv
