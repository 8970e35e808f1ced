#pragma once

#include <cstdint>
#include <functional>

#include "platform/window/Event.h"
#include "platform/window/Window.h"

namespace kv {

// How the event loop goes on after its handler has seen an event.
enum class LoopAnswer : int {
  kLeave = -1,    // leave the loop now (the window stays open; the caller closes it)
  kDefault = 0,   // let the runtime do its default processing of the event
  kConsumed = 1,  // the handler dealt with it; no default processing
};

using LoopHandler = std::function<LoopAnswer(const Event& event)>;

// Runs the event loop of `window` on the calling thread, which must be the window's thread.
// Each event goes, in this order, through:
//   1. copying back: for an accepted event of a bound control the screen text is stored in
//      the variable through its picture; when the picture rejects it, the event is delivered
//      as the rejected event instead (the variable is unchanged, accept-all stops);
//   2. the window-event handlers registered for its code (Window::Register); the first that
//      answers true consumes it;
//   3. `handler`, whose answer says how to go on;
//   4. with kDefault, the runtime's default processing: the close-window and close-down
//      events close the window; an accepted control with the standard close action posts the
//      close-window event, one with the standard help action shows the window's help
//      (StandardHelp.h); the rejected event beeps.
// A close event of the application frame never reaches steps 2 to 4 while other threads still
// have open windows: they are closed first (FrameClosing.h). A close-down that the handler
// consumes while its window stays open ends such a closing.
// While accept-all runs (Window::StartAcceptAll) the loop delivers an accepted event for each
// control to validate before taking queued events, then the completed event.
// Returns when the window is closed (by default processing or by anyone calling Close) or the
// handler answers kLeave. Returns at once for a window that is not open.
void RunEventLoop(Window window, const LoopHandler& handler);

// The event being handled on the calling thread (code 0 outside a loop; after a nested loop
// ends, the event of the loop around it again). Thread: any logical thread, about its own
// loop.
const Event& CurrentEvent();

// The pending key code of the calling thread: the key of the last event that carried one.
// Programs clear it (SetKeyCode(0)) so that a key does not act twice.
int KeyCode();
void SetKeyCode(int keyCode);

// Posts an event to `control` of the calling thread's active window (or of `window` when
// given) on that window's thread. Returns false when there is no such open window.
bool PostEvent(int code, int control = 0, WindowId window = 0);

// Posts an event to another logical thread's active window. Returns false when the thread
// has no queue.
bool PostToThread(int thread, int code, int control = 0);

// Notifications between threads: NotifyThread queues (code, sending thread, parameter) for
// `thread` and posts the notify event to it (named so that it does not clash with the result
// level Notify of the framework); TakeNotification fetches the calling thread's
// oldest pending one (false when none is pending).
bool NotifyThread(int thread, int code, std::intptr_t parameter = 0);
bool TakeNotification(int* code, int* thread, std::intptr_t* parameter);

// Levels of name bindings for expressions. Each window procedure opens a level when it
// starts and closes it when it ends, so that names bound for one window vanish with it. The
// expression module keeps the bindings; it registers hooks that run on every push and pop
// (with the new depth). Thread: per logical thread; hooks are process-wide.
int PushBindLevel();  // returns the new depth (1 for the first level)
void PopBindLevel();  // no effect at depth 0
int BindLevel();
void SetBindLevelHooks(std::function<void(int depth)> onPush, std::function<void(int depth)> onPop);

}  // namespace kv
