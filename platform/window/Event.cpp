#include "platform/window/Event.h"

#include <utility>

namespace kv {

std::string EventName(int code) {
  static constexpr std::pair<int, const char*> kNames[] = {
      {kEventAccepted, "accepted"},
      {kEventNewSelection, "new selection"},
      {kEventScrollUp, "scroll up"},
      {kEventScrollDown, "scroll down"},
      {kEventPageUp, "page up"},
      {kEventPageDown, "page down"},
      {kEventScrollTop, "scroll top"},
      {kEventScrollBottom, "scroll bottom"},
      {kEventLocate, "locate"},
      {kEventScrollDrag, "scroll drag"},
      {kEventAlertKey, "alert key"},
      {kEventRejected, "rejected"},
      {kEventSelected, "selected"},
      {kEventPressed, "pressed"},
      {kEventCloseWindow, "close window"},
      {kEventCloseDown, "close down"},
      {kEventOpenWindow, "open window"},
      {kEventFocusLost, "focus lost"},
      {kEventFocusGained, "focus gained"},
      {kEventNotify, "notify"},
      {kEventCompleted, "completed"},
      {kEventTimer, "timer"},
      {kEventSized, "sized"},
      {kEventStateChanged, "state changed"},
  };
  for (const auto& [c, n] : kNames) {
    if (c == code) return n;
  }
  return "event " + std::to_string(code);
}

}  // namespace kv
