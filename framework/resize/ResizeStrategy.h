#pragma once

#include <cstdint>

#include "platform/window/Control.h"

namespace kv {

// The layout rules of the resize manager as plain functions: which strategies a control gets
// by default, and where a control goes when its parent changes size. No window is involved,
// so every rule can be checked on its own.
//
// A control has two strategies:
//  - a positional strategy (16 bits): the low byte says how x follows the parent, the high
//    byte how y does (the vertical rules are the horizontal ones times 256);
//  - a resize strategy (flags): how width and height follow the parent.
//
// Thread: any; nothing here keeps state.

// Horizontal positional rules (low byte). Any other value behaves as kProportional.
inline constexpr std::uint16_t kProportional = 0;     // offset from the parent's edge, scaled
inline constexpr std::uint16_t kKeepAbsolute = 1;     // the initial coordinate, unchanged
inline constexpr std::uint16_t kFixedToFarEdge = 2;   // distance to the right edge kept
inline constexpr std::uint16_t kFixedToNearEdge = 4;  // offset from the left edge kept
inline constexpr std::uint16_t kCentredScaled = 8;    // offset from the centre, scaled
inline constexpr std::uint16_t kNearestEdge = 16;     // 4 or 2, whichever edge is nearer
inline constexpr std::uint16_t kCentredFixed = 32;    // offset from the centre, unscaled

// The vertical rule with the same meaning as horizontal rule `rule` (high byte).
constexpr std::uint16_t Vertical(std::uint16_t rule) {
  return static_cast<std::uint16_t>(rule << 8);
}

// Resize strategy flags.
inline constexpr std::uint16_t kLockWidth = 1;
inline constexpr std::uint16_t kLockHeight = 2;
inline constexpr std::uint16_t kKeepRightMargin = 4;    // width keeps the gap to the right edge
inline constexpr std::uint16_t kKeepBottomMargin = 8;   // height keeps the gap to the bottom edge
inline constexpr std::uint16_t kHalfRightMargin = 16;   // width changes by half of what 4 would
inline constexpr std::uint16_t kHalfBottomMargin = 32;  // height likewise

// Numbered properties the resize manager reads and writes. A control property counts as set
// when its text is neither empty nor "0".
// Control: the resize manager leaves the control alone (it is never captured).
inline constexpr int kPropertyNoResize = 31257;
// Control: moves keep the control's own width (a control that sizes itself).
inline constexpr int kPropertyOwnWidth = 31296;
// Control: a list shown as a drop-down; it is laid out as a single-line entry.
inline constexpr int kPropertyDropDown = 31840;
// Control: its children are laid out again on every resize, even when it did not move.
inline constexpr int kPropertyAlwaysLayoutChildren = 31843;
// Window: set to "1" while a resize manager lays out its controls; a backend must then not
// lay them out itself.
inline constexpr int kPropertyResizeManaged = 31850;

// A control's two strategies.
struct ControlStrategies {
  std::uint16_t positional = 0;
  std::uint16_t resize = 0;
  bool operator==(const ControlStrategies&) const = default;
};

// The strategies that application strategy `appStrategy` (1 to 5) gives a control of `type`
// (the control type numbers of Control.h: 1 prompt, 8 entry, 9 button, 14 list, ...):
//   1  buttons and check boxes keep to the nearest edge at their size; entries keep their
//      height; everything else is proportional;
//   2  buttons keep to the nearest edge; prompts and single-line controls stay at their
//      height, anchored to the top; lists, groups, sheets and images stretch to the right and
//      bottom;
//   3  every control stays where it is, at its size;
//   4  like 2, but every control is anchored top-left: entries also stretch to the right,
//      and the controls 17 stretch like lists;
//   5  every control stays centred, at its size.
// Any other application strategy gives every control (0, 0): proportional in every way.
ControlStrategies DefaultStrategies(std::uint8_t appStrategy, std::int32_t type);

// Scale factors are kept with four decimal places: this many units make 1.
inline constexpr std::int64_t kScaleUnit = 10000;

// The scale of an axis whose parent was `initial` long and is `now` long, in kScaleUnit units
// (rounded to the nearest unit). A parent that was 0 long gives no ratio; it scales by 1.
std::int64_t AxisScale(int now, int initial);

// The new rectangle of a control with strategies `positional` and `resize`, whose initial
// rectangle was `control`, inside a parent whose initial rectangle was `parentBefore` and is
// `parentAfter` now. Every position comes from the initial layout, so resizing back and forth
// never drifts. Results are rounded to whole units (halves away from zero); a width or height
// that would come out negative (a parent shrunk below the room its margins need) is 0.
Rect ComputeControlRect(std::uint16_t positional, std::uint16_t resize, const Rect& parentBefore,
                        const Rect& control, const Rect& parentAfter);

}  // namespace kv
