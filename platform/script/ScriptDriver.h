#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/window/Event.h"
#include "platform/window/ModalServices.h"
#include "platform/window/UserInput.h"

namespace kv {

// One message box or pop-up menu a program showed, as a script sees it.
struct ModalRecord {
  bool isMenu = false;
  MessageBoxRequest message;  // when !isMenu
  PopupMenuRequest menu;      // when isMenu
  bool answered = false;
  int answer = 0;
};

// What a backend provides for running scripts: input the way a user gives it, the settled
// state, and the modal requests with a way to answer them. Scripts read the window model
// itself for their checks, so reading needs nothing from the driver. The headless backend
// applies input straight to the model (UserInput.h); the desktop backend produces it through
// real widget input, which reaches the same gestures through its widgets.
//
// Thread: the runner's thread (the process's main thread), never a logical thread.
class ScriptDriver {
 public:
  virtual ~ScriptDriver() = default;

  // Waits until the program is settled; false after `timeout`.
  virtual bool WaitSettled(std::chrono::milliseconds timeout) = 0;
  // True once program main has returned (or the program halted).
  virtual bool ProgramEnded() = 0;

  virtual InputStatus Type(WindowId window, int control, const std::string& text) = 0;
  virtual InputStatus Press(WindowId window, int control) = 0;
  virtual InputStatus Key(WindowId window, int control, int keyCode) = 0;
  virtual InputStatus Click(WindowId window, int control, int row, int keyCode) = 0;
  virtual InputStatus Thumb(WindowId window, int control, int position) = 0;
  virtual InputStatus Resize(WindowId window, int width, int height) = 0;
  virtual InputStatus Close(WindowId window) = 0;
  virtual InputStatus Timer(WindowId window) = 0;

  // Every message box and menu shown so far, oldest first.
  virtual std::vector<ModalRecord> Modals() = 0;
  // Answers the oldest request still waiting; false when none waits.
  virtual bool AnswerPending(int answer) = 0;
};

}  // namespace kv
