#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

#include "platform/qt/gui/DialogUnits.h"
#include "platform/window/KeyCode.h"
#include "tests/platform/qt/gui/QtTestSupport.h"

namespace kv::test {
namespace {

using Strings = std::vector<std::string>;

// A binding over an int that accepts only digits, standing in for a numeric picture.
class DigitsBinding : public ControlBinding {
 public:
  explicit DigitsBinding(std::atomic<int>* value) : value_(value) {}
  std::string Display() const override { return std::to_string(value_->load()); }
  bool Accept(const std::string& text) override {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value_ = std::stoi(text);
    return true;
  }

 private:
  std::atomic<int>* value_;
};

WindowDefinition Form() {
  WindowDefinition def("Form");
  def.Size(200, 120).Resizable().MinimumSize(100, 60);
  def.Prompt("?AMOUNT:PROMPT", "&Amount:").At(4, 4, 40, 10);                                  // 1
  def.Entry("?AMOUNT", "n9").At(50, 4, 60, 10);                                               // 2
  def.Entry("?NAME", "s5").At(50, 20, 60, 10);                                                // 3
  def.Entry("?SECRET", "s20").At(50, 36, 60, 10).Password();                                  // 4
  def.CheckBox("?FLAG", "&Flag").At(50, 52, 60, 10);                                          // 5
  def.Button("?OK", "&OK").At(50, 90, 40, 14).Default().Tip("Accept").ControlIcon("OK.ICO");  // 6
  def.Button("?OFF", "Off").At(100, 90, 40, 14).Disabled();                                   // 7
  return def;
}

class QtWindows : public QtFixture {};

TEST_F(QtWindows, TypingIntoALineEditCopiesBackOrRejects) {
  std::atomic<int> amount{5};
  WindowProcedure p(Form(), {}, [&](Window& w) {
    w.Bind(2, std::make_shared<DigitsBinding>(&amount));
    w.Display();
  });
  ASSERT_TRUE(Settle());
  auto* edit = Widget<QLineEdit>(p.Id(), 2);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), "5") << "the bound variable is shown";
  EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight) << "numbers align right";

  struct Case {
    const char* typed;
    int key;  // Qt key that leaves the entry
    int expectValue;
    const char* expectEvent;
  } cases[] = {
      {"42", Qt::Key_Tab, 42, "accepted:2"},
      {"x1", Qt::Key_Tab, 42, "rejected:2"},
      {"7", Qt::Key_Return, 7, "accepted:2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    p.recorder.Clear();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, c.typed);
    QTest::keyClick(edit, static_cast<Qt::Key>(c.key));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(amount.load(), c.expectValue);
    Strings seen = p.recorder.Interesting();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), c.expectEvent);
    if (c.key == Qt::Key_Return) {
      // Enter accepts the entry and then presses the default button.
      EXPECT_EQ(seen, (Strings{"accepted:2", "accepted:6"}));
    }
  }
  EXPECT_EQ(edit->text(), "7");
  EXPECT_EQ(backend.BeepCount(), 1) << "the rejected text beeped once";
}

TEST_F(QtWindows, LeavingAnUnchangedEntryRaisesNothing) {
  WindowProcedure p(Form());
  ASSERT_TRUE(Settle());
  auto* edit = Widget<QLineEdit>(p.Id(), 3);
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Tab);
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(p.recorder.Interesting().empty());
}

