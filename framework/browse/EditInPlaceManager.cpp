// EditInPlaceManager: preparing the row, the event handlers and the end of an edit.

#include "framework/browse/EditInPlaceManager.h"

#include "framework/browse/BrowseManager.h"
#include "framework/browse/EditQueue.h"
#include "framework/data/FieldPairList.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"

namespace kv {
namespace {

constexpr int kDoubleClickAlert = 252;
constexpr int kLastMouseAlert = 254;  // positions 255 and up belong to the record keys

bool IsMouseButton(int key) {
  return key == kMouseLeft || key == kMouseRight || key == kMouseLeft2 || key == kMouseRight2;
}

}  // namespace

ResponseCode EditInPlaceManager::EditRequest(RequestCode request) {
  MOUSELEFTINDEX = 0;
  for (int position = 1; position <= kLastMouseAlert; ++position) {
    if (MYWINDOW.Alert(LISTCONTROL, position) == kMouseLeft) {
      MOUSELEFTINDEX = static_cast<std::uint8_t>(position);
      MYWINDOW.SetAlert(LISTCONTROL, position, 0);
      break;
    }
  }
  REQ = request;
  return Run();
}

// ---- Init: the row prepared for the request
// ------------------------------------------------------

ResultLevel EditInPlaceManager::Init() {
  // The manager is reused for every edit: the previous Kill left it DEAD.
  DEAD = 0;
  REQUEST = REQ;
  RESPONSE = RequestCancelled;
  AGAIN = 0;
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  BrowseManager& b = *BC;
  b.CURRENTCHOICE = b.ILC->Choice();
  switch (REQ) {
    case InsertRecord:
      if (!PrepareInsert()) return Fatal;
      break;
    case DeleteRecord:
      DeleteRow();
      return Fatal;  // nothing to edit; Kill still reloads the list
    case ChangeRecord:
      PrepareChange();
      break;
    default:
      break;
  }
  (void)b.LISTQUEUE->Get(b.CURRENTCHOICE);
  MYWINDOW.SetAlert(LISTCONTROL, kDoubleClickAlert, 0);
  return StartEditing() ? Benign : Fatal;
}

bool EditInPlaceManager::PrepareInsert() {
  BrowseManager& b = *BC;
  std::int32_t index = 1;
  if (b.LISTQUEUE->Records() > 0) {
    if (INSERT == 10) b.ScrollToEnd(kEventScrollBottom);
    if (b.PrimeRecord(false) != Benign) return false;
    b.PRIMARY->SaveLinkValues();
    index = INSERT == 9 ? b.CURRENTCHOICE : b.CURRENTCHOICE + 1;
    const std::int32_t page = b.LASTITEMS > 0 ? b.LASTITEMS : b.ILC->GetItems();
    const std::int32_t rows = b.LISTQUEUE->Records();
    if (page > 0 && rows >= page) {
      // The page is full: the row at the far end from the new one makes room.
      if (b.CURRENTCHOICE == rows) {
        (void)b.LISTQUEUE->Get(1);
        --index;
      } else {
        (void)b.LISTQUEUE->Get(rows);
      }
      b.LISTQUEUE->Delete();
    }
  } else {
    if (b.PrimeRecord(false) != Benign) return false;
    b.PRIMARY->SaveLinkValues();
  }
  FIELDS->ClearRight();
  WASPRIMED = FIELDS->EqualLeftRight() ? 0 : 1;
  b.FillRowFromRecord();
  b.LISTQUEUE->AddAt(index);
  b.CURRENTCHOICE = index;
  MYWINDOW.Display(LISTCONTROL);
  b.ILC->SetChoice(index);
  COLUMN = 1;
  return true;
}

void EditInPlaceManager::PrepareChange() {
  BrowseManager& b = *BC;
  // The record was just read again (the browse's Update before the request).
  (void)b.LISTQUEUE->Get(b.CURRENTCHOICE);
  b.FillRowFromRecord();
  b.LISTQUEUE->Put();
  b.PRIMARY->SaveLinkValues();
  WASPRIMED = 0;
  if (KeyCode() == kMouseLeft2) {
    if (const int clicked = MYWINDOW.LastClickColumn(LISTCONTROL); clicked > 0) COLUMN = clicked;
  }
}

void EditInPlaceManager::DeleteRow() {
  if (DELETEKEYACTION == 2) {
    RESPONSE = RequestCancelled;
    return;
  }
  const ResultLevel r = BC->PRIMARY->Delete(DELETEKEYACTION == 4);
  RESPONSE = r == Benign ? RequestCompleted : RequestCancelled;
}

bool EditInPlaceManager::StartEditing() {
  if (COLUMN == 0) COLUMN = 1;
  LASTCOLUMN = 0;
  REPOST = 0;
  REPOSTFIELD = 0;
  CreateEditors();
  if (!SeekColumn()) {
    // Nothing can be typed anywhere: the edit ends at once instead of waiting on a row the
    // user cannot change.
    Beep();
    if (REQ == InsertRecord) DropInsertedRow();
    RESPONSE = RequestCancelled;
    return false;
  }
  EnterColumn();
  return true;
}

// ---- Kill: the list reloaded and the window as it was -------------------------------------------

ResultLevel EditInPlaceManager::Kill() {
  if (DEAD || !CL) return Notify;
  RequestCode request = REQ;
  BC->RefreshAfterUpdate(request, RESPONSE);
  REQ = request;
  if (EQ != nullptr) {
    for (EditColumn& row : EQ->Rows()) {
      if (row.CONTROL) {
        row.CONTROL->Kill();
      } else if (row.COLUMN > 0) {
        MYWINDOW.SetColumnTextColor(LISTCONTROL, row.COLUMN, -1);
      }
    }
  }
  MYWINDOW.SetAlert(LISTCONTROL, kDoubleClickAlert, kMouseLeft2);
  if (MOUSELEFTINDEX != 0) MYWINDOW.SetAlert(LISTCONTROL, MOUSELEFTINDEX, kMouseLeft);
  const std::int32_t event = REPOST;
  const std::int32_t control = REPOSTFIELD;
  if (event != 0) {
    REPOST = 0;
    REPOSTFIELD = 0;
    (void)MYWINDOW.Post(event, control);
  }
  const ResultLevel r = WindowManager::Kill();
  // A mouse button pressed on a control: its click (accepted) follows the press.
  if (event == kEventPressed) (void)MYWINDOW.Post(kEventAccepted, control);
  REPOST = 0;
  return r;
}

// ---- Events -------------------------------------------------------------------------------------

ResultLevel EditInPlaceManager::TakeEvent() {
  const Event& e = CurrentEvent();
  switch (e.code) {
    case kEventCloseWindow:
    case kEventCloseDown:
    case kEventSized:
      TakeFocusLoss();
      REPOST = e.code;
      REPOSTFIELD = 0;
      return Fatal;
    case kEventStateChanged:
      return Notify;
    default:
      break;
  }
  AGAIN = 1;
  const ResultLevel r = WindowManager::TakeEvent();
  if (r != Benign) return r;
  return AGAIN ? Benign : Fatal;
}

ResultLevel EditInPlaceManager::TakeFieldEvent() {
  const Event& e = CurrentEvent();
  if (e.control == 0 || e.control == LISTCONTROL) return Benign;
  ColumnEditor* editor = CurrentEditor();
  if (editor == nullptr || editor->GetFeq() != e.control) {
    editor = nullptr;
    for (EditColumn& row : EQ->Rows()) {
      if (row.CONTROL && row.CONTROL->GetFeq() == e.control) {
        editor = row.CONTROL.get();
        break;
      }
    }
  }
  if (editor != nullptr) {
    TakeAction(editor->TakeEvent(e.code));
    return Benign;
  }
  if (e.code == kEventSelected && MYWINDOW.Kind(e.control) == ControlKind::kButton) return Benign;
  if (IsMouseButton(KeyCode())) {
    REPOST = e.code;
    REPOSTFIELD = e.control;
  }
  TakeFocusLoss();
  return Benign;
}

ResultLevel EditInPlaceManager::TakeNewSelection() {
  if (CurrentEvent().control != LISTCONTROL) return WindowManager::TakeNewSelection();
  BrowseManager& b = *BC;
  const std::int32_t chosen = b.ILC->Choice();
  if (chosen == b.CURRENTCHOICE) {
    const int clicked = MYWINDOW.LastClickColumn(LISTCONTROL);
    if (KeyCode() == kMouseLeft && clicked > 0) {
      LeaveColumn();
      COLUMN = clicked;
      EnterColumn();
    }
    return Benign;
  }
  TakeFocusLoss();
  if (!AGAIN) {
    b.CURRENTCHOICE = chosen;
    RESPONSE = RequestCancelled;
    return Fatal;
  }
  b.ILC->SetChoice(b.CURRENTCHOICE);
  return Benign;
}

}  // namespace kv
