#pragma once

#include <cstdint>
#include <string>

#include "framework/browse/ThumbStep.h"

namespace kv {

// A thumb step for a text free element (STRING, CSTRING). The limits' common leading bytes
// are kept; the next kPositions characters after them are read as one number in which each
// position counts in the alphabet that the limits use there: digits when both limits have a
// digit at that position, capital letters when both have one, small letters likewise, and
// otherwise the printable ASCII characters (a character beyond "~", such as a letter with an
// accent, counts as "~"). Positions are spread evenly between the limits'
// numbers, so codes such as "K00001" ... "K01000" map linearly (the value at 30 is "K00301"),
// and names spread by their letters.
//
// Percentile(low) is 0 and Percentile(high) is 100; values beyond either limit give 0 or 100.
// ValueAt builds the text for a position from the common part and the interpolated characters
// (always printable ASCII, so it can be bound as a search value on any server). Texts compare
// in byte order, trailing blanks ignored, as the views order them. The limits may come in
// either order (a descending order gives the greater value as the low limit). The limits are
// read again at each reload (NeedsLimits is always true).
class TextThumbStep : public ThumbStep {
 public:
  static constexpr int kPositions = 8;

  std::uint8_t Percentile(VarRef value) override;
  Value ValueAt(std::int16_t position) override;
  void Kill() override;
  void SetLimits(VarRef low, VarRef high) override;
  std::uint8_t NeedsLimits() override { return 1; }

 private:
  // `text`'s characters after the common part as a number in the alphabets of the positions.
  double Number(const std::string& text) const;

  Value like_;
  std::string low_, high_;
  std::size_t common_ = 0;       // bytes the limits share at their start
  char first_[kPositions] = {};  // first character of each position's alphabet
  int radix_[kPositions] = {};   // its size
};

}  // namespace kv
