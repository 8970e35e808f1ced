#include "platform/window/WindowModel.h"

#include <algorithm>

namespace kv {

void SetModelObserver(ModelObserver* observer) {
  WindowModel::Instance().SetObserver(observer);
}

Control* WindowState::Find(int number) {
  if (number == 0) return nullptr;
  for (Control& c : controls) {
    if (c.number == number) return &c;
  }
  return nullptr;
}

const Control* WindowState::Find(int number) const {
  return const_cast<WindowState*>(this)->Find(number);
}

bool WindowState::Shown(const Control& control) const {
  const Control* c = &control;
  for (int depth = 0; c != nullptr && depth < 32; ++depth) {
    if (c->hidden) return false;
    if (c->parent == 0) return true;
    const Control* parent = Find(c->parent);
    if (parent == nullptr) return true;
    if (parent->kind == ControlKind::kTab) {
      const Control* sheet = Find(parent->parent);
      if (sheet != nullptr) {
        // A sheet without a selected tab shows its first one.
        int shown = sheet->selectedTab;
        if (shown == 0) {
          for (const Control& t : controls) {
            if (t.kind == ControlKind::kTab && t.parent == sheet->number) {
              shown = t.number;
              break;
            }
          }
        }
        if (shown != parent->number || parent->hidden) return false;
      }
      c = sheet;
    } else {
      c = parent;
    }
  }
  return true;
}

bool WindowState::CanFocus(const Control& control) const {
  return control.number > 0 && control.TakesFocus() && !control.disabled && Shown(control);
}

int WindowState::NextFocusable(int from, bool backwards) const {
  std::vector<int> order;
  for (const Control& c : controls) {
    if (CanFocus(c)) order.push_back(c.number);
  }
  if (order.empty()) return 0;
  std::sort(order.begin(), order.end());
  if (backwards) {
    auto it = std::lower_bound(order.begin(), order.end(), from);
    return it == order.begin() ? order.back() : *std::prev(it);
  }
  auto it = std::upper_bound(order.begin(), order.end(), from);
  return it == order.end() ? order.front() : *it;
}

WindowSnapshot WindowState::Snapshot() const {
  WindowSnapshot s;
  s.id = id;
  s.thread = thread;
  s.kind = options.kind;
  s.owner = options.owner;
  s.caption = caption;
  s.font = font;
  s.icon = icon;
  s.rect = rect;
  s.resizable = resizable;
  s.maximized = maximized;
  s.minimized = minimized;
  s.minWidth = minWidth;
  s.minHeight = minHeight;
  s.maxWidth = maxWidth;
  s.maxHeight = maxHeight;
  s.timer = timer;
  s.focus = focus;
  s.focusRequests = focusRequests;
  s.requestedFocus = requestedFocus;
  s.acceptAll = acceptAll;
  s.busy = busy;
  s.controls = controls;
  return s;
}

WindowModel& WindowModel::Instance() {
  static WindowModel* model = new WindowModel;  // never destroyed: threads may outlive statics
  return *model;
}

bool WindowModel::With(WindowId id, const std::function<void(WindowState&)>& fn,
                       int changedControl) {
  {
    std::lock_guard lock(lock_);
    auto it = windows_.find(id);
    if (it == windows_.end()) return false;
    fn(it->second);
  }
  if (changedControl >= 0) ReportChange(id, changedControl);
  return true;
}

bool WindowModel::Read(WindowId id, const std::function<void(const WindowState&)>& fn) {
  std::lock_guard lock(lock_);
  auto it = windows_.find(id);
  if (it == windows_.end()) return false;
  fn(it->second);
  return true;
}

WindowId WindowModel::Add(WindowState state) {
  WindowId id;
  {
    std::lock_guard lock(lock_);
    id = nextId_++;
    state.id = id;
    windows_.emplace(id, std::move(state));
  }
  if (ModelObserver* o = observer_.load()) o->WindowOpened(id);
  return id;
}

bool WindowModel::Remove(WindowId id) {
  {
    std::lock_guard lock(lock_);
    if (windows_.erase(id) == 0) return false;
  }
  if (ModelObserver* o = observer_.load()) o->WindowClosed(id);
  return true;
}

std::vector<WindowId> WindowModel::OpenWindows() {
  std::lock_guard lock(lock_);
  std::vector<WindowId> out;
  for (const auto& [id, w] : windows_) out.push_back(id);
  return out;
}

WindowId WindowModel::ActiveOf(int thread) {
  std::lock_guard lock(lock_);
  WindowId found = 0;
  for (const auto& [id, w] : windows_) {
    if (w.thread == thread) found = id;  // ids grow with opening order
  }
  return found;
}

WindowId WindowModel::Frame() {
  std::lock_guard lock(lock_);
  for (const auto& [id, w] : windows_) {
    if (w.options.kind == WindowKind::kFrame) return id;
  }
  return 0;
}

WindowId WindowModel::NewestFrameChild() {
  std::lock_guard lock(lock_);
  WindowId found = 0;
  for (const auto& [id, w] : windows_) {
    if (w.options.kind == WindowKind::kFrameChild) found = id;  // ids grow with opening order
  }
  return found;
}

void WindowModel::ReportChange(WindowId id, int control) {
  if (ModelObserver* o = observer_.load()) o->WindowChanged(id, control);
}

void WindowModel::ReportBeep() {
  if (ModelObserver* o = observer_.load()) o->BeepRequested();
}

ModelObserver* WindowModel::Observer() {
  return observer_.load();
}

void WindowModel::SetObserver(ModelObserver* observer) {
  observer_.store(observer);
}

}  // namespace kv
