#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/window/EventLoop.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "platform/window/WindowDefinition.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

WindowDefinition TwoButtons() {
  WindowDefinition def("Moves");
  def.Size(200, 100).Resizable();
  def.Button("?ONE", "One").At(10, 10, 40, 14);
  def.Button("?TWO", "Two").At(60, 10, 40, 14);
  return def;
}

// While moves are deferred the window shows the old layout; closing the batch lands every
// pending move at once (a later move of the same control replacing the earlier one), and a
// control destroyed meanwhile is skipped.
TEST(DeferredMoves, PendingMovesLandTogether) {
  test::ThreadProcedure thread([] {
    Window w = Window::Open(TwoButtons());
    w.SetDeferredMoveCount(2);
    EXPECT_EQ(w.DeferredMoveCount(), 2);
    w.SetControlRect(1, {0, 0, 40, 14});
    w.SetControlRect(1, {5, 5, 40, 14});
    w.SetControlRect(2, {90, 50, 40, 14});
    EXPECT_EQ(w.ControlRect(1), (Rect{10, 10, 40, 14}));
    EXPECT_EQ(w.ControlRect(2), (Rect{60, 10, 40, 14}));
    w.DestroyControl(2);
    w.SetDeferredMoveCount(0);
    EXPECT_EQ(w.ControlRect(1), (Rect{5, 5, 40, 14}));
    EXPECT_FALSE(w.HasControl(2));
    w.SetControlRect(1, {7, 7, 40, 14});  // no batch: at once
    EXPECT_EQ(w.ControlRect(1), (Rect{7, 7, 40, 14}));
    w.Close();
  });
}

// The title-bar buttons: each state change sets the flags and posts state changed once;
// choosing the state the window has already posts nothing.
TEST(DeferredMoves, WindowStateGestures) {
  std::mutex mutex;
  std::vector<int> events;
  std::atomic<WindowId> id{0};
  test::ThreadProcedure thread([&] {
    Window w = Window::Open(TwoButtons());
    id = w.Id();
    RunEventLoop(w, [&](const Event& e) {
      std::lock_guard lock(mutex);
      events.push_back(e.code);
      return LoopAnswer::kDefault;
    });
  });
  ASSERT_TRUE(test::Settle());
  Window w(id.load());
  struct Case {
    WindowShowState state;
    bool maximized, minimized;
    int posted;
  };
  const Case cases[] = {{WindowShowState::kMinimized, false, true, 1},
                        {WindowShowState::kMinimized, false, true, 0},
                        {WindowShowState::kMaximized, true, false, 1},
                        {WindowShowState::kNormal, false, false, 1},
                        {WindowShowState::kNormal, false, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.state));
    {
      std::lock_guard lock(mutex);
      events.clear();
    }
    ASSERT_EQ(ChangeWindowState(w.Id(), c.state), InputStatus::kOk);
    ASSERT_TRUE(test::Settle());
    EXPECT_EQ(w.Maximized(), c.maximized);
    EXPECT_EQ(w.Minimized(), c.minimized);
    std::lock_guard lock(mutex);
    EXPECT_EQ(events, std::vector<int>(c.posted, kEventStateChanged));
  }
  ASSERT_EQ(CloseBox(w.Id()), InputStatus::kOk);
}

}  // namespace
}  // namespace kv
