#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/resize/ResizeStrategy.h"
#include "framework/window/WindowResizer.h"
#include "platform/window/Window.h"

namespace kv {

// Keeps the controls of one procedure window in a sensible layout while the user resizes,
// maximizes or restores the window.
//
// At Init it records the window's size and every control's rectangle (the initial layout),
// gives each control a positional and a resize strategy (DefaultStrategies of the application
// strategy and the control's type) and, for strategies 2 and 4, works out which control each
// control belongs to (its parent: the sheet of a tab page, or the control whose area holds its
// top-left corner). On every size change it computes each control's rectangle from its initial
// rectangle and the initial and current rectangles of its parent, parents before children,
// and moves the controls. Every position comes from the initial layout, so resizing back and
// forth never drifts, and returning the window to its initial size puts every control back
// exactly where it started.
//
// A procedure creates one, calls Init after its window has opened, and registers it with its
// window manager (WindowManager::AddItem(WindowResizer&)), whose Kill kills it when the window
// closes; the procedure owns the object and frees it after Run.
//
//   ResizeManager resizer;                 // beside the procedure's window manager
//   ...in Init, after Open(definition):
//   resizer.Init(2, true, false);           // strategy 2, initial size is the minimum size
//   AddItem(resizer);
//
// Resizing runs from the window's event loop: Init registers ResizeWindow as the handler of
// four window events (focus gained, sized, state changed, and the deferred-resize event 1023
// that the window manager posts to its own thread after a sizing). The handler never consumes
// the event: the window manager sees it afterwards.
//
// All positions are the window model's (dialog units), in window coordinates; a rectangle is
// (x, y, width, height).
//
// Failures: nothing is reported and no operation fails visibly. Controls that are not in the
// list are left alone, a move to the rectangle a control already has is skipped, and every
// operation before Init or after Kill does nothing.
//
// Thread: the window's logical thread only (Init, the handlers and Kill all run there); no
// member is shared, so nothing is locked.
class ResizeManager : public WindowResizer {
 public:
  // The window as first seen: client-area size, position, and state.
  struct WindowRecord {
    std::int32_t XPOS = 0;
    std::int32_t YPOS = 0;
    std::int32_t WIDTH = 0;
    std::int32_t HEIGHT = 0;
    std::uint8_t MAXIMIZED = 0;
    std::uint8_t ICONIZED = 0;
    Rect Rectangle() const { return Rect{XPOS, YPOS, WIDTH, HEIGHT}; }
  };
  // One managed control (CONTROLQUEUE), kept in order of ID.
  struct ControlRecord {
    std::int32_t ID = 0;    // the control number
    std::int32_t TYPE = 0;  // control type number (14 with the drop-down property counts as 8)
    std::uint8_t HASCHILDREN = 0;
    std::uint16_t POSITIONALSTRATEGY = 0;  // low byte horizontal rule, high byte vertical
    std::uint16_t RESIZESTRATEGY = 0;      // kLockWidth, kKeepRightMargin, ... flags
    Rect POS;                              // the initial rectangle
    std::int32_t PARENTID = 0;             // 0: the window
  };
  // One control's move in a resize (RESIZELIST).
  struct ResizeRecord {
    std::int32_t PRIORITY = 0;  // order of the moves when they are not deferred
    std::int32_t CONTROLID = 0;
    std::int32_t TYPE = 0;
    Rect BEFORE;
    Rect AFTER;
  };

  ResizeManager() = default;
  // Kills the manager when that has not happened: its handlers must not outlive it.
  ~ResizeManager() override;
  ResizeManager(const ResizeManager&) = delete;
  ResizeManager& operator=(const ResizeManager&) = delete;

  // ---- Fields, in declaration order.
  std::uint8_t APPSTRATEGY = 0;      // 1 to 5, see DefaultStrategies
  std::uint8_t AUTOTRANSPARENT = 0;  // kept for procedures; nothing here reads it
  WindowRecord ORIGWIN;              // the window as captured
  std::unique_ptr<std::vector<ControlRecord>> CONTROLQUEUE;  // created by Init, freed by Kill
  std::uint8_t DEFERMOVES = 0;    // hand each resize's moves to the window as one batch
  Rect PREVIOUSWIN;               // the window after the last resize (x, y, client size)
  std::uint8_t RESIZECALLED = 0;  // a resize ran since the capture
  std::unique_ptr<std::vector<ResizeRecord>> RESIZELIST;  // work list of the last resize

  // ---- Set-up and teardown.

