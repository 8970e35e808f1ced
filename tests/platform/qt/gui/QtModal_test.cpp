#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "platform/qt/gui/QtModalDialogs.h"
#include "tests/platform/qt/gui/QtTestSupport.h"

namespace kv::test {
namespace {

MessageBoxRequest Box(std::string text, int buttons, int defaultButton,
                      std::uint32_t icon = kIconExclamation) {
  MessageBoxRequest r;
  r.text = std::move(text);
  r.caption = "Confirm";
  r.buttons = buttons;
  r.defaultButton = defaultButton;
  r.icon = icon;
  return r;
}

class QtModals : public QtFixture {};

TEST_F(QtModals, MessageBoxesAnswerTheButtonPressed) {
  struct Case {
    int buttons;
    int defaultButton;
    int press;  // the button clicked, or 0 for Escape
    int expect;
  } cases[] = {
      {kButtonYes | kButtonNo, kButtonNo, kButtonYes, kButtonYes},
      {kButtonYes | kButtonNo, kButtonNo, kButtonNo, kButtonNo},
      {kButtonOk, kButtonOk, kButtonOk, kButtonOk},
      {kButtonAbort | kButtonRetry | kButtonIgnore, kButtonRetry, kButtonIgnore, kButtonIgnore},
      {kButtonYes | kButtonNo | kButtonCancel, kButtonYes, 0, kButtonCancel},
      {kButtonOk, kButtonOk, 0, kButtonOk},
      {kButtonRetry | kButtonCancel | kButtonHelp, kButtonRetry, kButtonHelp, kButtonHelp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buttons);
    std::atomic<int> answer{-1};
    ThreadProcedure asker(
        [&] { answer = Modal().ShowMessageBox(Box("First|Second", c.buttons, c.defaultButton)); });
    ASSERT_TRUE(Settle()) << "a thread waiting for an answer is settled once the box shows";
    QMessageBox* box = backend.Dialogs().LastMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "First\nSecond") << "\"|\" starts a new line";
    EXPECT_EQ(box->windowTitle(), "Confirm");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(QtModalDialogs::ButtonValue(box, box->defaultButton()), c.defaultButton);
    int count = 0;
    for (int b = 1; b <= kButtonHelp; b <<= 1) count += (c.buttons & b) ? 1 : 0;
    EXPECT_EQ(box->buttons().size(), count);
    if (c.press != 0) {
      QTest::mouseClick(QtModalDialogs::ButtonFor(box, c.press), Qt::LeftButton);
    } else {
      QTest::keyClick(box, Qt::Key_Escape);
    }
    asker.Join();
    EXPECT_EQ(answer.load(), c.expect);
  }
}

TEST_F(QtModals, EnterPressesTheDefaultButton) {
  std::atomic<int> answer{-1};
  ThreadProcedure asker(
      [&] { answer = Modal().ShowMessageBox(Box("Save?", kButtonYes | kButtonNo, kButtonNo, 0)); });
  ASSERT_TRUE(Settle());
  QMessageBox* box = backend.Dialogs().LastMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
  QTest::keyClick(box, Qt::Key_Return);
  asker.Join();
  EXPECT_EQ(answer.load(), kButtonNo);
}

TEST_F(QtModals, PopupMenusAnswerTheNumberOfTheChosenItem) {
  const std::string definition = "|&View|~&Change|+&Marked|-|Sort{By &code|By &name}|&Last";
  struct Case {
    const char* choose;  // text of the action to trigger; "" dismisses the menu
    int expect;
  } cases[] = {
      {"&View", 1}, {"&Marked", 3}, {"By &code", 4}, {"By &name", 5}, {"&Last", 6}, {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choose);
    std::atomic<int> answer{-1};
    ThreadProcedure asker([&] { answer = Modal().ShowPopupMenu(PopupMenuRequest{definition}); });
    ASSERT_TRUE(Settle());
    QMenu* menu = backend.Dialogs().LastMenu();
    ASSERT_NE(menu, nullptr);
    QList<QAction*> top = menu->actions();
    ASSERT_EQ(top.size(), 6);
    EXPECT_FALSE(top[1]->isEnabled()) << "\"~\" disables";
    EXPECT_TRUE(top[2]->isChecked()) << "\"+\" checks";
    EXPECT_TRUE(top[3]->isSeparator());
    ASSERT_NE(top[4]->menu(), nullptr) << "a title before \"{\" opens a sub-menu";
    EXPECT_EQ(top[4]->menu()->actions().size(), 2);
    if (*c.choose == 0) {
      QTest::keyClick(menu, Qt::Key_Escape);
    } else {
      QAction* target = nullptr;
      for (QAction* a : top) {
        if (a->text() == c.choose) target = a;
        if (a->menu()) {
          for (QAction* s : a->menu()->actions()) {
            if (s->text() == c.choose) target = s;
          }
        }
      }
      ASSERT_NE(target, nullptr);
      if (target->parent() == menu) {
        // A real click on a top-level item.
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(target).center());
      } else {
        target->trigger();
        menu->hide();
      }
    }
    // A dismissal is answered once the menu has hidden: the GUI has to run for it.
    ASSERT_TRUE(PumpUntil([&] { return answer.load() != -1; }));
    asker.Join();
    EXPECT_EQ(answer.load(), c.expect);
  }
}

