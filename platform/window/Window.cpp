#include "platform/window/Window.h"

#include <algorithm>
#include <cctype>

#include "platform/thread/LogicalThread.h"
#include "platform/window/ControlAccess.h"
#include "platform/window/EventHub.h"
#include "platform/window/FrameClosing.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

WindowModel& M() {
  return WindowModel::Instance();
}

// How far a frame child opened over another is moved down and right, in dialog units.
constexpr int kCascadeStep = 16;

using control_access::ChangeControl;
using control_access::ReadControl;

template <class T, class F>
T ReadWindow(WindowId id, T fallback, F f) {
  T out = fallback;
  M().Read(id, [&](const WindowState& w) { out = f(w); });
  return out;
}

template <class F>
void ChangeWindow(WindowId id, F f) {
  M().With(
      id, [&](WindowState& w) { f(w); }, 0);
}

bool SameLabel(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

Window Window::Open(const WindowDefinition& def, const OpenOptions& options) {
  EventHub& hub = EventHub::Instance();
  int thread = CurrentThread();
  WindowState s;
  s.thread = thread;
  s.options = options;
  if (options.kind == WindowKind::kFrame && M().Frame() != 0)
    s.options.kind = WindowKind::kOrdinary;
  if (options.kind == WindowKind::kFrameChild && M().Frame() == 0) {
    s.options.kind = WindowKind::kOrdinary;
  }
  s.caption = def.Caption();
  s.font = def.font;
  s.icon = def.icon;
  s.rect = def.rect;
  s.resizable = def.resizable;
  s.maximized = def.maximized;
  s.minimized = def.minimized;
  s.minWidth = def.minWidth;
  s.minHeight = def.minHeight;
  s.maxWidth = def.maxWidth;
  s.maxHeight = def.maxHeight;
  s.timer = def.timer;
  s.controls = def.Controls();
  if (s.options.kind == WindowKind::kFrameChild && s.rect.x == 0 && s.rect.y == 0) {
    // A frame child without a place of its own opens a little below and right of the window
    // it belongs with: its thread's window in front (a form over its list), else the frame
    // child opened last (a second list beside the first).
    WindowId near = M().ActiveOf(thread);
    bool child = false;
    M().Read(near,
             [&](const WindowState& w) { child = w.options.kind == WindowKind::kFrameChild; });
    if (!child) near = M().NewestFrameChild();
    M().Read(near, [&](const WindowState& w) {
      s.rect.x = w.rect.x + kCascadeStep;
      s.rect.y = w.rect.y + kCascadeStep;
    });
  }
  int highest = 0;
  for (const Control& c : s.controls) highest = std::max(highest, c.number);
  s.nextCreated = highest + 1;
  WindowId previous = M().ActiveOf(thread);
  WindowId id = M().Add(std::move(s));
  if (previous != 0) hub.Post(thread, Event{kEventFocusLost, 0, previous, 0});
  hub.Post(thread, Event{kEventOpenWindow, 0, id, 0});
  hub.Post(thread, Event{kEventSized, 0, id, 0});
  return Window(id);
}

Window Window::Active(int thread) {
  return Window(M().ActiveOf(thread == 0 ? CurrentThread() : thread));
}

std::vector<WindowId> Window::OpenWindows() {
  return M().OpenWindows();
}

bool Window::IsOpen() const {
  return M().Read(id_, [](const WindowState&) {});
}

int Window::Thread() const {
  return ReadWindow(id_, 0, [](const WindowState& w) { return w.thread; });
}

void Window::Close() {
  int thread = Thread();
  if (!M().Remove(id_)) return;
  EventHub& hub = EventHub::Instance();
  hub.ForgetWindow(id_);
  WindowId next = M().ActiveOf(thread);
  if (next != 0) hub.Post(thread, Event{kEventFocusGained, 0, next, 0});
  // The owner may be blocked waiting for this window's events: an empty event wakes it so
  // that its loop sees the window closed.
  if (thread != CurrentThread()) hub.Post(thread, Event{});
  // A frame that is closing waits for the windows of other threads (FrameClosing.h).
  NoteWindowClosed(thread);
}

std::string Window::Caption() const {
  return ReadWindow(id_, std::string(), [](const WindowState& w) { return w.caption; });
}
void Window::SetCaption(std::string caption) {
  ChangeWindow(id_, [&](WindowState& w) { w.caption = std::move(caption); });
}
Rect Window::Position() const {
  return ReadWindow(id_, Rect{}, [](const WindowState& w) { return w.rect; });
}
void Window::SetPosition(const Rect& rect) {
  ChangeWindow(id_, [&](WindowState& w) {
    Rect r = rect;
    if (w.minWidth > 0) r.width = std::max(r.width, w.minWidth);
    if (w.minHeight > 0) r.height = std::max(r.height, w.minHeight);
    if (w.maxWidth > 0) r.width = std::min(r.width, w.maxWidth);
    if (w.maxHeight > 0) r.height = std::min(r.height, w.maxHeight);
    w.rect = r;
  });
}
void Window::StepClearOfFrameChildren() {
  bool child = false;
  Rect mine;
  M().Read(id_, [&](const WindowState& w) {
    child = w.options.kind == WindowKind::kFrameChild;
    mine = w.rect;
  });
  if (!child) return;
  std::vector<std::pair<int, int>> corners;
  for (WindowId other : M().OpenWindows()) {
    if (other == id_) continue;
    M().Read(other, [&](const WindowState& w) {
      if (w.options.kind == WindowKind::kFrameChild) corners.emplace_back(w.rect.x, w.rect.y);
    });
  }
  bool moved = false;
  // Each step clears one corner at most, so the loop ends.
  for (std::size_t step = 0; step <= corners.size(); ++step) {
    if (std::find(corners.begin(), corners.end(), std::make_pair(mine.x, mine.y)) == corners.end())
      break;
    mine.x += kCascadeStep;
    mine.y += kCascadeStep;
    moved = true;
  }
  if (moved) SetPosition(mine);
}
Rect Window::ClientArea() const {
  return ReadWindow(id_, Rect{}, [](const WindowState& w) {
    return Rect{0, 0, w.rect.width, w.rect.height};
  });
}
bool Window::Resizable() const {
  return ReadWindow(id_, false, [](const WindowState& w) { return w.resizable; });
}
void Window::SetResizable(bool on) {
  ChangeWindow(id_, [&](WindowState& w) { w.resizable = on; });
}
bool Window::Maximized() const {
  return ReadWindow(id_, false, [](const WindowState& w) { return w.maximized; });
}
void Window::SetMaximized(bool on) {
  ChangeWindow(id_, [&](WindowState& w) {
    w.maximized = on;
    if (on) w.minimized = false;
  });
}
bool Window::Minimized() const {
  return ReadWindow(id_, false, [](const WindowState& w) { return w.minimized; });
}
void Window::SetMinimized(bool on) {
  ChangeWindow(id_, [&](WindowState& w) {
    w.minimized = on;
    if (on) w.maximized = false;
  });
}
void Window::MinimumSize(int* width, int* height) const {
  *width = *height = 0;
  M().Read(id_, [&](const WindowState& w) {
    *width = w.minWidth;
    *height = w.minHeight;
  });
}
void Window::SetMinimumSize(int width, int height) {
  ChangeWindow(id_, [&](WindowState& w) {
    w.minWidth = width;
    w.minHeight = height;
  });
}
void Window::MaximumSize(int* width, int* height) const {
  *width = *height = 0;
  M().Read(id_, [&](const WindowState& w) {
    *width = w.maxWidth;
    *height = w.maxHeight;
  });
}
void Window::SetMaximumSize(int width, int height) {
  ChangeWindow(id_, [&](WindowState& w) {
    w.maxWidth = width;
    w.maxHeight = height;
  });
}
std::string Window::WindowProperty(int number) const {
  return ReadWindow(id_, std::string(), [&](const WindowState& w) {
    auto it = w.properties.find(number);
    return it == w.properties.end() ? std::string() : it->second;
  });
}
void Window::SetWindowProperty(int number, std::string value) {
  ChangeWindow(id_, [&](WindowState& w) { w.properties[number] = std::move(value); });
}
WindowSnapshot Window::Snapshot() const {
  return ReadWindow(id_, WindowSnapshot{}, [](const WindowState& w) { return w.Snapshot(); });
}

bool Window::HasControl(int control) const {
  return ReadControl(id_, control, false, [](const Control&) { return true; });
}
int Window::Find(std::string_view label) const {
  return ReadWindow(id_, 0, [&](const WindowState& w) {
    for (const Control& c : w.controls) {
      if (c.number != 0 && SameLabel(c.label, label)) return c.number;
    }
    return 0;
  });
}
std::vector<int> Window::ControlNumbers() const {
  return ReadWindow(id_, std::vector<int>(), [](const WindowState& w) {
    std::vector<int> out;
    for (const Control& c : w.controls) {
      if (c.number != 0) out.push_back(c.number);
    }
    return out;
  });
}
std::optional<Control> Window::ControlCopy(int control) const {
  return ReadControl(id_, control, std::optional<Control>(),
                     [](const Control& c) { return std::optional<Control>(c); });
}
ControlKind Window::Kind(int control) const {
  return ReadControl(id_, control, ControlKind::kPrompt, [](const Control& c) { return c.kind; });
}
int Window::ParentControl(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return c.parent; });
}

