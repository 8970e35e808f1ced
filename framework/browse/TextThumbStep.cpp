#include "framework/browse/TextThumbStep.h"

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

// Length of the longest start of `bytes` that is valid UTF-8 made of printable characters
// (no control characters, no NUL).
std::size_t PrintableUtf8Length(const std::string& bytes) {
  std::size_t i = 0, good = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t n = c < 0x80           ? 1
                    : (c >> 5) == 0x6  ? 2
                    : (c >> 4) == 0xE  ? 3
                    : (c >> 3) == 0x1E ? 4
                                       : 0;
    if (n == 0 || (n == 1 && (c < 0x20 || c == 0x7F)) || (n == 2 && c < 0xC2)) break;
    if (i + n > bytes.size()) break;
    bool ok = true;
    for (std::size_t k = 1; k < n; ++k)
      ok &= (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
    if (!ok) break;
    i += n;
    good = i;
  }
  return good;
}

}  // namespace

void TextThumbStep::SetLimits(VarRef low, VarRef high) {
  like_ = Value::ClearedLike(low);
  low_ = low.ToClippedText();
  high_ = high.ToClippedText();
  common_ = 0;
  while (common_ < low_.size() && common_ < high_.size() && low_[common_] == high_[common_])
    ++common_;
}

std::uint64_t TextThumbStep::Number(const std::string& text) const {
  std::uint64_t n = 0;
  for (int k = 0; k < kLeadingBytes; ++k) {
    const std::size_t i = common_ + std::size_t(k);
    n = (n << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
  }
  return n;
}

std::uint8_t TextThumbStep::Percentile(VarRef value) {
  if (like_.IsNull()) return 0;
  const std::string v = value.ToClippedText();
  if (v <= low_) return 0;
  if (v >= high_) return 100;
  // Between the limits, so it starts with their common part.
  const double lo = double(Number(low_)), hi = double(Number(high_));
  if (!(hi > lo)) return 0;
  const double p = (double(Number(v)) - lo) / (hi - lo) * 100.0;
  return static_cast<std::uint8_t>(std::clamp(std::lround(p), 0L, 100L));
}

Value TextThumbStep::ValueAt(std::int16_t position) {
  if (like_.IsNull()) return Value();
  const double p = std::clamp<int>(position, 0, 100) / 100.0;
  const double lo = double(Number(low_)), hi = double(Number(high_));
  auto n = static_cast<std::uint64_t>(std::llround(lo + (hi - lo) * p));
  std::string tail(kLeadingBytes, '\0');
  for (int k = kLeadingBytes - 1; k >= 0; --k, n >>= 8) tail[std::size_t(k)] = char(n & 0xFF);
  tail.resize(PrintableUtf8Length(tail));
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
