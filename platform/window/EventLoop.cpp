#include "platform/window/EventLoop.h"

#include <mutex>

#include "platform/thread/LogicalThread.h"
#include "platform/window/EventHub.h"
#include "platform/window/FrameClosing.h"
#include "platform/window/StandardHelp.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

thread_local Event tCurrentEvent;
thread_local int tKeyCode = 0;
thread_local int tBindDepth = 0;

std::mutex gHookMutex;  // guards gOnPush and gOnPop
std::function<void(int)> gOnPush;
std::function<void(int)> gOnPop;

// The event to handle next: accept-all's own events first, then the queue.
Event NextEvent(Window& window) {
  if (window.InAcceptAll()) {
    int control = window.NextAcceptAllControl();
    if (control != 0) return Event{kEventAccepted, control, window.Id(), 0};
    return Event{kEventCompleted, 0, window.Id(), 0};
  }
  return EventHub::Instance().Take(window.Id());
}

void DefaultProcessing(Window& window, const Event& event) {
  switch (event.code) {
    case kEventCloseWindow:
    case kEventCloseDown:
      window.Close();
      break;
    case kEventAccepted:
      if (event.control != 0) {
        auto control = window.ControlCopy(event.control);
        if (control && control->action == StandardAction::kClose) {
          window.Post(kEventCloseWindow);
        } else if (control && control->action == StandardAction::kHelp) {
          ShowStandardHelp(window);
        }
      }
      break;
    case kEventRejected:
      Beep();
      break;
    default:
      break;
  }
}

}  // namespace

void RunEventLoop(Window window, const LoopHandler& handler) {
  // A loop may run inside a handler of another loop on the same thread (a form run from a
  // list's event); when it ends, the outer handler still reads its own event.
  const Event outer = tCurrentEvent;
  while (window.IsOpen()) {
    Event event = NextEvent(window);
    if (event.code == 0) continue;  // a wake-up after the window was closed elsewhere
    if (!window.IsOpen()) break;
    if (event.code == kEventAccepted && event.control != 0 &&
        !window.AcceptControl(event.control)) {
      event.code = kEventRejected;
      window.StopAcceptAll();
    }
    if ((event.code == kEventCloseWindow || event.code == kEventCloseDown) &&
        window.Id() == WindowModel::Instance().Frame() && CloseOtherThreads(window)) {
      continue;  // the frame closes once the other threads' windows have closed
    }
    if (event.keyCode != 0) tKeyCode = event.keyCode;
    tCurrentEvent = event;
    bool consumed = false;
    for (const WindowEventHandler& h : window.HandlersFor(event.code)) {
      if (h(event)) {
        consumed = true;
        break;
      }
    }
    LoopAnswer answer = consumed ? LoopAnswer::kConsumed : handler(event);
    if (answer == LoopAnswer::kLeave) {
      tCurrentEvent = outer;
      return;
    }
    if (answer == LoopAnswer::kDefault) DefaultProcessing(window, event);
    if (event.code == kEventCloseDown && answer == LoopAnswer::kConsumed && window.IsOpen())
      NoteCloseDeclined();
  }
  tCurrentEvent = outer;
}

const Event& CurrentEvent() {
  return tCurrentEvent;
}

int KeyCode() {
  return tKeyCode;
}

void SetKeyCode(int keyCode) {
  tKeyCode = keyCode;
}

bool PostEvent(int code, int control, WindowId window) {
  Window target = window != 0 ? Window(window) : Window::Active();
  return target.IsOpen() && target.Post(code, control);
}

bool PostToThread(int thread, int code, int control) {
  return EventHub::Instance().Post(thread, Event{code, control, 0, 0});
}

bool NotifyThread(int thread, int code, std::intptr_t parameter) {
  return EventHub::Instance().Notify(thread, code, parameter);
}

bool TakeNotification(int* code, int* thread, std::intptr_t* parameter) {
  return EventHub::Instance().TakeNotification(code, thread, parameter);
}

int PushBindLevel() {
  int depth = ++tBindDepth;
  std::function<void(int)> hook;
  {
    std::lock_guard lock(gHookMutex);
    hook = gOnPush;
  }
  if (hook) hook(depth);
  return depth;
}

void PopBindLevel() {
  if (tBindDepth == 0) return;
  int depth = --tBindDepth;
  std::function<void(int)> hook;
  {
    std::lock_guard lock(gHookMutex);
    hook = gOnPop;
  }
  if (hook) hook(depth);
}

int BindLevel() {
  return tBindDepth;
}

void SetBindLevelHooks(std::function<void(int)> onPush, std::function<void(int)> onPop) {
  std::lock_guard lock(gHookMutex);
  gOnPush = std::move(onPush);
  gOnPop = std::move(onPop);
}

}  // namespace kv
