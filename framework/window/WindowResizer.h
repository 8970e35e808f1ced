#pragma once

namespace kv {

// What the window manager needs of the resize manager attached to its window: it is killed
// with the window (WindowManager::Kill, after the toolbar manager). The resize manager derives
// from this; the window manager keeps a reference only, the procedure owns the object.
class WindowResizer {
 public:
  virtual ~WindowResizer() = default;
  // Unregisters the resizer's window-event handlers and releases its lists. Called once by the
  // window manager's Kill on the window's thread; must be safe to call again.
  virtual void Kill() = 0;
};

}  // namespace kv
