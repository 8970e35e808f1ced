#include "platform/headless/HeadlessBackend.h"

#include "platform/thread/LogicalThread.h"
#include "platform/window/EventHub.h"

namespace kv {

HeadlessBackend::HeadlessBackend() : mutex_(EventHub::Instance().Lock()) {}

HeadlessBackend::~HeadlessBackend() = default;

int HeadlessBackend::Run() {
  if (session_) session_();
  std::unique_lock lock(mutex_);
  quitChanged_.wait(lock, [this] { return quit_; });
  return quitCode_;
}

void HeadlessBackend::Quit(int exitCode) {
  std::lock_guard lock(mutex_);
  if (quit_) return;
  quit_ = true;
  quitCode_ = exitCode;
  quitChanged_.notify_all();
  EventHub::Instance().WakeWaiters();
  // Threads still waiting for an answer give up (their requests answer 0).
  for (const ShownModal& s : shown_) {
    if (!s.answered) EventHub::Instance().WakeIdle(s.thread);
  }
}

void HeadlessBackend::SetSession(std::function<void()> session) {
  session_ = std::move(session);
}

bool HeadlessBackend::QuitRequested() {
  std::lock_guard lock(mutex_);
  return quit_;
}

void HeadlessBackend::WindowOpened(WindowId) {
  std::lock_guard lock(countMutex_);
  ++changes_;
}
void HeadlessBackend::WindowClosed(WindowId) {
  std::lock_guard lock(countMutex_);
  ++changes_;
}
void HeadlessBackend::WindowChanged(WindowId, int) {
  std::lock_guard lock(countMutex_);
  ++changes_;
}
void HeadlessBackend::BeepRequested() {
  std::lock_guard lock(countMutex_);
  ++beeps_;
}
long HeadlessBackend::ChangeCount() {
  std::lock_guard lock(countMutex_);
  return changes_;
}
int HeadlessBackend::BeepCount() {
  std::lock_guard lock(countMutex_);
  return beeps_;
}

void HeadlessBackend::QueueMessageAnswer(int button) {
  std::lock_guard lock(mutex_);
  messageAnswers_.push_back(button);
}

void HeadlessBackend::QueueMenuAnswer(int item) {
  std::lock_guard lock(mutex_);
  menuAnswers_.push_back(item);
}

std::optional<HeadlessBackend::ShownModal> HeadlessBackend::Pending() {
  std::lock_guard lock(mutex_);
  for (const ShownModal& s : shown_) {
    if (!s.answered) return s;
  }
  return std::nullopt;
}

bool HeadlessBackend::AnswerPending(int answer) {
  std::lock_guard lock(mutex_);
  for (ShownModal& s : shown_) {
    if (s.answered) continue;
    s.answer = answer;
    s.answered = true;
    EventHub::Instance().WakeIdle(s.thread);
    return true;
  }
  return false;
}

std::vector<HeadlessBackend::ShownModal> HeadlessBackend::ShownModals() {
  std::lock_guard lock(mutex_);
  return shown_;
}

bool HeadlessBackend::WaitSettled(std::chrono::milliseconds timeout) {
  return EventHub::Instance().WaitSettledOr(timeout, [this] { return quit_; });
}

int HeadlessBackend::Ask(ShownModal shown) {
  shown.thread = CurrentThread();
  std::unique_lock lock(mutex_);
  std::deque<int>& answers = shown.isMenu ? menuAnswers_ : messageAnswers_;
  if (!answers.empty()) {
    shown.answer = answers.front();
    shown.answered = true;
    answers.pop_front();
    shown_.push_back(shown);
    return shown.answer;
  }
  std::size_t index = shown_.size();
  shown_.push_back(shown);
  EventHub::Instance().WaitIdle(lock, [&] { return shown_[index].answered || quit_; });
  return shown_[index].answered ? shown_[index].answer : 0;
}

int HeadlessBackend::ShowMessageBox(const MessageBoxRequest& request) {
  ShownModal shown;
  shown.message = request;
  return Ask(std::move(shown));
}

int HeadlessBackend::ShowPopupMenu(const PopupMenuRequest& request) {
  ShownModal shown;
  shown.isMenu = true;
  shown.menu = request;
  return Ask(std::move(shown));
}

}  // namespace kv
