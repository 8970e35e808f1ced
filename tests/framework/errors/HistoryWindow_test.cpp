#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "framework/errors/ErrorWindow.h"
#include "framework/errors/HistoryListSource.h"
#include "framework/errors/MessageWindow.h"
#include "platform/window/EventHub.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "tests/framework/errors/ScriptedModal.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

using Strings = std::vector<std::string>;
using test::Settle;
using testing::ErrorManagerTest;

// Runs report calls on a logical thread of its own, as a procedure would, so that the error
// window they open runs its event loop there while the test looks at it and presses its
// buttons. On the way out every window still open is closed, so a failed check never leaves
// the thread waiting.
class Reporter {
 public:
  explicit Reporter(std::function<void()> body) : thread_(std::move(body)) {}
  ~Reporter() { Finish(); }

  // The error window the thread shows now, once everything has settled.
  Window Shown() {
    EXPECT_TRUE(Settle());
    return Window::Active(thread_.Number());
  }
  void Finish() {
    while (IsThreadRunning(thread_.Number())) {
      // Settled with the thread still running: it waits in a window nobody will press.
      if (EventHub::Instance().WaitSettled(std::chrono::milliseconds(20))) {
        for (WindowId id : Window::OpenWindows()) Window(id).Close();
      }
    }
    thread_.Join();
  }

 private:
  test::ThreadProcedure thread_;
};

struct ShownButton {
  int control;
  std::string text;
  bool isDefault;
};

// The visible buttons of an error window, rightmost (control 100) first.
std::vector<ShownButton> Buttons(const Window& w) {
  std::vector<ShownButton> out;
  for (int c = kErrorWindowFirstButton; c < kErrorWindowFirstButton + kErrorWindowButtons; ++c) {
    if (!w.Hidden(c)) out.push_back({c, w.Text(c), w.IsDefaultButton(c)});
  }
  return out;
}

Strings Column(const Window& w, int column) {
  Strings out;
  for (int r = 1; r <= w.RowCount(kErrorWindowList); ++r) {
    out.push_back(w.Row(kErrorWindowList, r).at(static_cast<std::size_t>(column - 1)));
  }
  return out;
}

class HistoryWindow : public ErrorManagerTest {};

TEST(ErrorWindowDefinition, HasTheImageTheListAndButtonsNumberedFromTheRight) {
  const WindowDefinition& def = ErrorWindow();
  EXPECT_EQ(def.Caption(), "Error");
  EXPECT_EQ(def.rect.width, 320);
  EXPECT_EQ(def.rect.height, 96);
  struct Want {
    const char* label;
    int number;
    Rect rect;
    bool hidden;
    const char* text;
  };
  const Want want[] = {
      {"?IMAGE", 300, {2, 4, 26, 28}, false, ""},
      {"?LIST", 200, {32, 4, 286, 71}, false, ""},
      {"?BUTTON1", 107, {4, 80, 36, 14}, true, "Button 1"},
      {"?BUTTON2", 106, {44, 80, 36, 14}, true, "Button 2"},
      {"?BUTTON7", 101, {244, 80, 36, 14}, true, "Button 7"},
      {"?BUTTON8", 100, {284, 80, 36, 14}, true, "Button 8"},
  };
  for (const Want& w : want) {
    SCOPED_TRACE(w.label);
    ASSERT_EQ(def.Find(w.label), w.number);
    const Control* c = nullptr;
    for (const Control& each : def.Controls()) {
      if (each.number == w.number) c = &each;
    }
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->rect, w.rect);
    EXPECT_EQ(c->hidden, w.hidden);
    EXPECT_EQ(c->text, w.text);
  }
  EXPECT_EQ(def.Controls().size(), 10u);
  // The "S(255)" after the first header is a flag of that column, not a column of its own.
  const Control& list = def.Controls()[1];
  ASSERT_EQ(list.columns.size(), 2u);
  EXPECT_EQ(list.columns[0].width, 217);
  EXPECT_EQ(list.columns[0].header, "Message");
  EXPECT_EQ(list.columns[0].picture, "s255");
  EXPECT_EQ(list.columns[1].width, 42);
  EXPECT_EQ(list.columns[1].header, "Category");
}

