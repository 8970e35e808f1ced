#pragma once

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "framework/errors/ErrorManager.h"
#include "platform/RuntimeError.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/ModalServices.h"

namespace kv::testing {

// Stands in for the backend's message box only: records every request and answers with the
// scripted buttons in order (the request's default button once the script is used up). An
// optional hook runs inside the box, as code run while a real box is open would. Installed for
// its lifetime. Thread-safe: several threads may show boxes at once.
class ScriptedModal final : public ModalServices {
 public:
  ScriptedModal() { SetModalServices(this); }
  ~ScriptedModal() override { SetModalServices(nullptr); }

  void Answer(std::initializer_list<int> buttons) {
    std::lock_guard lock(mutex_);
    answers_.insert(answers_.end(), buttons);
  }
  void OnShow(std::function<void(const MessageBoxRequest&)> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
  }
  std::vector<MessageBoxRequest> Shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }

  int ShowMessageBox(const MessageBoxRequest& request) override {
    std::function<void(const MessageBoxRequest&)> hook;
    int answer = request.defaultButton;
    {
      std::lock_guard lock(mutex_);
      shown_.push_back(request);
      if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
      }
      hook = hook_;
    }
    if (hook) hook(request);
    return answer;
  }
  int ShowPopupMenu(const PopupMenuRequest&) override { return 0; }

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<MessageBoxRequest> shown_;
  std::function<void(const MessageBoxRequest&)> hook_;
};

// An initialised manager on the test's thread with a fresh status, no runtime error and the
// scripted message box installed.
class ErrorManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearLastError();
    ErrorStatus::ThisThread().Reset();
    // A halt in a test that does not expect one would end the program with exit code 0 and
    // pass unseen; make it a crash instead. Death tests restore the real halt in the child.
    SetHaltHandler([](int, std::string_view text) {
      std::fprintf(stderr, "unexpected halt: %.*s\n", static_cast<int>(text.size()), text.data());
      std::abort();
    });
    errors.Init(status);
  }
  void TearDown() override {
    SetHaltHandler({});
    errors.Kill();
    ClearLastError();
  }

  ScriptedModal modal;
  ErrorStatus status;
  ErrorManager errors;
};

}  // namespace kv::testing
