#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/window/Event.h"

namespace kv {

// The event queues of all logical threads, the notifications between threads, and the
// detection of the settled state.
//
// Every logical thread gets a queue when it starts (a thread start hook installed by
// Instance()) and loses it when it ends; events still queued then are dropped. An event is
// queued for a thread and, optionally, for one of its windows: an event for window 0 goes to
// whichever window of the thread takes events next, an event for a window is only taken by
// that window's event loop (so events for a window hidden behind a nested window of the same
// thread wait until its loop runs again), and events for a closed window are dropped.
//
// Settled state: every live logical thread is blocked either in Take with nothing it could
// take, or in a modal wait (WaitIdle). The count is exact: whoever makes a blocked thread able
// to go on (posting an event it can take, answering its modal wait) marks it busy before
// waking it, so there is no moment at which a thread about to run is counted as blocked.
// Threads that have a number but have not yet run their start hooks count as running.
//
// Lock: `mutex_` guards every member below; it is a leaf lock except for the condition
// waits, and no callback runs while it is held.
class EventHub {
 public:
  // The process's hub; the first call installs the thread hooks. Call it before starting the
  // logical threads that should have queues (RunProgram and the backends do). Thread: any.
  static EventHub& Instance();

  // Queues `event` for logical thread `thread` (0: the calling thread). Returns false, and
  // drops the event, when that thread has no queue (never started, ended, or started before
  // the hub existed) or the event's window is closed. Thread: any.
  bool Post(int thread, const Event& event);

  // Removes and returns the first queued event of the calling thread that `window` may take
  // (its window is 0 or `window`; with `window` 0 every event qualifies), blocking while
  // there is none. The returned event carries `window` when it was queued for window 0.
  // Thread: a logical thread with a queue; others get an event with code 0 at once.
  Event Take(WindowId window);

  // As Take, without blocking: false when nothing can be taken now.
  bool TryTake(WindowId window, Event* out);

  // Number of events queued for `thread` (any window). Thread: any.
  std::size_t QueuedCount(int thread);

  // Marks `window` closed: its queued events are dropped and later posts to it fail.
  // Thread: any.
  void ForgetWindow(WindowId window);

  // Notifications: Notify queues (code, sending thread, parameter) for `thread` and posts
  // kEventNotify to it; TakeNotification fetches the oldest pending one of the calling thread
  // (false when none is pending). Notify returns false when the thread has no queue.
  bool Notify(int thread, int code, std::intptr_t parameter);
  bool TakeNotification(int* code, int* thread, std::intptr_t* parameter);

  // Modal waits. WaitIdle blocks the calling logical thread, counted as blocked for the
  // settled state, until `ready` (evaluated with the hub's lock held) is true; whoever makes
  // it true must call WakeIdle for that thread while holding Lock(). Thread: the waiting
  // thread holds `lock` (a lock of Lock()) when it calls WaitIdle.
  std::mutex& Lock() { return mutex_; }
  void WaitIdle(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready);
  void WakeIdle(int thread);  // requires Lock() held

  // True when the process is settled (see above) and at least one logical thread is live.
  bool IsSettled();

  // Blocks until the process is settled or `timeout` passes; true when settled. Thread: one
  // that is not a live logical thread (the backend's main thread, a test's own thread), since
  // a waiting logical thread could never count as blocked.
  bool WaitSettled(std::chrono::milliseconds timeout);
  // As WaitSettled, but also returns (true) as soon as `done` holds; `done` is evaluated with
  // Lock() held, and whoever makes it true calls WakeWaiters while holding Lock().
  bool WaitSettledOr(std::chrono::milliseconds timeout, const std::function<bool()>& done);
  void WakeWaiters();  // requires Lock() held

  // Number of threads currently blocked in a modal wait, and their thread numbers.
  std::set<int> ThreadsInModalWait();

 private:
  struct ThreadQueue {
    std::deque<Event> events;
    std::deque<std::array<std::intptr_t, 3>> notifications;  // code, sender, parameter
    std::condition_variable wake;
    enum class Wait { kNone, kTake, kModal } wait = Wait::kNone;
    WindowId waitingFor = 0;  // window of the blocked Take
  };

  EventHub();
  void OnThreadStart(int thread);
  void OnThreadEnd(int thread);
  void MarkBusyLocked(ThreadQueue& q);
  bool SettledLocked() const;
  static bool Deliverable(const Event& e, WindowId window) {
    return window == 0 || e.window == 0 || e.window == window;
  }

  std::mutex mutex_;
  std::condition_variable settledChanged_;  // signalled on every change of blocked counts
  std::map<int, std::unique_ptr<ThreadQueue>> queues_;  // guarded by mutex_
  std::set<WindowId> closedWindows_;                    // guarded by mutex_
  int blocked_ = 0;                                     // guarded by mutex_
};

}  // namespace kv
