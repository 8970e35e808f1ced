#pragma once

#include <memory>

#include "framework/data/ViewManager.h"
#include "framework/data/FieldPairList.h"

namespace kv {

class Locator;
class ThumbStep;

// One sort order of a browse (a row of its SORT queue): what the view manager keeps per order
// (filters, free element, range limit, key, order text, range pairs) plus the browse's three
// companions: the locator that repositions the list when the user types, the reset fields
// whose change forces a reload, and the thumb step that maps the scroll-bar thumb to values
// of the free element.
//
// Ownership: the locator and the thumb step belong to the procedure (the browse only refers
// to them); RESETS belongs to the row. Thread: the browse's logical thread.
struct BrowseSortOrder : OrderRow {
  Locator* LOCATOR = nullptr;
  // Reset fields: left = the watched field, right = its value saved when the order was applied.
  std::unique_ptr<FieldPairList> RESETS;
  ThumbStep* THUMB = nullptr;

  // Saves the reset fields' values (right := left).
  void SaveResets();
  // Puts the saved values back (left := right).
  void RestoreResets();
  // True when a watched field differs from its saved value.
  bool ResetsChanged() const;
};

}  // namespace kv