TEST_F(HistoryWindow, ThresholdThreeKeepsTheLastThreeAndTheListSelectsTheNewest) {
  errors.SetHistoryThreshold(3);
  errors.SetHistoryViewLevel(Fatal);  // nothing below is fatal: the messages are only recorded
  errors.SetMessageCategory(MsgReadOnlyAccess, "Files");
  Reporter reporter([&] {
    for (int i = 1; i <= 4; ++i) {
      errors.SetFileName("F" + std::to_string(i));
      EXPECT_EQ(errors.Raise(MsgReadOnlyAccess), Notify);
    }
    errors.OpenHistoryView();
  });
  Window w = reporter.Shown();
  ASSERT_TRUE(w.IsOpen());
  EXPECT_EQ(w.Caption(), "Errors History");
  EXPECT_EQ(Column(w, 1), (Strings{"Could not get write access to F2 so trying read-only.",
                                   "Could not get write access to F3 so trying read-only.",
                                   "Could not get write access to F4 so trying read-only."}));
  EXPECT_EQ(Column(w, 2), (Strings{"Files", "Files", "Files"}));
  EXPECT_EQ(w.Choice(kErrorWindowList), 3) << "the newest entry is highlighted";
  EXPECT_EQ(w.ControlIcon(kErrorWindowImage), StockIconName(32516)) << "the information icon";
  ASSERT_EQ(Press(w.Id(), 100), InputStatus::kOk);
  reporter.Finish();
  EXPECT_EQ(errors.HistorySnapshot().size(), 3u) << "viewing on demand keeps the history";
  EXPECT_TRUE(modal.Shown().empty()) << "no message box while the history is on";
}

TEST_F(HistoryWindow, UnlimitedHistoryDropsNothingAndResetOnViewEmptiesItAfterTheWindow) {
  errors.SetHistoryThreshold(-1);
  errors.SetHistoryViewLevel(Notify);
  errors.SetHistoryResetOnView(true);
  std::atomic<int> answered{-1};
  Reporter reporter([&] {
    errors.SetSilent(true);  // recorded, not shown
    for (int i = 0; i < 40; ++i) (void)errors.Raise(MsgNoRecords);
    errors.SetSilent(false);
    answered = errors.Raise(MsgDeleteNotAllowed);
  });
  Window w = reporter.Shown();
  ASSERT_EQ(w.RowCount(kErrorWindowList), 41);
  EXPECT_EQ(w.Row(kErrorWindowList, 41).at(0), "This form cannot be used to delete a record");
  EXPECT_EQ(w.Choice(kErrorWindowList), 41);
  EXPECT_EQ(w.Caption(), "Invalid Request") << "the message's title";
  EXPECT_EQ(errors.HistorySnapshot().size(), 41u) << "not yet reset while the window is open";
  ASSERT_EQ(CloseBox(w.Id()), InputStatus::kOk);
  reporter.Finish();
  EXPECT_EQ(answered.load(), Notify);
  EXPECT_TRUE(errors.HistorySnapshot().empty()) << "reset after the window was shown";
}

TEST_F(HistoryWindow, ViewLevelNotifyShowsEachNoticeAloneAndQuestionsAnswerYesUnseen) {
  errors.SetHistoryThreshold(1);
  errors.SetHistoryViewLevel(Notify);
  std::atomic<int> question{-1};
  std::atomic<int> notice{-1};
  Reporter reporter([&] {
    question = errors.Raise(MsgConfirmDelete);  // level User: recorded, not shown
    notice = errors.Raise(MsgNoRecords);
  });
  Window w = reporter.Shown();
  EXPECT_EQ(question.load(), Benign) << "a question not shown takes its default, Yes";
  EXPECT_EQ(w.Caption(), "No Records");
  EXPECT_EQ(Column(w, 1), Strings{"There are no records available to process."});
  EXPECT_EQ(Column(w, 2), Strings{"Ravel"}) << "the default category";
  std::vector<ShownButton> buttons = Buttons(w);
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons[0].control, 100);
  EXPECT_EQ(buttons[0].text, "O&k");
  EXPECT_TRUE(buttons[0].isDefault);
  ASSERT_EQ(Press(w.Id(), 100), InputStatus::kOk);
  reporter.Finish();
  EXPECT_EQ(notice.load(), Notify);
}

