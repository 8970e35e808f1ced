#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/framework/window/WindowManagerFixture.h"

namespace kv {
namespace {

using test::CallLog;
using test::LoggingComponent;
using test::RunningProcedure;
using test::Settle;
using test::TestProcedure;

using Lines = std::vector<std::string>;

// The completed event runs the action of the current request; the save button turns the
// request into SaveRecord and completes (the save action, having no table to write, gives the
// request back), except on a view form, where it does nothing.
TEST(WindowManagerForm, OkAndSaveButtonsCompleteWithTheActionOfTheRequest) {
  struct Case {
    const char* name;
    RequestCode request;
    int press;
    Lines actions;
    RequestCode requestAfter;
  };
  const int ok = TestProcedure::kOk;
  const int save = TestProcedure::kCancel;  // the second button serves as save-and-stay
  const Case cases[] = {
      {"OK on insert", InsertRecord, ok, {"InsertAction"}, InsertRecord},
      {"OK on change", ChangeRecord, ok, {"ChangeAction"}, ChangeRecord},
      {"OK on delete", DeleteRecord, ok, {"DeleteAction"}, DeleteRecord},
      {"OK on view: completed twice, no action", ViewRecord, ok, {}, ViewRecord},
      {"save on insert", InsertRecord, save, {"SaveOnInsertAction"}, InsertRecord},
      {"save on change", ChangeRecord, save, {"SaveOnChangeAction"}, ChangeRecord},
      {"save on view does nothing", ViewRecord, save, {}, ViewRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    RunningProcedure p(
        log,
        [](TestProcedure& w) {
          w.OKCONTROL = TestProcedure::kOk;
          w.SAVECONTROL = TestProcedure::kCancel;
        },
        c.request);
    ASSERT_TRUE(Settle());
    log.Clear();
    ASSERT_EQ(Press(p.Win().Id(), c.press), InputStatus::kOk);
    ASSERT_TRUE(Settle());
    Lines actions;
    int completed = 0;
    for (const std::string& e : log.Entries()) {
      if (e.find("Action") != std::string::npos) actions.push_back(e);
      if (e == "TakeWindowEvent " + EventName(kEventCompleted)) ++completed;
    }
    EXPECT_EQ(actions, c.actions);
    if (c.request == ViewRecord && c.press == ok) {
      EXPECT_EQ(completed, 2);
    }
    EXPECT_EQ(p.procedure.REQUEST, c.requestAfter);
    if (c.press == save && c.request != ViewRecord) {
      EXPECT_EQ(p.procedure.BEFORESAVEREQUEST, c.request);
    }
    EXPECT_TRUE(p.Win().IsOpen()) << "without a primary table nothing is written or closed";
    ASSERT_EQ(CloseBox(p.Win().Id()), InputStatus::kOk);
    p.Join();
  }
}

// Losing the focus with RESETONGAINFOCUS owes a forced reset, paid when the focus returns.
TEST(WindowManagerForm, FocusRegainedResetsAndForcesItAfterALossWhenAsked) {
  struct Case {
    const char* name;
    std::uint8_t resetOnGainFocus;
    const char* reset;
  };
  const Case cases[] = {{"reset on gain focus", 1, "A.Reset(1)"}, {"plain", 0, "A.Reset(0)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    LoggingComponent a("A", log);
    RunningProcedure p(log, [&](TestProcedure& w) {
      w.AddItem(a);
      w.RESETONGAINFOCUS = c.resetOnGainFocus;
    });
    ASSERT_TRUE(Settle());
    log.Clear();
    ASSERT_TRUE(p.Win().Post(kEventFocusLost));
    ASSERT_TRUE(p.Win().Post(kEventFocusGained));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(log.Count(c.reset), 1);
    EXPECT_EQ(log.Count("Reset"), 1);
    EXPECT_EQ(p.procedure.FORCEDRESET, 0) << "the owed reset was paid";
    ASSERT_EQ(CloseBox(p.Win().Id()), InputStatus::kOk);
    p.Join();
  }
}

// A window opened with an owner is owned by it; Kill leaves the window open for the Kill
// override, and Run closes it afterwards.
TEST(WindowManagerForm, OpenWithAnOwnerAndCloseAfterKill) {
  WindowDefinition ownerDef("Owner");
  CallLog log;
  WindowId ownerId = 0;
  bool openDuringKill = false;
  struct Owned : TestProcedure {
    using TestProcedure::TestProcedure;
    ResultLevel Kill() override {
      ResultLevel r = TestProcedure::Kill();
      *openDuringKill = MYWINDOW.IsOpen();
      return r;
    }
    bool* openDuringKill = nullptr;
  };
  test::ThreadProcedure thread([&] {
    Window owner = Window::Open(ownerDef);
    ownerId = owner.Id();
    Owned w(log);
    w.openDuringKill = &openDuringKill;
    w.setUp = [owner](TestProcedure& m) { m.OWNERWINDOW = owner; };
    w.afterOpen = [&log](TestProcedure& m) {
      log.Add("owner " + std::to_string(m.MYWINDOW.Snapshot().owner));
      m.SetResponse(RequestCompleted);
    };
    EXPECT_EQ(w.Run(), RequestCompleted);
    EXPECT_FALSE(w.MYWINDOW.IsOpen());
    owner.Close();
  });
  thread.Join();
  EXPECT_EQ(log.Count("owner " + std::to_string(ownerId)), 1);
  EXPECT_TRUE(openDuringKill);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// A child procedure run from a handler (a list running its form for the highlighted record)
// runs its own loop on the same thread; afterwards the parent still handles its own event, and
// the parent's buttons still work.
TEST(WindowManagerForm, ChildProcedureRunFromAHandlerLeavesTheParentsEventIntact) {
  struct Parent : test::TestProcedure {
    using TestProcedure::TestProcedure;
    using WindowManager::Run;
    ResponseCode Run(std::uint16_t number, RequestCode request) override {
      test::CallLog ownLog;
      test::TestProcedure child(ownLog);
      child.REQUEST = request;
      child.afterOpen = [](test::TestProcedure& w) { w.SetResponse(RequestCompleted); };
      ResponseCode r = child.Run();
      childLog.Add("child " + std::to_string(number) + " answered " + std::to_string(r));
      return r;
    }
    ResultLevel TakeAccepted() override {
      if (CurrentEvent().control == kOk) {
        Run(1, ChangeRecord);
        childLog.Add("after child: control " + std::to_string(CurrentEvent().control));
      }
      return TestProcedure::TakeAccepted();
    }
    test::CallLog childLog;
  };
  test::CallLog log;
  std::atomic<WindowId> id{0};
  std::atomic<int> response{0};
  test::ThreadProcedure thread([&] {
    Parent p(log);
    p.setUp = [](test::TestProcedure& w) {
      w.AddItem(test::TestProcedure::kCancel, RequestCancelled);
    };
    p.afterOpen = [&id](test::TestProcedure& w) { id = w.MYWINDOW.Id(); };
    response = p.Run();
    EXPECT_EQ(p.childLog.Entries(),
              (std::vector<std::string>{"child 1 answered 1", "after child: control 2"}));
  });
  ASSERT_TRUE(test::Settle());
  ASSERT_EQ(Press(id, test::TestProcedure::kOk), InputStatus::kOk);
  ASSERT_TRUE(test::Settle());
  ASSERT_EQ(Press(id, test::TestProcedure::kCancel), InputStatus::kOk);
  thread.Join();
  EXPECT_EQ(response.load(), RequestCancelled);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// An accepted control reaches the toolbar's current target before the buttons: a target may
// turn it into a navigation request, which a cancelling button then withdraws.
TEST(WindowManagerForm, AcceptedControlGoesToTheToolbarFirst) {
  struct Target : ToolbarTarget {
    explicit Target(test::CallLog& l) : log(l) {}
    ResultLevel DisplayButtons() override { return Benign; }
    void TakeToolbar() override {}
    std::uint8_t TryTakeToolbar() override { return 1; }
    void TakeEvent(std::int32_t* request, WindowManager& w) override {
      log.Add("target " + std::to_string(CurrentEvent().control) + " dead " +
              std::to_string(w.DEAD));
      *request = kToolbarDown;
    }
    test::CallLog& log;
  };
  struct Case {
    const char* name;
    ResponseCode response;
    std::int32_t vcrAfter;
  };
  const Case cases[] = {{"cancelling button withdraws the request", RequestCancelled, 0},
                        {"completing button keeps it", RequestCompleted, kToolbarDown}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::CallLog log;
    ToolbarManager toolbar;
    Target target(log);
    std::int32_t vcr = 0;
    test::RunningProcedure p(log, [&](test::TestProcedure& w) {
      w.VCRREQUEST = &vcr;
      w.AddItem(toolbar);
      toolbar.AddTarget(1, &target);
      w.AddItem(test::TestProcedure::kCancel, c.response);
    });
    ASSERT_TRUE(test::Settle());
    log.Clear();
    ASSERT_EQ(Press(p.Win().Id(), test::TestProcedure::kCancel), InputStatus::kOk);
    p.Join();
    std::vector<std::string> entries = log.Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0], "TakeAccepted 3");
    EXPECT_EQ(entries[1], "target 3 dead 0");
    EXPECT_EQ(vcr, c.vcrAfter);
    EXPECT_EQ(p.procedure.response.load(), c.response);
  }
}

}  // namespace
}  // namespace kv
