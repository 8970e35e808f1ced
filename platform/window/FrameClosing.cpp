#include "platform/window/FrameClosing.h"

#include <mutex>
#include <set>

#include "platform/window/EventHub.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

std::mutex gMutex;           // guards gClosingFrame
WindowId gClosingFrame = 0;  // the frame marked closing, 0 for none

WindowId ClosingFrame() {
  std::lock_guard lock(gMutex);
  return gClosingFrame;
}

// The logical threads, other than `frameThread`, that have an open window.
std::set<int> OtherThreads(int frameThread) {
  std::set<int> threads;
  for (WindowId id : WindowModel::Instance().OpenWindows()) {
    const int thread = Window(id).Thread();
    if (thread != 0 && thread != frameThread) threads.insert(thread);
  }
  return threads;
}

}  // namespace

bool CloseOtherThreads(Window frame) {
  const int frameThread = frame.Thread();
  const std::set<int> threads = OtherThreads(frameThread);
  if (threads.empty()) {
    std::lock_guard lock(gMutex);
    if (gClosingFrame == frame.Id()) gClosingFrame = 0;
    return false;
  }
  {
    std::lock_guard lock(gMutex);
    gClosingFrame = frame.Id();
  }
  // Window 0: the event reaches whichever window of the thread takes events next, which is the
  // one in front (a form's loop runs while its list's waits).
  for (int thread : threads)
    (void)EventHub::Instance().Post(thread, Event{kEventCloseDown, 0, 0, 0});
  return true;
}

void NoteWindowClosed(int thread) {
  const WindowId frame = ClosingFrame();
  if (frame == 0 || thread == 0) return;
  Window f(frame);
  if (!f.IsOpen()) {
    std::lock_guard lock(gMutex);
    if (gClosingFrame == frame) gClosingFrame = 0;
    return;
  }
  if (thread == f.Thread()) return;
  EventHub& hub = EventHub::Instance();
  if (WindowModel::Instance().ActiveOf(thread) != 0) {
    (void)hub.Post(thread, Event{kEventCloseDown, 0, 0, 0});
  } else if (OtherThreads(f.Thread()).empty()) {
    (void)f.Post(kEventCloseWindow);
  }
}

void NoteCloseDeclined() {
  std::lock_guard lock(gMutex);
  gClosingFrame = 0;
}

bool FrameClosing() {
  return ClosingFrame() != 0;
}

}  // namespace kv
