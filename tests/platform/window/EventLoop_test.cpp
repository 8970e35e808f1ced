#include "platform/window/EventLoop.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

using test::Settle;
using test::ThreadProcedure;

// Events one loop saw, as "code:control", shared between the procedure and the test thread.
class Recorder {
 public:
  void Add(const Event& e) {
    std::lock_guard lock(mutex_);
    seen_.push_back(EventName(e.code) + ":" + std::to_string(e.control));
  }
  std::vector<std::string> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  // Events other than the ones every opening produces.
  std::vector<std::string> Interesting() {
    std::vector<std::string> out;
    for (const std::string& s : Seen()) {
      if (s.rfind("open window", 0) == 0 || s.rfind("sized", 0) == 0) continue;
      out.push_back(s);
    }
    return out;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> seen_;
};

// A binding over an int that accepts only digits, standing in for a numeric picture.
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

WindowDefinition Form() {
  WindowDefinition def("Form");
  def.Resizable();
  def.Prompt("?PROMPT", "Amount:");
  def.Entry("?AMOUNT", "n5");
  def.Entry("?COUNT", "n5");
  def.Entry("?HIDDEN", "n5").Hidden();
  def.Button("?OK", "&OK");
  def.Button("?CLOSE", "&Close").Action(StandardAction::kClose);
  return def;
}

// Opens the form on the calling thread and runs its loop, answering close events with
// `closeAnswer` and recording every event.
void RunForm(Recorder& rec, LoopAnswer closeAnswer, WindowId* id) {
  Window w = Window::Open(Form());
  *id = w.Id();
  RunEventLoop(w, [&](const Event& e) {
    rec.Add(e);
    if (e.code == kEventCloseWindow) return closeAnswer;
    if (e.code == kEventAccepted && e.control == 5) return LoopAnswer::kLeave;  // ?OK leaves
    return LoopAnswer::kDefault;
  });
  w.Close();
}

TEST(EventLoop, AnswersDecideWhetherCloseClosesTheWindow) {
  struct Case {
    LoopAnswer answer;
    bool closes;
  };
  for (const Case& c : {Case{LoopAnswer::kDefault, true}, Case{LoopAnswer::kConsumed, false}}) {
    Recorder rec;
    WindowId id = 0;
    ThreadProcedure proc([&] { RunForm(rec, c.answer, &id); });
    ASSERT_TRUE(Settle());
    WindowId open = Window::OpenWindows().back();
    ASSERT_EQ(CloseBox(open), InputStatus::kOk);
    if (c.closes) {
      proc.Join();  // default processing closed the window, which ended the loop
    } else {
      ASSERT_TRUE(Settle());
      EXPECT_TRUE(Window(open).IsOpen()) << "a consumed close keeps the window";
      // Leaving the loop ends it with the window still open; the procedure closes it.
      ASSERT_EQ(Press(open, 5), InputStatus::kOk);
      proc.Join();
      EXPECT_EQ(rec.Interesting().back(), "accepted:5");
    }
    EXPECT_FALSE(Window(open).IsOpen());
    EXPECT_EQ(rec.Interesting().front(), "close window:0");
  }
}

TEST(EventLoop, StandardCloseActionClosesThroughTheCloseEvent) {
  Recorder rec;
  WindowId id = 0;
  ThreadProcedure proc([&] { RunForm(rec, LoopAnswer::kDefault, &id); });
  ASSERT_TRUE(Settle());
  WindowId open = Window::OpenWindows().back();
  ASSERT_EQ(Press(open, 6), InputStatus::kOk);
  proc.Join();
  EXPECT_EQ(rec.Interesting(), (std::vector<std::string>{"accepted:6", "close window:0"}));
}

TEST(EventLoop, AcceptAllValidatesInNumberOrderThenCompletes) {
  Recorder rec;
  int amount = 7, count = 8;
  ThreadProcedure proc([&] {
    Window w = Window::Open(Form());
    w.Bind(2, std::make_shared<DigitsBinding>(&amount));
    w.Bind(3, std::make_shared<DigitsBinding>(&count));
    w.Display();
    RunEventLoop(w, [&](const Event& e) {
      rec.Add(e);
      if (e.code == kEventAccepted && e.control == 5) w.StartAcceptAll();
      if (e.code == kEventCompleted) return LoopAnswer::kLeave;
      return LoopAnswer::kDefault;
    });
    w.Close();
  });
  ASSERT_TRUE(Settle());
  WindowId open = Window::OpenWindows().back();
  Window w(open);
  EXPECT_EQ(w.Text(2), "7");
  // Typed text stays on screen until accept-all copies it back.
  w.SetText(3, "42");
  ASSERT_EQ(Press(open, 5), InputStatus::kOk);
  proc.Join();
  // The hidden entry and the prompt are skipped; buttons take no input.
  EXPECT_EQ(rec.Interesting(),
            (std::vector<std::string>{"accepted:5", "accepted:2", "accepted:3", "completed:0"}));
  EXPECT_EQ(count, 42);
  EXPECT_EQ(amount, 7);
}

TEST(EventLoop, RejectedTextRaisesRejectedAndStopsAcceptAll) {
  Recorder rec;
  int amount = 7, count = 8;
  std::atomic<bool> inAcceptAllAfterReject{true};
  ThreadProcedure proc([&] {
    Window w = Window::Open(Form());
    w.Bind(2, std::make_shared<DigitsBinding>(&amount));
    w.Bind(3, std::make_shared<DigitsBinding>(&count));
    w.Display();
    RunEventLoop(w, [&](const Event& e) {
      rec.Add(e);
      if (e.code == kEventAccepted && e.control == 5) w.StartAcceptAll();
      if (e.code == kEventRejected) inAcceptAllAfterReject = w.InAcceptAll();
      if (e.code == kEventCloseWindow) return LoopAnswer::kDefault;
      return LoopAnswer::kDefault;
    });
  });
  ASSERT_TRUE(Settle());
  WindowId open = Window::OpenWindows().back();
  Window w(open);
  w.SetText(2, "12x");  // rejected by the picture
  w.SetText(3, "5");
  ASSERT_EQ(Press(open, 5), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(rec.Interesting(), (std::vector<std::string>{"accepted:5", "rejected:2"}));
  EXPECT_FALSE(inAcceptAllAfterReject);
  EXPECT_EQ(amount, 7) << "a rejected value leaves the variable unchanged";
  EXPECT_EQ(count, 8) << "validation stopped before the next control";
  // Typing a rejected value directly gives rejected too; a good one is stored and shown
  // formatted by the binding.
  ASSERT_EQ(TypeInto(open, 3, "abc"), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(w.Text(3), "abc") << "a rejected text stays on screen for the user to correct";
  ASSERT_EQ(TypeInto(open, 3, "0009"), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(count, 9);
  EXPECT_EQ(w.Text(3), "9");
  std::vector<std::string> seen;  // typing also moves the focus: selected events between
  for (const std::string& s : rec.Interesting()) {
    if (s.rfind("selected", 0) != 0) seen.push_back(s);
  }
  EXPECT_EQ(std::vector<std::string>(seen.end() - 2, seen.end()),
            (std::vector<std::string>{"rejected:3", "accepted:3"}));
  ASSERT_EQ(CloseBox(open), InputStatus::kOk);
  proc.Join();
}

TEST(EventLoop, RegisteredHandlersSeeWindowEventsFirstAndMayConsumeThem) {
  Recorder rec;
  std::atomic<int> handled{0};
  ThreadProcedure proc([&] {
    Window w = Window::Open(Form());
    w.Register(kEventSized, [&](const Event&) {
      ++handled;
      return true;  // consumed: the loop's handler never sees it
    });
    RunEventLoop(w, [&](const Event& e) {
      rec.Add(e);
      return LoopAnswer::kDefault;
    });
  });
  ASSERT_TRUE(Settle());
  WindowId open = Window::OpenWindows().back();
  ASSERT_EQ(ResizeWindow(open, 500, 300), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(handled.load(), 2) << "the sizing at opening and the user's";
  EXPECT_EQ(Window(open).Position().width, 500);
  ASSERT_EQ(CloseBox(open), InputStatus::kOk);
  proc.Join();
  for (const std::string& s : rec.Seen()) EXPECT_NE(s, "sized:0");
}

TEST(EventLoop, NestedWindowHoldsBackEventsOfTheWindowBehindIt) {
  Recorder outer, inner;
  ThreadProcedure proc([&] {
    Window first = Window::Open(WindowDefinition("First"));
    RunEventLoop(first, [&](const Event& e) {
      outer.Add(e);
      if (e.code == kEventOpenWindow) {
        // A nested window on the same thread, as a form opened from a list.
        Window second = Window::Open(WindowDefinition("Second"));
        first.Post(1500);  // for the window behind: waits until its loop runs again
        RunEventLoop(second, [&](const Event& e2) {
          inner.Add(e2);
          return LoopAnswer::kDefault;
        });
      }
      return LoopAnswer::kDefault;
    });
  });
  ASSERT_TRUE(Settle());
  auto windows = Window::OpenWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(CloseBox(windows[0]), InputStatus::kNotActive);
  EXPECT_EQ(outer.Interesting(), std::vector<std::string>{});
  ASSERT_EQ(CloseBox(windows[1]), InputStatus::kOk);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(outer.Interesting(),
            (std::vector<std::string>{"focus lost:0", "event 1500:0", "focus gained:0"}));
  EXPECT_EQ(inner.Interesting(), std::vector<std::string>{"close window:0"});
  ASSERT_EQ(CloseBox(windows[0]), InputStatus::kOk);
  proc.Join();
}

}  // namespace
}  // namespace kv
