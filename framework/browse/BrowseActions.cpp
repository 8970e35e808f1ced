// BrowseManager: what accepted controls do, and running the update procedure.

#include "framework/browse/BrowseManager.h"
#include "framework/window/WindowManager.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"

namespace kv {

namespace {

// The request a print procedure is run with (process the selected record).
constexpr RequestCode kProcessRecord = 5;

}  // namespace

void BrowseManager::TakeAcceptedControl(std::int32_t control) {
  if (control == 0) return;
  RequestCode request = 0;
  if (control == DELETECONTROL) request = DeleteRecord;
  if (control == CHANGECONTROL) request = ChangeRecord;
  if (control == INSERTCONTROL) request = InsertRecord;
  if (control == VIEWCONTROL) request = ViewRecord;
  if (request != 0) {
    WINDOW->Update();  // re-reads the selected record (RefreshRecord)
    if (!NEEDREFRESH) (void)AskRecord(request);
    return;
  }
  if (control == SELECTCONTROL) {
    // The selected record is loaded when the close-window event arrives (EndSelection).
    WINDOW->RESPONSE = RequestCompleted;
    WINDOW->MYWINDOW.Post(kEventCloseWindow);
    return;
  }
  if (control == PRINTCONTROL) {
    RefreshRecord();
    if (!NEEDREFRESH) {
      (void)WINDOW->Run(PRINTPROCEDURE, kProcessRecord);
      LoadRecordFromRow();
    }
    return;
  }
  if (control == QUERYCONTROL) {
    if (QUERY != nullptr) QUERY->CurrentItem = "";
    TakeQuery();
    return;
  }
  if (control == TOOLCONTROL) {
    if (POPUP) POPUP->Toolbox("Browse Actions");
    return;
  }
  TakeLocatorAccepted();
}

ResponseCode BrowseManager::AskRecord(RequestCode request) {
  ResponseCode response = RequestCancelled;
  do {
    if (WINDOW->VCRREQUEST != nullptr) *WINDOW->VCRREQUEST = 0;
    if (KeyCode() == kMouseRightUp) SetKeyCode(0);
    if (ASKPROCEDURE != 0) {
      if (request == InsertRecord && PrimeRecord(false) != Benign) return RequestCancelled;
      response = WINDOW->Run(static_cast<std::uint16_t>(ASKPROCEDURE), request);
      RefreshAfterUpdate(request, response);
    } else {
      response = EditInPlace(request);
    }
  } while (WINDOW->VCRREQUEST != nullptr && *WINDOW->VCRREQUEST != 0);
  return response;
}

// ---- Query by example ---------------------------------------------------------------------------

void BrowseManager::TakeQuery() {
  if (QUERY == nullptr) return;
  if (QUERY->Ask()) ApplyQuery();
  if (QUERY->MenuEnabled && POPUP) QUERY->BuildQueryMenu(*POPUP, QUERYCONTROL);
}

void BrowseManager::TakeQueryMenuChoice() {
  if (QUERY == nullptr || !POPUP || !QUERY->TakeMenuChoice(*POPUP)) return;
  // The choice is the new query as it stands: it is applied at once, without the entry window.
  ApplyQuery();
  if (QUERY->MenuEnabled) QUERY->BuildQueryMenu(*POPUP, QUERYCONTROL);
}

void BrowseManager::GiveQueryFilter() {
  SetFilter(QUERY->GetFilter(), kQueryFilter);
  if (QUERYRESULT != 0) WINDOW->MYWINDOW.SetText(QUERYRESULT, QUERY->GetFilter());
}

void BrowseManager::ApplyQuery() {
  if (QUERY == nullptr) return;
  if (QUERYSHARED && ORDER != nullptr && !ORDER->ROWS.empty()) {
    const int remembered = int(ORDER->CURRENT) + 1;
    for (int n = 1; n <= int(ORDER->ROWS.size()); ++n) {
      (void)SetSort(n);
      GiveQueryFilter();
    }
    (void)SetSort(remembered);
  } else {
    GiveQueryFilter();
  }
  Refresh(1);
}

void BrowseManager::AddQueryItems() {
  if (QUERYCONTROL == 0 || !POPUP) return;
  if (POPUP->GetItems() > 0) POPUP->AddItem("-", "Separator2");
  POPUP->AddItemMimic("!&Query", "Query", QUERYCONTROL);
  if (QUERY != nullptr && QUERY->MenuEnabled) QUERY->BuildQueryMenu(*POPUP, QUERYCONTROL);
}

// ---- The pop-up menu ----------------------------------------------------------------------------

void BrowseManager::AddPopupItems() {
  if (!POPUP) return;
  // Each item follows its button (text, state, icon) and presses it when chosen, so a missing
  // or disabled button makes its item do nothing.
  if (EDITVIAPOPUP) {
    if (INSERTCONTROL != 0) POPUP->AddItemMimic("!&Insert", "Insert", INSERTCONTROL);
    if (CHANGECONTROL != 0) POPUP->AddItemMimic("!&Change", "Change", CHANGECONTROL);
    if (DELETECONTROL != 0) POPUP->AddItemMimic("!&Delete", "Delete", DELETECONTROL);
    if (VIEWCONTROL != 0) POPUP->AddItemMimic("!&View", "View", VIEWCONTROL);
  }
  if (PRINTCONTROL != 0) POPUP->AddItemMimic("!&Print", "Print", PRINTCONTROL);
  AddQueryItems();
  if (SELECTCONTROL != 0 && SELECTING) POPUP->AddItemMimic("!&Select", "Select", SELECTCONTROL);
  if (TOOLCONTROL != 0) {
    (void)POPUP->AddItem("-", "ToolSeparator2");
    // The toolbox cannot offer itself.
    POPUP->SetToolbox(POPUP->AddItemMimic("!&Toolbox", "Toolbox", TOOLCONTROL), false);
  }
}

}  // namespace kv
