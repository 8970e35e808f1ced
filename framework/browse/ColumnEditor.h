#pragma once

#include <cstdint>

#include "platform/values/VarRef.h"
#include "platform/window/Window.h"

namespace kv {

// What an editor asks the edit-in-place manager to do after an event on it. The alert
// positions the entry editor uses are these numbers (Tab at position 1, ... Up at 6).
enum EditAction : std::uint8_t {
  ActionNone = 0,
  ActionForward = 1,   // Tab: the next editable column
  ActionBackward = 2,  // Shift+Tab: the previous column
  ActionComplete = 3,  // Enter: the row is finished
  ActionCancel = 4,    // Esc: the row is abandoned
  ActionNext = 5,      // Down: finish the row, maybe go on with the next one
  ActionPrevious = 6,  // Up: finish the row, maybe go on with the previous one
};

// The editor of one list column while its row is edited in place: an entry control made at
// run time on the list's window, bound to the row field the column shows and formatted with
// the column's picture. The edit-in-place manager puts it into the list's edit slot of its
// column (on the desktop it then stands exactly over the cell) while that column is edited.
//
// Life: Init makes the control (hidden until the manager shows it in the edit slot), Kill
// destroys it; an editor is inited and killed once per edited row and may be reused for the
// next. Kill is safe without Init and safe twice.
//
// Derived editors may make another kind of control (CreateControl), answer other actions
// (TakeEvent), refuse a value (TakeAccepted answering ActionCancel) or ask to be focused again
// when re-entered (NeedsRefocus).
//
// Ownership: the field and the window belong to the browse's procedure and must outlive the
// editor's use. Thread: the window's logical thread only.
class ColumnEditor {
 public:
  virtual ~ColumnEditor() = default;

  // Makes the editor's control on WINDOW and sets FEQ. The entry editor makes a hidden entry.
  virtual void CreateControl();
  // LISTBOXFEQ := listControl, FIELDNO := column; WINDOW := window; CreateControl; USEVAR :=
  // field; the control takes the list column's picture and is bound to the field (showing its
  // value); SetAlerts; the read-only flag is applied.
  virtual void Init(std::int32_t column, std::int32_t listControl, VarRef field, Window window);
  // Destroys the control and drops the field reference.
  virtual void Kill();
  // The entry's alert keys: Tab (1), Shift+Tab (2), Enter (3), Esc (4), Down (5), Up (6);
  // each position equals the EditAction its key produces.
  virtual void SetAlerts();
  // READONLY := flag, and the control's read-only flag follows.
  virtual void SetReadOnly(std::uint8_t flag);
  // Copies the entry's text into the field and answers `action`. A text the column's picture
  // rejects leaves the field unchanged and answers ActionNone (the window's rejected event,
  // posted by the copy, beeps and keeps the entry focused), so that moving on never drops what
  // was typed.
  virtual EditAction TakeAccepted(EditAction action);
  // The action of the current event: for the alert-key event on the entry, by key (Tab
  // forward, Shift+Tab backward, Enter complete, Esc cancel, Down next, Up previous);
  // ActionNone for any other event.
  virtual EditAction TakeEvent(int event);
  // The control (0 before Init and after Kill).
  virtual std::int32_t GetFeq();
  // True when the editor must be put into the edit slot again even though its column did not
  // change (a derived editor that lost its control). The entry editor: false.
  virtual std::uint8_t NeedsRefocus(std::int32_t column);

  // ---- Fields, in declaration order.
  std::int32_t FEQ = 0;         // its control
  VarRef USEVAR;                // the row field it edits
  std::int32_t LISTBOXFEQ = 0;  // the list control
  std::uint8_t READONLY = 0;
  std::int32_t FIELDNO = 0;  // the list column
  std::uint8_t REQ = 0;      // a value is required (a blank field stops the save)

 protected:
  Window WINDOW;  // the list's window
};

}  // namespace kv