#define KV_CONTROL_FIELD(Getter, Setter, Type, field, fallback)                                 \
  Type Window::Getter(int control) const {                                                      \
    return ReadControl(id_, control, Type(fallback), [](const Control& c) { return c.field; }); \
  }                                                                                             \
  void Window::Setter(int control, Type value) {                                                \
    ChangeControl(id_, control, [&](Control& c) { c.field = std::move(value); });               \
  }

KV_CONTROL_FIELD(Text, SetText, std::string, text, "")
KV_CONTROL_FIELD(Hidden, SetHidden, bool, hidden, false)
KV_CONTROL_FIELD(ReadOnly, SetReadOnly, bool, readOnly, false)
KV_CONTROL_FIELD(IsDefaultButton, SetDefaultButton, bool, isDefault, false)
KV_CONTROL_FIELD(Checked, SetChecked, bool, checked, false)
KV_CONTROL_FIELD(ControlIcon, SetControlIcon, std::string, icon, "")
KV_CONTROL_FIELD(Tip, SetTip, std::string, tip, "")
KV_CONTROL_FIELD(TextColor, SetTextColor, int, textColor, -1)
KV_CONTROL_FIELD(EntryPicture, SetEntryPicture, std::string, picture, "")
KV_CONTROL_FIELD(ScrollBar, SetScrollBar, bool, scrollBar, false)
KV_CONTROL_FIELD(Immediate, SetImmediate, bool, immediate, false)
KV_CONTROL_FIELD(Disabled, SetDisabled, bool, disabled, false)
#undef KV_CONTROL_FIELD

