// The menu side of the pop-up manager: what an item shows, the menu-definition string, the
// numbering of the items that can be chosen, and acting on a choice.
#include <algorithm>
#include <mutex>

#include "framework/browse/PopupManager.h"
#include "framework/window/WindowTranslator.h"
#include "platform/thread/LogicalThread.h"
#include "platform/values/Utf8Text.h"
#include "platform/window/EventLoop.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/ModalServices.h"
#include "platform/window/SystemProperty.h"

namespace kv {
namespace {

constexpr std::size_t kTipBytes = 100;

bool IsSeparator(const PopupItem& item) {
  return item.TEXT.View() == "-";
}

// True when the item at `i` can be chosen: not a sub-menu title, and not a separator (menu)
// or on the toolbox (toolbox).
bool Selectable(const std::vector<PopupItem>& items, std::size_t i, bool toolbox) {
  if (i + 1 < items.size() && items[i + 1].DEPTH > items[i].DEPTH) return false;
  return toolbox ? items[i].ONTOOLBOX != 0 : !IsSeparator(items[i]);
}

}  // namespace

void PopupManager::SyncWithMimic(PopupItem& item, const Window& window) {
  if (!item.MIMICMODE) return;
  std::string text = window.Text(item.CONTROLID);
  std::string_view own = item.TEXT.View();
  if (!ClipRight(text).empty() && (own.starts_with('!') || ClipRight(own).empty())) {
    item.TEXT = text;
  }
  if (item.TEXT.View().starts_with('!')) item.TEXT = std::string(item.TEXT.View().substr(1));
  if (item.DISABLED == 0) item.DISABLED = window.Disabled(item.CONTROLID) ? 1 : 2;
  if (ClipRight(item.ICON.View()).empty()) item.ICON = window.ControlIcon(item.CONTROLID);
}

std::string PopupManager::BuildMenuText() const {
  std::vector<PopupItem> items = Items();
  Window window = TargetWindow();
  for (PopupItem& item : items) SyncWithMimic(item, window);
  bool anyIcon = std::any_of(items.begin(), items.end(), [](const PopupItem& item) {
    return !ClipRight(item.ICON.View()).empty();
  });
  const std::string showIcons = SystemProperty(kSystemPropMenuIcons);
  std::string out;
  std::int32_t previous = 1;
  for (const PopupItem& item : items) {
    out += item.DEPTH == previous ? '|' : item.DEPTH > previous ? '{' : '}';
    previous = item.DEPTH;
    if (IsSeparator(item)) {
      out += '-';  // marks would make it an entry of its own
      continue;
    }
    if (item.DISABLED == 1) out += '~';
    if (item.CHECK == 1) {
      out += '+';
    } else if (item.CHECK == 2) {
      out += '-';
    }
    if (anyIcon) {
      out += '[';
      if (std::string_view icon = ClipRight(item.ICON.View()); !icon.empty()) {
        out += std::to_string(kMenuPropIcon) + "(~";
        out += icon;
        out += "),";
      }
      out += std::to_string(kMenuPropShowIcon) + "(" + showIcons + ")]";
    }
    std::string text(item.TEXT.View());
    if (TRANSLATOR != nullptr) text = TRANSLATOR->TranslateText(text);
    out += text.empty() ? std::string(" ") : text;  // "||" would drop the entry
  }
  return out;
}

std::string PopupManager::ItemNameAt(std::int32_t n, bool toolbox) const {
  std::vector<PopupItem> items = Items();
  std::int32_t count = 0;
  for (std::size_t i = 0; i < items.size() && n > 0; ++i) {
    if (Selectable(items, i, toolbox) && ++count == n) return std::string(items[i].NAME.View());
  }
  return {};
}

std::string PopupManager::StripHotkeys(std::string_view text) {
  std::string out = StripHotKeyMarks(text);
  out.resize(Utf8CutLength(out, kTipBytes));
  return out;
}

bool PopupManager::OnToolboxThread() const {
  int thread = toolboxThread_.load();
  return thread != 0 && thread == CurrentThread();
}

Window PopupManager::TargetWindow() const {
  return OnToolboxThread() ? PARENTWINDOW : Window::Active(MYTHREAD);
}

std::int32_t PopupManager::ShowMenu(std::int32_t x, std::int32_t y) {
  PopupMenuRequest request;
  request.definition = BuildMenuText();
  request.x = x;
  request.y = y;
  return Modal().ShowPopupMenu(request);
}

std::string PopupManager::Ask(std::int32_t x, std::int32_t y) {
  SetKeyCode(0);
  // Only the toolbox's own thread runs the toolbox window's loop; a menu asked meanwhile by
  // the owner is shown as a menu.
  bool toolbox = INTOOLBOX.load() != 0 && OnToolboxThread();
  Window target = TargetWindow();
  std::int32_t answer = 0;
  if (toolbox) {
    Window window;
    {
      std::lock_guard lock(lock_);
      window = THISWINDOW;
    }
    answer = ServeToolbox(window);
  } else {
    answer = ShowMenu(x, y);
  }
  std::string name = answer != 0 ? ItemNameAt(answer, toolbox) : std::string();
  {
    std::lock_guard lock(lock_);
    LASTNUMBERSELECTION = answer;
    LASTSELECTION = name;
    name = std::string(LASTSELECTION.View());
  }
  if (!ClipRight(name).empty()) ActOnChoice(name, target);
  return name;
}

void PopupManager::ActOnChoice(const std::string& name, const Window& target) {
  PopupItem item;
  {
    std::lock_guard lock(lock_);
    std::size_t at = LocateLocked(name);
    if (at == 0) return;
    item = (*POPUPITEMS)[at - 1];
  }
  if (item.EVENT == 0 && !item.MIMICMODE) return;
  // The item may have been disabled, or its button disabled or removed, since the menu was
  // built: pressing a disabled button would run an action the window does not offer now.
  SyncWithMimic(item, target);
  if (item.DISABLED == 1) return;
  if (item.MIMICMODE && (!target.HasControl(item.CONTROLID) || target.Disabled(item.CONTROLID))) {
    return;
  }
  if (CLEARKEYCODE) SetKeyCode(0);
  int code = item.MIMICMODE ? kEventAccepted : item.EVENT;
  if (target.Id() != 0) {
    (void)target.Post(code, item.CONTROLID);
  } else {
    (void)PostToThread(MYTHREAD, code, item.CONTROLID);
  }
}

}  // namespace kv
