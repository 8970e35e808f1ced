// The saved queries in the browse's pop-up menu: the "View" sub-menu and the choice made in it.
#include "framework/browse/PopupManager.h"
#include "framework/query/QueryManager.h"
#include "platform/window/Event.h"

namespace kv {
namespace {

constexpr std::string_view kEmptyText = "Empty       ";  // "Empty" padded to 12 characters
constexpr std::string_view kClearText = "C&lear";
constexpr std::string_view kViewText = "View";

// The item that mimics the query button, after which the sub-menu goes ("" when none). The
// items are read without the manager's lock: this runs on the popup's owning thread, the only
// one that changes them.
std::string QueryButtonItem(const PopupManager& popup, std::int32_t queryControl,
                            std::int32_t* depth) {
  *depth = 1;
  if (!popup.POPUPITEMS || queryControl == 0) return {};
  for (const PopupItem& item : *popup.POPUPITEMS) {
    if (item.MIMICMODE && item.CONTROLID == queryControl) {
      *depth = item.DEPTH;
      return std::string(item.NAME.View());
    }
  }
  return {};
}

}  // namespace

std::string QueryManager::MenuText(std::string_view name) {
  std::string out;
  for (char c : name) {
    switch (c) {
      case '&':
        out += "&&";
        break;
      case '|':
        out += "\xC2\xA6";  // a broken bar: "|" would end the item
        break;
      case '{':
      case '[':
        out += '(';
        break;
      case '}':
        out += ')';
        break;
      default:
        out += c;
    }
  }
  if (!out.empty() && (out[0] == '~' || out[0] == '+' || out[0] == '-' || out[0] == '!')) {
    out.insert(0, " ");  // a mark in front would change the item instead of showing
  }
  return out;
}

void QueryManager::BuildQueryMenu(PopupManager& popup, std::int32_t queryControl) {
  if (!MenuItems) return;
  for (const QueryMenuItem& item : *MenuItems) popup.DeleteItem(item.ItemName.Clipped());
  MenuItems->clear();
  // The separator before "C&lear" is not a query item but goes with them.
  if (!clearSeparatorName_.empty()) popup.DeleteItem(clearSeparatorName_);
  clearSeparatorName_.clear();
  clearName_.clear();

  std::vector<SectorRecord> saved;
  ListSavedQueries(saved);
  bool active = !GetFilter().empty();
  bool haveView = !viewName_.empty() && popup.Locate(viewName_) != 0;

  if ((!saved.empty() || active) && !haveView) {
    std::int32_t depth = 1;
    std::string after = QueryButtonItem(popup, queryControl, &depth);
    if (popup.GetItems() > 0) {
      separatorName_ = popup.AddItem(after, kSeparatorItem, "-", depth);
      after = separatorName_;
    }
    viewName_ = popup.AddItem(after, kViewItem, kViewText, depth);
    popup.SetIcon(viewName_, ViewIcon);
    haveView = !viewName_.empty();
  }
  if (!haveView) return;
  if (saved.empty() && !active) {
    popup.DeleteItem(viewName_);
    if (!separatorName_.empty()) popup.DeleteItem(separatorName_);
    viewName_.clear();
    separatorName_.clear();
    return;
  }

  std::int32_t depth = (*popup.POPUPITEMS)[popup.Locate(viewName_) - 1].DEPTH + 1;
  std::string last = viewName_;
  auto record = [&](std::string_view query, const std::string& item) {
    QueryMenuItem entry;
    entry.QueryName = query;
    entry.ItemName = item;
    MenuItems->push_back(entry);
  };
  if (saved.empty()) {
    last = popup.AddItem(last, kEmptyItem, kEmptyText, depth);
    popup.SetItemEnable(last, false);
    record(kEmptyItem, last);
  }
  for (const SectorRecord& query : saved) {
    last = popup.AddItem(last, kQueryItem, MenuText(query.ITEM), depth);
    popup.SetIcon(last, ItemIcon);
    popup.AddItemEvent(last, kEventNewSelection, queryControl);
    record(query.ITEM, last);
  }
  clearSeparatorName_ = popup.AddItem(last, kClearSeparatorItem, "-", depth);
  clearName_ = popup.AddItem(clearSeparatorName_, kClearItem, kClearText, depth);
  popup.SetIcon(clearName_, ItemIcon);
  popup.AddItemEvent(clearName_, kEventNewSelection, queryControl);
  record(kClearItem, clearName_);
}

bool QueryManager::TakeMenuChoice(PopupManager& popup) {
  if (!MenuEnabled) return false;
  CurrentItem = popup.GetLastSelection();
  const QueryMenuItem* chosen = nullptr;
  if (MenuItems) {
    for (const QueryMenuItem& item : *MenuItems) {
      if (item.ItemName.Clipped() == CurrentItem.Clipped()) chosen = &item;
    }
  }
  // "C&lear" empties the query even when a query was saved under the name "tsQBEClear".
  if (chosen != nullptr && chosen->ItemName.Clipped() != clearName_) {
    RestoreQuery(std::string(chosen->QueryName.Clipped()));
  } else {
    ClearQuery();
  }
  SaveQuery(kMruName);
  return true;
}

}  // namespace kv
