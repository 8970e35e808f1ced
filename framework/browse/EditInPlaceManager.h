#pragma once

#include <cstdint>

#include "framework/browse/ColumnEditor.h"
#include "framework/window/WindowManager.h"

namespace kv {

class BrowseManager;
class EditQueue;
class FieldPairList;

// How CompleteRow ends a row: write it, drop it, or ask "Save Record" (Yes, No, Cancel).
enum class CompleteMode : std::uint8_t { Save, Abandon, Ask };

// Bits of the browse's TABACTION, ENTERACTION, ARROWACTION and FOCUSLOSSACTION. The low three
// bits choose how the row is completed (0 or 1 save, 2 abandon, 3..7 ask); kEditGoOn goes on
// with the next row (the previous one for Up) after a completion that ended the row;
// kEditKeepColumn (arrows only) starts that row on the column that was being edited.
inline constexpr std::uint8_t kEditCompleteMask = 7;
inline constexpr std::uint8_t kEditGoOn = 8;
inline constexpr std::uint8_t kEditKeepColumn = 16;

// Edits the highlighted row of a browse where it stands: a window manager that runs its own
// event loop over the browse's window (it never opens one) while one entry editor at a time
// stands in the list's edit slot of the column being edited. Tab, Shift+Tab and clicks on
// the row move between the editable columns; Tab past the last one, Enter, Esc, Up and Down
// complete the row by the browse's action settings (save, abandon, ask), and a click elsewhere
// completes it by FOCUSLOSSACTION, after which the click still takes effect.
//
// The browse creates one manager on first use (BrowseManager::EditInPlace), copies its
// settings into it before every request and calls EditRequest. A request runs Init (prepare
// the row: a new row for an insert, the re-read record for a change, the delete itself),
// the event loop (until the row is completed or abandoned), then Kill (the list reloaded by
// the browse's RefreshAfterUpdate, editors removed, alerts put back, a remembered click
// delivered again). RESPONSE is RequestCompleted only when a record was written or deleted.
//
// When no column can be edited (every column lacks an editor or has width 0), the request
// ends at once with RequestCancelled and a beep: an inserted row is removed again, and no
// event loop runs.
//
// Failures: the file and relation managers report them (through the window's error manager);
// a failed save keeps the row in edit mode with the values typed, the primary record buffer
// as it was before the save. Thread: the browse's logical thread only.
class EditInPlaceManager : public WindowManager {
 public:
  // Clears the list's left mouse button alert (remembering its position in MOUSELEFTINDEX),
  // REQ := request, then Run. Answers Run's response.
  ResponseCode EditRequest(RequestCode request);

  // ---- Overrides of the window manager.

  // Prepares the row for REQ and starts editing on COLUMN (see the class comment). Answers
  // Fatal when there is nothing to edit (a delete, a failed PrimeRecord, no editable column).
  ResultLevel Init() override;
  // Reloads the list (RefreshAfterUpdate with REQ and RESPONSE), kills the editors and puts
  // back the grey columns' colour, the double-click alert (252) and the left mouse alert, then
  // posts the remembered event (REPOST) again; the base Kill follows. After a remembered
  // pressed event (258) the control's accepted event is posted as well.
  ResultLevel Kill() override;
  // Close, close-down and sized end editing (the row completed as on focus loss; the event
  // delivered again afterwards); window state changes are ignored; any other event is
  // dispatched, and the loop ends once a completion cleared AGAIN.
  ResultLevel TakeEvent() override;
  // Events of an editor become its action (TakeAction); a click or focus elsewhere (other than
  // focus arriving on a button) completes the row as on focus loss, remembering a mouse
  // click to deliver it again.
  ResultLevel TakeFieldEvent() override;
  // On the list: a click on the edited row moves to the column clicked; another row completes
  // the edited one (as on focus loss) and, unless that stays on the row, ends editing with
  // the new row highlighted.
  ResultLevel TakeNewSelection() override;

  // ---- Added operations, in slot order.

  // Copies the editors' screen values into the row, writes the row back to the queue and takes
  // the editor off the list column (LASTCOLUMN := 0). Nothing when no editor is attached.
  virtual void LeaveColumn();
  // Gives every list column its editing: the column's EDITLIST row (made with a new entry
  // editor, FREEUP 1, when there is none) gets the column's number and its editor is inited on
  // the row field of its FIELDS pair; a column without an editor is drawn in grey text.
  virtual void CreateEditors();
  // True when COLUMN has an inited editor and a width that is not 0.
  virtual bool ColumnEditable();
  // Moves COLUMN to an editable column (forward while SEEKFORWARD is set, else backward,
  // turning at either end). False, with COLUMN unchanged, when no column is editable.
  virtual bool SeekColumn();
  // Seeks an editable column from COLUMN and puts its editor into the list's edit slot with
  // the focus (unless it is attached there already).
  virtual void EnterColumn();
  // True when every editor's value is acceptable: an editor with REQ whose field is blank, or
  // one that refuses its text, stops at that column (AGAIN := 1) and answers false.
  virtual bool CheckRequired();
  // Carries out an editor's action: column moves and the row completions of the class comment.
  virtual void TakeAction(EditAction action);
  // Ends the row: CheckRequired (not when abandoning), then save, abandon or ask; an unchanged
  // row (nothing typed, nothing primed) is abandoned without asking. AGAIN is set when editing
  // goes on (Cancel, a failed save, a blank required column), and editing then resumes at
  // column 1.
  virtual void CompleteRow(CompleteMode mode);
  // Completes the row by FOCUSLOSSACTION.
  virtual void TakeFocusLoss();

  // ---- Fields, in declaration order.
  std::uint8_t AGAIN = 0;             // editing goes on after a completion attempt
  std::uint8_t* ARROW = nullptr;      // the browse's ARROWACTION
  std::int32_t COLUMN = 0;            // current list column
  std::uint8_t* ENTER = nullptr;      // the browse's ENTERACTION
  EditQueue* EQ = nullptr;            // the browse's EDITLIST
  FieldPairList* FIELDS = nullptr;    // the browse's FIELDS (record field -> row field)
  std::uint8_t* FOCUSLOSS = nullptr;  // the browse's FOCUSLOSSACTION
  // Where a new row goes: 9 before the highlighted row, 10 at the end of the data, any other
  // value after the highlighted row.
  std::uint8_t INSERT = 0;
  std::int32_t LISTCONTROL = 0;
  std::uint8_t LASTCOLUMN = 0;       // column whose editor is attached (0: none)
  std::int32_t REPOST = 0;           // event delivered again after editing (0: none)
  std::int32_t REPOSTFIELD = 0;      // its control
  RequestCode REQ = 0;               // the request being served
  std::uint8_t SEEKFORWARD = 0;      // direction of SeekColumn during a forward move
  std::uint8_t* TAB = nullptr;       // the browse's TABACTION
  std::uint8_t MOUSELEFTINDEX = 0;   // alert position of the left mouse button taken off
  std::uint8_t WASPRIMED = 0;        // priming the new record set some field
  std::uint8_t DELETEKEYACTION = 0;  // the browse's DELETEACTION: 2 keep, 4 confirm, else delete
  BrowseManager* BC = nullptr;

 private:
  bool PrepareInsert();
  void PrepareChange();
  void DeleteRow();
  bool StartEditing();
  // Removes the inserted row from the queue (abandoning an insert).
  void DropInsertedRow();
  void CompleteWith(std::uint8_t setting);
  void RequestMove(std::int32_t toolbarRequest);
  // The editor of COLUMN (null when it has none).
  ColumnEditor* CurrentEditor();
  void SaveRow();
};

}  // namespace kv
