#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/resize/ResizeManager.h"
#include "framework/window/WindowManager.h"
#include "platform/window/EventLoop.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "platform/window/WindowModel.h"
#include "tests/support/ThreadProcedure.h"

namespace kv::test {

inline std::string Show(const Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

// Records the change reports of the window model: which controls were moved one by one, and
// how often a window changed as a whole (a batch of deferred moves lands as one such change).
class ChangeRecorder : public ModelObserver {
 public:
  ChangeRecorder() { SetModelObserver(this); }
  ~ChangeRecorder() override { SetModelObserver(nullptr); }

  void WindowOpened(WindowId) override {}
  void WindowClosed(WindowId) override {}
  void WindowChanged(WindowId window, int control) override {
    std::lock_guard lock(mutex_);
    changes_.emplace_back(window, control);
  }
  void BeepRequested() override {}

  // Controls of `window` reported changed one by one, in order.
  std::vector<int> Controls(WindowId window) {
    std::lock_guard lock(mutex_);
    std::vector<int> out;
    for (const auto& [w, c] : changes_) {
      if (w == window && c != 0) out.push_back(c);
    }
    return out;
  }
  int WholeWindowChanges(WindowId window) {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [w, c] : changes_) n += w == window && c == 0 ? 1 : 0;
    return n;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    changes_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<WindowId, int>> changes_;
};

// A resize manager that counts how often it was asked to resize and how often a resize had
// work to do (a non-empty work list).
class CountingResizeManager : public ResizeManager {
 public:
  std::uint8_t Resize(std::int32_t control) override {
    ++calls;
    std::uint8_t r = ResizeManager::Resize(control);
    if (RESIZELIST && !RESIZELIST->empty()) ++layouts;
    return r;
  }
  std::atomic<int> calls{0};
  std::atomic<int> layouts{0};
};

// A procedure whose window has a resize manager, as the program's list and form have: Init
// opens the window, sets the manager up and registers it with the window manager. Tasks
// handed to RunTask run on the procedure's thread from its event loop.
class ResizingProcedure : public WindowManager {
 public:
  static constexpr int kTaskEvent = 1100;

  ResizingProcedure(WindowDefinition definition, std::uint8_t strategy, bool setMinimum)
      : definition_(std::move(definition)), strategy_(strategy), setMinimum_(setMinimum) {}

  ResultLevel Init() override {
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    Open(definition_);
    if (beforeResizer) beforeResizer(*this);
    resizer.Init(strategy_, setMinimum_, false);
    AddItem(resizer);
    window = MYWINDOW.Id();
    return Benign;
  }
  // The window is still open after the base Kill: count the resize handlers it kept.
  ResultLevel Kill() override {
    ResultLevel r = WindowManager::Kill();
    int left = 0;
    for (int code : {kEventFocusGained, kEventSized, kEventStateChanged, kEventDeferredResize}) {
      left += static_cast<int>(MYWINDOW.HandlersFor(code).size());
    }
    handlersAfterKill = left;
    return r;
  }
  ResultLevel TakeWindowEvent() override {
    const Event& e = CurrentEvent();
    if (e.code == kEventDeferredResize) ++deferredEvents;
    if (e.code == kTaskEvent) {
      std::function<void(ResizingProcedure&)> task;
      {
        std::lock_guard lock(taskMutex_);
        task.swap(task_);
      }
      if (task) task(*this);
      return Notify;
    }
    return WindowManager::TakeWindowEvent();
  }

  // Queues `task` for the procedure's thread (the test's thread calls it).
  void PostTask(std::function<void(ResizingProcedure&)> task) {
    {
      std::lock_guard lock(taskMutex_);
      task_ = std::move(task);
    }
    Window(window.load()).Post(kTaskEvent);
  }

  CountingResizeManager resizer;
  std::function<void(ResizingProcedure&)> beforeResizer;  // set before Run
  std::atomic<WindowId> window{0};
  std::atomic<int> deferredEvents{0};
  std::atomic<int> handlersAfterKill{-1};

 private:
  WindowDefinition definition_;
  std::uint8_t strategy_;
  bool setMinimum_;
  std::mutex taskMutex_;
  std::function<void(ResizingProcedure&)> task_;  // guarded by taskMutex_
};

// Runs a ResizingProcedure on a logical thread of its own; the test drives it with gestures
// from its own thread and closes it with Close (or the destructor).
class RunningResize {
 public:
  RunningResize(WindowDefinition definition, std::uint8_t strategy, bool setMinimum = true,
                std::function<void(ResizingProcedure&)> beforeResizer = {})
      : procedure(std::move(definition), strategy, setMinimum), thread_([this, beforeResizer] {
          procedure.beforeResizer = beforeResizer;
          procedure.Run();
        }) {}
  ~RunningResize() { Close(); }

  Window Win() const { return Window(procedure.window.load()); }
  WindowId Id() const { return procedure.window.load(); }
  // Runs `task` on the procedure's thread and waits until everything has settled.
  bool OnThread(std::function<void(ResizingProcedure&)> task) {
    procedure.PostTask(std::move(task));
    return Settle();
  }
  void Close() {
    if (closed_) return;
    closed_ = true;
    if (Win().IsOpen()) (void)CloseBox(Id());
    thread_.Join();
  }

  ResizingProcedure procedure;

 private:
  ThreadProcedure thread_;
  bool closed_ = false;
};

// Opens `definition` on a logical thread of its own, runs `body` there (no event loop: the
// body calls the manager itself) and closes the window.
inline void WithWindow(const WindowDefinition& definition,
                       const std::function<void(Window)>& body) {
  ThreadProcedure thread([&] {
    Window w = Window::Open(definition);
    body(w);
    w.Close();
  });
  thread.Join();
}

}  // namespace kv::test
