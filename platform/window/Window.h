#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/Control.h"
#include "platform/window/Event.h"
#include "platform/window/WindowDefinition.h"

namespace kv {

// How a window opens.
enum class WindowKind : int {
  kOrdinary = 0,    // a top-level window (owned by another when `owner` is set)
  kFrame = 1,       // the application frame; at most one is open at a time
  kFrameChild = 2,  // a child window inside the application frame
  kTool = 3,        // a small floating window of tools, kept above its owner without blocking
                    // it: the owner stays usable while the tool window is open
};

struct OpenOptions {
  WindowKind kind = WindowKind::kOrdinary;
  WindowId owner = 0;  // the window that owns this one, 0 for none
};

// A copy of one window's state for backends, scripts and tests.
struct WindowSnapshot {
  WindowId id = 0;
  int thread = 0;  // logical thread that owns the window
  WindowKind kind = WindowKind::kOrdinary;
  WindowId owner = 0;
  std::string caption;
  std::string font;
  std::string icon;
  Rect rect;
  bool resizable = false;
  bool maximized = false;
  bool minimized = false;
  int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
  int timer = 0;
  int focus = 0;  // control with the focus, 0 none
  // Grows each time the program gives a control the focus (Window::Select). A backend moves
  // the screen's focus, to requestedFocus, only when it grew: a focus change the person made
  // is on the screen already, and a stale model value must never pull the focus back.
  int focusRequests = 0;
  int requestedFocus = 0;  // the control the program asked for last
  bool acceptAll = false;
  bool busy = false;              // busy cursor shown
  std::vector<Control> controls;  // bindings and sources are shared, not copied
};

// Handler registered for window events (resizing uses it). Runs on the window's thread from
// its event loop before the loop's own handler; answering true consumes the event.
using WindowEventHandler = std::function<bool(const Event& event)>;

// A handle to an open window of the window model. Copies are cheap and refer to the same
// window; a handle to a closed window answers defaults (empty text, zero rectangles, false)
// and ignores changes.
//
// Thread: every operation may be called from any thread (the model is guarded by its lock);
// the operations that touch bound variables or list sources (Open with bindings, Display,
// Update, AcceptControl) must run on the window's own thread, which owns those variables.
// Every change is reported to the installed backend after the model lock is released.
class Window {
 public:
  Window() = default;
  explicit Window(WindowId id) : id_(id) {}

  // Opens a window from `definition` for the calling logical thread and posts, in this order,
  // focus lost to the thread's previously active window (if any), then open window and sized
  // to the new one. A frame child opens inside the open frame (as an ordinary window when no
  // frame is open). Opening a frame while one is open opens an ordinary window instead. A
  // frame child whose definition gives no position (x and y 0) is placed 16 dialog units down
  // and right of the calling thread's window in front when that is a frame child (a form over
  // its list), else of the frame child opened last (lists cascade); the first one stays at 0, 0.
  // Never fails.
  static Window Open(const WindowDefinition& definition, const OpenOptions& options = {});

  // The window with `id`, whether open or not.
  static Window FromId(WindowId id) { return Window(id); }
  // The most recently opened window of `thread` that is still open (0: the calling thread);
  // an unopened handle when it has none.
  static Window Active(int thread = 0);
  // Every open window, in order of opening.
  static std::vector<WindowId> OpenWindows();

  WindowId Id() const { return id_; }
  bool IsOpen() const;
  int Thread() const;

  // Closes the window: removes it from the model, drops its queued events, ends its event
  // loop, and posts focus gained to the thread's window that becomes active. Closing a closed
  // window does nothing.
  void Close();

  // Window properties.
  std::string Caption() const;
  void SetCaption(std::string caption);
  Rect Position() const;  // x, y, width, height of the whole window
  void SetPosition(const Rect& rect);
  // A frame child whose top-left corner is that of another open frame child moves down and
  // right by the cascade step until no other one starts there, so that a window restored to its
  // saved place (a second list of the same kind) never hides one already open. Other windows
  // stay where they are.
  void StepClearOfFrameChildren();
  Rect ClientArea() const;  // x = y = 0, width and height of the client area
  bool Resizable() const;
  void SetResizable(bool on);
  bool Maximized() const;
  void SetMaximized(bool on);
  bool Minimized() const;
  void SetMinimized(bool on);
  void MinimumSize(int* width, int* height) const;
  void SetMinimumSize(int width, int height);
  void MaximumSize(int* width, int* height) const;
  void SetMaximumSize(int width, int height);
  std::string WindowProperty(int number) const;
  void SetWindowProperty(int number, std::string value);
  WindowSnapshot Snapshot() const;

  // Controls by number. Operations on a number the window does not have do nothing and
  // answer defaults.
  bool HasControl(int control) const;
  int Find(std::string_view label) const;   // case-insensitive; 0 when none
  std::vector<int> ControlNumbers() const;  // in definition order, unnumbered ones left out
  std::optional<Control> ControlCopy(int control) const;
  ControlKind Kind(int control) const;
  int ParentControl(int control) const;

