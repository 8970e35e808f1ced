// The toolbox: the pop-up manager's items as a tool window of buttons on a thread of its own.
#include <algorithm>
#include <mutex>

#include "framework/browse/PopupManager.h"
#include "platform/thread/LogicalThread.h"
#include "platform/values/Utf8Text.h"
#include "platform/window/EventLoop.h"
#include "platform/window/NaturalSize.h"
#include "platform/window/WindowDefinition.h"

namespace kv {
namespace {

constexpr std::size_t kToolboxStack = 50000;
// How often the buttons follow the items and the buttons they mimic (hundredths of a second).
constexpr int kToolboxRefresh = 50;

bool IsSeparator(const PopupItem& item) {
  return item.TEXT.View() == "-";
}

// The toolbox's buttons: the items on the toolbox that are not sub-menu titles, in order, so
// that button k is the item ItemNameAt(k, true) names.
std::vector<PopupItem> ToolboxItems(const std::vector<PopupItem>& items) {
  std::vector<PopupItem> out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    bool title = i + 1 < items.size() && items[i + 1].DEPTH > items[i].DEPTH;
    if (items[i].ONTOOLBOX && !title) out.push_back(items[i]);
  }
  return out;
}

}  // namespace

void PopupManager::Toolbox(std::string_view title) {
  if (!POPUPITEMS || INTOOLBOX.exchange(1) != 0) return;
  // A toolbox closed a moment ago may still be ending its thread; its buttons list is reused.
  if (int previous = toolboxThread_.load(); previous != 0 && previous != CurrentThread()) {
    JoinThread(previous);
  }
  PARENTWINDOW = Window::Active();
  {
    std::lock_guard lock(lock_);
    stopToolbox_ = false;
  }
  toolboxThread_ =
      StartThread([this, text = std::string(title)] { RunToolbox(text); }, kToolboxStack);
}

void PopupManager::RunToolbox(std::string title) {
  toolboxThread_ = CurrentThread();  // before anything asks OnToolboxThread
  SetOtherControls(true);
  WindowDefinition definition(std::move(title));
  definition.Font("MS Sans Serif,8").Size(kButtonMinWidth, kButtonHeight).Timer(kToolboxRefresh);
  Window toolbox = Window::Open(definition, OpenOptions{WindowKind::kTool, PARENTWINDOW.Id()});
  bool stop = false;
  {
    std::lock_guard lock(lock_);
    stop = stopToolbox_;
    if (!stop) THISWINDOW = toolbox;
  }
  if (!stop) {
    toolButtons_.clear();
    RefreshToolbox(toolbox);
    while (!Ask(0, 0).empty()) {
    }
  }
  toolbox.Close();
  {
    std::lock_guard lock(lock_);
    THISWINDOW = Window();
  }
  SetOtherControls(false);
  INTOOLBOX = 0;  // the last use of the manager on this thread: Kill may free it from now on
}

std::int32_t PopupManager::ServeToolbox(const Window& toolbox) {
  std::int32_t answer = 0;
  RunEventLoop(toolbox, [&](const Event& e) {
    switch (e.code) {
      case kEventAccepted: {
        auto it = std::find(toolButtons_.begin(), toolButtons_.end(), e.control);
        if (it == toolButtons_.end()) return LoopAnswer::kConsumed;
        answer = static_cast<std::int32_t>(it - toolButtons_.begin()) + 1;
        return LoopAnswer::kLeave;
      }
      case kEventCloseWindow:
      case kEventCloseDown:
        answer = 0;
        return LoopAnswer::kDefault;  // the window closes
      case kEventTimer:
        RefreshToolbox(toolbox);
        return LoopAnswer::kConsumed;
      default:
        return LoopAnswer::kDefault;
    }
  });
  return answer;
}

void PopupManager::RefreshToolbox(Window toolbox) {
  std::vector<PopupItem> items = ToolboxItems(Items());
  Window parent = PARENTWINDOW;
  int x = 0;
  int tallest = 0;
  for (std::size_t k = 0; k < items.size(); ++k) {
    PopupItem& item = items[k];
    SyncWithMimic(item, parent);
    std::string label = "?" + std::string(item.NAME.View());
    int number = k < toolButtons_.size() ? toolButtons_[k] : 0;
    if (number != 0) {
      std::optional<Control> shown = toolbox.ControlCopy(number);
      if (!shown || shown->label != label) {  // another item took this place
        toolbox.DestroyControl(number);
        number = 0;
      }
    }
    if (number == 0) {
      number = toolbox.CreateControl(ControlKind::kButton, 0, label);
      if (number == 0) return;  // the window was closed
      if (k < toolButtons_.size()) {
        toolButtons_[k] = number;
      } else {
        toolButtons_.push_back(number);
      }
    }
    std::string_view text = item.TEXT.View();
    std::string_view icon = ClipRight(item.ICON.View());
    bool hasIcon = !icon.empty();
    // Only what changed is set, so that a timer tick with nothing new redraws nothing.
    auto set = [&](auto get, auto put, const auto& value) {
      if ((toolbox.*get)(number) != value) (toolbox.*put)(number, value);
    };
    set(&Window::ControlIcon, &Window::SetControlIcon, hasIcon ? "~" + std::string(icon) : "");
    set(&Window::Tip, &Window::SetTip, hasIcon ? StripHotkeys(text) : std::string());
    set(&Window::Text, &Window::SetText, hasIcon ? std::string() : std::string(text));
    set(&Window::Disabled, &Window::SetDisabled, item.DISABLED == 1);
    Rect size = NaturalButtonSize(text, hasIcon);
    set(&Window::ControlRect, &Window::SetControlRect, Rect{x, 0, size.width, size.height});
    x += size.width;
    tallest = std::max(tallest, size.height);
  }
  while (toolButtons_.size() > items.size()) {
    toolbox.DestroyControl(toolButtons_.back());
    toolButtons_.pop_back();
  }
  Rect place = toolbox.Position();
  if (place.width != x || place.height != tallest) {
    place.width = x;
    place.height = tallest;
    toolbox.SetPosition(place);
  }
}

void PopupManager::SetOtherControls(bool disable) {
  Window parent = PARENTWINDOW;
  for (const PopupItem& item : Items()) {
    if (item.ONTOOLBOX || IsSeparator(item) || item.CONTROLID == 0) continue;
    if (disable) {
      parent.SetDisabled(item.CONTROLID, true);
    } else if (item.DISABLED == 0 || item.DISABLED == 2) {
      parent.SetDisabled(item.CONTROLID, false);
    }
  }
}

void PopupManager::Kill() {
  if (int thread = toolboxThread_.load(); thread != 0 && thread != CurrentThread()) {
    Window toolbox;
    {
      std::lock_guard lock(lock_);
      stopToolbox_ = true;  // a toolbox still opening its window closes it at once
      toolbox = THISWINDOW;
    }
    toolbox.Close();
    JoinThread(thread);
    toolboxThread_ = 0;
  }
  std::lock_guard lock(lock_);
  POPUPITEMS.reset();
}

}  // namespace kv
