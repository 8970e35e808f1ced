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

ResponseCode BrowseManager::EditInPlace(RequestCode) {
  return RequestCancelled;
}

}  // namespace kv
