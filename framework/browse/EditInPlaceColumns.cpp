// EditInPlaceManager: the editors of the columns, moving between them and completing the row.

#include <memory>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/EditInPlaceManager.h"
#include "framework/browse/EditQueue.h"
#include "framework/data/FieldPairList.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/errors/MessageIds.h"
#include "framework/window/ToolbarTarget.h"
#include "platform/storage/View.h"
#include "platform/window/EventLoop.h"
#include "platform/window/ModalServices.h"

namespace kv {
namespace {

bool IsBlank(const VarRef& field) {
  if (field.IsNull()) return true;
  if (field.IsText()) return field.ToClippedText().empty();
  return field.ToReal() == 0.0;
}

}  // namespace

ColumnEditor* EditInPlaceManager::CurrentEditor() {
  EditColumn* row = EQ != nullptr ? EQ->GetByColumn(COLUMN) : nullptr;
  return row != nullptr ? row->CONTROL.get() : nullptr;
}

// ---- The editors
// ----------------------------------------------------------------------------------

void EditInPlaceManager::CreateEditors() {
  EQ->SortByField();
  const std::vector<ListColumn> columns = MYWINDOW.Columns(LISTCONTROL);
  for (int a = 1; a <= static_cast<int>(columns.size()); ++a) {
    // Column a of the list shows field a of the rows.
    if (EQ->GetByField(a) == nullptr)
      EQ->Add({a, 1, std::make_shared<ColumnEditor>(), EQ->Records() + 1});
    EditColumn& row = *EQ->GetByField(a);
    row.COLUMN = a;
    const VarRef field = FIELDS->Right(row.FIELD);
    if (row.CONTROL && !field.IsNull()) {
      row.CONTROL->Init(a, LISTCONTROL, field, MYWINDOW);
    } else {
      MYWINDOW.SetColumnTextColor(LISTCONTROL, a, kColorGrayText);
    }
  }
  EQ->SortByColumn();
}

bool EditInPlaceManager::ColumnEditable() {
  ColumnEditor* editor = CurrentEditor();
  if (editor == nullptr || editor->GetFeq() == 0) return false;
  const std::vector<ListColumn> columns = MYWINDOW.Columns(LISTCONTROL);
  return COLUMN >= 1 && COLUMN <= static_cast<int>(columns.size()) &&
         columns[static_cast<std::size_t>(COLUMN - 1)].width != 0;
}

bool EditInPlaceManager::SeekColumn() {
  const std::int32_t highest = EQ->Records();
  const std::int32_t start = COLUMN;
  // Two passes over the columns (and the turns at both ends) visit every column at least once;
  // past that nothing is editable, and the search stops where it began.
  for (std::int32_t step = 0; step <= 2 * highest + 4; ++step) {
    if (ColumnEditable()) {
      SEEKFORWARD = 0;
      return true;
    }
    if (SEEKFORWARD) {
      if (COLUMN >= highest) {
        SEEKFORWARD = 0;
      } else {
        ++COLUMN;
      }
    } else if (COLUMN <= 1) {
      SEEKFORWARD = 1;
    } else {
      --COLUMN;
    }
  }
  SEEKFORWARD = 0;
  COLUMN = start;
  return false;
}

void EditInPlaceManager::EnterColumn() {
  SetKeyCode(0);
  if (!SeekColumn()) return;
  ColumnEditor* editor = CurrentEditor();
  if (!editor->NeedsRefocus(0) && LASTCOLUMN == COLUMN) return;
  const std::int32_t feq = editor->GetFeq();
  MYWINDOW.Display(feq);  // the row field as it stands now
  MYWINDOW.SetHidden(feq, false);
  MYWINDOW.SetColumnEditControl(LISTCONTROL, COLUMN, feq);
  MYWINDOW.Select(feq);
  // The editor left is hidden only now that the focus has its new place: hiding the focused
  // control first would let the screen hand the focus to some other control meanwhile.
  for (EditColumn& row : EQ->Rows()) {
    if (row.CONTROL && row.CONTROL.get() != editor && row.CONTROL->GetFeq() != 0)
      MYWINDOW.SetHidden(row.CONTROL->GetFeq(), true);
  }
  LASTCOLUMN = static_cast<std::uint8_t>(COLUMN);
}

void EditInPlaceManager::LeaveColumn() {
  if (LASTCOLUMN == 0) return;
  for (EditColumn& row : EQ->Rows())
    if (row.CONTROL && row.CONTROL->GetFeq() != 0) (void)MYWINDOW.Update(row.CONTROL->GetFeq());
  BC->LISTQUEUE->Put();
  MYWINDOW.Display(LISTCONTROL);
  // The entry stays shown until another one has the focus (EnterColumn) or it is destroyed.
  MYWINDOW.SetColumnEditControl(LISTCONTROL, LASTCOLUMN, 0);
  LASTCOLUMN = 0;
}

bool EditInPlaceManager::CheckRequired() {
  const std::int32_t columns = EQ->Records();
  for (std::int32_t a = 1; a <= columns; ++a) {
    EditColumn* row = EQ->GetByColumn(a);
    if (row == nullptr || !row->CONTROL || row->CONTROL->GetFeq() == 0) continue;
    ColumnEditor& editor = *row->CONTROL;
    // The copy of the text comes first, so the blank test sees what is on the screen; a text
    // the picture refuses stops here as well as a refused value.
    const EditAction answer = editor.TakeAccepted(ActionForward);
    if ((editor.REQ && IsBlank(editor.USEVAR)) || answer == ActionCancel || answer == ActionNone) {
      LeaveColumn();
      COLUMN = a;
      AGAIN = 1;
      EnterColumn();
      return false;
    }
  }
  return true;
}

// ---- Actions
// --------------------------------------------------------------------------------------

void EditInPlaceManager::RequestMove(std::int32_t toolbarRequest) {
  if (VCRREQUEST != nullptr) *VCRREQUEST = toolbarRequest;
}

void EditInPlaceManager::CompleteWith(std::uint8_t setting) {
  const std::uint8_t how = setting & kEditCompleteMask;
  CompleteRow(how <= 1 ? CompleteMode::Save
                       : (how == 2 ? CompleteMode::Abandon : CompleteMode::Ask));
}

void EditInPlaceManager::TakeFocusLoss() {
  CompleteWith(FOCUSLOSS != nullptr ? *FOCUSLOSS : 0);
}

void EditInPlaceManager::TakeAction(EditAction action) {
  if (action == ActionNone) return;
  if (action != ActionCancel) {
    ColumnEditor* editor = CurrentEditor();
    // A text the column refuses keeps the user on it, with the text as typed.
    if (editor != nullptr && editor->TakeAccepted(action) == ActionNone) return;
  }
  switch (action) {
    case ActionForward: {
      LeaveColumn();
      const std::int32_t remembered = COLUMN;
      ++COLUMN;
      SEEKFORWARD = 1;
      (void)SeekColumn();
      ColumnEditor* editor = CurrentEditor();
      if ((editor != nullptr && editor->NeedsRefocus(remembered)) || COLUMN != remembered) {
        EnterColumn();
      } else {
        const std::uint8_t setting = TAB != nullptr ? *TAB : 1;
        CompleteWith(setting);
        if ((setting & kEditGoOn) && !AGAIN) RequestMove(kToolbarDown);
      }
      break;
    }
    case ActionBackward:
      if (COLUMN >= 2) {
        LeaveColumn();
        --COLUMN;
        EnterColumn();
      }
      break;
    case ActionComplete: {
      const std::uint8_t setting = ENTER != nullptr ? *ENTER : 0;
      CompleteWith(setting);
      if ((setting & kEditGoOn) && !AGAIN) RequestMove(kToolbarDown);
      break;
    }
    case ActionCancel:
      CompleteRow(CompleteMode::Abandon);
      break;
    case ActionNext:
    case ActionPrevious: {
      const std::int32_t remembered = COLUMN;
      const std::uint8_t setting = ARROW != nullptr ? *ARROW : 0;
      CompleteWith(setting);
      if ((setting & kEditGoOn) && !AGAIN)
        RequestMove(action == ActionNext ? kToolbarDown : kToolbarUp);
      if ((setting & kEditKeepColumn) && !AGAIN) COLUMN = remembered;
      break;
    }
    default:
      break;
  }
}

// ---- Completing the row
// ---------------------------------------------------------------------------

void EditInPlaceManager::DropInsertedRow() {
  BrowseManager& b = *BC;
  if (b.LISTQUEUE->Get(b.CURRENTCHOICE) == kNoError) b.LISTQUEUE->Delete();
  if (b.CURRENTCHOICE != 0 && INSERT != 9) --b.CURRENTCHOICE;
  if (FileManager* fm = b.PrimaryFileManager()) (void)fm->CancelAutoNumber();
  MYWINDOW.Display(LISTCONTROL);
}

void EditInPlaceManager::SaveRow() {
  BrowseManager& b = *BC;
  FileManager* fm = b.PrimaryFileManager();
  std::int32_t saved = fm != nullptr ? fm->SaveBuffer() : 0;
  b.LoadRecordFromRow();
  ResultLevel r = Program;
  if (REQ == InsertRecord) {
    if (fm != nullptr) r = fm->Insert();
  } else {
    r = b.PRIMARY->Update();
  }
  if (r != Benign) {
    AGAIN = 1;
  } else {
    RESPONSE = RequestCompleted;
  }
  // Only a failed save puts the buffer back: the user goes on editing the values typed.
  if (fm != nullptr) fm->RestoreBuffer(saved, AGAIN != 0);
  if (b.VIEW != nullptr) b.VIEW->Flush();
}

void EditInPlaceManager::CompleteRow(CompleteMode mode) {
  if (mode != CompleteMode::Abandon && !CheckRequired()) return;
  AGAIN = 0;
  LeaveColumn();
  enum class Decision { Save, Abandon, Cancel } decision = Decision::Save;
  if (FIELDS->EqualLeftRight() && !WASPRIMED) {
    decision = Decision::Abandon;  // nothing to save
  } else if (mode == CompleteMode::Ask) {
    const int buttons = kButtonYes + kButtonNo + kButtonCancel;
    const int answer =
        ERRORS != nullptr ? ERRORS->AskQuestion(MsgSaveRecord, buttons, kButtonYes) : kButtonYes;
    decision = answer == kButtonYes ? Decision::Save
                                    : (answer == kButtonNo ? Decision::Abandon : Decision::Cancel);
  } else if (mode == CompleteMode::Abandon) {
    decision = Decision::Abandon;
  }
  RESPONSE = RequestCancelled;
  switch (decision) {
    case Decision::Cancel:
      AGAIN = 1;
      break;
    case Decision::Abandon:
      if (REQ == InsertRecord) DropInsertedRow();
      break;
    case Decision::Save:
      SaveRow();
      break;
  }
  COLUMN = 1;
  if (AGAIN) EnterColumn();
}

}  // namespace kv
