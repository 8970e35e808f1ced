// The event dispatch of the window manager: the order in which one event reaches the window
// manager's own handlers and the registered components, and the handlers of the base class.
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowManager.h"
#include "platform/window/EventLoop.h"

namespace kv {

ResultLevel WindowManager::TakeEvent() {
  // A copy: handlers run nested loops (message boxes do not, but a child procedure does), which
  // replace the thread's current event.
  const Event event = CurrentEvent();
  if (event.IsWindowEvent()) {
    if (ResultLevel r = TakeWindowEvent(); r != Benign) return r;
  }
  ResultLevel r = Benign;
  switch (event.code) {
    case kEventAccepted:
      r = TakeAccepted();
      break;
    case kEventNewSelection:
      r = TakeNewSelection();
      break;
    case kEventAlertKey:
      if (HISTORYKEY != 0 && KeyCode() == HISTORYKEY) RestoreField(MYWINDOW.Focus());
      break;
    case kEventRejected:
      r = TakeRejected();
      break;
    case kEventSelected:
      r = TakeSelected();
      break;
    case kEventSized:
      // The resize manager lays the window out on this later event, once the sizing and
      // whatever it triggered have been handled.
      MYWINDOW.Post(kEventDeferredResize);
      break;
    default:
      break;
  }
  if (r != Benign) return r;
  if (!event.IsWindowEvent()) {
    if (r = TakeFieldEvent(); r != Benign) return r;
  }
  if (CL) {
    std::vector<ComponentEntry> entries = *CL;
    for (const ComponentEntry& e : entries) {
      if (r = e.WC->TakeEvent(); r != Benign) return r;
    }
    if (AUTOREFRESH != 0) {
      // One reset per event however many components changed: Reset refetches them all.
      for (const ComponentEntry& e : entries) {
        if (e.WC->ResetRequired() != 0) {
          Reset(0);
          break;
        }
      }
    }
  }
  return Benign;
}

ResultLevel WindowManager::TakeWindowEvent() {
  switch (CurrentEvent().code) {
    case kEventCloseWindow:
    case kEventCloseDown:
      return TakeCloseEvent();
    case kEventOpenWindow:
      if ((INITED & 1) == 0) Open();
      if (FIRSTFIELD != 0) MYWINDOW.Select(FIRSTFIELD);
      return Benign;
    case kEventFocusLost:
      if (RESETONGAINFOCUS != 0) FORCEDRESET = 1;
      return Benign;
    case kEventFocusGained:
      if ((INITED & 1) != 0) {
        Reset(0);
      } else {
        Open();
      }
      return Benign;
    case kEventNotify: {
      int code = 0;
      int thread = 0;
      std::intptr_t parameter = 0;
      if (TakeNotification(&code, &thread, &parameter)) return TakeNotify(code, thread, parameter);
      return Benign;
    }
    case kEventCompleted:
      return TakeCompleted();
    case kEventSized:
      // The sized event that follows the opening is not a change the user made.
      if ((INITED & 2) == 0) {
        INITED |= 2;
      } else {
        Reset(0);
      }
      return Benign;
    default:
      return Benign;
  }
}

ResultLevel WindowManager::TakeAccepted() {
  const int control = CurrentEvent().control;
  if (TOOLBAR != nullptr) {
    TOOLBAR->TakeEvent(VCRREQUEST, *this);
    if (control == kToolbarHistory) RestoreField(MYWINDOW.Focus());
  }
  if (BUTTONS) {
    for (const ButtonEntry& b : *BUTTONS) {
      if (b.CONTROL == control) {
        SetResponse(b.ACTION);
        return Notify;
      }
    }
  }
  if (OKCONTROL != 0 && control == OKCONTROL) PostCompleted();
  if (SAVECONTROL != 0 && control == SAVECONTROL) {
    if (REQUEST == ViewRecord) return Notify;
    BEFORESAVEREQUEST = REQUEST;
    REQUEST = SaveRecord;
    PostCompleted();
  }
  SetCancelButtonsDisabled(false);
  return Benign;
}

ResultLevel WindowManager::TakeNewSelection() {
  if (MYWINDOW.Kind(CurrentEvent().control) == ControlKind::kSheet) {
    Reset(0);
    if (AUTOTOOLBAR != 0 && TOOLBAR != nullptr) TOOLBAR->SetTarget(0);
  }
  return Benign;
}

ResultLevel WindowManager::TakeRejected() {
  const int control = CurrentEvent().control;
  Beep();
  MYWINDOW.Display(control);
  MYWINDOW.Select(control);
  return Benign;
}

ResultLevel WindowManager::TakeFieldEvent() {
  return Benign;
}

ResultLevel WindowManager::TakeSelected() {
  return Benign;
}

ResultLevel WindowManager::TakeNotify(std::int32_t, std::int32_t, std::intptr_t) {
  return Benign;
}

}  // namespace kv