// The focus goes where the person clicks and tabs, and the model follows in the order of a
// desktop: the accepted event of the entry left, then the selected event of the control
// reached. A mnemonic accepts the focused entry's text before its button; an entry takes no
// more bytes of UTF-8 than its picture holds.
TEST_F(QtWindows, FocusFollowsThePersonAndTypedTextIsKept) {
  WindowProcedure p(Form());
  ASSERT_TRUE(Settle());
  auto* name = Widget<QLineEdit>(p.Id(), 3);
  auto* secret = Widget<QLineEdit>(p.Id(), 4);
  ASSERT_TRUE(name && secret);
  auto typeChars = [](QLineEdit* edit, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(edit, &press);
    }
  };
  p.recorder.Clear();
  QTest::mouseClick(name, Qt::LeftButton);
  QTest::keyClicks(name, "ab");
  QTest::mouseClick(secret, Qt::LeftButton);
  QTest::keyClicks(secret, "cd");
  QTest::keyClick(secret, Qt::Key_Tab);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p.recorder.All(),
            (Strings{"selected:3", "accepted:3", "selected:4", "accepted:4", "selected:5"}));
  EXPECT_EQ(p.W().Text(3), "ab");
  EXPECT_EQ(p.W().Text(4), "cd");
  EXPECT_EQ(p.W().Focus(), 5);
  EXPECT_TRUE(Widget<QCheckBox>(p.Id(), 5)->hasFocus()) << "nothing pulled the focus back";

  // Alt+O presses "&OK" without moving the focus; the text typed is accepted first.
  p.recorder.Clear();
  QTest::mouseClick(name, Qt::LeftButton);
  QTest::keyClicks(name, "x");
  QTest::keyClick(name, Qt::Key_O, Qt::AltModifier);
  ASSERT_TRUE(PumpUntil([&] { return p.recorder.Interesting().size() >= 2; }));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p.recorder.Interesting(), (Strings{"accepted:3", "accepted:6"}));
  EXPECT_EQ(p.W().Text(3), "abx");

  // s5 holds five bytes: two "Ü" fit, the third does not, and typing stops there; pasted text
  // keeps what fits.
  name->selectAll();
  QTest::keyClick(name, Qt::Key_Delete);
  typeChars(name, QString::fromUtf8("\xc3\x9c\xc3\x9c\xc3\x9cx"));
  EXPECT_EQ(name->text(), QString::fromUtf8("\xc3\x9c\xc3\x9c"));
  name->selectAll();
  name->insert("abcdefgh");
  EXPECT_EQ(name->text(), "abcde");
  QTest::keyClick(name, Qt::Key_Tab);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p.W().Text(3), "abcde");
}

// A text the picture refuses: the program beeps, shows the value again and selects the entry,
// and the screen's focus goes back there although the person had moved on.
TEST_F(QtWindows, ARejectedTextTakesTheFocusBack) {
  std::atomic<int> amount{5};
  std::atomic<WindowId> id{0};
  ThreadProcedure procedure([&] {
    Window w = Window::Open(Form());
    w.Bind(2, std::make_shared<DigitsBinding>(&amount));
    w.Display();
    id = w.Id();
    RunEventLoop(w, [&](const Event& e) {
      if (e.code != kEventRejected) return LoopAnswer::kDefault;
      Beep();
      w.Display(e.control);
      w.Select(e.control);
      return LoopAnswer::kConsumed;
    });
  });
  ASSERT_TRUE(Settle());
  auto* edit = Widget<QLineEdit>(id, 2);
  auto* name = Widget<QLineEdit>(id, 3);
  ASSERT_TRUE(edit && name);
  QTest::mouseClick(edit, Qt::LeftButton);
  edit->selectAll();
  QTest::keyClicks(edit, "x1");
  QTest::mouseClick(name, Qt::LeftButton);
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(edit->hasFocus()) << "back in the entry refused";
  EXPECT_EQ(Window(id).Focus(), 2);
  EXPECT_EQ(edit->text(), "5") << "the value shown again";
  EXPECT_EQ(amount.load(), 5);
  EXPECT_EQ(backend.BeepCount(), 1);
  Window(id).Close();
}

TEST_F(QtWindows, EntriesFollowPictureReadOnlyAndPassword) {
  WindowProcedure p(Form());
  ASSERT_TRUE(Settle());
  auto* name = Widget<QLineEdit>(p.Id(), 3);
  auto* secret = Widget<QLineEdit>(p.Id(), 4);
  ASSERT_TRUE(name && secret);
  EXPECT_EQ(name->maxLength(), 5) << "s5 takes five characters";
  EXPECT_EQ(secret->echoMode(), QLineEdit::Password);
  EXPECT_EQ(name->echoMode(), QLineEdit::Normal);
  p.W().SetReadOnly(3, true);
  p.W().SetText(3, "abc");
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(name->isReadOnly());
  EXPECT_EQ(name->text(), "abc") << "program changes reach the screen";
  auto* prompt = Widget<QLabel>(p.Id(), 1);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(prompt->buddy(), Widget<QLineEdit>(p.Id(), 2)) << "the prompt's mnemonic";
}

