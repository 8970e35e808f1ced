#include "framework/browse/TextThumbStep.h"

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsUpper(char c) {
  return c >= 'A' && c <= 'Z';
}
bool IsLower(char c) {
  return c >= 'a' && c <= 'z';
}

// The character of `text` at byte `i`, a blank past its end (texts are blank-padded).
char At(const std::string& text, std::size_t i) {
  return i < text.size() ? text[i] : ' ';
}

}  // namespace

void TextThumbStep::SetLimits(VarRef low, VarRef high) {
  like_ = Value::ClearedLike(low);
  low_ = low.ToClippedText();
  high_ = high.ToClippedText();
  common_ = 0;
  while (common_ < low_.size() && common_ < high_.size() && low_[common_] == high_[common_])
    ++common_;
  // The common part ends on a character boundary, so that it stays valid UTF-8.
  const std::string& longer = common_ < low_.size() ? low_ : high_;
  while (common_ > 0 && common_ < longer.size() &&
         (static_cast<unsigned char>(longer[common_]) & 0xC0) == 0x80)
    --common_;
  for (int k = 0; k < kPositions; ++k) {
    const char a = At(low_, common_ + std::size_t(k)), b = At(high_, common_ + std::size_t(k));
    if (IsDigit(a) && IsDigit(b)) {
      first_[k] = '0';
      radix_[k] = 10;
    } else if (IsUpper(a) && IsUpper(b)) {
      first_[k] = 'A';
      radix_[k] = 26;
    } else if (IsLower(a) && IsLower(b)) {
      first_[k] = 'a';
      radix_[k] = 26;
    } else {
      first_[k] = ' ';
      radix_[k] = 95;  // blank to tilde
    }
  }
}

double TextThumbStep::Number(const std::string& text) const {
  double n = 0;
  for (int k = 0; k < kPositions; ++k) {
    const int digit = int(static_cast<unsigned char>(At(text, common_ + std::size_t(k)))) -
                      int(static_cast<unsigned char>(first_[k]));
    n = n * radix_[k] + std::clamp(digit, 0, radix_[k] - 1);
  }
  return n;
}

std::uint8_t TextThumbStep::Percentile(VarRef value) {
  if (like_.IsNull() || low_ == high_) return 0;
  const bool ascending = low_ < high_;
  const std::string v = value.ToClippedText();
  if (ascending ? v <= low_ : v >= low_) return 0;
  if (ascending ? v >= high_ : v <= high_) return 100;
  // Between the limits, so it starts with their common part.
  const double lo = Number(low_), hi = Number(high_);
  if (lo == hi) return 0;
  const double p = (Number(v) - lo) / (hi - lo) * 100.0;
  return static_cast<std::uint8_t>(std::clamp(std::lround(p), 0L, 100L));
}

Value TextThumbStep::ValueAt(std::int16_t position) {
  if (like_.IsNull()) return Value();
  const double p = std::clamp<int>(position, 0, 100) / 100.0;
  const double lo = Number(low_), hi = Number(high_);
  double n = std::round(lo + (hi - lo) * p);
  std::string tail(kPositions, ' ');
  for (int k = kPositions - 1; k >= 0; --k) {
    const double digit = std::fmod(n, radix_[k]);
    tail[std::size_t(k)] = char(first_[k] + int(digit));
    n = std::floor(n / radix_[k]);
  }
  Value out = like_;
  (void)out.Ref().SetText(low_.substr(0, common_) + tail);
  return out;
}

void TextThumbStep::Kill() {
  like_ = Value();
  low_.clear();
  high_.clear();
  common_ = 0;
}

}  // namespace kv