Rect Window::ControlRect(int control) const {
  return ReadControl(id_, control, Rect{}, [](const Control& c) { return c.rect; });
}
void Window::SetControlRect(int control, const Rect& rect) {
  bool moved = false;
  M().With(id_, [&](WindowState& w) {
    Control* c = w.Find(control);
    if (c == nullptr) return;
    if (w.deferredMoves == 0) {
      c->rect = rect;
      moved = true;
      return;
    }
    for (auto& pending : w.pendingMoves) {
      if (pending.first == control) {
        pending.second = rect;
        return;
      }
    }
    w.pendingMoves.emplace_back(control, rect);
  });
  if (moved) M().ReportChange(id_, control);
}
int Window::DeferredMoveCount() const {
  return ReadWindow(id_, 0, [](const WindowState& w) { return w.deferredMoves; });
}
void Window::SetDeferredMoveCount(int count) {
  bool applied = false;
  M().With(id_, [&](WindowState& w) {
    w.deferredMoves = count;
    if (count != 0) return;
    // All pending moves land under one hold of the model lock: nobody sees half a layout.
    for (const auto& [number, rect] : w.pendingMoves) {
      if (Control* c = w.Find(number)) {
        c->rect = rect;
        applied = true;
      }
    }
    w.pendingMoves.clear();
  });
  if (applied) M().ReportChange(id_, 0);
}
std::string Window::Property(int control, int number) const {
  return ReadControl(id_, control, std::string(), [&](const Control& c) {
    auto it = c.properties.find(number);
    return it == c.properties.end() ? std::string() : it->second;
  });
}
void Window::SetProperty(int control, int number, std::string value) {
  ChangeControl(id_, control, [&](Control& c) { c.properties[number] = std::move(value); });
}

void Window::SetAlert(int control, int position, int keyCode) {
  if (position < 1 || position > 255) return;
  ChangeControl(id_, control, [&](Control& c) {
    if (keyCode == 0) {
      c.alerts.erase(position);
      return;
    }
    auto held = c.alerts.find(position);
    if (held != c.alerts.end() && held->second != keyCode) {
      // Both keys stay alerted: the one written before moves to the highest free position.
      for (int free = 255; free >= 1; --free) {
        if (c.alerts.count(free) == 0) {
          c.alerts[free] = held->second;
          break;
        }
      }
    }
    c.alerts[position] = keyCode;
  });
}
int Window::Alert(int control, int position) const {
  return ReadControl(id_, control, 0, [&](const Control& c) {
    auto it = c.alerts.find(position);
    return it == c.alerts.end() ? 0 : it->second;
  });
}
void Window::ClearAlerts(int control) {
  ChangeControl(id_, control, [](Control& c) { c.alerts.clear(); });
}
bool Window::IsAlerted(int control, int keyCode) const {
  return ReadControl(id_, control, false, [&](const Control& c) {
    for (const auto& [position, key] : c.alerts) {
      if (key == keyCode) return true;
    }
    return false;
  });
}

int Window::Timer() const {
  return ReadWindow(id_, 0, [](const WindowState& w) { return w.timer; });
}
void Window::SetTimer(int hundredths) {
  ChangeWindow(id_, [&](WindowState& w) { w.timer = std::max(0, hundredths); });
}
void Window::SetBusy(bool on) {
  ChangeWindow(id_, [&](WindowState& w) { w.busy = on; });
}

bool Window::Post(int code, int control, int keyCode) const {
  int thread = Thread();
  if (thread == 0) return false;
  return EventHub::Instance().Post(thread, Event{code, control, id_, keyCode});
}

bool Window::Busy() const {
  return ReadWindow(id_, false, [](const WindowState& w) { return w.busy; });
}

void SetBusyCursor(bool on) {
  Window active = Window::Active();
  if (active.IsOpen()) active.SetBusy(on);
}

void Beep() {
  WindowModel::Instance().ReportBeep();
}

}  // namespace kv
