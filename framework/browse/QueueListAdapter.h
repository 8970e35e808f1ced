#pragma once

#include <cstdint>
#include <string>

#include "framework/browse/BrowseQueue.h"
#include "framework/browse/IListControl.h"
#include "framework/browse/RowQueue.h"
#include "platform/values/VarRef.h"
#include "platform/window/Window.h"

namespace kv {

// The browse's row queue and list control as the browse manager works through them: the
// BrowseQueue operations act on a RowQueue whose position field is S, the IListControl
// operations on list control LC of a window.
//
// The window is given as a reference to a window handle that the owner keeps (a window
// manager's MYWINDOW), because the browse is set up before its window opens.
//
// Ownership: the adapter refers to the queue, the position field and the window handle, which
// must outlive it; it owns nothing. Thread: the browse's logical thread.
class QueueListAdapter : public BrowseQueue, public IListControl {
 public:
  QueueListAdapter() = default;

  // Q := queue, S := position (a text field of the queue's row buffer), LC := control.
  void Init(RowQueue& queue, VarRef position, std::int32_t control, Window& window);

  // BrowseQueue.
  std::int32_t Records() override;
  void Add() override;
  void AddAt(std::int32_t position) override;
  ErrorCode Get(std::int32_t position) override;
  void Put() override;
  void Delete() override;
  void Free() override;
  std::string ColumnName(std::int32_t n) override;
  std::string GetPosition() override;
  void SetPosition(const std::string& position) override;

  // IListControl.
  std::int32_t Choice() override;
  std::int32_t GetControl() override;
  std::int32_t GetItems() override;
  std::uint8_t GetVisible() override;
  void SetChoice(std::int32_t n) override;
  void SetControl(std::int32_t control) override;

  // Fields.
  RowQueue* Q = nullptr;
  VarRef S;
  std::int32_t LC = 0;

 private:
  Window* window_ = nullptr;
};

}  // namespace kv
