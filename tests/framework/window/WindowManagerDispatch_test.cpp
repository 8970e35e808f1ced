#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/headless/HeadlessBackend.h"
#include "tests/framework/window/WindowManagerFixture.h"

namespace kv {
namespace {

using test::CallLog;
using test::LoggingComponent;
using test::RunningProcedure;
using test::Settle;
using test::TestProcedure;

using Lines = std::vector<std::string>;

// Entries of `log` from the first one equal to `from` on (everything when it is empty).
Lines From(const Lines& log, const std::string& from) {
  auto it = from.empty() ? log.begin() : std::find(log.begin(), log.end(), from);
  return Lines(it, log.end());
}

// The dispatch of one event: the window manager's handlers first, then the components in
// registration order, stopping at the first answer that is not Benign; the reset question
// follows only a Benign dispatch.
TEST(WindowManagerDispatch, OneEventReachesHandlersThenComponentsInOrderUntilOneAnswers) {
  struct Case {
    const char* name;
    bool windowEvent;  // a program event posted to the window instead of pressing OK
    int stopAt;        // component (0 A, 1 B, 2 C) answering Notify; -1 none
    Lines expected;
  };
  const std::string accepted = EventName(kEventAccepted);
  const std::string program = EventName(1000);
  const Case cases[] = {
      {"all benign",
       false,
       -1,
       {"TakeAccepted 2", "TakeFieldEvent " + accepted, "A.TakeEvent " + accepted,
        "B.TakeEvent " + accepted, "C.TakeEvent " + accepted, "A.ResetRequired", "B.ResetRequired",
        "C.ResetRequired"}},
      {"second component consumes",
       false,
       1,
       {"TakeAccepted 2", "TakeFieldEvent " + accepted, "A.TakeEvent " + accepted,
        "B.TakeEvent " + accepted}},
      {"first component consumes",
       false,
       0,
       {"TakeAccepted 2", "TakeFieldEvent " + accepted, "A.TakeEvent " + accepted}},
      {"window event: no field handler",
       true,
       -1,
       {"TakeWindowEvent " + program, "A.TakeEvent " + program, "B.TakeEvent " + program,
        "C.TakeEvent " + program, "A.ResetRequired", "B.ResetRequired", "C.ResetRequired"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    LoggingComponent a("A", log), b("B", log), cc("C", log);
    LoggingComponent* components[] = {&a, &b, &cc};
    if (c.stopAt >= 0) {
      components[c.stopAt]->answerFor = c.windowEvent ? 1000 : kEventAccepted;
      components[c.stopAt]->answer = Notify;
    }
    RunningProcedure p(log, [&](TestProcedure& w) {
      w.AddItem(a);
      w.AddItem(b);
      w.AddItem(cc);
    });
    ASSERT_TRUE(Settle());
    log.Clear();
    if (c.windowEvent) {
      ASSERT_TRUE(p.Win().Post(1000));
    } else {
      ASSERT_EQ(Press(p.Win().Id(), TestProcedure::kOk), InputStatus::kOk);
    }
    ASSERT_TRUE(Settle());
    EXPECT_EQ(log.Entries(), c.expected);
    ASSERT_EQ(CloseBox(p.Win().Id()), InputStatus::kOk);
    p.Join();
  }
}

TEST(WindowManagerDispatch, FatalFromAComponentLeavesTheLoopAndTheProcedureEnds) {
  CallLog log;
  LoggingComponent a("A", log), b("B", log);
  a.answerFor = kEventAccepted;
  a.answer = Fatal;
  RunningProcedure p(log, [&](TestProcedure& w) {
    w.AddItem(a);
    w.AddItem(b);
  });
  ASSERT_TRUE(Settle());
  WindowId id = p.Win().Id();
  ASSERT_EQ(Press(id, TestProcedure::kOk), InputStatus::kOk);
  p.Join();
  Lines tail = From(log.Entries(), "TakeAccepted 2");
  EXPECT_EQ(std::count(tail.begin(), tail.end(), "B.TakeEvent " + EventName(kEventAccepted)), 0);
  EXPECT_EQ(log.Count("Kill=0"), 1);
  EXPECT_EQ(p.procedure.response.load(), RequestCancelled);
  EXPECT_FALSE(Window(id).IsOpen()) << "Run closes the window after Kill";
}

TEST(WindowManagerDispatch, TwoComponentsAskingForAResetResetOncePerEvent) {
  struct Case {
    const char* name;
    std::uint8_t autoRefresh;
    int resets;
    int asked;  // ResetRequired questions
  };
  const Case cases[] = {{"auto refresh on", 1, 1, 1}, {"auto refresh off", 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    LoggingComponent a("A", log), b("B", log);
    RunningProcedure p(log, [&](TestProcedure& w) {
      w.AddItem(a);
      w.AddItem(b);
      w.AUTOREFRESH = c.autoRefresh;
    });
    ASSERT_TRUE(Settle());
    log.Clear();
    a.resetRequired = true;
    b.resetRequired = true;
    ASSERT_EQ(Press(p.Win().Id(), TestProcedure::kOk), InputStatus::kOk);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(log.Count("Reset"), c.resets);
    EXPECT_EQ(log.Count("A.Reset(0)"), c.resets);
    EXPECT_EQ(log.Count("B.Reset(0)"), c.resets) << "a reset reaches every component";
    EXPECT_EQ(log.Count("A.ResetRequired") + log.Count("B.ResetRequired"), c.asked)
        << "asking stops at the first yes";
    ASSERT_EQ(CloseBox(p.Win().Id()), InputStatus::kOk);
    p.Join();
  }
}

TEST(WindowManagerDispatch, FirstSizedEventCausesNoResetTheSecondDoes) {
  CallLog log;
  LoggingComponent a("A", log);
  RunningProcedure p(log, [&](TestProcedure& w) { w.AddItem(a); });
  ASSERT_TRUE(Settle());
  // Opening: the first-open actions reset once; the sized event of the opening does not.
  EXPECT_EQ(log.Count("Reset"), 1);
  EXPECT_EQ(log.Count("A.TakeEvent " + EventName(kEventDeferredResize)), 1)
      << "every sized event is followed by the deferred resize";
  EXPECT_EQ(p.procedure.INITED, 3);
  ASSERT_EQ(ResizeWindow(p.Win().Id(), 250, 180), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(log.Count("Reset"), 2);
  EXPECT_EQ(log.Count("A.TakeEvent " + EventName(kEventDeferredResize)), 2);
  ASSERT_EQ(CloseBox(p.Win().Id()), InputStatus::kOk);
  p.Join();
}

TEST(WindowManagerDispatch, NewSelectionResetsOnlyForASheetAndRetargetsTheToolbar) {
  struct Target : ToolbarTarget {
    ResultLevel DisplayButtons() override { return Benign; }
    void TakeToolbar() override { ++taken; }
    std::uint8_t TryTakeToolbar() override { return 1; }
    void TakeEvent(std::int32_t*, WindowManager&) override {}
    std::atomic<int> taken{0};
  };
  struct Case {
    const char* name;
    bool onSheet;
    std::uint8_t autoToolbar;
    int resets;
    int retargets;
  };
  const Case cases[] = {{"tab of the sheet", true, 1, 1, 1},
                        {"tab, toolbar left alone", true, 0, 1, 0},
                        {"list row", false, 1, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    ToolbarManager toolbar;
    Target target;
    RunningProcedure p(log, [&](TestProcedure& w) {
      w.AddItem(toolbar);
      toolbar.AddTarget(1, &target);
      w.AUTOTOOLBAR = c.autoToolbar;
    });
    ASSERT_TRUE(Settle());
    log.Clear();
    if (c.onSheet) {
      ASSERT_EQ(Press(p.Win().Id(), TestProcedure::kSheet + 2), InputStatus::kOk);
    } else {
      ASSERT_TRUE(p.Win().Post(kEventNewSelection, TestProcedure::kList));
    }
    ASSERT_TRUE(Settle());
    EXPECT_EQ(log.Count("Reset"), c.resets);
    EXPECT_EQ(target.taken.load(), c.retargets);
    ASSERT_EQ(CloseBox(p.Win().Id()), InputStatus::kOk);
    p.Join();
  }
}

// A binding over an int that takes digits only, standing in for a numeric picture.
class DigitsBinding : public ControlBinding {
 public:
  explicit DigitsBinding(int* value) : value_(value) {}
  std::string Display() const override { return std::to_string(*value_); }
  bool Accept(const std::string& text) override {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value_ = std::stoi(text);
    return true;
  }

 private:
  int* value_;
};

TEST(WindowManagerDispatch, RejectedTextBeepsOnceRedisplaysAndSelectsTheControl) {
  HeadlessBackend backend;
  InstallBackend(&backend);
  CallLog log;
  int value = 7;
  RunningProcedure p(log, {}, 0, [&](TestProcedure& w) {
    w.MYWINDOW.Bind(TestProcedure::kEntry, std::make_shared<DigitsBinding>(&value));
    w.MYWINDOW.Display(0);
  });
  ASSERT_TRUE(Settle());
  WindowId id = p.Win().Id();
  p.Win().Select(TestProcedure::kOk);  // the focus away from the entry
  ASSERT_TRUE(Settle());
  ASSERT_EQ(p.Win().Focus(), TestProcedure::kOk);
  int beeps = backend.BeepCount();
  ASSERT_EQ(TypeInto(id, TestProcedure::kEntry, "abc"), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(backend.BeepCount(), beeps + 1);
  EXPECT_EQ(p.Win().Text(TestProcedure::kEntry), "7");
  EXPECT_EQ(p.Win().Focus(), TestProcedure::kEntry);
  EXPECT_EQ(value, 7);
  ASSERT_EQ(TypeInto(id, TestProcedure::kEntry, "12"), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(backend.BeepCount(), beeps + 1);
  ASSERT_EQ(CloseBox(id), InputStatus::kOk);
  p.Join();
  EXPECT_EQ(value, 12);
  InstallBackend(nullptr);
}

TEST(WindowManagerDispatch, NotificationsAndPostedEventsReachOnlyTheirThread) {
  CallLog logA, logB;
  RunningProcedure a(logA), b(logB);
  ASSERT_TRUE(Settle());
  logA.Clear();
  logB.Clear();
  test::ThreadProcedure sender([&] {
    ASSERT_TRUE(NotifyThread(a.Thread(), 7, 42));
    ASSERT_TRUE(PostToThread(b.Thread(), 1000));
  });
  sender.Join();
  ASSERT_TRUE(Settle());
  EXPECT_EQ(logA.Count("TakeNotify 7 " + std::to_string(sender.Number()) + " 42"), 1);
  EXPECT_EQ(logA.Count("TakeWindowEvent " + EventName(1000)), 0);
  EXPECT_EQ(logB.Count("TakeWindowEvent " + EventName(1000)), 1);
  EXPECT_EQ(logB.Count("TakeWindowEvent " + EventName(kEventNotify)), 0);
  ASSERT_EQ(CloseBox(a.Win().Id()), InputStatus::kOk);
  ASSERT_EQ(CloseBox(b.Win().Id()), InputStatus::kOk);
  a.Join();
  b.Join();
}

}  // namespace
}  // namespace kv
