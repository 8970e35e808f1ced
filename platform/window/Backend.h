#pragma once

#include "platform/thread/LogicalThread.h"
#include "platform/window/ModalServices.h"
#include "platform/window/WindowModel.h"

namespace kv {

// A backend shows the window model to a user (or to a script) and turns input into events.
// It observes the model (ModelObserver: every change, reported on the framework thread that
// made it), answers the modal services, and runs its own loop on the process's main thread,
// which runs no framework code. User input goes through UserInput.h, which changes the model
// and posts events to the owning thread's queue; a backend never calls into a framework
// thread and never waits for one.
//
// The headless backend (platform/headless) keeps no display: scripts drive it. The desktop
// backend mirrors the model with widgets.
class Backend : public ModelObserver {
 public:
  // The modal services this backend answers (message box, pop-up menu).
  virtual ModalServices& Services() = 0;
  // Runs the backend's loop on the calling thread (the process's main thread) until Quit is
  // called; returns the code given to Quit.
  virtual int Run() = 0;
  // Makes Run return `exitCode`. Thread: any; calling it again has no further effect.
  virtual void Quit(int exitCode) = 0;
  // The modifier keys (kShift, kCtrl, kAlt of KeyCode.h) that were held down when the backend
  // was made, that is when the program started. Thread: any.
  virtual int ModifiersAtStart() const { return 0; }
};

// ModifiersAtStart of the installed backend; 0 without one. A person holds Shift while the
// program starts to have it ask what it would otherwise take for granted (the connection
// dialog then waits although "Auto Connect next time" is set). Thread: any.
int ModifiersHeldAtStart();

// Installs `backend` as the model observer and the modal services (nullptr uninstalls both).
// The backend must outlive its installation. Thread: any.
void InstallBackend(Backend* backend);

// Runs a program: installs `backend`, starts `programMain` on a new logical thread (thread 1
// in a fresh process) and runs the backend's loop on the calling thread. Returns the exit
// code: 0 when program main returns, or the code of a Halt (the halt handler first quits the
// backend; the process then exits with that code, as Halt always does). Uninstalls the
// backend before returning. Thread: the process's main thread, not a logical thread.
int RunProgram(Backend& backend, ThreadProc programMain);

}  // namespace kv
