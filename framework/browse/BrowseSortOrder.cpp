#include "framework/browse/BrowseSortOrder.h"

namespace kv {

void BrowseSortOrder::SaveResets() {
  if (RESETS) (void)RESETS->AssignLeftToRight();
}

void BrowseSortOrder::RestoreResets() {
  if (RESETS) (void)RESETS->AssignRightToLeft();
}

bool BrowseSortOrder::ResetsChanged() const {
  return RESETS && !RESETS->EqualLeftRight();
}

}  // namespace kv
