#pragma once

#include <cstdint>

#include "framework/errors/ResultLevel.h"

namespace kv {

// An object inside a procedure's window that the window manager drives: a browse list, and any
// other object that keeps data shown in the window. The window manager calls a registered
// component only through these operations, which are declared in their fixed slot order, and
// only on the window's own logical thread.
//
// Ownership: the procedure owns its components; registering one (WindowManager::AddItem) only
// keeps a reference. A component must stay alive until the window manager's Kill has called
// its Kill (or until it was removed with RemoveItem).
class WindowComponent {
 public:
  virtual ~WindowComponent() = default;

  // Releases everything the component holds. Called by the window manager's Kill after the
  // component was taken out of the list, so it is never called again afterwards.
  virtual void Kill() = 0;
  // Fetches the component's data again; `force` 1 means even when nothing seems changed.
  // Called by the window manager's Reset for every component, in registration order.
  virtual void Reset(std::uint8_t force) = 0;
  // True when the component's data changed so that the whole window must be reset. Asked
  // after every event while the window manager's AUTOREFRESH is on; the first component that
  // says yes causes one Reset and the later ones are not asked for that event.
  virtual std::uint8_t ResetRequired() = 0;
  // Registers the keys the component reacts to (alert keys of its controls).
  virtual void SetAlerts() = 0;
  // Sees the current event (CurrentEvent()). Benign lets the next component see it; any
  // other answer ends the dispatch of this event and becomes the window manager's answer.
  virtual ResultLevel TakeEvent() = 0;
  // Copies the screen values of its controls into its buffers.
  virtual void Update() = 0;
  // Redraws its controls. Called by the window manager's Reset after every component was
  // reset.
  virtual void UpdateWindow() = 0;
};

}  // namespace kv
