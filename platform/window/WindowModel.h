#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/window/Window.h"

namespace kv {

// Receives every change of the window model. The installed backend implements it: the
// headless backend only counts changes, the desktop backend mirrors them on screen with
// queued calls. Calls come on the framework thread that made the change, after the model
// lock was released; they must not block and must not wait for a framework thread.
class ModelObserver {
 public:
  virtual ~ModelObserver() = default;
  virtual void WindowOpened(WindowId window) = 0;
  virtual void WindowClosed(WindowId window) = 0;
  // `control` 0: a property of the window itself changed.
  virtual void WindowChanged(WindowId window, int control) = 0;
  virtual void BeepRequested() = 0;
};

// Installs the observer (not owned; nullptr for none). Thread: any.
void SetModelObserver(ModelObserver* observer);

// The state of one open window. Internal to the window model: reached only through
// WindowModel::With while holding its lock.
struct WindowState {
  WindowId id = 0;
  int thread = 0;
  OpenOptions options;
  std::string caption;
  std::string font;
  std::string icon;
  Rect rect;
  bool resizable = false;
  bool maximized = false;
  bool minimized = false;
  int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
  int timer = 0;
  int focus = 0;
  int focusRequests = 0;   // how often the program asked for the focus (Window::Select)
  int requestedFocus = 0;  // the control it asked for last
  bool acceptAll = false;
  int acceptAllLast = 0;  // number of the last control accept-all validated
  bool busy = false;
  int nextCreated = 0;  // next number for a run-time control
  // Deferred moves (Window::SetDeferredMoveCount): while the count is not 0, control moves
  // wait in pendingMoves (control number, rectangle), in order of moving.
  int deferredMoves = 0;
  std::vector<std::pair<int, Rect>> pendingMoves;
  std::vector<Control> controls;
  std::map<int, std::string> properties;
  struct Handler {
    int id;
    int code;
    WindowEventHandler fn;
  };
  std::vector<Handler> handlers;

  Control* Find(int number);
  const Control* Find(int number) const;
  // True when the control is shown: neither it nor the sheet holding it is hidden, and when it
  // lies on a tab page, that page is the one its sheet shows.
  bool Shown(const Control& control) const;
  // True when the control can have the focus now: a kind that takes it, shown and enabled.
  bool CanFocus(const Control& control) const;
  // The control that Tab (or Shift+Tab, `backwards`) reaches from control `from`: the next one
  // in number order that can have the focus, wrapping round; 0 when none can. `from` may be 0
  // (start from the beginning) or a control that cannot have the focus.
  int NextFocusable(int from, bool backwards = false) const;
  WindowSnapshot Snapshot() const;
};

// The registry of open windows. `lock_` (the model lock) guards every window's state; no
// binding, list source, handler or observer is ever called while it is held.
class WindowModel {
 public:
  static WindowModel& Instance();

  // Runs `fn` on the window's state with the model lock held; returns false (without calling
  // it) when the window is not open. `changedControl`, when not negative, is reported to the
  // observer as changed after the lock is released (0: the window itself).
  bool With(WindowId id, const std::function<void(WindowState&)>& fn, int changedControl = -1);
  // Read-only variant; reports nothing.
  bool Read(WindowId id, const std::function<void(const WindowState&)>& fn);

  WindowId Add(WindowState state);  // assigns the id; reports the opening
  bool Remove(WindowId id);         // reports the closing; false when not open
  std::vector<WindowId> OpenWindows();
  WindowId ActiveOf(int thread);  // most recent open window of the thread, 0 for none
  WindowId Frame();               // the open application frame, 0 for none
  WindowId NewestFrameChild();    // the frame child opened last that is still open, 0 for none

  void ReportChange(WindowId id, int control);
  void ReportBeep();
  ModelObserver* Observer();
  void SetObserver(ModelObserver* observer);

 private:
  std::mutex lock_;
  std::map<WindowId, WindowState> windows_;  // guarded by lock_
  WindowId nextId_ = 1;                      // guarded by lock_
  std::atomic<ModelObserver*> observer_{nullptr};
};

}  // namespace kv
