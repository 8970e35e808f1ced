#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/values/FieldTable.h"
#include "platform/window/KeyCode.h"
#include "tests/framework/window/WindowManagerFixture.h"

namespace kv {
namespace {

using test::CallLog;
using test::LoggingComponent;
using test::RunningProcedure;
using test::Settle;
using test::TestProcedure;

using Lines = std::vector<std::string>;

TEST(WindowManagerLife, RunWithAFailingInitSkipsTheLoopKillsAndAnswersTheResponse) {
  struct Case {
    const char* name;
    ResultLevel initAnswer;
    ResponseCode responseBefore;
    ResponseCode expected;
  };
  const Case cases[] = {
      {"notify, no response", Notify, 0, RequestCancelled},
      {"fatal, no response", Fatal, 0, RequestCancelled},
      {"response set before the failure", Notify, RequestCompleted, RequestCompleted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    LoggingComponent a("A", log);
    RunningProcedure p(log, [&](TestProcedure& w) {
      w.AddItem(a);
      w.RESPONSE = c.responseBefore;
      w.initAnswer = c.initAnswer;
    });
    p.Join();
    EXPECT_EQ(p.procedure.response.load(), c.expected);
    EXPECT_EQ(log.Entries(), (Lines{"Init", "A.Kill", "Kill=0"}));
    EXPECT_EQ(p.procedure.window.load(), 0) << "the window never opened";
  }
}

TEST(WindowManagerLife, ButtonsEndTheProcedureWithTheirResponseWithoutTheSavePath) {
  struct Case {
    const char* name;
    int press;
    ResponseCode expected;
    int changeActions;
  };
  const Case cases[] = {
      {"cancel button", TestProcedure::kCancel, RequestCancelled, 0},
      {"OK runs the change path, the close box then cancels", TestProcedure::kOk, RequestCancelled,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    RunningProcedure p(
        log,
        [](TestProcedure& w) {
          w.OKCONTROL = TestProcedure::kOk;
          w.AddItem(TestProcedure::kCancel, RequestCancelled);
        },
        ChangeRecord);
    ASSERT_TRUE(Settle());
    WindowId id = p.Win().Id();
    ASSERT_EQ(Press(id, c.press), InputStatus::kOk);
    if (c.changeActions > 0) {
      ASSERT_TRUE(Settle());
      EXPECT_TRUE(Window(id).IsOpen()) << "the base change path leaves the window open";
      ASSERT_EQ(CloseBox(id), InputStatus::kOk);
    }
    p.Join();
    EXPECT_EQ(p.procedure.response.load(), c.expected);
    EXPECT_EQ(log.Count("ChangeAction"), c.changeActions);
    EXPECT_FALSE(Window(id).IsOpen());
  }
}

TEST(WindowManagerLife, SetResponseClosesAndClearsThePendingToolbarRequestOnCancel) {
  struct Case {
    const char* name;
    ResponseCode response;
    bool toolbar;
    std::int32_t vcrAfter;
  };
  const Case cases[] = {{"cancelled with toolbar", RequestCancelled, true, 0},
                        {"completed with toolbar", RequestCompleted, true, kToolbarDown},
                        {"cancelled without toolbar", RequestCancelled, false, kToolbarDown}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    ToolbarManager toolbar;
    std::int32_t vcr = kToolbarDown;
    RunningProcedure p(log, [&](TestProcedure& w) {
      w.VCRREQUEST = &vcr;
      if (c.toolbar) w.AddItem(toolbar);
      w.AddItem(TestProcedure::kCancel, c.response);
    });
    ASSERT_TRUE(Settle());
    ASSERT_EQ(Press(p.Win().Id(), TestProcedure::kCancel), InputStatus::kOk);
    p.Join();
    EXPECT_EQ(p.procedure.response.load(), c.response);
    EXPECT_EQ(vcr, c.vcrAfter);
  }
}

// Kill without a window: components leave the list before their Kill, then the toolbar
// manager and the resize manager are killed, in that order; a second Kill does nothing.
TEST(WindowManagerLife, KillTearsDownInOrderOnceAndNotBeforeInit) {
  CallLog log;
  struct Checking : LoggingComponent {
    Checking(std::string name, CallLog& log, WindowManager& w)
        : LoggingComponent(std::move(name), log), manager(w) {}
    void Kill() override {
      LoggingComponent::Kill();
      for (const auto& e : *manager.CL) inListAtKill |= e.WC == this;
    }
    WindowManager& manager;
    bool inListAtKill = false;
  };
  struct Toolbar : ToolbarManager {
    explicit Toolbar(CallLog& l) : log(l) {}
    void Kill() override {
      log.Add("Toolbar.Kill");
      ToolbarManager::Kill();
    }
    CallLog& log;
  };
  struct Resizer : WindowResizer {
    explicit Resizer(CallLog& l) : log(l) {}
    void Kill() override { log.Add("Resizer.Kill"); }
    CallLog& log;
  };
  WindowManager never;
  EXPECT_EQ(never.Kill(), Notify) << "no lists: nothing to release";
  EXPECT_EQ(never.DEAD, 0);

  WindowManager w;
  Checking a("A", log, w), b("B", log, w);
  Toolbar toolbar(log);
  Resizer resizer(log);
  int depth = BindLevel();
  ASSERT_EQ(w.Init(), Benign);
  EXPECT_EQ(BindLevel(), depth + 1);
  w.AddItem(resizer);
  w.AddItem(a);
  w.AddItem(toolbar);
  w.AddItem(b);
  EXPECT_EQ(w.Kill(), Benign);
  EXPECT_EQ(log.Entries(), (Lines{"A.Kill", "B.Kill", "Toolbar.Kill", "Resizer.Kill"}));
  EXPECT_FALSE(a.inListAtKill);
  EXPECT_FALSE(b.inListAtKill);
  EXPECT_EQ(w.DEAD, 1);
  EXPECT_FALSE(w.CL);
  EXPECT_FALSE(w.BUTTONS);
  EXPECT_FALSE(toolbar.LIST);
  EXPECT_EQ(BindLevel(), depth);
  EXPECT_EQ(w.Kill(), Notify);
  EXPECT_EQ(log.Entries().size(), 4u) << "the second Kill released nothing";
  EXPECT_EQ(BindLevel(), depth);
}

TEST(WindowManagerLife, InitSetsDefaultsAndRegistrationKeepsOrder) {
  CallLog log;
  LoggingComponent a("A", log), b("B", log);
  WindowManager w;
  w.REQUEST = SelectRecord;
  w.CANCELACTION = 0;
  w.AUTOREFRESH = 0;
  w.AddItem(a);  // before Init: there is no list yet
  SetKeyCode(130);
  ASSERT_EQ(w.Init(), Benign);
  EXPECT_EQ(KeyCode(), 0) << "a pending right click must not act on the new window";
  EXPECT_EQ(w.ORIGINALREQUEST, SelectRecord);
  EXPECT_EQ(w.CANCELACTION, 3);
  EXPECT_EQ(w.AUTOREFRESH, 1);
  EXPECT_EQ(w.INSERTACTION, 2);
  ASSERT_TRUE(w.CL);
  EXPECT_TRUE(w.CL->empty());
  w.AddItem(a);
  w.AddItem(b);
  w.AddItem(a);
  w.RemoveItem(a);
  ASSERT_EQ(w.CL->size(), 1u);
  EXPECT_EQ((*w.CL)[0].WC, &b);
  EXPECT_EQ(w.Kill(), Benign);
  EXPECT_EQ(log.Entries(), (Lines{"B.Kill"}));
  EXPECT_EQ(w.Run(3, ChangeRecord), RequestCancelled);
  SetKeyCode(0);
}

struct Rec {
  Long CODE;
  String<10> NAME;
};

const FieldTable& RecFields() {
  static const FieldTable table = FieldTable::For<Rec>({
      KV_FIELD(Rec, CODE, "REC:CODE", "@n6"),
      KV_FIELD(Rec, NAME, "REC:NAME", "@s10"),
  });
  return table;
}

// The history key recalls what was in the record when the save was attempted (the completed
// event), only on controls that are in the history.
TEST(WindowManagerLife, HistoryKeyRestoresTheSnapshotTakenAtCompletion) {
  constexpr int kHistoryKey = 'H' | kCtrl;
  struct Case {
    const char* name;
    int control;
    const char* expectedName;
  };
  const Case cases[] = {{"history control", TestProcedure::kEntry, "typed"},
                        {"control without history", TestProcedure::kOk, "reloaded"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CallLog log;
    Rec record{}, saved{};
    record.NAME = "typed";
    RunningProcedure p(log, [&](TestProcedure& w) {
      w.HISTORYKEY = kHistoryKey;
      w.AddHistoryFile(&record, &saved, RecFields());
      w.AddHistoryField(TestProcedure::kEntry, 2);
      w.AddHistoryField(TestProcedure::kCancel, 99);  // not a field: ignored
    });
    ASSERT_TRUE(Settle());
    Window win = p.Win();
    ASSERT_EQ(p.procedure.HISTORY->size(), 1u);
    EXPECT_TRUE(win.IsAlerted(TestProcedure::kEntry, kHistoryKey));
    ASSERT_TRUE(win.Post(kEventCompleted));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(saved.NAME.Clipped(), "typed");
    record.NAME = "reloaded";  // the record was read again after another station changed it
    win.SetAlert(TestProcedure::kOk, 1, kHistoryKey);
    win.Select(c.control);
    ASSERT_TRUE(Settle());
    ASSERT_EQ(PressKey(win.Id(), c.control, kHistoryKey), InputStatus::kOk);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(record.NAME.Clipped(), c.expectedName);
    ASSERT_EQ(CloseBox(win.Id()), InputStatus::kOk);
    p.Join();
  }
}

TEST(ToolbarManager, RoutesOnlyToTheCurrentTargetAndPassesThroughWithoutOne) {
  struct Target : ToolbarTarget {
    Target(bool accepts, CallLog& l, std::string n) : yes(accepts), log(l), name(std::move(n)) {}
    ResultLevel DisplayButtons() override {
      log.Add(name + ".DisplayButtons");
      return Notify;
    }
    void TakeToolbar() override { log.Add(name + ".TakeToolbar"); }
    std::uint8_t TryTakeToolbar() override { return yes ? 1 : 0; }
    void TakeEvent(std::int32_t* request, WindowManager&) override {
      log.Add(name + ".TakeEvent");
      *request = kToolbarInsert;
    }
    bool yes;
    CallLog& log;
    std::string name;
  };
  CallLog log;
  WindowManager w;
  ToolbarManager t;
  std::int32_t request = 0;
  t.TakeEvent(&request, w);  // before Init
  t.Init();
  t.TakeEvent(&request, w);
  t.SetTarget(0);
  EXPECT_EQ(t.DisplayButtons(), Benign) << "no target: nothing to show";
  EXPECT_EQ(request, 0);
  EXPECT_TRUE(log.Entries().empty());

  Target first(true, log, "1"), second(true, log, "2"), third(false, log, "3");
  t.AddTarget(10, &first);
  t.AddTarget(20, &second);
  t.AddTarget(30, &third);
  EXPECT_EQ(t.CurrentId(), 10);
  t.SetTarget(0);
  EXPECT_EQ(t.CurrentId(), 20) << "the last target that accepts becomes current";
  t.SetTarget(30);
  EXPECT_EQ(t.CurrentId(), 30);
  t.SetTarget(99);
  EXPECT_EQ(t.CurrentId(), 30) << "an unknown identifier changes nothing";
  t.TakeEvent(&request, w);
  EXPECT_EQ(t.DisplayButtons(), Notify);
  EXPECT_EQ(request, kToolbarInsert);
  EXPECT_EQ(log.Entries(),
            (Lines{"2.TakeToolbar", "3.TakeToolbar", "3.TakeEvent", "3.DisplayButtons"}));
  t.Kill();
  t.Kill();
  EXPECT_FALSE(t.LIST);
  EXPECT_EQ(t.Current(), nullptr);
}

}  // namespace
}  // namespace kv
