#pragma once

#include <cstdint>

#include "framework/errors/ResultLevel.h"

namespace kv {

class WindowManager;

// Toolbar request numbers: the values of a thread's VCRRequest while a toolbar button waits to
// be carried out by a list or a form. 0 means no pending request.
inline constexpr std::int32_t kToolbarInsert = 3001;
inline constexpr std::int32_t kToolbarBottom = 3005;  // last page
inline constexpr std::int32_t kToolbarTop = 3006;     // first page
inline constexpr std::int32_t kToolbarPageDown = 3007;
inline constexpr std::int32_t kToolbarPageUp = 3008;
inline constexpr std::int32_t kToolbarDown = 3009;     // next record
inline constexpr std::int32_t kToolbarUp = 3010;       // previous record
inline constexpr std::int32_t kToolbarHistory = 3012;  // recall the field's saved value

// An object that can handle the buttons of the toolbar: a list or a form. The toolbar manager
// calls its targets only through these operations (in their fixed slot order), on the window's
// thread. The toolbar manager keeps references only; whoever adds a target keeps it alive
// until the toolbar manager is killed.
class ToolbarTarget {
 public:
  virtual ~ToolbarTarget() = default;

  // Shows (enables, disables) the toolbar buttons this target handles; answers Benign when it
  // did, or a level the caller passes on.
  virtual ResultLevel DisplayButtons() = 0;
  // Becomes the current target.
  virtual void TakeToolbar() = 0;
  // True when the target can be the current one now (its control is visible, say).
  virtual std::uint8_t TryTakeToolbar() = 0;
  // Handles an accepted control of the window. `request` is the thread's VCRRequest (null when
  // the window manager has none); a target turns its buttons into a request number there.
  virtual void TakeEvent(std::int32_t* request, WindowManager& manager) = 0;
};

}  // namespace kv
