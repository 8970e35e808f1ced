#include "platform/window/UserInput.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/Window.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

using test::Settle;
using test::ThreadProcedure;

class Rows : public ListSource {
 public:
  explicit Rows(int n) : n_(n) {}
  int RowCount() const override { return n_; }
  std::string Cell(int row, int column) const override {
    return "r" + std::to_string(row) + "c" + std::to_string(column);
  }

 private:
  int n_;
};

// A window with one control of each kind that takes input, run on its own thread; every
// event is recorded as "event:control:key".
class GestureWindow {
 public:
  GestureWindow()
      : proc_([this] {
          WindowDefinition def("Gestures");
          def.Resizable().MinimumSize(100, 80).Timer(50);
          def.MenuBar("?MENUBAR");
          def.Menu("?FILE", "File");
          def.Item("?OPEN", "Open");
          def.EndMenu();
          def.Entry("?E", "s10");                                                 // 1
          def.CheckBox("?C", "Check");                                            // 2
          def.List("?IMM", "40L~A~@s5@40L~B~@s5@").At(0, 0, 80, 60).Immediate();  // 3
          def.List("?SELF", "40L@s5@").At(0, 0, 80, 30);                          // 4
          def.Sheet("?SHEET");                                                    // 5
          def.Tab("?T1", "One");                                                  // 6
          def.Tab("?T2", "Two");                                                  // 7
          def.EndSheet();
          def.Button("?B", "Go");  // 8
          Window w = Window::Open(def);
          w.SetListSource(3, std::make_shared<Rows>(9));
          w.SetListSource(4, std::make_shared<Rows>(2));
          w.Display();
          w.SetChoice(3, 1);
          w.SetChoice(4, 1);
          w.SetAlert(3, 255, kKeyInsert);
          w.SetAlert(3, 252, kMouseLeft2);
          w.SetAlert(3, 249, kMouseRightUp);
          RunEventLoop(w, [this](const Event& e) {
            std::lock_guard lock(mutex_);
            events_.push_back(EventName(e.code) + ":" + std::to_string(e.control) + ":" +
                              (e.keyCode ? KeyName(e.keyCode) : "-") + ":" +
                              std::to_string(KeyCode() == e.keyCode || e.keyCode == 0));
            return LoopAnswer::kDefault;
          });
        }) {
    EXPECT_TRUE(Settle());
    id_ = Window::OpenWindows().back();
    Take();  // the opening's own events
  }
  ~GestureWindow() {
    Window(id_).Post(kEventCloseWindow);
    proc_.Join();
  }
  WindowId Id() const { return id_; }
  std::vector<std::string> Take() {
    EXPECT_TRUE(Settle());
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    out.swap(events_);
    return out;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> events_;
  ThreadProcedure proc_;
  WindowId id_ = 0;
};

TEST(UserInput, GesturesPostTheEventsAUserWouldCause) {
  GestureWindow gw;
  WindowId id = gw.Id();
  Window w(id);
  struct Case {
    const char* what;
    std::function<InputStatus()> gesture;
    std::vector<std::string> events;  // "event:control:key:key code pending"
    std::function<bool()> state;      // what the model shows afterwards
  };
  const std::vector<Case> cases = {
      {"typing moves the focus in, then Tab takes it on",
       [&] { return TypeInto(id, 1, "abc"); },
       {"selected:1:-:1", "accepted:1:Tab:1", "selected:2:-:1"},
       [&] { return w.Focus() == 2 && w.Text(1) == "abc"; }},
      {"typing more than s10 holds keeps the whole characters within 10 bytes",
       [&] { return TypeInto(id, 1, "\xc3\x9cr\xc3\xbcn-\xc3\x9c\xc3\xbcx"); },
       {"selected:1:-:1", "accepted:1:Tab:1", "selected:2:-:1"},
       [&] { return w.Text(1) == "\xc3\x9cr\xc3\xbcn-\xc3\x9c"; }},
      {"check box toggles",
       [&] { return Press(id, 2); },
       {"accepted:2:MouseLeft:1"},
       [&] { return w.Checked(2); }},
      {"menu item", [&] { return Press(id, -2); }, {"accepted:-2:MouseLeft:1"}, nullptr},
      {"menu title is not an item", [&] { return Press(id, -1); }, {}, nullptr},
      {"tab page",
       [&] { return Press(id, 7); },
       {"new selection:5:MouseLeft:1"},
       [&] { return w.SelectedTab(5) == 7; }},
      {"same tab again", [&] { return Press(id, 7); }, {}, nullptr},
      {"immediate list reports scrolling",
       [&] { return PressKey(id, 3, kKeyDown); },
       {"scroll down:3:Down:1"},
       [&] { return w.Choice(3) == 1; }},
      {"page down",
       [&] { return PressKey(id, 3, kKeyPageDown); },
       {"page down:3:PageDown:1"},
       nullptr},
      {"ctrl+end",
       [&] { return PressKey(id, 3, kCtrl | kKeyEnd); },
       {"scroll bottom:3:Ctrl+End:1"},
       nullptr},
      {"alerted key",
       [&] { return PressKey(id, 3, kKeyInsert); },
       {"alert key:3:Insert:1"},
       nullptr},
      {"letter typed on an immediate list",
       [&] { return PressKey(id, 3, 'Q'); },
       {"alert key:3:Q:1"},
       nullptr},
      {"ctrl+letter types nothing", [&] { return PressKey(id, 3, kCtrl | 'Q'); }, {}, nullptr},
      {"letter on a list scrolling by itself", [&] { return PressKey(id, 4, 'Q'); }, {}, nullptr},
      {"list scrolling by itself",
       [&] { return PressKey(id, 4, kKeyDown); },
       {"new selection:4:-:1"},
       [&] { return w.Choice(4) == 2; }},
      {"already at the end",
       [&] { return PressKey(id, 4, kKeyDown); },
       {},
       [&] { return w.Choice(4) == 2; }},
      {"click a row",
       [&] { return ClickRow(id, 3, 4, kMouseLeft); },
       {"new selection:3:MouseLeft:1"},
       [&] { return w.Choice(3) == 4 && w.LastClickRow(3) == 4; }},
      {"double click alerted",
       [&] { return ClickRow(id, 3, 5, kMouseLeft2); },
       {"new selection:3:MouseLeft2:1", "alert key:3:MouseLeft2:1"},
       [&] { return w.Choice(3) == 5 && w.LastDoubleClickArea(3) == 1; }},
      {"double click on headers",
       [&] { return ClickRow(id, 3, 0, kMouseLeft2); },
       {"alert key:3:MouseLeft2:1"},
       [&] { return w.LastDoubleClickArea(3) == 2; }},
      {"double click unalerted accepts",
       [&] { return ClickRow(id, 4, 1, kMouseLeft2); },
       {"new selection:4:MouseLeft2:1", "accepted:4:MouseLeft2:1"},
       nullptr},
      {"right click keeps the highlight",
       [&] { return ClickRow(id, 3, 2, kMouseRightUp); },
       {"alert key:3:MouseRightUp:1"},
       [&] { return w.Choice(3) == 5 && w.LastClickRow(3) == 2; }},
      {"thumb",
       [&] { return DragThumb(id, 3, 130); },
       {"scroll drag:3:MouseLeft:1"},
       [&] { return w.Thumb(3) == 100; }},
      {"resize within the minimum",
       [&] { return ResizeWindow(id, 50, 300); },
       {"sized:0:-:1"},
       [&] { return w.Position().width == 100 && w.Position().height == 300; }},
      {"timer", [&] { return TimerTick(id); }, {"timer:0:-:1"}, nullptr},
      {"enter on a button",
       [&] { return PressKey(id, 8, kKeyEnter); },
       {"accepted:8:MouseLeft:1"},
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InputStatus s = c.gesture();
    EXPECT_TRUE(s == InputStatus::kOk || (c.events.empty() && s == InputStatus::kWrongKind))
        << InputStatusText(s);
    EXPECT_EQ(gw.Take(), c.events);
    if (c.state) {
      EXPECT_TRUE(c.state());
    }
  }
}

// Focus moves the way a person moves it: Tab order is number order over the controls that can
// have the focus now, a prompt leads to its entry, and only the program's own selection counts
// as a request a backend must mirror. Enter and Escape act on the window.
TEST(UserInput, FocusFollowsClicksTabAndTheProgramsSelection) {
  std::mutex mutex;
  std::vector<std::string> events;
  std::atomic<WindowId> id{0};
  ThreadProcedure proc([&] {
    WindowDefinition def("Focus");
    def.Prompt("?P", "&Name:");               // 1
    def.Entry("?NAME", "s5");                 // 2
    def.Entry("?OFF", "s5").Disabled();       // 3
    def.CheckBox("?RO", "Fixed").ReadOnly();  // 4
    def.CheckBox("?FLAG", "Flag");            // 5
    def.Sheet("?SHEET");                      // 6
    def.Tab("?T1", "One");                    // 7
    def.Entry("?ON1", "s5");                  // 8
    def.Tab("?T2", "Two");                    // 9
    def.Entry("?ON2", "s5");                  // 10
    def.EndSheet();
    def.Button("?OK", "OK").Default();     // 11
    def.Button("?GONE", "Gone").Hidden();  // 12
    Window w = Window::Open(def);
    id = w.Id();
    RunEventLoop(w, [&](const Event& e) {
      std::lock_guard lock(mutex);
      if (e.code != kEventOpenWindow && e.code != kEventSized)
        events.push_back(EventName(e.code) + ":" + std::to_string(e.control));
      return LoopAnswer::kDefault;
    });
  });
  ASSERT_TRUE(Settle());
  Window w(id.load());
  auto take = [&] {
    EXPECT_TRUE(Settle());
    std::lock_guard lock(mutex);
    std::vector<std::string> out;
    out.swap(events);
    return out;
  };
  using Strings = std::vector<std::string>;
  struct Case {
    const char* what;
    std::function<InputStatus()> act;
    InputStatus status;
    Strings events;
    int focus;  // the model's focus afterwards
  };
  const Case cases[] = {
      {"the program selects a prompt: its entry gets the focus",
       [&] {
         w.Select(1);
         return InputStatus::kOk;
       },
       InputStatus::kOk,
       {"selected:2"},
       2},
      {"a prompt cannot be clicked into",
       [&] { return FocusTo(w.Id(), 1); },
       InputStatus::kWrongKind,
       {},
       2},
      {"a click on the control that has the focus",
       [&] { return FocusTo(w.Id(), 2); },
       InputStatus::kOk,
       {},
       2},
      {"Tab skips disabled, read-only check boxes and other pages' controls",
       [&] { return PressKey(w.Id(), 2, kKeyTab); },
       InputStatus::kOk,
       {"selected:5"},
       5},
      {"Tab on to the sheet",
       [&] { return PressKey(w.Id(), 5, kKeyTab); },
       InputStatus::kOk,
       {"selected:6"},
       6},
      {"Tab into the page shown",
       [&] { return PressKey(w.Id(), 6, kKeyTab); },
       InputStatus::kOk,
       {"selected:8"},
       8},
      {"Tab past the hidden button wraps round",
       [&] { return PressKey(w.Id(), 11, kKeyTab); },
       InputStatus::kOk,
       {"selected:2"},
       2},
      {"Shift+Tab goes back round",
       [&] { return PressKey(w.Id(), 2, kKeyTab | kShift); },
       InputStatus::kOk,
       {"selected:11"},
       11},
      {"a disabled control is not clicked into",
       [&] { return FocusTo(w.Id(), 3); },
       InputStatus::kDisabled,
       {},
       11},
      {"Space toggles a check box",
       [&] { return PressKey(w.Id(), 5, kKeySpace); },
       InputStatus::kOk,
       {"accepted:5"},
       11},
      {"Enter on a check box presses the default button",
       [&] { return PressKey(w.Id(), 5, kKeyEnter); },
       InputStatus::kOk,
       {"accepted:11"},
       11},
      {"Enter in an entry accepts it, then presses the default button",
       [&] { return PressKey(w.Id(), 2, kKeyEnter); },
       InputStatus::kOk,
       {"accepted:2", "accepted:11"},
       11},
      {"the second page shown: its entry can have the focus",
       [&] {
         (void)Press(w.Id(), 9);
         return FocusTo(w.Id(), 10);
       },
       InputStatus::kOk,
       {"new selection:6", "selected:10"},
       10},
  };
  int requests = w.Snapshot().focusRequests;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.act(), c.status);
    EXPECT_EQ(take(), c.events);
    if (c.focus != 0) {
      EXPECT_EQ(w.Focus(), c.focus);
    }
  }
  EXPECT_TRUE(w.Checked(5)) << "Enter did not toggle the check box";
  EXPECT_EQ(w.Snapshot().focusRequests, requests + 1) << "only Select is a request of the program";
  EXPECT_EQ(PressKey(w.Id(), 10, kKeyEsc), InputStatus::kOk);  // the close box: the loop ends
  proc.Join();
  EXPECT_EQ(events, (Strings{"close window:0"}));
}

