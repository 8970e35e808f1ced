#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "platform/script/Script.h"
#include "platform/script/ScriptDriver.h"
#include "platform/window/Backend.h"
#include "platform/window/Window.h"

namespace kv {

// The outcome of a scripted session.
struct ScriptResult {
  bool passed = false;
  int failedLine = 0;   // line number of the failing command; 0 when it passed
  std::string message;  // "line 7: text of ?LOC:SERVER is "x", expected "y""
  int linesRun = 0;     // commands carried out, the failing one included
};

// Runs a script against a running program through a driver, from settled state to settled
// state: before each line it waits for the settled state (answering a waiting message box or
// menu from the answers given in advance), then carries out the line; an action is followed
// by another wait. The first command that fails (a check that does not hold, input the
// program does not take, a window or control that is not there, no settled state within the
// time-out) ends the run with its line number.
//
// Thread: the runner's own thread (the process's main thread), while the program runs on
// logical threads.
class ScriptRunner {
 public:
  explicit ScriptRunner(ScriptDriver& driver,
                        std::chrono::milliseconds settleTimeout = std::chrono::seconds(30));

  ScriptResult Run(const Script& script);

  // After a run: brings the program down as a user would, so that its threads end. Posts
  // close-down to the open windows, newest first, dismissing waiting message boxes (Cancel,
  // or their default) and menus, for at most `rounds` rounds. True when the program ended.
  bool Finish(int rounds = 20);

 private:
  // Each returns "" on success or the reason for failure.
  std::string Execute(const ScriptLine& line);
  std::string Settle();
  std::string Act(InputStatus status, const std::string& what);
  std::string Answer(const std::vector<std::string>& w);
  std::string Check(const std::vector<std::string>& w);
  std::string CheckState(Window window, int control, const std::vector<std::string>& states);
  std::string CheckMessage(const std::vector<std::string>& w);
  // The current window: the one chosen with "window" while it is open, else the newest.
  Window Current();
  std::string FindControl(const std::string& label, Window* window, int* control);
  const ModalRecord* PendingModal(std::vector<ModalRecord>& modals);

  ScriptDriver& driver_;
  std::chrono::milliseconds timeout_;
  WindowId chosen_ = 0;
  std::deque<std::string> messageAnswers_;  // button names given in advance
  std::deque<std::string> menuAnswers_;     // item texts given in advance ("" dismisses)
};

// For a scripted run: a program that halts (ends the process itself, as a dialog left
// without going on does) counts as ended, and the run goes on to the script's verdict, which
// is the exit code whatever the program's own. Installs a halt handler that quits `backend`
// with the halt's code and stops the halting thread instead of ending the process; the
// stopped thread stays until the process ends, so the caller ends the process without
// waiting for logical threads. Call it from the session, once the backend runs (RunProgram
// installs its own handler before that). Thread: any.
void TakeHaltsAsProgramEnd(Backend& backend);

// Button names for scripts and their values: "Ok" 1, "Yes" 2, ... "Help" 128. ButtonValue
// answers 0 for an unknown name; ButtonNames joins a set ("Yes,No,Cancel"). Thread: any.
int ButtonValue(std::string_view name);
std::string ButtonNames(int buttons);

}  // namespace kv
