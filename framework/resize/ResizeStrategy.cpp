#include "framework/resize/ResizeStrategy.h"

namespace kv {
namespace {

// The groups of control types that the default strategies tell apart.
enum class TypeGroup { kButtonLike, kPromptLike, kSingleLine, kArea, kType17, kOther };

TypeGroup GroupOf(std::int32_t type) {
  switch (type) {
    case 9:
    case 12:
    case 21:
      return TypeGroup::kButtonLike;
    case 1:
    case 2:
    case 10:
      return TypeGroup::kPromptLike;
    case 8:
    case 15:
    case 16:
    case 34:
      return TypeGroup::kSingleLine;
    case 3:
    case 4:
    case 11:
    case 13:
    case 14:
    case 37:
    case 39:
      return TypeGroup::kArea;
    case 17:
      return TypeGroup::kType17;
    default:
      return TypeGroup::kOther;
  }
}

// a / b rounded to the nearest whole number, halves away from zero; b must not be 0.
std::int64_t DivRound(std::int64_t a, std::int64_t b) {
  if (b < 0) {
    a = -a;
    b = -b;
  }
  return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

int Whole(std::int64_t scaled) {
  return static_cast<int>(DivRound(scaled, kScaleUnit));
}

// One axis of the computation; x/width and y/height run the same rules.
struct Axis {
  int parentPos, parentLen;  // P.x, P.width
  int pos, len;              // C.x, C.width
  int nowPos, nowLen;        // Q.x, Q.width
};

int AxisPosition(std::uint16_t rule, const Axis& a, std::int64_t k, std::int64_t scale) {
  const std::int64_t d = a.pos - a.parentPos;
  switch (rule) {
    case kKeepAbsolute:
      return a.pos;
    case kFixedToFarEdge:
      return Whole((static_cast<std::int64_t>(a.nowPos) + a.nowLen) * kScaleUnit -
                   (a.parentLen - d) * k);
    case kFixedToNearEdge:
      return static_cast<int>(a.nowPos + d);
    case kCentredScaled:
      // Q.x + Q.width / 2 + (dx - P.width / 2) * k, in halves of a scale unit.
      return static_cast<int>(
          DivRound((2 * static_cast<std::int64_t>(a.nowPos) + a.nowLen) * kScaleUnit +
                       (2 * d - a.parentLen) * k,
                   2 * kScaleUnit));
    case kCentredFixed:
      return static_cast<int>(DivRound(
          2 * (static_cast<std::int64_t>(a.pos) + a.nowPos - a.parentPos) + a.nowLen - a.parentLen,
          2));
    default:
      return Whole(static_cast<std::int64_t>(a.nowPos) * kScaleUnit + d * scale);
  }
}

// Width (or height) before the margin flags: kept when locked, else scaled.
int AxisLength(bool locked, const Axis& a, std::int64_t scale) {
  return locked ? a.len : Whole(static_cast<std::int64_t>(a.len) * scale);
}

// Width (or height) by the margin flags, once the position is known.
int MarginLength(bool keepMargin, const Axis& a, int pos) {
  const std::int64_t d = a.pos - a.parentPos;
  const std::int64_t farEdge = static_cast<std::int64_t>(a.nowPos) + a.nowLen;
  if (keepMargin) return static_cast<int>(farEdge - (a.parentLen - d - a.len) - pos);
  return static_cast<int>(DivRound(farEdge - (a.parentLen - d) - pos, 2) + a.len);
}

// Rule 16 (nearest edge) resolved to 4 or 2 by the initial gaps.
std::uint16_t ResolveNearest(std::uint16_t rule, const Axis& a) {
  if (rule != kNearestEdge) return rule;
  const std::int64_t d = a.pos - a.parentPos;
  return d < a.parentLen - d - a.len ? kFixedToNearEdge : kFixedToFarEdge;
}

}  // namespace

ControlStrategies DefaultStrategies(std::uint8_t appStrategy, std::int32_t type) {
  const TypeGroup g = GroupOf(type);
  const std::uint16_t nearestBoth = kNearestEdge | Vertical(kNearestEdge);  // 4112
  const std::uint16_t top = Vertical(kFixedToNearEdge);                     // 1024
  const std::uint16_t topLeft = kFixedToNearEdge | top;                     // 1028
  const std::uint16_t locked = kLockWidth | kLockHeight;                    // 3
  const std::uint16_t stretch = kKeepRightMargin | kKeepBottomMargin;       // 12
  switch (appStrategy) {
    case 1:
      if (g == TypeGroup::kButtonLike) return {nearestBoth, locked};
      if (g == TypeGroup::kSingleLine) return {0, kLockHeight};
      return {0, 0};
    case 2:
      switch (g) {
        case TypeGroup::kButtonLike:
          return {nearestBoth, locked};
        case TypeGroup::kPromptLike:
        case TypeGroup::kSingleLine:
          return {top, kLockHeight};
        case TypeGroup::kArea:
          return {topLeft, stretch};
        default:
          return {0, 0};
      }
    case 3:
      return {static_cast<std::uint16_t>(kKeepAbsolute | Vertical(kKeepAbsolute)), locked};
    case 4:
      switch (g) {
        case TypeGroup::kButtonLike:
          return {nearestBoth, locked};
        case TypeGroup::kPromptLike:
          return {topLeft, locked};
        case TypeGroup::kSingleLine:
          return {topLeft, kLockHeight | kKeepRightMargin};
        case TypeGroup::kArea:
        case TypeGroup::kType17:
          return {topLeft, stretch};
        default:
          return {0, 0};
      }
    case 5:
      return {static_cast<std::uint16_t>(kCentredScaled | Vertical(kCentredScaled)), locked};
    default:
      return {0, 0};
  }
}

std::int64_t AxisScale(int now, int initial) {
  if (initial == 0) return kScaleUnit;
  return DivRound(static_cast<std::int64_t>(now) * kScaleUnit, initial);
}

Rect ComputeControlRect(std::uint16_t positional, std::uint16_t resize, const Rect& parentBefore,
                        const Rect& control, const Rect& parentAfter) {
  const Axis ax{parentBefore.x, parentBefore.width, control.x,
                control.width,  parentAfter.x,      parentAfter.width};
  const Axis ay{parentBefore.y, parentBefore.height, control.y,
                control.height, parentAfter.y,       parentAfter.height};
  const std::int64_t sx = AxisScale(parentAfter.width, parentBefore.width);
  const std::int64_t sy = AxisScale(parentAfter.height, parentBefore.height);

  Rect out;
  out.width = AxisLength(resize & kLockWidth, ax, sx);
  out.height = AxisLength(resize & kLockHeight, ay, sy);

  const auto hRule = ResolveNearest(static_cast<std::uint16_t>(positional & 0xFF), ax);
  const auto vRule = ResolveNearest(static_cast<std::uint16_t>((positional & 0xFF00) >> 8), ay);
  const std::int64_t kx = (resize & kLockWidth) ? kScaleUnit : sx;
  const std::int64_t ky = (resize & kLockHeight) ? kScaleUnit : sy;
  out.x = AxisPosition(hRule, ax, kx, sx);
  out.y = AxisPosition(vRule, ay, ky, sy);

  if (resize & (kKeepRightMargin | kHalfRightMargin)) {
    out.width = MarginLength(resize & kKeepRightMargin, ax, out.x);
  }
  if (resize & (kKeepBottomMargin | kHalfBottomMargin)) {
    out.height = MarginLength(resize & kKeepBottomMargin, ay, out.y);
  }
  if (out.width < 0) out.width = 0;
  if (out.height < 0) out.height = 0;
  return out;
}

}  // namespace kv
