#include "platform/window/EventHub.h"

#include "platform/thread/LogicalThread.h"

namespace kv {

EventHub& EventHub::Instance() {
  // Never destroyed: logical threads may still post while static objects are torn down.
  static EventHub* hub = new EventHub;
  return *hub;
}

EventHub::EventHub() {
  AddThreadHooks([this](int thread) { OnThreadStart(thread); },
                 [this](int thread) { OnThreadEnd(thread); });
  // A thread that finished changes the live count after its end hooks ran; the settled
  // test compares against that count, so it must be re-evaluated then.
  AddLiveCountListener([this] {
    std::lock_guard lock(mutex_);
    settledChanged_.notify_all();
  });
}

void EventHub::OnThreadStart(int thread) {
  std::lock_guard lock(mutex_);
  queues_[thread] = std::make_unique<ThreadQueue>();
  settledChanged_.notify_all();
}

void EventHub::OnThreadEnd(int thread) {
  std::lock_guard lock(mutex_);
  auto it = queues_.find(thread);
  if (it == queues_.end()) return;
  if (it->second->wait != ThreadQueue::Wait::kNone) --blocked_;
  queues_.erase(it);
  settledChanged_.notify_all();
}

void EventHub::MarkBusyLocked(ThreadQueue& q) {
  if (q.wait == ThreadQueue::Wait::kNone) return;
  q.wait = ThreadQueue::Wait::kNone;
  --blocked_;
  q.wake.notify_all();
  settledChanged_.notify_all();
}

bool EventHub::Post(int thread, const Event& event) {
  if (thread == 0) thread = CurrentThread();
  std::lock_guard lock(mutex_);
  auto it = queues_.find(thread);
  if (it == queues_.end()) return false;
  if (event.window != 0 && closedWindows_.count(event.window)) return false;
  ThreadQueue& q = *it->second;
  q.events.push_back(event);
  if (q.wait == ThreadQueue::Wait::kTake && Deliverable(event, q.waitingFor)) MarkBusyLocked(q);
  return true;
}

bool EventHub::TryTake(WindowId window, Event* out) {
  std::lock_guard lock(mutex_);
  auto it = queues_.find(CurrentThread());
  if (it == queues_.end()) return false;
  auto& events = it->second->events;
  for (auto e = events.begin(); e != events.end(); ++e) {
    if (!Deliverable(*e, window)) continue;
    *out = *e;
    if (out->window == 0) out->window = window;
    events.erase(e);
    return true;
  }
  return false;
}

Event EventHub::Take(WindowId window) {
  std::unique_lock lock(mutex_);
  auto it = queues_.find(CurrentThread());
  if (it == queues_.end()) return Event{};
  ThreadQueue& q = *it->second;
  while (true) {
    for (auto e = q.events.begin(); e != q.events.end(); ++e) {
      if (!Deliverable(*e, window)) continue;
      Event out = *e;
      if (out.window == 0) out.window = window;
      q.events.erase(e);
      return out;
    }
    q.wait = ThreadQueue::Wait::kTake;
    q.waitingFor = window;
    ++blocked_;
    settledChanged_.notify_all();
    // Whoever posts a deliverable event clears `wait` (and the count) before waking us.
    q.wake.wait(lock, [&] { return q.wait == ThreadQueue::Wait::kNone; });
  }
}

std::size_t EventHub::QueuedCount(int thread) {
  std::lock_guard lock(mutex_);
  auto it = queues_.find(thread);
  return it == queues_.end() ? 0 : it->second->events.size();
}

void EventHub::ForgetWindow(WindowId window) {
  std::lock_guard lock(mutex_);
  closedWindows_.insert(window);
  for (auto& [thread, q] : queues_) {
    std::erase_if(q->events, [window](const Event& e) { return e.window == window; });
  }
  settledChanged_.notify_all();
}

bool EventHub::Notify(int thread, int code, std::intptr_t parameter) {
  int sender = CurrentThread();
  {
    std::lock_guard lock(mutex_);
    auto it = queues_.find(thread);
    if (it == queues_.end()) return false;
    it->second->notifications.push_back({code, sender, parameter});
  }
  return Post(thread, Event{kEventNotify, 0, 0, 0});
}

bool EventHub::TakeNotification(int* code, int* thread, std::intptr_t* parameter) {
  std::lock_guard lock(mutex_);
  auto it = queues_.find(CurrentThread());
  if (it == queues_.end() || it->second->notifications.empty()) return false;
  auto n = it->second->notifications.front();
  it->second->notifications.pop_front();
  *code = static_cast<int>(n[0]);
  *thread = static_cast<int>(n[1]);
  *parameter = n[2];
  return true;
}

void EventHub::WaitIdle(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready) {
  auto it = queues_.find(CurrentThread());
  if (it == queues_.end()) {
    // Not a counted thread: wait without bookkeeping; WakeIdle's notify is not addressed to
    // us, so fall back to the settled-change signal, which every wake raises too.
    settledChanged_.wait(lock, ready);
    return;
  }
  ThreadQueue& q = *it->second;
  while (!ready()) {
    q.wait = ThreadQueue::Wait::kModal;
    ++blocked_;
    settledChanged_.notify_all();
    q.wake.wait(lock, [&] { return q.wait == ThreadQueue::Wait::kNone; });
  }
}

void EventHub::WakeIdle(int thread) {
  auto it = queues_.find(thread);
  if (it != queues_.end() && it->second->wait == ThreadQueue::Wait::kModal) {
    MarkBusyLocked(*it->second);
  }
  settledChanged_.notify_all();
}

bool EventHub::SettledLocked() const {
  int registered = static_cast<int>(queues_.size());
  return registered > 0 && blocked_ == registered && LiveThreadCount() == registered;
}

bool EventHub::IsSettled() {
  std::lock_guard lock(mutex_);
  return SettledLocked();
}

bool EventHub::WaitSettled(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return settledChanged_.wait_for(lock, timeout, [this] { return SettledLocked(); });
}

bool EventHub::WaitSettledOr(std::chrono::milliseconds timeout, const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  return settledChanged_.wait_for(lock, timeout, [&] { return done() || SettledLocked(); });
}

void EventHub::WakeWaiters() {
  settledChanged_.notify_all();
}

std::set<int> EventHub::ThreadsInModalWait() {
  std::lock_guard lock(mutex_);
  std::set<int> out;
  for (auto& [thread, q] : queues_) {
    if (q->wait == ThreadQueue::Wait::kModal) out.insert(thread);
  }
  return out;
}

}  // namespace kv
