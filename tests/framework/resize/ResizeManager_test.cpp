#include "framework/resize/ResizeManager.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <string>
#include <vector>

#include "tests/framework/resize/ResizeFixture.h"

namespace kv {
namespace {

using test::ChangeRecorder;
using test::ResizingProcedure;
using test::RunningResize;
using test::Settle;
using test::Show;

constexpr int kPrompt = 1;
constexpr int kEntry = 2;
constexpr int kList = 3;
constexpr int kButton = 4;

// A 400 x 300 window with a prompt and an entry under a list, and a button at the bottom right.
WindowDefinition Form() {
  WindowDefinition def("Resizing");
  def.Size(400, 300).Resizable();
  def.Prompt("?PROMPT", "Code:").At(10, 220, 80, 10);
  def.Entry("?ENTRY", "s20").At(100, 220, 120, 10);
  def.List("?LIST", "20L").At(10, 10, 380, 200);
  def.Button("?BUTTON", "OK").At(320, 260, 50, 14);
  return def;
}

const std::map<int, Rect> kInitial{{kPrompt, {10, 220, 80, 10}},
                                   {kEntry, {100, 220, 120, 10}},
                                   {kList, {10, 10, 380, 200}},
                                   {kButton, {320, 260, 50, 14}}};

void ExpectLayout(Window w, const std::map<int, Rect>& expected, const std::string& when) {
  for (const auto& [control, rect] : expected) {
    EXPECT_EQ(Show(w.ControlRect(control)), Show(rect)) << when << ", control " << control;
  }
}

bool ResizeTo(RunningResize& p, int width, int height) {
  return ResizeWindow(p.Id(), width, height) == InputStatus::kOk && Settle();
}

// Each application strategy on a window grown to 600 x 450. A detour through other sizes and
// back gives the same layout again (nothing drifts), and the initial size gives back the
// initial layout exactly.
TEST(ResizeManager, EachStrategyLaysOutTheWindowAndNeverDrifts) {
  struct Case {
    std::uint8_t strategy;
    std::map<int, Rect> at600x450;
  };
  const Case cases[] = {
      {1,
       {{kPrompt, {15, 330, 120, 15}},
        {kEntry, {150, 330, 180, 10}},
        {kList, {15, 15, 570, 300}},
        {kButton, {520, 410, 50, 14}}}},
      {2,
       {{kPrompt, {15, 220, 120, 10}},
        {kEntry, {150, 220, 180, 10}},
        {kList, {10, 10, 580, 350}},
        {kButton, {520, 410, 50, 14}}}},
      {3, kInitial},
      {4,
       {{kPrompt, {10, 220, 80, 10}},
        {kEntry, {100, 220, 320, 10}},
        {kList, {10, 10, 580, 350}},
        {kButton, {520, 410, 50, 14}}}},
      {5,
       {{kPrompt, {110, 295, 80, 10}},
        {kEntry, {200, 295, 120, 10}},
        {kList, {110, 85, 380, 200}},
        {kButton, {420, 335, 50, 14}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("strategy " + std::to_string(c.strategy));
    RunningResize p(Form(), c.strategy);
    ASSERT_TRUE(Settle());
    ExpectLayout(p.Win(), kInitial, "opened");
    ASSERT_TRUE(ResizeTo(p, 600, 450));
    ExpectLayout(p.Win(), c.at600x450, "600 x 450");
    for (auto [w, h] : {std::pair{537, 311}, {999, 777}, {401, 302}})
      ASSERT_TRUE(ResizeTo(p, w, h));
    ASSERT_TRUE(ResizeTo(p, 600, 450));
    ExpectLayout(p.Win(), c.at600x450, "600 x 450 after a detour");
    ASSERT_TRUE(ResizeTo(p, 400, 300));
    ExpectLayout(p.Win(), kInitial, "back to the initial size");
  }
}

// Strategy 2 on a window widened from 400 to 600 at equal height: the list stretches, the
// button keeps its right gap, the entry moves proportionally at its height.
TEST(ResizeManager, StrategyTwoWidenedKeepsGapsAndHeights) {
  RunningResize p(Form(), 2);
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(ResizeTo(p, 600, 300));
  ExpectLayout(p.Win(),
               {{kList, {10, 10, 580, 200}},
                {kButton, {520, 260, 50, 14}},
                {kEntry, {150, 220, 180, 10}},
                {kPrompt, {15, 220, 120, 10}}},
               "600 x 300");
  ASSERT_TRUE(ResizeTo(p, 500, 350));  // scales 1.25 and 1.1667: halves round away from zero
  ExpectLayout(p.Win(),
               {{kList, {10, 10, 480, 250}},
                {kButton, {420, 310, 50, 14}},
                {kEntry, {125, 220, 150, 10}},
                {kPrompt, {13, 220, 100, 10}}},
               "500 x 350");
}

// A size event that leaves the size as it was lays nothing out: a control the program moved
// itself stays where the program put it.
TEST(ResizeManager, SizeEventsWithoutAChangeOfSizeDoNothing) {
  RunningResize p(Form(), 2);
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(ResizeTo(p, 600, 450));
  const int layouts = p.procedure.resizer.layouts;
  p.Win().SetControlRect(kButton, {1, 2, 50, 14});
  ChangeRecorder recorder;
  for (int code : {kEventSized, kEventDeferredResize, kEventStateChanged, kEventFocusGained}) {
    ASSERT_TRUE(p.Win().Post(code));
  }
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Show(p.Win().ControlRect(kButton)), Show({1, 2, 50, 14}));
  EXPECT_EQ(p.procedure.resizer.layouts, layouts);
  EXPECT_TRUE(recorder.Controls(p.Id()).empty());
}

// With deferred moves every move of a resize lands as one change of the window; without, the
// controls move one by one, the far ones first when the window grows and the near ones first
// when it shrinks.
TEST(ResizeManager, MovesAreBatchedOrOrderedByPriority) {
  struct Case {
    const char* name;
    bool deferred;
    Rect from, to;                // sizes (x and y unused)
    std::vector<int> movedOrder;  // controls reported moved one by one
    int wholeWindowChanges;
    Rect button;  // where the button ends
  };
  const Case cases[] = {
      {"deferred", true, {0, 0, 400, 300}, {0, 0, 600, 450}, {}, 1, {520, 410, 50, 14}},
      {"growing both ways: by distance from the corner, far first",
       false,
       {0, 0, 400, 300},
       {0, 0, 600, 450},
       {kButton, kEntry, kPrompt, kList},
       0,
       {520, 410, 50, 14}},
      {"shrinking both ways: near first",
       false,
       {0, 0, 600, 450},
       {0, 0, 500, 350},
       {kList, kPrompt, kEntry, kButton},
       0,
       {420, 310, 50, 14}},
      {"growing taller only: by y, lowest first",
       false,
       {0, 0, 400, 300},
       {0, 0, 400, 400},
       {kButton, kList},
       0,
       {320, 360, 50, 14}},
      {"growing wider only: by x, rightmost first",
       false,
       {0, 0, 400, 300},
       {0, 0, 600, 300},
       {kButton, kEntry, kPrompt, kList},
       0,
       {520, 260, 50, 14}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunningResize p(Form(), 2);
    ASSERT_TRUE(Settle());
    ASSERT_TRUE(p.OnThread([&](ResizingProcedure& w) {
      w.resizer.DEFERMOVES = c.deferred ? 1 : 0;
      w.MYWINDOW.SetPosition({0, 0, c.from.width, c.from.height});
      (void)w.resizer.Resize(0);
    }));
    ChangeRecorder recorder;
    ASSERT_TRUE(p.OnThread([&](ResizingProcedure& w) {
      w.MYWINDOW.SetPosition({0, 0, c.to.width, c.to.height});
      recorder.Clear();  // the window's own size change is not a move
      (void)w.resizer.Resize(0);
    }));
    EXPECT_EQ(recorder.Controls(p.Id()), c.movedOrder);
    EXPECT_EQ(recorder.WholeWindowChanges(p.Id()), c.wholeWindowChanges);
    EXPECT_EQ(p.Win().DeferredMoveCount(), 0);
    EXPECT_EQ(Show(p.Win().ControlRect(kButton)), Show(c.button));
  }
}

// A batch opened by an outer caller (negative count) stays open: the moves wait for it.
TEST(ResizeManager, AnOuterBatchKeepsTheMovesPending) {
  RunningResize p(Form(), 2);
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(p.OnThread([](ResizingProcedure& w) {
    w.MYWINDOW.SetDeferredMoveCount(-1);
    w.MYWINDOW.SetPosition({0, 0, 600, 450});
    (void)w.resizer.Resize(0);
  }));
  EXPECT_EQ(p.Win().DeferredMoveCount(), -1);
  ExpectLayout(p.Win(), kInitial, "batch still open");
  ASSERT_TRUE(p.OnThread([](ResizingProcedure& w) { w.MYWINDOW.SetDeferredMoveCount(0); }));
  EXPECT_EQ(Show(p.Win().ControlRect(kButton)), Show({520, 410, 50, 14}));
}

// Several size events queued before the window's thread gets to them: the first one lays the
// window out for the size it has by then, the rest (and the deferred-resize events the window
// manager posts for each) find nothing to do.
TEST(ResizeManager, QueuedSizeEventsGiveOneLayoutForTheLastSize) {
  RunningResize p(Form(), 2);
  ASSERT_TRUE(Settle());
  const int calls = p.procedure.resizer.calls;
  const int layouts = p.procedure.resizer.layouts;
  const int deferred = p.procedure.deferredEvents;  // opening the window posted one already
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  p.procedure.PostTask([released](ResizingProcedure&) { released.wait(); });
  for (auto [w, h] : {std::pair{450, 320}, {520, 380}, {600, 450}}) {
    ASSERT_EQ(ResizeWindow(p.Id(), w, h), InputStatus::kOk);
  }
  release.set_value();
  ASSERT_TRUE(Settle());
  ExpectLayout(
      p.Win(),
      {{kList, {10, 10, 580, 350}}, {kButton, {520, 410, 50, 14}}, {kEntry, {150, 220, 180, 10}}},
      "after the queue");
  EXPECT_EQ(p.procedure.deferredEvents - deferred, 3);
  EXPECT_EQ(p.procedure.resizer.calls - calls, 6);  // 3 sized + 3 deferred
  EXPECT_EQ(p.procedure.resizer.layouts - layouts, 1);
}

// Minimizing moves nothing, even when the backend reports another client size meanwhile;
// restoring brings the layout of the restored size. Maximizing lays out for the maximized size.
TEST(ResizeManager, MinimizeMaximizeAndRestore) {
  RunningResize p(Form(), 2, /*setMinimum=*/false);
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(ResizeTo(p, 600, 450));
  const std::map<int, Rect> at600x450{{kList, {10, 10, 580, 350}},
                                      {kButton, {520, 410, 50, 14}},
                                      {kEntry, {150, 220, 180, 10}},
                                      {kPrompt, {15, 220, 120, 10}}};
  ChangeRecorder recorder;
  ASSERT_EQ(ChangeWindowState(p.Id(), WindowShowState::kMinimized), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(ResizeTo(p, 0, 0));  // a minimized window may report an empty client area
  ExpectLayout(p.Win(), at600x450, "minimized");
  ASSERT_TRUE(ResizeTo(p, 600, 450));
  ASSERT_EQ(ChangeWindowState(p.Id(), WindowShowState::kNormal), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  ExpectLayout(p.Win(), at600x450, "restored");
  EXPECT_TRUE(recorder.Controls(p.Id()).empty());
  EXPECT_EQ(recorder.WholeWindowChanges(p.Id()) > 0, true);  // the state changes themselves

  ASSERT_EQ(ChangeWindowState(p.Id(), WindowShowState::kMaximized), InputStatus::kOk);
  ASSERT_TRUE(ResizeTo(p, 800, 600));
  EXPECT_TRUE(p.Win().Maximized());
  EXPECT_EQ(Show(p.Win().ControlRect(kList)), Show({10, 10, 780, 500}));
  EXPECT_EQ(Show(p.Win().ControlRect(kButton)), Show({720, 560, 50, 14}));
  ASSERT_EQ(ChangeWindowState(p.Id(), WindowShowState::kNormal), InputStatus::kOk);
  ASSERT_TRUE(ResizeTo(p, 400, 300));
  ExpectLayout(p.Win(), kInitial, "restored to the initial size");
}

// RestoreWindow puts the window back as it was captured: state, size (not position), layout.
TEST(ResizeManager, RestoreWindowPutsBackStateSizeAndLayout) {
  for (bool openedMaximized : {false, true}) {
    SCOPED_TRACE(openedMaximized ? "opened maximized" : "opened normal");
    WindowDefinition def = Form();
    def.Position(30, 40).Maximized(openedMaximized);
    RunningResize p(def, 2);
    ASSERT_TRUE(Settle());
    ASSERT_EQ(ChangeWindowState(
                  p.Id(), openedMaximized ? WindowShowState::kNormal : WindowShowState::kMaximized),
              InputStatus::kOk);
    ASSERT_TRUE(ResizeTo(p, 640, 480));
    Rect moved = p.Win().Position();
    moved.x = 70;
    p.Win().SetPosition(moved);
    ASSERT_NE(Show(p.Win().ControlRect(kList)), Show(kInitial.at(kList)));
    ASSERT_TRUE(p.OnThread([](ResizingProcedure& w) { w.resizer.RestoreWindow(); }));
    EXPECT_EQ(p.Win().Maximized(), openedMaximized);
    EXPECT_FALSE(p.Win().Minimized());
    EXPECT_EQ(Show(p.Win().Position()), Show({70, 40, 400, 300}));
    ExpectLayout(p.Win(), kInitial, "restored");
  }
}

// The window manager kills its resize manager with the window: no handler is left behind.
TEST(ResizeManager, KilledWithTheWindowManager) {
  RunningResize p(Form(), 2);
  ASSERT_TRUE(Settle());
  for (int code : {kEventFocusGained, kEventSized, kEventStateChanged, kEventDeferredResize}) {
    EXPECT_EQ(p.Win().HandlersFor(code).size(), 1u) << code;
  }
  EXPECT_EQ(p.Win().WindowProperty(kPropertyResizeManaged), "1");
  int minW = 0, minH = 0;
  p.Win().MinimumSize(&minW, &minH);
  EXPECT_EQ(minW, 400);
  EXPECT_EQ(minH, 300);
  p.Close();
  EXPECT_EQ(p.procedure.handlersAfterKill, 0);
  EXPECT_FALSE(p.procedure.resizer.CONTROLQUEUE);
  EXPECT_FALSE(p.procedure.resizer.RESIZELIST);
}

}  // namespace
}  // namespace kv