  std::string Text(int control) const;
  void SetText(int control, std::string text);
  Rect ControlRect(int control) const;
  void SetControlRect(int control, const Rect& rect);
  // Deferred moves: while the window's deferred-move count is not 0, SetControlRect keeps each
  // move pending (ControlRect still answers the rectangle shown; a second move of the same
  // control replaces its pending one). Setting the count to 0 carries out every pending move
  // at once, as one change of the window, so that a backend shows the new layout in one step.
  // A positive count is the number of moves expected; a negative one marks a batch opened by
  // an outer caller. Pending moves of a control destroyed meanwhile are dropped.
  int DeferredMoveCount() const;
  void SetDeferredMoveCount(int count);
  bool Hidden(int control) const;
  void SetHidden(int control, bool on);
  bool Disabled(int control) const;
  void SetDisabled(int control, bool on);
  bool ReadOnly(int control) const;
  void SetReadOnly(int control, bool on);
  bool IsDefaultButton(int control) const;
  void SetDefaultButton(int control, bool on);
  bool Checked(int control) const;
  void SetChecked(int control, bool on);
  std::string ControlIcon(int control) const;
  void SetControlIcon(int control, std::string icon);
  std::string Tip(int control) const;
  void SetTip(int control, std::string tip);
  int TextColor(int control) const;
  void SetTextColor(int control, int color);
  // An entry's picture, without "@" ("s20", "n-14.2"); a binding made afterwards uses it.
  std::string EntryPicture(int control) const;
  void SetEntryPicture(int control, std::string picture);
  std::string Property(int control, int number) const;  // numbered property, "" when unset
  void SetProperty(int control, int number, std::string value);

  // Alert keys: the control's alert table maps positions 1..255 to key codes. Pressing an
  // alerted key on the control raises the alert-key event instead of the key's own effect.
  // Key 0 clears the position. A key written at a position that holds another key takes the
  // position, and the key held there moves to the highest free position, so that both stay
  // alerted (it is dropped only when the table is full).
  void SetAlert(int control, int position, int keyCode);
  int Alert(int control, int position) const;  // 0 when unset
  void ClearAlerts(int control);
  bool IsAlerted(int control, int keyCode) const;

  // Lists.
  std::string ListFormatString(int control) const;
  void SetListFormat(int control, std::string format);
  std::vector<ListColumn> Columns(int control) const;
  void SetColumnPicture(int control, int column, std::string picture);
  void SetColumnWidth(int control, int column, int width);
  void SetColumnEditControl(int control, int column, int editControl);  // the edit slot
  int ColumnEditControl(int control, int column) const;
  void SetColumnTextColor(int control, int column, int color);
  void SetListSource(int control, std::shared_ptr<ListSource> source);
  int RowCount(int control) const;  // rows as last displayed
  std::vector<std::string> Row(int control, int row) const;
  int Choice(int control) const;
  void SetChoice(int control, int row);  // highlights a row (0: none); posts nothing
  int VisibleRows(int control) const;
  void SetVisibleRows(int control, int rows);  // backends report what fits; -1: from height
  bool ScrollBar(int control) const;
  void SetScrollBar(int control, bool on);
  int Thumb(int control) const;
  void SetThumb(int control, int position);  // clamped to 0..100
  bool Immediate(int control) const;
  void SetImmediate(int control, bool on);
  int LastClickRow(int control) const;
  int LastClickColumn(int control) const;  // column under the last click (0: unknown)
  int LastDoubleClickArea(int control) const;
  int SelectedTab(int control) const;  // sheets: number of the tab shown

  // Run-time controls. CreateControl adds a control of `kind` with the next free number
  // (parent 0: the window) and returns it; DestroyControl removes one (its alerts and
  // binding go with it). Returns 0 when the window is closed.
  int CreateControl(ControlKind kind, int parent = 0, std::string label = {});
  void DestroyControl(int control);

  // Bound variables (window's thread only). Bind attaches a binding; Display copies bound
  // variables to the screen text (and reloads list rows from their sources) for one control
  // or, with 0, all; Update copies screen texts back to variables for one control or all and
  // posts the rejected event for every control whose text the picture rejects, leaving its
  // variable unchanged. Update returns false when any control was rejected.
  void Bind(int control, std::shared_ptr<ControlBinding> binding);
  void Display(int control = 0);
  bool Update(int control = 0);
  // Copies one control's screen text back as accepting it does: true when it has no binding
  // or the binding took the text (the screen then shows the value formatted again); false,
  // with the variable unchanged and nothing posted, when the picture rejects it. Used by the
  // event loop for accepted events. Thread: the window's thread.
  [[nodiscard]] bool AcceptControl(int control);

  // Focus and validation. Select is the program giving the focus to a control: it posts the
  // selected event to it and stops a running accept-all. Selecting a control that cannot have
  // the focus itself (a prompt) gives it to the first control after it that can (a prompt
  // leads to its entry); selecting a hidden or disabled one, or a number the window does not
  // have, changes nothing. StartAcceptAll makes the event loop validate every
  // enabled, visible control that takes input, in number order (each gets an accepted event
  // after its text was copied back); the first rejected one stops it, and when all pass the
  // completed event follows.
  void Select(int control);
  int Focus() const;
  void StartAcceptAll();
  bool InAcceptAll() const;
  // Used by the event loop: the next control accept-all validates (0 when none is left,
  // which also ends accept-all). Thread: the window's thread.
  int NextAcceptAllControl();
  // Stops accept-all without the completed event.
  void StopAcceptAll();

  // Window-event handlers; returns an id for Unregister.
  int Register(int eventCode, WindowEventHandler handler);
  void Unregister(int id);
  std::vector<WindowEventHandler> HandlersFor(int eventCode) const;

  // Timer in hundredths of a second (0: none). Backends post the timer event.
  int Timer() const;
  void SetTimer(int hundredths);

  // Busy cursor over this window.
  void SetBusy(bool on);
  bool Busy() const;

  // Posts an event to this window on its thread; false when the window is closed.
  bool Post(int code, int control = 0, int keyCode = 0) const;

 private:
  WindowId id_ = 0;
};

// Sounds the warning beep through the backend. Thread: any.
void Beep();

// Shows (true) or removes the busy cursor over the calling thread's active window; no effect
// when the thread has no open window. Thread: any logical thread.
void SetBusyCursor(bool on);

}  // namespace kv
