// BrowseManager: editing the highlighted row in the list itself.

#include "framework/browse/BrowseManager.h"
#include "framework/browse/EditInPlaceManager.h"
#include "framework/window/WindowManager.h"

namespace kv {

ResponseCode BrowseManager::EditInPlace(RequestCode request) {
  if (!EIP) {
    EIP = std::make_shared<EditInPlaceManager>();
    FREEEIP = 1;
  }
  EditInPlaceManager& eip = *EIP;
  eip.ARROW = &ARROWACTION;
  eip.ENTER = &ENTERACTION;
  eip.FOCUSLOSS = &FOCUSLOSSACTION;
  eip.TAB = &TABACTION;
  eip.DELETEKEYACTION = DELETEACTION;
  eip.BC = this;
  eip.EQ = EDITLIST.get();
  eip.FIELDS = FIELDS.get();
  eip.LISTCONTROL = ListControl();
  eip.MYWINDOW = WINDOW->MYWINDOW;
  eip.ERRORS = WINDOW->ERRORS;
  eip.VCRREQUEST = WINDOW->VCRREQUEST;
  (void)eip.EditRequest(request);
  return eip.RESPONSE;
}

}  // namespace kv
