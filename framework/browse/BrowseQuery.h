#pragma once

#include <cstdint>
#include <string>

#include "platform/values/FixedText.h"

namespace kv {

class PopupManager;

// What a browse needs of its query by example: the entry window, the filter the entered values
// stand for, and the saved queries in the browse's pop-up menu. The query manager
// (framework/query/QueryManager.h) implements it; the browse reaches it through its QUERY field
// and never depends on the query folder.
//
// Thread: the browse's window thread.
class BrowseQuery {
 public:
  virtual ~BrowseQuery() = default;

  std::uint8_t MenuEnabled = 1;  // off: the saved queries are neither listed nor chosen
  String<100> CurrentItem;       // the pop-up item chosen last; the query button clears it

  // Lets the user enter the query; true when confirmed.
  virtual bool Ask() = 0;
  // The filter the entered values stand for ("" for none).
  virtual std::string GetFilter() = 0;
  // Rebuilds the saved-query items of `popup`, which post the new-selection event to
  // `queryControl` when chosen.
  virtual void BuildQueryMenu(PopupManager& popup, std::int32_t queryControl) = 0;
  // After such an item was chosen: true when the query changed and is to be applied.
  virtual bool TakeMenuChoice(PopupManager& popup) = 0;
};

}  // namespace kv
