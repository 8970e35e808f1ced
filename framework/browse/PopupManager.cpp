#include "framework/browse/PopupManager.h"

#include <algorithm>
#include <mutex>

#include "platform/thread/LogicalThread.h"
#include "platform/values/Utf8Text.h"
#include "platform/window/Event.h"

namespace kv {
namespace {

constexpr std::size_t kNameBytes = 1024;  // NAME holds at most this much

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Applies the leading marks of an item text ("~" disabled, "+" checked, "-" unchecked) to
// `item` and answers the rest. A text that is exactly "-" is a separator and keeps its text.
std::string_view TakeMarks(std::string_view text, PopupItem& item) {
  if (text == "-") return text;
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    if (text[i] == '~') {
      item.DISABLED = 1;
    } else if (text[i] == '+') {
      item.CHECK = 1;
    } else if (text[i] == '-') {
      item.CHECK = 2;
    } else {
      break;
    }
  }
  return text.substr(i);
}

}  // namespace

PopupManager::~PopupManager() {
  Kill();
}

void PopupManager::Init() {
  std::lock_guard lock(lock_);
  POPUPITEMS = std::make_unique<std::vector<PopupItem>>();
  CLEARKEYCODE = 1;
  MYTHREAD = CurrentThread();
  LASTNUMBERSELECTION = 0;
}

std::vector<PopupItem> PopupManager::Items() const {
  std::lock_guard lock(lock_);
  return POPUPITEMS ? *POPUPITEMS : std::vector<PopupItem>{};
}

std::size_t PopupManager::LocateLocked(std::string_view name) const {
  if (!POPUPITEMS) return 0;
  for (std::size_t i = 0; i < POPUPITEMS->size(); ++i) {
    if ((*POPUPITEMS)[i].NAME.View() == name) return i + 1;
  }
  return 0;
}

std::size_t PopupManager::Locate(std::string_view name) const {
  std::lock_guard lock(lock_);
  return LocateLocked(name);
}

std::string PopupManager::MakeName(std::string_view text) const {
  std::string base;
  if (text == "-") {
    base = "Separator";
  } else {
    for (char c : ClipRight(text)) {
      if (IsNameCharacter(c)) base += c;
    }
  }
  std::lock_guard lock(lock_);
  for (int n = 0;; ++n) {
    std::string suffix = n == 0 ? std::string() : std::to_string(n);
    // Names are cut to what NAME holds, so the candidate must fit before it is compared.
    std::string candidate = base.substr(0, kNameBytes - suffix.size()) + suffix;
    if (LocateLocked(candidate) == 0) return candidate;
  }
}

std::string PopupManager::InsertLocked(std::size_t after, std::string_view name,
                                       std::string_view text, std::int32_t depth) {
  if (!POPUPITEMS) return {};
  PopupItem item;
  item.NAME = MakeName(name);
  item.TEXT = TakeMarks(text, item);
  item.DEPTH = depth;
  after = std::min(after, POPUPITEMS->size());
  POPUPITEMS->insert(POPUPITEMS->begin() + static_cast<std::ptrdiff_t>(after), item);
  return std::string(item.NAME.View());
}

std::string PopupManager::AddItem(std::string_view text) {
  return AddItem(text, text);
}

std::string PopupManager::AddItem(std::string_view text, std::string_view name) {
  std::lock_guard lock(lock_);
  if (!POPUPITEMS) return {};
  std::int32_t depth = POPUPITEMS->empty() ? 1 : POPUPITEMS->back().DEPTH;
  return InsertLocked(POPUPITEMS->size(), name, text, depth);
}

std::string PopupManager::AddItem(std::string_view afterName, std::string_view name,
                                  std::string_view text, std::int32_t depth) {
  std::lock_guard lock(lock_);
  if (!POPUPITEMS) return {};
  std::size_t at = LocateLocked(afterName);
  if (depth == 0) depth = at != 0 ? (*POPUPITEMS)[at - 1].DEPTH : 1;
  return InsertLocked(at != 0 ? at : POPUPITEMS->size(), name, text, depth);
}