// A menu placed in the asking thread's window opens at that place in its dialog units; each
// coordinate of 0 comes from the default place. Items show their theme icons unless their
// property block says 31290(0).
TEST_F(QtModals, PopupMenusOpenWhereAskedWithTheirIcons) {
  const std::string definition =
      "|[31848(~INSERT.ICO),31290(1)]&Insert|[31848(~DELETE.ICO),31290(0)]&Delete|[31290(1)]"
      "&Sort{[31848(~edit-find),31290(1)]By &code}";
  const QPoint clicked(30, 40);
  struct Case {
    int x, y;
    bool fromWindowX, fromWindowY;
  } cases[] = {{20, 10, true, true}, {0, 0, false, false}, {16, 0, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x * 100 + c.y);
    QtModalDialogs::NoteClick(clicked);
    std::atomic<WindowId> window{0};
    std::atomic<int> answer{-1};
    ThreadProcedure asker([&] {
      Window w = Window::Open(WindowDefinition("Menus").Size(120, 80));
      window = w.Id();
      answer = Modal().ShowPopupMenu(PopupMenuRequest{definition, c.x, c.y});
      w.Close();
    });
    ASSERT_TRUE(Settle());
    QMenu* menu = backend.Dialogs().LastMenu();
    ASSERT_NE(menu, nullptr);
    QtWindow* view = View(window.load());
    ASSERT_NE(view, nullptr);
    QPoint place = view->Content()->mapToGlobal(QPoint(view->Units().X(c.x), view->Units().Y(c.y)));
    EXPECT_EQ(menu->pos().x(), c.fromWindowX ? place.x() : clicked.x());
    EXPECT_EQ(menu->pos().y(), c.fromWindowY ? place.y() : clicked.y());
    QList<QAction*> top = menu->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->icon().name(), "list-add") << "the theme's icon for INSERT.ICO";
    EXPECT_TRUE(top[1]->icon().isNull()) << "31290(0) hides the icon";
    ASSERT_NE(top[2]->menu(), nullptr);
    EXPECT_EQ(top[2]->menu()->actions().value(0)->icon().name(), "edit-find");
    QTest::keyClick(menu, Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([&] { return answer.load() != -1; }));
    asker.Join();
    EXPECT_EQ(answer.load(), 0);
  }
}

TEST_F(QtModals, SeveralThreadsAskAtOnceWithoutDeadlock) {
  constexpr int kThreads = 4;
  std::atomic<int> answers[kThreads];
  std::vector<std::unique_ptr<ThreadProcedure>> askers;
  for (int i = 0; i < kThreads; ++i) {
    answers[i] = -1;
    askers.push_back(std::make_unique<ThreadProcedure>([&answers, i] {
      MessageBoxRequest r = Box("Thread " + std::to_string(i), kButtonYes | kButtonNo, kButtonYes);
      answers[i] = Modal().ShowMessageBox(r);
    }));
  }
  ASSERT_TRUE(Settle());
  std::vector<QWidget*> shown = backend.Dialogs().Shown();
  ASSERT_EQ(shown.size(), static_cast<std::size_t>(kThreads));
  // Answer them newest first, each with its own button.
  for (int k = kThreads - 1; k >= 0; --k) {
    auto* box = qobject_cast<QMessageBox*>(shown[k]);
    ASSERT_NE(box, nullptr);
    int thread = box->text().mid(7).toInt();
    QTest::mouseClick(QtModalDialogs::ButtonFor(box, thread % 2 ? kButtonNo : kButtonYes),
                      Qt::LeftButton);
  }
  for (auto& a : askers) a->Join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(answers[i].load(), i % 2 ? kButtonNo : kButtonYes);
}

TEST_F(QtModals, QuitReleasesWaitingThreads) {
  std::atomic<int> answer{-1};
  ThreadProcedure asker(
      [&] { answer = Modal().ShowMessageBox(Box("Stuck?", kButtonOk, kButtonOk)); });
  ASSERT_TRUE(Settle());
  backend.Quit(3);
  asker.Join();
  EXPECT_EQ(answer.load(), 0);
  EXPECT_TRUE(backend.QuitRequested());
  QCoreApplication::processEvents();  // the queued exit finds no loop running: nothing happens
}

}  // namespace
}  // namespace kv::test
