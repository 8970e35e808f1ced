#pragma once

#include <chrono>
#include <functional>

#include "platform/thread/LogicalThread.h"
#include "platform/window/EventHub.h"

namespace kv::test {

// Runs a procedure on a logical thread of its own, as a window procedure runs, so that the
// test's own thread (not a logical thread) can drive it through user input and wait for the
// settled state. The destructor joins the thread.
class ThreadProcedure {
 public:
  explicit ThreadProcedure(std::function<void()> body) {
    EventHub::Instance();  // queues exist before the thread starts
    number_ = StartThread(std::move(body), 0);
  }
  ~ThreadProcedure() { JoinThread(number_); }
  ThreadProcedure(const ThreadProcedure&) = delete;
  ThreadProcedure& operator=(const ThreadProcedure&) = delete;

  int Number() const { return number_; }
  void Join() { JoinThread(number_); }

 private:
  int number_ = 0;
};

// Waits for the settled state; generous, because a sanitized build on a busy machine is slow.
// This is a wait on a condition, not a sleep: it returns as soon as the state is reached.
inline bool Settle() {
  return EventHub::Instance().WaitSettled(std::chrono::seconds(30));
}

}  // namespace kv::test