TEST_F(QtWindows, ClicksRaiseAcceptedOnTheOwningThread) {
  WindowProcedure p(Form());
  ASSERT_TRUE(Settle());
  auto* ok = Widget<QPushButton>(p.Id(), 6);
  auto* off = Widget<QPushButton>(p.Id(), 7);
  auto* flag = Widget<QCheckBox>(p.Id(), 5);
  ASSERT_TRUE(ok && off && flag);
  EXPECT_EQ(ok->text(), "&OK");
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(ok->toolTip(), "Accept");
  EXPECT_FALSE(ok->icon().isNull());
  EXPECT_FALSE(off->isEnabled());
  QTest::mouseClick(ok, Qt::LeftButton);
  QTest::mouseClick(off, Qt::LeftButton);  // disabled: nothing
  QTest::mouseClick(flag, Qt::LeftButton, {}, QPoint(6, flag->height() / 2));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p.recorder.Interesting(), (Strings{"accepted:6", "accepted:5"}));
  for (int thread : p.recorder.Threads()) EXPECT_EQ(thread, p.Thread());
  EXPECT_TRUE(p.W().Checked(5)) << "the check box's click reached the model";
  EXPECT_TRUE(flag->isChecked());
  p.W().SetChecked(5, false);
  ASSERT_TRUE(Settle());
  EXPECT_FALSE(flag->isChecked()) << "and the model's change reached the widget";
}

TEST_F(QtWindows, AlertKeysOnAnyControlRaiseTheAlertEvent) {
  WindowProcedure p(Form(), {}, [](Window& w) { w.SetAlert(3, 1, 'H' | kCtrl); });
  ASSERT_TRUE(Settle());
  auto* name = Widget<QLineEdit>(p.Id(), 3);
  ASSERT_NE(name, nullptr);
  QTest::keyClick(name, Qt::Key_H, Qt::ControlModifier);
  QTest::keyClick(name, Qt::Key_J, Qt::ControlModifier);  // not alerted
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p.recorder.Interesting(), (Strings{"alert key:3"}));
  EXPECT_EQ(p.recorder.Keys().back(), 'H' | kCtrl);
}

TEST_F(QtWindows, CloseBoxResizeAndStateGoThroughTheProgram) {
  WindowProcedure p(Form());
  ASSERT_TRUE(Settle());
  QWidget* top = backend.TopLevel(p.Id());
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->windowTitle(), "Form");
  DialogUnits units = View(p.Id())->Units();
  EXPECT_NEAR(View(p.Id())->Content()->width(), units.X(200), 1);
  EXPECT_NEAR(View(p.Id())->Content()->height(), units.Y(120), 1);
  // The user makes the window bigger: the model follows and the sized event is raised.
  top->resize(top->width() + units.X(40), top->height() + units.Y(16));
  ASSERT_TRUE(Settle());
  Rect r = p.W().Position();
  EXPECT_NEAR(r.width, 240, 1);
  EXPECT_NEAR(r.height, 136, 1);
  EXPECT_EQ(p.recorder.Interesting(), Strings{});  // sized is filtered out as routine
  // The program sets a size: the widget follows, and the minimum size holds.
  p.W().SetPosition(Rect{r.x, r.y, 50, 30});
  ASSERT_TRUE(Settle());
  EXPECT_NEAR(View(p.Id())->Content()->width(), units.X(100), 1) << "clamped to the minimum";
  // The close box asks the program; the default processing closes the window.
  top->close();
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p.recorder.Interesting(), (Strings{"close window:0"}));
  EXPECT_FALSE(p.W().IsOpen());
  EXPECT_EQ(backend.WindowView(p.Id()), nullptr) << "its widgets are gone";
}

