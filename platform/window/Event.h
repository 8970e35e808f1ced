#pragma once

#include <string>

namespace kv {

// Identifies an open window. Numbers start at 1 and are never reused within a process;
// 0 means "no window" (or, where an operation takes a target, the thread's active window).
using WindowId = int;

// Event codes. Events of a control carry the control's number; window events carry control 0.
// Any code not listed here is a program event: the runtime delivers it unchanged to the
// window it was posted to (programs number their own events from 1000; the window framework
// uses 1023 for its deferred resize).
enum EventCode : int {
  // Events of a control.
  kEventAccepted = 1,      // the user finished with the control (typed, pressed, chose)
  kEventNewSelection = 2,  // the highlighted row of a list, or the tab of a sheet, changed
  kEventScrollUp = 3,      // list scroll requests (only from lists marked immediate)
  kEventScrollDown = 4,
  kEventPageUp = 5,
  kEventPageDown = 6,
  kEventScrollTop = 7,
  kEventScrollBottom = 8,
  kEventLocate = 9,       // the list's locate request
  kEventScrollDrag = 10,  // the list's thumb was dropped; the thumb position holds where
  kEventAlertKey = 11,    // a key from the control's alert table; the key code says which
  kEventRejected = 12,    // the text typed does not fit the control's picture
  kEventSelected = 257,   // the control got the focus
  kEventPressed = 258,    // a mouse button went down on the control (delivered before the click)

  // Window events.
  kEventCloseWindow = 513,   // the user (or the program) asks to close the window
  kEventCloseDown = 514,     // the whole program is closing
  kEventOpenWindow = 515,    // the window has just been opened
  kEventFocusLost = 517,     // another window of the same thread became active
  kEventFocusGained = 518,   // the window became active again
  kEventNotify = 519,        // a notification arrived (TakeNotification fetches it)
  kEventCompleted = 520,     // accept-all validation passed every control
  kEventTimer = 521,         // the window's timer elapsed
  kEventSized = 562,         // the window's size changed
  kEventStateChanged = 563,  // the window was maximized, minimized or restored

  kEventDeferredResize = 1023,  // posted by the window framework to itself after a sizing
};

// One event as the event loop delivers it.
struct Event {
  int code = 0;
  int control = 0;      // control number; 0 for a window event
  WindowId window = 0;  // the window it was delivered to (0 while queued: the active window)
  int keyCode = 0;      // the key that caused it (alert keys, mouse clicks), else 0

  bool IsWindowEvent() const { return control == 0; }
};

// The name of an event code for messages and scripts ("accepted", "close window"); program
// events give "event <number>". Thread: any.
std::string EventName(int code);

}  // namespace kv