TEST_F(HistoryWindow, YesAndNoStandAtTheRightWithYesTheDefaultAndTheButtonDecides) {
  errors.SetHistoryThreshold(-1);
  errors.SetHistoryViewLevel(User);
  struct Case {
    const char* how;
    int control;  // pressed; 0 closes the window with its close box
    ResultLevel answer;
  };
  const Case cases[] = {
      {"No", 100, Cancel},
      {"Yes", 101, Benign},
      {"close box", 0, Benign},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    std::atomic<int> answer{-1};
    Reporter reporter([&] { answer = errors.Raise(MsgConfirmDelete); });
    Window w = reporter.Shown();
    std::vector<ShownButton> buttons = Buttons(w);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].control, 100);
    EXPECT_EQ(buttons[0].text, "&No");
    EXPECT_FALSE(buttons[0].isDefault);
    EXPECT_EQ(buttons[1].control, 101);
    EXPECT_EQ(buttons[1].text, "&Yes");
    EXPECT_TRUE(buttons[1].isDefault);
    EXPECT_EQ(w.Focus(), 101) << "the default button has the focus";
    if (c.control != 0) {
      ASSERT_EQ(Press(w.Id(), c.control), InputStatus::kOk);
    } else {
      ASSERT_EQ(CloseBox(w.Id()), InputStatus::kOk);
    }
    reporter.Finish();
    EXPECT_EQ(answer.load(), c.answer);
  }
}

TEST_F(HistoryWindow, EveryButtonValueTakesItsPlaceFromTheRightAndAnswersItsValue) {
  const Strings texts = {"&Help", "&Cancel", "&Ignore", "&Retry", "&Abort", "&No", "&Yes", "O&k"};
  const int values[] = {128, 64, 32, 16, 8, 4, 2, 1};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(texts[static_cast<std::size_t>(i)]);
    std::atomic<int> pressed{-1};
    Reporter reporter([&] { pressed = errors.ShowHistoryWindow("", 32515, 255, kButtonRetry); });
    Window w = reporter.Shown();
    std::vector<ShownButton> buttons = Buttons(w);
    ASSERT_EQ(buttons.size(), 8u);
    for (std::size_t k = 0; k < 8; ++k) {
      EXPECT_EQ(buttons[k].text, texts[k]);
      EXPECT_EQ(buttons[k].isDefault, k == 3) << "Retry is the default";
    }
    EXPECT_EQ(w.Caption(), "Error") << "an empty caption keeps the title";
    EXPECT_EQ(w.ControlIcon(kErrorWindowImage), StockIconName(32515));
    ASSERT_EQ(Press(w.Id(), 100 + i), InputStatus::kOk);
    reporter.Finish();
    EXPECT_EQ(pressed.load(), values[i]);
  }
}

