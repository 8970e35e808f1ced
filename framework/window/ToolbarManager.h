#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/errors/ResultLevel.h"
#include "framework/window/ToolbarTarget.h"

namespace kv {

class WindowManager;

// Routes the buttons of a toolbar to whichever target of the window should handle them. Every
// procedure's window manager owns one (WindowManager::AddItem(ToolbarManager&) runs Init).
// Targets are kept in LIST with an identifier; one of them is current, and accepted controls,
// redisplay requests and tab changes go to it. With no target, every operation passes through
// without effect, which is how the program's own procedures use it.
//
// Life: construct -> Init -> (AddTarget, SetTarget, TakeEvent, DisplayButtons) -> Kill; Kill is
// safe to call twice and Init may follow it again. Thread: the owning window's logical thread
// only; no lock.
class ToolbarManager {
 public:
  struct Entry {
    std::int32_t ID = 0;
    ToolbarTarget* ITEM = nullptr;  // not owned
  };

  ToolbarManager() = default;
  virtual ~ToolbarManager() = default;
  ToolbarManager(const ToolbarManager&) = delete;
  ToolbarManager& operator=(const ToolbarManager&) = delete;

  // Targets, in the order they were added; null before Init and after Kill.
  std::unique_ptr<std::vector<Entry>> LIST;

  // ---- Virtual operations, in slot order.

  // The current target's DisplayButtons, whose answer is the answer. Without a current target
  // (no target added yet) nothing is shown and the answer is Benign.
  virtual ResultLevel DisplayButtons();
  // Disposes of LIST (the targets themselves are not touched). A second call does nothing.
  virtual void Kill();
  // An accepted control: when LIST holds entries, the current target's TakeEvent with the same
  // arguments; otherwise nothing happens.
  virtual void TakeEvent(std::int32_t* request, WindowManager& manager);

  // ---- Other operations.

  // Creates an empty LIST; no target is current.
  void Init();
  // Appends a target with `id` (not 0). The first target added becomes current (without its
  // TakeToolbar being called); later ones only through SetTarget. Ignored before Init, for a
  // null target or for id 0.
  void AddTarget(std::int32_t id, ToolbarTarget* target);
  // id != 0: the entry with that ID becomes current and its TakeToolbar runs; an unknown id
  // changes nothing. id == 0: every target is asked TryTakeToolbar in order and the last that
  // answers yes becomes current and its TakeToolbar runs; when none answers yes the current
  // entry is unchanged. The window manager calls SetTarget(0) when a tab sheet changes.
  void SetTarget(std::int32_t id);
  // The current target, or null.
  ToolbarTarget* Current() const;
  // ID of the current target, 0 when there is none.
  std::int32_t CurrentId() const;

 private:
  std::size_t current_ = 0;  // position in LIST from 1; 0 when no target is current
};

}  // namespace kv
