#pragma once

#include <cstdint>

#include "platform/window/Window.h"
#include "platform/window/WindowPlacement.h"

namespace kv {

// The placement of an open window of the window model, as the settings-file manager saves and
// restores it. A procedure's Init restores its window after opening it, and its Kill saves it
// while the window is still open (the window manager closes it only after Kill):
//   OpenWindowPlacement placement(MYWINDOW);
//   INIMgr.FetchWindow("BrowseArticulos", placement);           // Init
//   INIMgr.UpdateWindowPosition("BrowseArticulos", placement);  // Kill, when OPENED
//
// A closed window reads as zeros and not maximised, and ignores changes. Thread: any (the window
// model has its own lock); it never shows anything or calls the settings-file manager.
class OpenWindowPlacement final : public WindowPlacement {
 public:
  explicit OpenWindowPlacement(Window window) : window_(window) {}

  bool IsMaximized() const override { return window_.Maximized(); }
  bool IsMinimized() const override { return window_.Minimized(); }
  bool IsResizable() const override { return window_.Resizable(); }
  std::int32_t PositionX() const override { return window_.Position().x; }
  std::int32_t PositionY() const override { return window_.Position().y; }
  std::int32_t Width() const override { return window_.Position().width; }
  std::int32_t Height() const override { return window_.Position().height; }

  void SetPosition(std::int32_t x, std::int32_t y) override {
    Rect r = window_.Position();
    if (x != kPlacementNotSet) r.x = x;
    if (y != kPlacementNotSet) r.y = y;
    window_.SetPosition(r);
    window_.StepClearOfFrameChildren();  // a second list restored to the first one's place
  }
  void SetSize(std::int32_t width, std::int32_t height) override {
    Rect r = window_.Position();
    if (width != kPlacementNotSet) r.width = width;
    if (height != kPlacementNotSet) r.height = height;
    window_.SetPosition(r);
  }
  void SetMaximized(bool on) override { window_.SetMaximized(on); }
  void SetMinimized(bool on) override { window_.SetMinimized(on); }

 private:
  Window window_;
};

}  // namespace kv
