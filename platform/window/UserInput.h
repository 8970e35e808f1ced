#pragma once

#include <string>

#include "platform/window/Event.h"

namespace kv {

// User gestures applied to the window model: what a backend does when the user types, clicks
// or presses a key. Each gesture changes the model as the screen would (the text typed, the
// row highlighted, the new size) and posts the resulting event to the window's thread. The
// headless backend calls these for scripted input; the desktop backend calls them from its
// widgets' signals, so both produce the same events.
//
// A gesture is refused, changing nothing, when the window is not open, is not the active
// window of its thread (a window behind a nested window of the same thread takes no input),
// or the control is missing, hidden, disabled, or of a kind the gesture does not apply to.
// The screen text an accepted event copies back is read when the window's thread handles the
// event, so a second gesture on the same control before then replaces the first one's text;
// scripts therefore act from settled state to settled state.
// Thread: any thread except the window's own (backends call from their own thread).
enum class InputStatus : int {
  kOk = 0,
  kNoWindow,   // not open
  kNotActive,  // a nested window of the same thread is in front of it
  kNoControl,  // no control with that number
  kHidden,
  kDisabled,
  kReadOnly,   // typing into a read-only entry
  kWrongKind,  // the gesture does not apply to this kind of control
  kNoRow,      // a row number outside the list
};

// The text of a status for script messages ("control is disabled").
const char* InputStatusText(InputStatus status);

// Types `text` into an entry (replacing its screen text) and leaves it: gives the entry the
// focus first when it has not got it (posting selected), then posts accepted.
InputStatus TypeInto(WindowId window, int control, const std::string& text);

// Presses a button, toggles a check box, chooses a menu item, or shows a tab page (for a tab
// the sheet gets the new selection event): posts accepted (new selection for tabs).
InputStatus Press(WindowId window, int control);

// Presses a key on a control. A key in the control's alert table posts the alert-key event
// with the key. Otherwise the key's own effect: Enter accepts an entry, a button or a list;
// Space presses a button or check box; on a list Up, Down, Page Up, Page Down, Ctrl+Home and
// Ctrl+End post the matching scroll event when the list is immediate, and otherwise move the
// highlight within the rows shown and post the new selection; a key that types a character
// (KeyChar) posts the alert-key event on an immediate list, so the program can locate by it.
// Keys without an effect post nothing. The key is carried by the event (KeyCode()).
InputStatus PressKey(WindowId window, int control, int keyCode);

// Mouse clicks on a list row (row 0: the column headers). `keyCode` is kMouseLeft (highlight
// the row, new selection), kMouseLeft2 (highlight it, then the alert-key event when the double
// click is alerted, else accepted), or kMouseRightUp (records the row under the mouse; the
// alert-key event when alerted, else nothing). The row under the click and the area of a
// double click (1 rows, 2 headers) are recorded for the program to read.
InputStatus ClickRow(WindowId window, int control, int row, int keyCode);

// Drops the list's thumb at `position` (0..100): sets it and posts the scroll-drag event.
InputStatus DragThumb(WindowId window, int control, int position);

// Resizes a resizable window (keeping its position) within its minimum and maximum size:
// posts sized. A window that is not resizable refuses (kWrongKind).
InputStatus ResizeWindow(WindowId window, int width, int height);

// The window's state as its title-bar buttons set it.
enum class WindowShowState : int { kNormal = 0, kMaximized = 1, kMinimized = 2 };

// Minimizes, maximizes or restores a window as its title-bar buttons do: sets the state and
// posts state changed. The size is not touched: a backend whose screen gives the window a new
// client size reports it with ResizeWindow as well. Refuses nothing beyond the common checks;
// choosing the state the window already has posts nothing.
InputStatus ChangeWindowState(WindowId window, WindowShowState state);

// The window's close box: posts the close-window event.
InputStatus CloseBox(WindowId window);

// Posts the timer event when the window has a timer.
InputStatus TimerTick(WindowId window);

}  // namespace kv
