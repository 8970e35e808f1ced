#pragma once

#include <cstdint>
#include <string>

#include "framework/browse/ThumbStep.h"

namespace kv {

// A thumb step for a text free element (STRING, CSTRING). The limits' common leading bytes
// are kept; the next kLeadingBytes bytes after them are read as one number, and positions are
// spread evenly between the limits' numbers, as a numeric step does. So Percentile(low) is 0
// and Percentile(high) is 100; values at or below the low limit give 0, at or above the high
// one 100. ValueAt builds the text for a position from the common bytes and the interpolated
// bytes, cut before the first byte that would not be printable UTF-8 text, so that it can be
// bound as a search value on any server; the cut text lies between the limits' common part
// and the exact value, so the browse lands at or just before the position asked for.
// Texts compare in byte order (trailing blanks ignored), as the views order them.
class TextThumbStep : public ThumbStep {
 public:
  static constexpr int kLeadingBytes = 6;

  std::uint8_t Percentile(VarRef value) override;
  Value ValueAt(std::int16_t position) override;
  void Kill() override;
  void SetLimits(VarRef low, VarRef high) override;
  std::uint8_t NeedsLimits() override { return 1; }

 private:
  // The kLeadingBytes bytes of `text` after the common part, as a number.
  std::uint64_t Number(const std::string& text) const;

  Value like_;
  std::string low_, high_;
  std::size_t common_ = 0;  // bytes the limits share at their start
};

}  // namespace kv
