#pragma once

#include "platform/window/Window.h"
#include "platform/window/WindowPlacement.h"

namespace kv {

// The placement of a window of the window model, for the settings-file manager: reads and
// changes the model's position, size and state. Changing the placement from the program
// posts no sized event (only a user's resizing does); a program that lays out its controls
// after restoring a placement does so itself.
//
// A handle to a closed window reads zero sizes and false states and ignores changes.
// Thread: any (the model has its own lock); the placement interface asks for the window's
// thread, which this satisfies.
class ModelWindowPlacement final : public WindowPlacement {
 public:
  explicit ModelWindowPlacement(Window window) : window_(window) {}

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
  mutable Window window_;
};

}  // namespace kv
