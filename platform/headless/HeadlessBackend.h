#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/Backend.h"

namespace kv {

// The backend without a display. The window model is all there is to see; input comes from
// a script (or a test) through UserInput.h; message boxes and pop-up menus are answered from
// answers queued in advance or given while the asking thread waits.
//
// Modal services: a request is logged (ShownModals) and answered at once with the oldest
// queued answer of its kind; without one, the asking thread waits, counted as blocked for the
// settled state, until AnswerPending is called. Queued answers that turn out not to be among
// a message box's buttons are still returned; the caller checks them.
//
// Thread: every member may be called from any thread; `mutex` is the hub's lock (EventHub
// Lock()), which guards the modal state so that waking a waiting thread and marking it busy
// happen together.
class HeadlessBackend final : public Backend, private ModalServices {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;

  // One modal request as it was shown.
  struct ShownModal {
    bool isMenu = false;
    MessageBoxRequest message;  // when !isMenu
    PopupMenuRequest menu;      // when isMenu
    int thread = 0;
    int answer = 0;
    bool answered = false;
  };

  // Backend.
  ModalServices& Services() override { return *this; }
  // Runs the session set with SetSession (if any) on the calling thread, then waits for Quit.
  int Run() override;
  void Quit(int exitCode) override;

  // What Run does before waiting for Quit: the script runner drives the program from here.
  void SetSession(std::function<void()> session);
  bool QuitRequested();

  // ModelObserver: counts changes and beeps.
  void WindowOpened(WindowId window) override;
  void WindowClosed(WindowId window) override;
  void WindowChanged(WindowId window, int control) override;
  void BeepRequested() override;
  long ChangeCount();
  int BeepCount();

  // Modal answers.
  void QueueMessageAnswer(int button);
  void QueueMenuAnswer(int item);
  // The request a thread is waiting on, if any (the oldest when several wait).
  std::optional<ShownModal> Pending();
  // Answers the oldest waiting request. False when none is waiting.
  bool AnswerPending(int answer);
  // Every request shown so far, oldest first.
  std::vector<ShownModal> ShownModals();

  // Waits for the settled state, or for Quit (a program that ended is settled too). True when
  // either came in time.
  bool WaitSettled(std::chrono::milliseconds timeout = std::chrono::seconds(20));

 private:
  int ShowMessageBox(const MessageBoxRequest& request) override;
  int ShowPopupMenu(const PopupMenuRequest& request) override;
  int Ask(ShownModal shown);

  std::mutex& mutex_;  // EventHub's lock; guards the members below up to quitCode_
  std::vector<ShownModal> shown_;
  std::deque<int> messageAnswers_;
  std::deque<int> menuAnswers_;
  bool quit_ = false;
  int quitCode_ = 0;
  std::condition_variable quitChanged_;

  std::mutex countMutex_;  // guards the counters below
  long changes_ = 0;
  int beeps_ = 0;
  std::function<void()> session_;  // set before Run, read by Run only
};

}  // namespace kv