TEST(Window, DisplayReloadsListsAndKeepsTheHighlightInside) {
  WindowDefinition def("Lists");
  def.List("?L", "40L~Head~@s5@").At(0, 0, 80, 50);
  Window w = Window::Open(def);
  auto rows = std::make_shared<Rows>(6);
  w.SetListSource(1, rows);
  w.Display();
  w.SetChoice(1, 6);
  EXPECT_EQ(w.RowCount(1), 6);
  EXPECT_EQ(w.Row(1, 2), std::vector<std::string>{"r2c1"});
  EXPECT_EQ(w.VisibleRows(1), 4) << "50 units less a header line, 10 per row";
  w.SetListSource(1, std::make_shared<Rows>(3));
  w.Display(1);
  EXPECT_EQ(w.Choice(1), 3) << "the highlight follows a list that became shorter";
  EXPECT_TRUE(w.Row(1, 4).empty());
  w.SetVisibleRows(1, 12);
  EXPECT_EQ(w.VisibleRows(1), 12) << "a backend may report what it measured";
  w.Close();
}

TEST(Window, KindsOfOpeningAndClosingFromAnotherThread) {
  std::atomic<WindowId> frame{0}, child{0}, second{0}, orphan{0};
  std::atomic<bool> loopEnded{false};
  {
    ThreadProcedure proc([&] {
      Window f = Window::Open(WindowDefinition("Frame"), OpenOptions{WindowKind::kFrame, 0});
      Window c = Window::Open(WindowDefinition("Child"), OpenOptions{WindowKind::kFrameChild, 0});
      Window s = Window::Open(WindowDefinition("Second frame"), OpenOptions{WindowKind::kFrame, 0});
      frame = f.Id();
      child = c.Id();
      second = s.Id();
      RunEventLoop(s, [](const Event&) { return LoopAnswer::kConsumed; });
      loopEnded = true;
      c.Close();
      f.Close();
      Window o = Window::Open(WindowDefinition("Orphan"), OpenOptions{WindowKind::kFrameChild, 0});
      orphan = o.Id();
      o.Close();
    });
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Window(frame).Snapshot().kind, WindowKind::kFrame);
    EXPECT_EQ(Window(child).Snapshot().kind, WindowKind::kFrameChild);
    EXPECT_EQ(Window(second).Snapshot().kind, WindowKind::kOrdinary) << "one frame at a time";
    // The loop consumes close events; closing from another thread still ends it.
    Window(second).Close();
    proc.Join();
  }
  EXPECT_TRUE(loopEnded.load());
  EXPECT_NE(orphan.load(), 0);
  EXPECT_TRUE(Window::OpenWindows().empty());
}

