#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QtTest/QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/gui/QtBackend.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/EventLoop.h"
#include "platform/window/Window.h"
#include "tests/support/ThreadProcedure.h"

namespace kv::test {

// Installs a desktop backend for one test; closes every window the test left open and lets
// the GUI catch up before the backend goes.
class QtFixture : public ::testing::Test {
 protected:
  void SetUp() override { InstallBackend(&backend); }
  void TearDown() override {
    for (WindowId id : Window::OpenWindows()) Window(id).Close();
    // With every procedure ended nothing can settle; the GUI only has to catch up.
    for (int i = 0; i < 1000 && !backend.GuiIdle(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    InstallBackend(nullptr);
  }
  // Settled, or every procedure has ended (a closed window ends its procedure's thread) and
  // the GUI has caught up.
  bool Settle() {
    for (int i = 0; i < 600; ++i) {
      if (backend.WaitSettled(std::chrono::milliseconds(50))) return true;
      if (LiveThreadCount() == 0 && backend.GuiIdle()) return true;
    }
    return false;
  }
  template <class W>
  W* Widget(WindowId window, int control) {
    return qobject_cast<W*>(backend.ControlWidget(window, control));
  }
  QtWindow* View(WindowId window) { return backend.WindowView(window); }
  // Keeps the GUI running until `done` holds (at most 30 s); answers whether it does.
  // processEvents returns at once when nothing is queued, so the wait is bounded by the clock,
  // not by a count of rounds: another thread may still be on its way to post the answer.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }

  QtBackend backend;
};

// Events one loop saw, as "name:control[:key]", shared between the procedure and the test.
class Recorder {
 public:
  void Add(const Event& e) {
    std::lock_guard lock(mutex_);
    std::string s = EventName(e.code) + ":" + std::to_string(e.control);
    seen_.push_back(s);
    threads_.push_back(CurrentThread());
    keys_.push_back(e.keyCode);
  }
  // Events other than the ones every opening and focus change produces.
  std::vector<std::string> Interesting() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const std::string& s : seen_) {
      if (s.rfind("open window", 0) == 0 || s.rfind("sized", 0) == 0 ||
          s.rfind("selected", 0) == 0 || s.rfind("focus", 0) == 0) {
        continue;
      }
      out.push_back(s);
    }
    return out;
  }
  // Every event, the focus changes included.
  std::vector<std::string> All() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  std::vector<int> Threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }
  std::vector<int> Keys() {
    std::lock_guard lock(mutex_);
    return keys_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    seen_.clear();
    threads_.clear();
    keys_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::vector<int> threads_;
  std::vector<int> keys_;
};

// Runs `definition` as a window procedure on a logical thread of its own: opens it, runs its
// event loop recording every event, and ends when the window closes. `setup` runs on that
// thread after the window opened (bindings, list sources).
class WindowProcedure {
 public:
  WindowProcedure(WindowDefinition definition, OpenOptions options = {},
                  std::function<void(Window&)> setup = {})
      : proc_([this, definition = std::move(definition), options, setup = std::move(setup)] {
          Window w = Window::Open(definition, options);
          if (setup) setup(w);
          id_ = w.Id();
          {
            std::lock_guard lock(mutex_);
            opened_ = true;
          }
          opened_cv_.notify_all();
          RunEventLoop(w, [this](const Event& e) {
            recorder.Add(e);
            return LoopAnswer::kDefault;
          });
        }) {
    std::unique_lock lock(mutex_);
    opened_cv_.wait(lock, [this] { return opened_; });
  }
  // The window closes first, so that the procedure's loop ends and its thread can be joined.
  ~WindowProcedure() { Window(id_).Close(); }
  WindowId Id() const { return id_; }
  int Thread() const { return proc_.Number(); }
  Window W() const { return Window(id_); }
  Recorder recorder;

 private:
  std::mutex mutex_;
  std::condition_variable opened_cv_;
  bool opened_ = false;
  std::atomic<WindowId> id_{0};
  ThreadProcedure proc_;
};

}  // namespace kv::test
