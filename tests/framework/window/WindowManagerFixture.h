#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowManager.h"
#include "framework/window/WindowResizer.h"
#include "platform/window/EventLoop.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "tests/support/ThreadProcedure.h"

namespace kv::test {

// A log shared by the procedure's thread and the test's thread.
class CallLog {
 public:
  void Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> Entries() {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  int Count(const std::string& entry) {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const std::string& e : entries_) n += e == entry ? 1 : 0;
    return n;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

// A component that logs every call as "<name>.<operation>" and answers as told.
class LoggingComponent : public WindowComponent {
 public:
  LoggingComponent(std::string name, CallLog& log) : name_(std::move(name)), log_(log) {}

  void Kill() override { log_.Add(name_ + ".Kill"); }
  void Reset(std::uint8_t force) override {
    log_.Add(name_ + ".Reset(" + std::to_string(force) + ")");
  }
  std::uint8_t ResetRequired() override {
    log_.Add(name_ + ".ResetRequired");
    return resetRequired.exchange(false) ? 1 : 0;
  }
  void SetAlerts() override { log_.Add(name_ + ".SetAlerts"); }
  ResultLevel TakeEvent() override {
    const Event& e = CurrentEvent();
    log_.Add(name_ + ".TakeEvent " + EventName(e.code));
    return e.code == answerFor.load() ? answer.load() : Benign;
  }
  void Update() override { log_.Add(name_ + ".Update"); }
  void UpdateWindow() override { log_.Add(name_ + ".UpdateWindow"); }

  std::atomic<int> answerFor{-1};  // event code answered with `answer`
  std::atomic<ResultLevel> answer{Benign};
  std::atomic<bool> resetRequired{false};  // the next ResetRequired says yes once

 private:
  std::string name_;
  CallLog& log_;
};

// A test procedure: a window with an entry, two buttons, a sheet with two tabs and a list;
// the window manager's own handlers log their calls. `setUp` runs inside Init after the base,
// before the window opens.
class TestProcedure : public WindowManager {
 public:
  static constexpr int kEntry = 1;
  static constexpr int kOk = 2;
  static constexpr int kCancel = 3;
  static constexpr int kSheet = 4;  // tabs 5 and 6
  static constexpr int kList = 7;

  explicit TestProcedure(CallLog& log) : log_(log) {}

  static WindowDefinition Definition() {
    WindowDefinition def("Test Procedure");
    def.Size(200, 150).Resizable();
    def.Entry("?LOC:VALUE", "n3").At(10, 10, 40, 10);
    def.Button("?OK", "OK").At(10, 120, 40, 14);
    def.Button("?CANCEL", "Cancel").At(60, 120, 40, 14);
    def.Sheet("?SHEET").At(10, 30, 180, 80);
    def.Tab("?TAB1", "One");
    def.Tab("?TAB2", "Two");
    def.EndSheet();
    def.List("?LIST", "20L").At(10, 40, 100, 50);
    return def;
  }

  ResultLevel Init() override {
    log_.Add("Init");
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    FIRSTFIELD = kEntry;
    if (setUp) setUp(*this);
    if (initAnswer != Benign) return initAnswer;
    Open(Definition());
    if (afterOpen) afterOpen(*this);
    SetAlerts();
    window = MYWINDOW.Id();
    return Benign;
  }
  ResultLevel Kill() override {
    ResultLevel r = WindowManager::Kill();
    log_.Add("Kill=" + std::to_string(r));
    return r;
  }
  ResultLevel TakeAccepted() override {
    log_.Add("TakeAccepted " + std::to_string(CurrentEvent().control));
    return WindowManager::TakeAccepted();
  }
  ResultLevel TakeWindowEvent() override {
    log_.Add("TakeWindowEvent " + EventName(CurrentEvent().code));
    return WindowManager::TakeWindowEvent();
  }
  ResultLevel TakeFieldEvent() override {
    log_.Add("TakeFieldEvent " + EventName(CurrentEvent().code));
    return WindowManager::TakeFieldEvent();
  }
  ResultLevel TakeNotify(std::int32_t code, std::int32_t thread, std::intptr_t p) override {
    log_.Add("TakeNotify " + std::to_string(code) + " " + std::to_string(thread) + " " +
             std::to_string(p));
    return WindowManager::TakeNotify(code, thread, p);
  }
  ResultLevel InsertAction() override {
    log_.Add("InsertAction");
    return WindowManager::InsertAction();
  }
  ResultLevel ChangeAction() override {
    log_.Add("ChangeAction");
    return WindowManager::ChangeAction();
  }
  ResultLevel DeleteAction() override {
    log_.Add("DeleteAction");
    return WindowManager::DeleteAction();
  }
  ResultLevel SaveOnChangeAction() override {
    log_.Add("SaveOnChangeAction");
    return WindowManager::SaveOnChangeAction();
  }
  ResultLevel SaveOnInsertAction() override {
    log_.Add("SaveOnInsertAction");
    return WindowManager::SaveOnInsertAction();
  }
  void Reset(std::uint8_t force) override {
    log_.Add("Reset");
    WindowManager::Reset(force);
  }

  std::function<void(TestProcedure&)> setUp;
  std::function<void(TestProcedure&)> afterOpen;
  ResultLevel initAnswer = Benign;
  std::atomic<WindowId> window{0};
  std::atomic<int> response{0};

 private:
  CallLog& log_;
};

// Runs a TestProcedure on a logical thread of its own; the test drives it from its thread.
class RunningProcedure {
 public:
  explicit RunningProcedure(CallLog& log, std::function<void(TestProcedure&)> setUp = {},
                            RequestCode request = 0,
                            std::function<void(TestProcedure&)> afterOpen = {})
      : procedure(log), thread_([this, setUp, request, afterOpen] {
          procedure.setUp = setUp;
          procedure.afterOpen = afterOpen;
          procedure.REQUEST = request;
          procedure.response = procedure.Run();
        }) {}

  Window Win() const { return Window(procedure.window.load()); }
  void Join() { thread_.Join(); }
  int Thread() const { return thread_.Number(); }

  TestProcedure procedure;

 private:
  ThreadProcedure thread_;
};

}  // namespace kv::test
