#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/window/Backend.h"

class QWidget;
class QMdiArea;

namespace kv {

class QtWindow;
class QtModalDialogs;

// The desktop backend: mirrors the window model with Qt Widgets and turns what the user does
// to them into the window platform's gestures (UserInput.h), which post events to the owning
// logical threads.
//
// Threads. The GUI thread is the process's main thread; it owns every widget and runs no
// framework code. Model changes arrive on the framework threads that make them (ModelObserver)
// and are recorded as dirty windows and controls; one queued call per batch lets the GUI
// thread re-read the model and update the widgets, so changes coalesce and the GUI never
// waits for a framework thread. Message boxes and pop-up menus asked by a logical thread are
// queued to the GUI thread, shown without a nested event loop, and the asking thread waits
// (counted as blocked for the settled state) until the user answers; several threads may ask
// at once, each gets its own box.
//
// Settled state: the event hub's settled state (every logical thread waiting) and, in
// addition, no model change waiting to be drawn and no modal request waiting to be shown.
//
// Construct it on the GUI thread after the QApplication. Thread: every member may be called
// from any thread unless it says "GUI thread".
class QtBackend final : public QObject, public Backend {
 public:
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  // The backend constructed last and not yet destroyed, or null.
  static QtBackend* Current();

  // Backend.
  ModalServices& Services() override;
  // Runs the session set with SetSession (from inside the event loop), then the Qt event loop
  // until Quit. Thread: the GUI thread.
  int Run() override;
  // Ends Run with `exitCode` and releases threads waiting for a modal answer (they get 0).
  // Calling it again has no further effect.
  void Quit(int exitCode) override;
  int ModifiersAtStart() const override { return modifiersAtStart_; }
  bool QuitRequested();

  // A function run on the GUI thread once Run's event loop has started (scripts, screenshots).
  void SetSession(std::function<void()> session);

  // ModelObserver: records the change and schedules the GUI update.
  void WindowOpened(WindowId window) override;
  void WindowClosed(WindowId window) override;
  void WindowChanged(WindowId window, int control) override;
  void BeepRequested() override;
  int BeepCount();

  // Waits for the settled state (see above). On the GUI thread it keeps processing Qt events
  // while it waits, so it may be called from tests and sessions running there. True when
  // settled within `timeout`.
  bool WaitSettled(std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // True when no model change waits to be drawn and no modal request waits to be shown.
  bool GuiIdle();

  // GUI thread: the widgets of an open window (null when it has none yet).
  QtWindow* WindowView(WindowId window);
  // GUI thread: the widget a user sees as the window (main window, sub-window or top level).
  QWidget* TopLevel(WindowId window);
  // GUI thread: the widget that shows a control (null when none).
  QWidget* ControlWidget(WindowId window, int control);
  // GUI thread: the multiple-document area of the open frame, null without a frame.
  QMdiArea* FrameArea();
  // GUI thread: the message boxes and pop-up menus being shown, oldest first.
  QtModalDialogs& Dialogs();

 private:
  struct Dirty {
    bool opened = false;
    bool closed = false;
    bool window = false;     // window properties or the set of controls changed
    std::set<int> controls;  // controls whose properties changed
  };

  void Mark(WindowId window, const std::function<void(Dirty&)>& change);
  void Flush();  // GUI thread
  void Apply(WindowId window, const Dirty& dirty);
  // Removes a window's widgets, and first those of the windows shown over it (its widgets'
  // children); an owned window still open is then shown again on its own.
  void DropView(WindowId window);
  void CloseDown();

  std::mutex mutex_;  // guards the members up to beeps_
  std::map<WindowId, Dirty> dirty_;
  bool flushQueued_ = false;
  bool applying_ = false;
  int beeps_ = 0;

  std::map<WindowId, std::unique_ptr<QtWindow>> views_;  // GUI thread only
  std::map<WindowId, WindowId> owners_;                  // window -> its owner; GUI thread only
  std::unique_ptr<QtModalDialogs> dialogs_;              // its own locking
  std::atomic<bool> quit_{false};
  std::function<void()> session_;  // set before Run
  int modifiersAtStart_ = 0;       // read once, on the GUI thread, when constructed
};

}  // namespace kv