TEST(Window, UpdateRejectsEveryControlThePictureRefuses) {
  struct Strict : ControlBinding {
    explicit Strict(std::string* v) : value(v) {}
    std::string Display() const override { return *value; }
    bool Accept(const std::string& t) override {
      if (t.find('!') != std::string::npos) return false;
      *value = t;
      return true;
    }
    std::string* value;
  };
  std::string a = "a", b = "b", c = "c";
  std::vector<int> rejected;
  std::mutex m;
  ThreadProcedure proc([&] {
    WindowDefinition def("Update");
    def.Entry("?A", "s5");
    def.Entry("?B", "s5");
    def.Entry("?C", "s5").ReadOnly();
    def.Button("?GO", "Go");
    Window w = Window::Open(def);
    w.Bind(1, std::make_shared<Strict>(&a));
    w.Bind(2, std::make_shared<Strict>(&b));
    w.Bind(3, std::make_shared<Strict>(&c));
    w.Display();
    RunEventLoop(w, [&](const Event& e) {
      if (e.code == kEventAccepted && e.control == 4) {
        EXPECT_FALSE(w.Update());
      }
      if (e.code == kEventRejected) {
        std::lock_guard lock(m);
        rejected.push_back(e.control);
      }
      return LoopAnswer::kDefault;
    });
  });
  ASSERT_TRUE(Settle());
  Window w(Window::OpenWindows().back());
  w.SetText(1, "x!");
  w.SetText(2, "y!");
  w.SetText(3, "z");  // read-only: never copied back
  ASSERT_EQ(Press(w.Id(), 4), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  {
    std::lock_guard lock(m);
    EXPECT_EQ(rejected, (std::vector<int>{1, 2}));
  }
  EXPECT_EQ(a, "a");
  EXPECT_EQ(b, "b");
  EXPECT_EQ(c, "c");
  ASSERT_EQ(CloseBox(w.Id()), InputStatus::kOk);
  proc.Join();
}

TEST(EventLoop, BindLevelsAndBusyCursorPerThread) {
  std::vector<std::pair<char, int>> calls;
  SetBindLevelHooks(
      [&](int d) {
        calls.push_back({'+', d});
      },
      [&](int d) {
        calls.push_back({'-', d});
      });
  EXPECT_EQ(PushBindLevel(), 1);
  EXPECT_EQ(PushBindLevel(), 2);
  PopBindLevel();
  PopBindLevel();
  PopBindLevel();  // below the first level: nothing happens
  SetBindLevelHooks({}, {});
  EXPECT_EQ(BindLevel(), 0);
  EXPECT_EQ(calls, (std::vector<std::pair<char, int>>{{'+', 1}, {'+', 2}, {'-', 1}, {'-', 0}}));

  std::atomic<bool> busy{false};
  ThreadProcedure proc([&] {
    Window w = Window::Open(WindowDefinition("Busy"));
    SetBusyCursor(true);
    busy = w.Busy();
    SetBusyCursor(false);
    busy = busy && !w.Busy();
    w.Close();
  });
  proc.Join();
  EXPECT_TRUE(busy.load());
}

}  // namespace
}  // namespace kv
