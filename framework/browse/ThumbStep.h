#pragma once

#include <cstdint>

#include "platform/values/Value.h"
#include "platform/values/VarRef.h"

namespace kv {

// What a browse needs to place its scroll-bar thumb by value: a mapping between the values
// of a sort order's free element (the first key component that is not range-limited) and
// thumb positions 0..100. A sort order may carry one (BrowseManager::AddSortOrder); the
// browse then places the thumb at the percentile of the highlighted row's value, and a
// dropped thumb repositions the list at the value for that position.
//
// The browse calls, in this order: NeedsLimits; when it answers true and the list is full,
// SetLimits with the values of the first and the last record of the order; then Percentile
// and ValueAt as the user scrolls; Kill when the browse is killed. A step answers Percentile
// 0 for the low limit and 100 for the high one, and ValueAt is its inverse.
//
// Ownership: the procedure owns its steps; the browse only refers to them. Thread: the
// browse's logical thread.
class ThumbStep {
 public:
  virtual ~ThumbStep() = default;

  // The thumb position (0..100) of `value`.
  virtual std::uint8_t Percentile(VarRef value) = 0;
  // A value of the free element's type for thumb position `position` (0..100); a null Value
  // when the step has no limits yet.
  virtual Value ValueAt(std::int16_t position) = 0;
  // Releases what the step holds (its limits); called by the browse's Kill.
  virtual void Kill() = 0;
  // The values of the first and the last record of the order.
  virtual void SetLimits(VarRef low, VarRef high) = 0;
  // True when the browse should read the limits (before the thumb is placed).
  virtual std::uint8_t NeedsLimits() = 0;
};

}  // namespace kv