TEST_F(QtWindows, FrameHoldsItsChildrenAndMenus) {
  WindowDefinition frameDef("Korvandel");
  frameDef.Icon("FRAME.ICO").Size(400, 300).Resizable();
  frameDef.MenuBar("?MENUBAR");
  frameDef.Menu("?FILE", "&File");
  frameDef.Item("?OPEN", "&Open");
  frameDef.Separator();
  frameDef.Item("?EXIT", "E&xit").Action(StandardAction::kClose);
  frameDef.EndMenu();
  WindowProcedure frame(frameDef, OpenOptions{WindowKind::kFrame, 0});
  ASSERT_TRUE(Settle());
  WindowProcedure child(Form(), OpenOptions{WindowKind::kFrameChild, 0});
  ASSERT_TRUE(Settle());
  auto* main = qobject_cast<QMainWindow*>(backend.TopLevel(frame.Id()));
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(main->windowIcon().isNull());
  auto* sub = qobject_cast<QMdiSubWindow*>(backend.TopLevel(child.Id()));
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->mdiArea(), backend.FrameArea());
  QList<QAction*> menus = main->menuBar()->actions();
  ASSERT_EQ(menus.size(), 1);
  EXPECT_EQ(menus[0]->text(), "&File");
  QList<QAction*> items = menus[0]->menu()->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_TRUE(items[1]->isSeparator());
  items[0]->trigger();
  ASSERT_TRUE(Settle());
  EXPECT_EQ(frame.recorder.Interesting(), (Strings{"accepted:-2"}));
  // The child's window closes through its sub-window's close box.
  sub->close();
  ASSERT_TRUE(Settle());
  EXPECT_FALSE(child.W().IsOpen());
  // "Exit" carries the standard close action: it closes the frame.
  items[2]->trigger();
  ASSERT_TRUE(Settle());
  EXPECT_FALSE(frame.W().IsOpen());
}

TEST_F(QtWindows, SheetsShowTheControlsOfTheSelectedPage) {
  WindowDefinition def("Sheet");
  def.Size(200, 120);
  def.Sheet("?SHEET").At(2, 2, 196, 100);     // 1
  def.Tab("?TAB1", "&1) General");            // 2
  def.Entry("?A", "s10").At(10, 20, 50, 10);  // 3
  def.Tab("?TAB2", "&2) More");               // 4
  def.Entry("?B", "s10").At(10, 20, 50, 10);  // 5
  def.EndSheet();
  WindowProcedure p(def);
  ASSERT_TRUE(Settle());
  auto* tabs = Widget<QTabWidget>(p.Id(), 1);
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "&1) General");
  EXPECT_TRUE(Widget<QLineEdit>(p.Id(), 3)->isVisible());
  EXPECT_FALSE(Widget<QLineEdit>(p.Id(), 5)->isVisible());
  tabs->setCurrentIndex(1);  // as a click on the second tab does
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p.W().SelectedTab(1), 4);
  EXPECT_FALSE(Widget<QLineEdit>(p.Id(), 3)->isVisible());
  EXPECT_TRUE(Widget<QLineEdit>(p.Id(), 5)->isVisible());
  EXPECT_EQ(p.recorder.Interesting(), (Strings{"new selection:1"}));
}

TEST_F(QtWindows, TwoLogicalThreadsUseTheirWindowsAtOnce) {
  std::atomic<int> a{0}, b{0};
  WindowProcedure first(Form(), {},
                        [&](Window& w) { w.Bind(2, std::make_shared<DigitsBinding>(&a)); });
  WindowProcedure second(Form(), {},
                         [&](Window& w) { w.Bind(2, std::make_shared<DigitsBinding>(&b)); });
  ASSERT_TRUE(Settle());
  ASSERT_NE(first.Thread(), second.Thread());
  for (int round = 1; round <= 5; ++round) {
    for (auto* p : {&first, &second}) {
      auto* edit = Widget<QLineEdit>(p->Id(), 2);
      ASSERT_NE(edit, nullptr);
      edit->setFocus();
      edit->selectAll();
      QTest::keyClicks(edit, QString::number(round * (p == &first ? 1 : 10)));
      QTest::keyClick(edit, Qt::Key_Tab);
      QTest::mouseClick(Widget<QPushButton>(p->Id(), 6), Qt::LeftButton);
    }
  }
  ASSERT_TRUE(Settle());
  EXPECT_EQ(a.load(), 5);
  EXPECT_EQ(b.load(), 50);
  for (auto* p : {&first, &second}) {
    Strings seen = p->recorder.Interesting();
    EXPECT_EQ(seen.size(), 10u);
    for (int thread : p->recorder.Threads()) EXPECT_EQ(thread, p->Thread());
  }
}

}  // namespace
}  // namespace kv::test