std::string PopupManager::AddItemEvent(std::string_view name, std::int32_t event,
                                       std::int32_t control) {
  std::lock_guard lock(lock_);
  if (!POPUPITEMS) return {};
  std::string itemName(name);
  std::size_t at = LocateLocked(name);
  if (at == 0) {
    itemName = AddItem(name);
    at = LocateLocked(itemName);
  }
  PopupItem& item = (*POPUPITEMS)[at - 1];
  item.MIMICMODE = 0;
  item.CONTROLID = control;
  item.EVENT = event;
  item.ONTOOLBOX = 1;
  return itemName;
}

std::string PopupManager::AddItemMimic(std::string_view text, std::string_view name,
                                       std::int32_t control) {
  std::lock_guard lock(lock_);
  std::string itemName = AddItemEvent(name, kEventAccepted, control);
  if (std::size_t at = LocateLocked(itemName); at != 0) {
    PopupItem& item = (*POPUPITEMS)[at - 1];
    item.TEXT = text;
    item.MIMICMODE = 1;
    item.ONTOOLBOX = 1;
  }
  return itemName;
}

void PopupManager::AddMenu(std::string_view menuText, std::string_view afterName) {
  std::lock_guard lock(lock_);
  if (!POPUPITEMS) return;
  std::size_t p = LocateLocked(afterName);
  std::int32_t depth = p != 0 ? (*POPUPITEMS)[p - 1].DEPTH : 1;
  if (p == 0) p = POPUPITEMS->size();  // not found: the items go to the end, in order
  std::string pending;
  auto end = [&] {
    if (!pending.empty()) {
      InsertLocked(p, pending, pending, depth);
      ++p;
    }
    pending.clear();
  };
  for (char c : menuText) {
    if (c == '|') {
      end();
    } else if (c == '{') {
      end();
      ++depth;
    } else if (c == '}') {
      end();
      depth = std::max(1, depth - 1);
    } else {
      pending += c;
    }
  }
  end();
}

void PopupManager::AddSubMenu(std::string_view title, std::string_view subItems,
                              std::string_view afterName) {
  std::string text(title);
  text += '{';
  text += subItems;
  text += '}';
  AddMenu(text, afterName);
}

void PopupManager::DeleteItem(std::string_view name) {
  std::lock_guard lock(lock_);
  if (std::size_t at = LocateLocked(name); at != 0) {
    POPUPITEMS->erase(POPUPITEMS->begin() + static_cast<std::ptrdiff_t>(at - 1));
  }
}

std::int32_t PopupManager::GetItems(bool flag) const {
  std::lock_guard lock(lock_);
  if (!POPUPITEMS) return 0;
  if (!flag) return static_cast<std::int32_t>(POPUPITEMS->size());
  std::int32_t count = 0;
  std::int32_t previous = 1;
  for (const PopupItem& item : *POPUPITEMS) {
    if (item.TEXT.View() != "-" && item.DEPTH <= previous) ++count;
    previous = item.DEPTH;
  }
  return count;
}

std::string PopupManager::GetLastSelection() const {
  std::lock_guard lock(lock_);
  return std::string(LASTSELECTION.View());
}

void PopupManager::SetIcon(std::string_view name, std::string_view icon) {
  std::lock_guard lock(lock_);
  if (std::size_t at = LocateLocked(name); at != 0) (*POPUPITEMS)[at - 1].ICON = icon;
}

void PopupManager::SetItemEnable(std::string_view name, bool enable) {
  std::lock_guard lock(lock_);
  if (std::size_t at = LocateLocked(name); at != 0) {
    PopupItem& item = (*POPUPITEMS)[at - 1];
    if (item.TEXT.View() != "-") item.DISABLED = enable ? 2 : 1;
  }
}

void PopupManager::SetToolbox(std::string_view name, bool onToolbox) {
  std::lock_guard lock(lock_);
  if (std::size_t at = LocateLocked(name); at != 0) {
    (*POPUPITEMS)[at - 1].ONTOOLBOX = onToolbox ? 1 : 0;
  }
}

}  // namespace kv