  // Sets the manager up for the calling thread's active window (the procedure's window, just
  // opened), or for `window` with the second form: creates both lists, sets APPSTRATEGY,
  // registers ResizeWindow for the focus-gained, sized, state-changed and deferred-resize
  // events, marks the window as managed (kPropertyResizeManaged "1"), captures the controls
  // (CaptureControls), assigns parents for strategies 2 and 4, makes the initial size the
  // window's minimum size when `setMinimum` is on and its maximum size when `setMaximum` is
  // on, and sets DEFERMOVES. Calling Init again first undoes the earlier Init. Without an open
  // window the lists exist but stay empty and no handler is registered.
  void Init(std::uint8_t appStrategy, bool setMinimum, bool setMaximum);
  void Init(Window window, std::uint8_t appStrategy, bool setMinimum, bool setMaximum);
  // Unregisters the four handlers and frees both lists. Safe to call again.
  void Kill() override;

  // ---- Virtual operations, in slot order.

  // The control's PARENTID; 0 for a control that is not in the list.
  virtual std::int32_t GetParentID(std::int32_t control);
  // Takes the current layout as the initial one: ORIGWIN (and PREVIOUSWIN) from the window;
  // every known control's POS from its current rectangle (its strategies and parent stay);
  // new controls are added with the default strategies, no parent and no children, except
  // controls with kPropertyNoResize, of a type outside 1-127, and menus, menu items,
  // separators and tabs (types 19, 20, 22, 24, 25, 38). Clears RESIZECALLED.
  virtual void CaptureControls();
  // The event handler: Resize(0).
  virtual void ResizeWindow();
  // Lays out the children of `control` (0: the whole window) for its current size. Nothing
  // happens when no control is managed, while the window is minimized, for a control that is
  // not in the list, or (control 0) when the window's size is that of the last resize.
  // Otherwise, for the window back at its initial size every control goes back to its initial
  // rectangle; for any other size each child of `control` is computed (ComputePosition) from
  // its initial rectangle and its parent's initial and current rectangles, and the children of
  // every control that moved follow, parents before children (RESIZELIST keeps the work).
  // Moves to the rectangle a control already has are skipped. With DEFERMOVES the moves land
  // as one batch (a batch an outer caller opened stays open); without, the far controls move
  // first when the window grows and the near ones first when it shrinks. Afterwards
  // RESIZECALLED is set and, for control 0, PREVIOUSWIN is the window's size. Answers false.
  virtual std::uint8_t Resize(std::int32_t control);
  // Puts the window back as captured: its maximized and minimized states, its width and height
  // (the position stays), and every control at its initial rectangle.
  virtual void RestoreWindow();
  // AssignParent for every control, in list order.
  virtual void AssignParents();
  // Finds the parent of `current` (a record of CONTROLQUEUE): with a parent control in the
  // window (tabs skipped: a control on a tab page belongs to the sheet), that one; without,
  // `current` adopts every other control whose initial top-left corner lies inside its initial
  // rectangle, except its own parent. A control inside several such areas ends with the one
  // processed last.
  virtual void AssignParent(const ControlRecord& current);
  // The new rectangle of `control` whose initial rectangle is `initial`, inside a parent that
  // was `parentBefore` and is `parentAfter` now (ComputeControlRect with the control's
  // strategies; a control that is not in the list keeps `initial`).
  virtual Rect ComputePosition(std::int32_t control, const Rect& parentBefore, const Rect& initial,
                               const Rect& parentAfter);

  // ---- Other operations.

  // Makes `parent` the parent of `child` (0: the window) when they differ: the child's
  // PARENTID (when the child is in the list) and the parent's HASCHILDREN. A parent that
  // already belongs, directly or further up, to `child` is refused, so that the parents never
  // form a loop.
  void SetParent(std::int32_t child, std::int32_t parent);
  // Changes a managed control's strategies (a procedure's own choice after Init); false when
  // the control is not in the list.
  bool SetStrategy(std::int32_t control, std::uint16_t positional, std::uint16_t resize);
  // The managed control's record, or null. The pointer lasts until the list changes.
  const ControlRecord* Find(std::int32_t control) const;
  // The window the manager lays out.
  Window ManagedWindow() const { return window_; }

 private:
  ControlRecord* FindRecord(std::int32_t control);
  Rect GetPosition(std::int32_t control) const;
  void ApplyPosition(std::int32_t control, const Rect& rect);
  void ComputeChildren(std::int32_t parent, const Rect& parentBefore, const Rect& parentAfter,
                       int depth);
  void RestoreControls();
  void OrderWorkList(const Rect& now);
  bool ControlFlag(std::int32_t control, int property) const;
  void UnregisterHandlers();

  Window window_;                // the managed window
  std::vector<int> handlerIds_;  // registrations of ResizeWindow with window_
};

}  // namespace kv
