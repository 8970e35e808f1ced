#include "platform/headless/HeadlessBackend.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/window/EventLoop.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

using test::Settle;
using test::ThreadProcedure;

MessageBoxRequest Question(std::string text) {
  MessageBoxRequest r;
  r.text = std::move(text);
  r.caption = "Confirm";
  r.buttons = kButtonYes | kButtonNo;
  r.defaultButton = kButtonNo;
  return r;
}

// Installs a headless backend for one test and removes it afterwards.
class Installed {
 public:
  Installed() { InstallBackend(&backend); }
  ~Installed() { InstallBackend(nullptr); }
  HeadlessBackend backend;
};

TEST(HeadlessBackend, AnswersModalsFromQueuedAnswersOrWhileTheThreadWaits) {
  Installed inst;
  HeadlessBackend& b = inst.backend;
  std::atomic<int> first{-1}, second{-1}, menu{-1};
  b.QueueMessageAnswer(kButtonYes);
  ThreadProcedure asker([&] {
    first = Modal().ShowMessageBox(Question("Delete?"));
    second = Modal().ShowMessageBox(Question("Really?|Second line"));
    menu = Modal().ShowPopupMenu(PopupMenuRequest{"|&Insert|&Change", -1, -1});
  });
  // The queued answer served the first box; the second waits, which is a settled state.
  ASSERT_TRUE(Settle());
  EXPECT_EQ(first.load(), kButtonYes);
  auto pending = b.Pending();
  ASSERT_TRUE(pending.has_value());
  EXPECT_FALSE(pending->isMenu);
  EXPECT_EQ(pending->message.text, "Really?|Second line");
  EXPECT_EQ(pending->thread, asker.Number());
  ASSERT_TRUE(b.AnswerPending(kButtonNo));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(second.load(), kButtonNo);
  pending = b.Pending();
  ASSERT_TRUE(pending.has_value());
  EXPECT_TRUE(pending->isMenu);
  ASSERT_TRUE(b.AnswerPending(2));
  asker.Join();
  EXPECT_EQ(menu.load(), 2);
  EXPECT_FALSE(b.AnswerPending(1)) << "nothing is waiting any more";
  auto shown = b.ShownModals();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].answer, kButtonYes);
  EXPECT_EQ(shown[1].answer, kButtonNo);
  EXPECT_EQ(shown[2].menu.definition, "|&Insert|&Change");
}

TEST(HeadlessBackend, QuitReleasesThreadsWaitingForAnAnswer) {
  Installed inst;
  std::atomic<int> answer{-1};
  ThreadProcedure asker([&] { answer = Modal().ShowMessageBox(Question("Stuck?")); });
  ASSERT_TRUE(Settle());
  inst.backend.Quit(3);
  asker.Join();
  EXPECT_EQ(answer.load(), 0);
  EXPECT_TRUE(inst.backend.QuitRequested());
}

TEST(HeadlessBackend, ObservesModelChangesAndBeeps) {
  Installed inst;
  long before = inst.backend.ChangeCount();
  Window w = Window::Open(WindowDefinition("Seen"));
  w.SetCaption("Seen again");
  Beep();
  w.Close();
  EXPECT_EQ(inst.backend.ChangeCount() - before, 3) << "opened, caption changed, closed";
  EXPECT_EQ(inst.backend.BeepCount(), 1);
}

TEST(RunProgram, ReturnsWhenProgramMainEndsAndRunsTheSessionMeanwhile) {
  HeadlessBackend backend;
  std::atomic<bool> sawSettledWindow{false};
  backend.SetSession([&] {
    ASSERT_TRUE(backend.WaitSettled());
    auto open = Window::OpenWindows();
    ASSERT_EQ(open.size(), 1u);
    sawSettledWindow = Window(open[0]).Caption() == "Main";
    ASSERT_EQ(CloseBox(open[0]), InputStatus::kOk);
  });
  std::atomic<int> mainThread{0};
  int code = RunProgram(backend, [&] {
    mainThread = CurrentThread();
    Window w = Window::Open(WindowDefinition("Main"), OpenOptions{WindowKind::kFrame, 0});
    RunEventLoop(w, [](const Event&) { return LoopAnswer::kDefault; });
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(sawSettledWindow.load());
  EXPECT_FALSE(IsThreadRunning(mainThread.load())) << "program main's thread has finished";
  EXPECT_TRUE(Window::OpenWindows().empty());
}

}  // namespace
}  // namespace kv