TEST_F(HistoryWindow, OpenHistoryViewOnAnEmptyHistoryShowsOkAndHelpAndHelpAnswers128) {
  std::atomic<int> pressed{-1};
  Reporter reporter([&] {
    errors.OpenHistoryView();
    pressed = errors.ShowHistoryWindow("Errors History", 0, kButtonOk + kButtonHelp, kButtonOk);
  });
  std::vector<Window> shown;
  for (int round = 0; round < 2; ++round) {
    Window w = reporter.Shown();
    shown.push_back(w);
    ASSERT_TRUE(w.IsOpen());
    EXPECT_EQ(w.Caption(), "Errors History");
    EXPECT_EQ(w.RowCount(kErrorWindowList), 0);
    EXPECT_EQ(w.Choice(kErrorWindowList), 0);
    std::vector<ShownButton> buttons = Buttons(w);
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0].text, "&Help");
    EXPECT_EQ(buttons[1].text, "O&k");
    EXPECT_TRUE(buttons[1].isDefault);
    ASSERT_EQ(Press(w.Id(), 100), InputStatus::kOk);
  }
  reporter.Finish();
  EXPECT_EQ(pressed.load(), kButtonHelp);
  EXPECT_NE(shown[0].Id(), shown[1].Id());
  EXPECT_FALSE(shown[0].IsOpen() || shown[1].IsOpen()) << "a button closes the window";
}

TEST_F(HistoryWindow, OpensOverTheThreadsWindowAndOtherThreadsMayReportMeanwhile) {
  errors.SetHistoryThreshold(-1);
  errors.SetHistoryViewLevel(Notify);
  std::atomic<WindowId> owner{0};
  Reporter reporter([&] {
    WindowDefinition def("Owner");
    def.Size(200, 100);
    Window ownerWindow = Window::Open(def);
    owner = ownerWindow.Id();
    (void)errors.Raise(MsgNoRecords);
    ownerWindow.Close();
  });
  Window w = reporter.Shown();
  ASSERT_NE(owner.load(), 0);
  EXPECT_EQ(w.Snapshot().owner, owner.load());
  // Another thread reports while the window is shown: the manager's lock is free, and the
  // window keeps the copy it was given.
  errors.SetSilent(true);
  EXPECT_EQ(errors.Raise(MsgDeleteNotAllowed), Notify);
  errors.SetSilent(false);
  EXPECT_EQ(errors.HistorySnapshot().size(), 2u);
  EXPECT_EQ(w.RowCount(kErrorWindowList), 1);
  ASSERT_EQ(Press(w.Id(), 100), InputStatus::kOk);
  reporter.Finish();
}

TEST_F(HistoryWindow, TheListShowsAtMost255BytesOfATextTheHistoryKeepsWhole) {
  errors.SetHistoryThreshold(5);
  errors.SetHistoryViewLevel(Notify);
  ASSERT_TRUE(errors.AddMessage(750, "%Message%Message%Message%Message%Message", Notify, "Long"));
  Reporter reporter([&] {
    errors.SetMessageText(std::string(254, 'x'));
    (void)errors.Raise(750);
  });
  Window w = reporter.Shown();
  ASSERT_EQ(w.RowCount(kErrorWindowList), 1);
  EXPECT_EQ(w.Row(kErrorWindowList, 1).at(0), std::string(255, 'x'));
  ASSERT_EQ(errors.HistorySnapshot().size(), 1u);
  EXPECT_EQ(errors.HistorySnapshot()[0].TXT, std::string(1023, 'x')) << "cut to 1023";
  ASSERT_EQ(Press(w.Id(), 100), InputStatus::kOk);
}

TEST(HistoryListSourceCells, NegativeRowsReportCountsAndRecordRowsTheirFields) {
  ErrorManager errors;
  std::vector<HistoryRecord> records = {{"Files", "first", 2}, {"Ravel", "second", 25}};
  Window none;
  HistoryListSource source(errors, records, none);
  source.LBCOLUMNS = 2;
  struct Case {
    int row, column;
    const char* want;
  };
  const Case cases[] = {
      {-1, 1, "2"},     {-2, 1, "2"},    {-3, 1, "1"}, {1, 1, "first"}, {1, 2, "Files"},
      {2, 1, "second"}, {2, 2, "Ravel"}, {2, 3, ""},   {3, 1, ""},      {0, 1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(source.GetCell(c.row, c.column), c.want) << c.row << "," << c.column;
  }
  EXPECT_EQ(source.TakeEvent(), Benign);
  EXPECT_EQ(source.ResetRequired(), 0);
}

}  // namespace
}  // namespace kv
