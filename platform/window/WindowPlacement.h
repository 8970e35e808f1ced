#pragma once

#include <cstdint>

namespace kv {

// The placement of one open window: where it is, how big, and whether it is maximised or
// minimised. The settings-file manager saves and restores windows through this interface;
// the window model's windows implement it (tests use small fakes).
//
// Coordinates and sizes are the window model's units, as signed 32-bit numbers. The value
// kPlacementNotSet (0x80000000 read as a signed 32-bit number) stands for "no value": passed to
// a setter it leaves that coordinate or dimension as it is.
//
// Thread: the window's owning logical thread. Implementations never show a window or a message
// from these calls and never call the settings-file manager, so a caller may hold a critical
// section (the settings-file manager holds its own) while using them.
class WindowPlacement {
 public:
  static constexpr std::int32_t kPlacementNotSet = INT32_MIN;

  virtual ~WindowPlacement() = default;

  // The current state of the window.
  virtual bool IsMaximized() const = 0;
  virtual bool IsMinimized() const = 0;
  // True when the user may change the window's size (it has a resizable frame).
  virtual bool IsResizable() const = 0;

  // Position of the window's top-left corner and its size, as of its normal (restored) state
  // when it is not maximised or minimised; callers read them only in that state.
  virtual std::int32_t PositionX() const = 0;
  virtual std::int32_t PositionY() const = 0;
  virtual std::int32_t Width() const = 0;
  virtual std::int32_t Height() const = 0;

  // Moves the window; an argument of kPlacementNotSet leaves that coordinate unchanged.
  virtual void SetPosition(std::int32_t x, std::int32_t y) = 0;
  // Resizes the window; an argument of kPlacementNotSet leaves that dimension unchanged.
  virtual void SetSize(std::int32_t width, std::int32_t height) = 0;
  // Maximises the window (true) or returns it to its normal state (false).
  virtual void SetMaximized(bool on) = 0;
  // Minimises the window (true) or returns it from the minimised state (false).
  virtual void SetMinimized(bool on) = 0;
};

}  // namespace kv
