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

// The person moved the keyboard focus to `control` (clicked it, reached it with Tab or a
// mnemonic): the model's focus follows and the selected event is posted. Nothing happens when
// the control has the focus already. A control that cannot have the focus (a prompt, a group,
// a read-only check box, a menu item) refuses with kWrongKind. The program's own focus
// requests are Window::Select; a backend mirrors only those onto the screen, so the focus the
// person gave is never taken back by what the model held before.
InputStatus FocusTo(WindowId window, int control);

// The person changed the text of entry `control` and left it (Tab, or a click elsewhere): the
// text, cut to what the entry holds (EntryText.h), becomes its screen text and accepted is
// posted. The focus is not moved here: the gesture that moves it follows (FocusTo).
InputStatus LeaveEntry(WindowId window, int control, const std::string& text);

// The person's typing in entry `control`: its screen text becomes `text`, cut to what the
// entry holds. Posts nothing (a key such as Enter that finishes the typing follows).
InputStatus TypeText(WindowId window, int control, const std::string& text);

// A scripted "type": what a person does to type into an entry and leave it. Gives the entry
// the focus when it has not got it (FocusTo), types `text` over its contents and leaves it
// with Tab: LeaveEntry, then the focus moves on to the next control in Tab order.
InputStatus TypeInto(WindowId window, int control, const std::string& text);

// Presses a button, toggles a check box, chooses a menu item, or shows a tab page (for a tab
// the sheet gets the new selection event): posts accepted (new selection for tabs). The focus
// is not moved (a click that gives the control the focus is FocusTo first).
InputStatus Press(WindowId window, int control);

// Presses a key on a control (the focus is not moved to it first). A key in the control's
// alert table posts the alert-key event with the key. Otherwise the key's own effect:
//   Enter: accepts an entry and then presses the window's default button; presses the default
//     button from a check box; presses a button; accepts a list;
//   Space: presses a button or toggles a check box;
//   Tab, Shift+Tab: moves the focus to the next or previous control in Tab order (FocusTo);
//   Escape: the close box of any window but the application frame;
//   on a list Up, Down, Page Up, Page Down, Ctrl+Home and Ctrl+End post the matching scroll
//     event when the list is immediate, and otherwise move the highlight within the rows shown
//     and post the new selection; a key that types a character (KeyChar) posts the alert-key
//     event on an immediate list, so the program can locate by it.
// Keys without an effect post nothing. The key is carried by the event (KeyCode()).
InputStatus PressKey(WindowId window, int control, int keyCode);

// Mouse clicks on a list row (row 0: the column headers). `keyCode` is kMouseLeft (highlight
// the row, new selection), kMouseLeft2 (highlight it, then the alert-key event when the double
// click is alerted, else accepted), or kMouseRightUp (records the row under the mouse; the
// alert-key event when alerted, else nothing). The row under the click and the area of a
// double click (1 rows, 2 headers) are recorded for the program to read, and so is the column
// under the click when `column` (from 1) is given. While a control stands in one of the
// list's edit slots, a left click on the highlighted row posts the new selection as well, so
// that the program can move its editor to the column clicked.
InputStatus ClickRow(WindowId window, int control, int row, int keyCode, int column = 0);

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
