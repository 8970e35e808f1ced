#pragma once

#include <cstdint>

namespace kv {

// The list control a browse shows its rows in, as the browse manager sees it. A derived
// browse may put another control behind it. Thread: the browse's logical thread.
class IListControl {
 public:
  virtual ~IListControl() = default;

  // The highlighted row (from 1; 0 none).
  virtual std::int32_t Choice() = 0;
  // The control's number.
  virtual std::int32_t GetControl() = 0;
  // The number of rows the control shows (its height in rows).
  virtual std::int32_t GetItems() = 0;
  // True when the control is shown: neither it nor a control containing it is hidden, and
  // when it lies on a tab page, that page is the one shown.
  virtual std::uint8_t GetVisible() = 0;
  // Highlights row n.
  virtual void SetChoice(std::int32_t n) = 0;
  // Uses another control.
  virtual void SetControl(std::int32_t control) = 0;
};

}  // namespace kv
