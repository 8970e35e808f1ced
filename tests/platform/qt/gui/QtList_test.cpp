#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QWheelEvent>

#include "platform/qt/gui/QtList.h"
#include "platform/window/KeyCode.h"
#include "tests/platform/qt/gui/QtTestSupport.h"

namespace kv::test {
namespace {

using Strings = std::vector<std::string>;

// Rows "r1".."rN" with a second column of ten times the row number, padded to their columns'
// widths as the pictures format them.
class Rows : public ListSource {
 public:
  explicit Rows(int count) : count_(count) {}
  int RowCount() const override { return count_; }
  std::string Cell(int row, int column) const override {
    std::string text = column == 1 ? "r" + std::to_string(row) : std::to_string(row * 10);
    return column == 1 ? text + std::string(20 - text.size(), ' ')
                       : std::string(14 - text.size(), ' ') + text;
  }

 private:
  int count_;
};

constexpr const char* kFormat = "80L(2)|M~PC ode~L(2)@s20@64R(2)|M~Price~C(0)@n-14.2@";

WindowDefinition Browse(bool immediate, int height = 70) {
  WindowDefinition def("Browse");
  def.Size(220, 160);
  def.List("?BROWSE", kFormat)
      .At(4, 4, 180, height)
      .ScrollBar()
      .Immediate(immediate)
      .Tip("Browsing");                        // 1
  def.Button("?OK", "OK").At(4, 140, 40, 14);  // 2
  return def;
}

// Opens a list of `rows` rows, highlighted on `choice`.
WindowProcedure* OpenList(std::unique_ptr<WindowProcedure>& holder, bool immediate, int rows,
                          int choice, int height = 70) {
  holder = std::make_unique<WindowProcedure>(Browse(immediate, height), OpenOptions{},
                                             [rows, choice](Window& w) {
                                               w.SetListSource(1, std::make_shared<Rows>(rows));
                                               w.Display();
                                               w.SetChoice(1, choice);
                                             });
  return holder.get();
}

class QtLists : public QtFixture {
 protected:
  QtList* ListView(WindowId id) { return dynamic_cast<QtList*>(View(id)->ControlView(1)); }
};

TEST_F(QtLists, ShowsExactlyTheRowsOfItsSourceWithTheFormatsColumns) {
  std::unique_ptr<WindowProcedure> holder;
  WindowProcedure* p = OpenList(holder, true, 6, 2);
  ASSERT_TRUE(Settle());
  QtList* list = ListView(p->Id());
  ASSERT_NE(list, nullptr);
  QTableWidget* t = list->Table();
  ASSERT_EQ(t->rowCount(), 6);
  ASSERT_EQ(t->columnCount(), 2);
  // Shown without the blanks that pad them: in a proportional font they would overflow the
  // column and have its text cut short.
  EXPECT_EQ(t->item(0, 0)->text(), "r1");
  EXPECT_EQ(t->item(5, 1)->text(), "60");
  EXPECT_EQ(t->horizontalHeaderItem(0)->text(), "PC ode") << "headers are used exactly";
  EXPECT_EQ(t->horizontalHeaderItem(1)->text(), "Price");
  EXPECT_EQ(t->item(0, 1)->textAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(t->columnWidth(0), View(p->Id())->Units().X(80));
  EXPECT_EQ(t->currentRow(), 1);
  EXPECT_EQ(list->Widget()->toolTip(), "Browsing");
  EXPECT_TRUE(list->Bar()->isVisible()) << "an immediate list has its own bar";
}

TEST_F(QtLists, ImmediateListKeysRaiseScrollEventsAndNeverScrollByThemselves) {
  struct Case {
    int choice;
    int key;
    Qt::KeyboardModifiers mods;
    const char* event;
  } cases[] = {
      {6, Qt::Key_Down, Qt::NoModifier, "scroll down:1"},  // at the bottom edge
      {1, Qt::Key_Up, Qt::NoModifier, "scroll up:1"},      // at the top edge
      {3, Qt::Key_Down, Qt::NoModifier, "scroll down:1"},  // inside the page too
      {3, Qt::Key_PageDown, Qt::NoModifier, "page down:1"},
      {3, Qt::Key_PageUp, Qt::NoModifier, "page up:1"},
      {3, Qt::Key_Home, Qt::ControlModifier, "scroll top:1"},
      {3, Qt::Key_End, Qt::ControlModifier, "scroll bottom:1"},
      {3, Qt::Key_Return, Qt::NoModifier, "accepted:1"},
      {3, Qt::Key_B, Qt::NoModifier, "alert key:1"},  // typing goes to the program's locator
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    std::unique_ptr<WindowProcedure> holder;
    WindowProcedure* p = OpenList(holder, true, 6, c.choice);
    ASSERT_TRUE(Settle());
    QTableWidget* t = ListView(p->Id())->Table();
    QTest::keyClick(t, static_cast<Qt::Key>(c.key), c.mods);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(p->recorder.Interesting(), Strings{c.event});
    EXPECT_EQ(p->W().Choice(1), c.choice) << "the program moves the highlight, not the list";
    EXPECT_EQ(t->currentRow(), c.choice - 1);
    EXPECT_EQ(t->verticalScrollBar()->value(), 0);
  }
}

TEST_F(QtLists, ListThatScrollsByItselfMovesTheHighlight) {
  std::unique_ptr<WindowProcedure> holder;
  WindowProcedure* p = OpenList(holder, false, 30, 1);
  ASSERT_TRUE(Settle());
  QTableWidget* t = ListView(p->Id())->Table();
  t->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->W().Focus(), 1) << "the model's focus follows the list's";
  QTest::keyClick(t, Qt::Key_Down);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->W().Choice(1), 2);
  QTest::keyClick(t, Qt::Key_End, Qt::ControlModifier);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->W().Choice(1), 30);
  EXPECT_EQ(t->currentRow(), 29);
  EXPECT_GT(t->verticalScrollBar()->value(), 0) << "the last row was scrolled into view";
  EXPECT_EQ(p->recorder.Interesting(), (Strings{"new selection:1", "new selection:1"}));
}

TEST_F(QtLists, AlertKeysAndMouseRaiseAlertEventsAsRegistered) {
  std::unique_ptr<WindowProcedure> holder;
  holder = std::make_unique<WindowProcedure>(Browse(true), OpenOptions{}, [](Window& w) {
    w.SetListSource(1, std::make_shared<Rows>(5));
    w.Display();
    w.SetChoice(1, 1);
    int keys[] = {kKeyInsert, kKeyDelete, kKeyEnter | kCtrl, kKeyEnter | kShift,
                  kKeyApps,   'A',        kMouseRightUp,     kMouseLeft2};
    int position = 1;
    for (int key : keys) w.SetAlert(1, position++, key);
  });
  WindowProcedure* p = holder.get();
  ASSERT_TRUE(Settle());
  QTableWidget* t = ListView(p->Id())->Table();
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    int code;
  } cases[] = {
      {Qt::Key_Insert, Qt::NoModifier, kKeyInsert},
      {Qt::Key_Delete, Qt::NoModifier, kKeyDelete},
      {Qt::Key_Return, Qt::ControlModifier, kKeyEnter | kCtrl},
      {Qt::Key_Return, Qt::ShiftModifier, kKeyEnter | kShift},
      {Qt::Key_Menu, Qt::NoModifier, kKeyApps},
      {Qt::Key_A, Qt::NoModifier, 'A'},
  };
  for (const Case& c : cases) QTest::keyClick(t, static_cast<Qt::Key>(c.key), c.mods);
  ASSERT_TRUE(Settle());
  std::vector<int> keys = p->recorder.Keys();
  Strings seen = p->recorder.Interesting();
  ASSERT_EQ(seen.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(seen[i], "alert key:1");
  }
  std::vector<int> alertKeys(keys.end() - std::size(cases), keys.end());
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(alertKeys[i], cases[i].code);

  // Right click on row 3: the row is recorded and the alert raised; the highlight stays.
  p->recorder.Clear();
  QRect third = t->visualRect(t->model()->index(2, 0));
  QTest::mouseClick(t->viewport(), Qt::RightButton, {}, third.center());
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->W().LastClickRow(1), 3);
  EXPECT_EQ(p->W().Choice(1), 1);
  EXPECT_EQ(p->recorder.Interesting(), Strings{"alert key:1"});
  // Double click on row 2: highlighted, then the alert; the area is the rows.
  p->recorder.Clear();
  QRect second = t->visualRect(t->model()->index(1, 0));
  QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, second.center());
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->W().Choice(1), 2);
  EXPECT_EQ(p->W().LastDoubleClickArea(1), 1);
  Strings dbl = p->recorder.Interesting();
  ASSERT_FALSE(dbl.empty());
  EXPECT_EQ(dbl.front(), "new selection:1");
  EXPECT_EQ(dbl.back(), "alert key:1");
  // Double click on the headers.
  QHeaderView* header = t->horizontalHeader();
  QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(10, header->height() / 2));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->W().LastDoubleClickArea(1), 2);
}

TEST_F(QtLists, WheelAndScrollBarRaiseScrollAndDragEvents) {
  std::unique_ptr<WindowProcedure> holder;
  WindowProcedure* p = OpenList(holder, true, 6, 3);
  ASSERT_TRUE(Settle());
  QtList* list = ListView(p->Id());
  QTableWidget* t = list->Table();
  // One notch of the wheel towards the user: as many scroll-down events as lines per notch.
  QPoint at = t->viewport()->rect().center();
  QWheelEvent down(at, t->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(t->viewport(), &down);
  ASSERT_TRUE(Settle());
  Strings seen = p->recorder.Interesting();
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(QApplication::wheelScrollLines()));
  EXPECT_EQ(seen.front(), "scroll down:1");
  p->recorder.Clear();
  QScrollBar* bar = list->Bar();
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->recorder.Interesting(), (Strings{"page down:1", "scroll up:1"}));
  EXPECT_EQ(bar->value(), 0) << "the thumb stays until the program moves it";
  // Dragging the thumb: the drop raises the drag event with the position.
  p->recorder.Clear();
  bar->setSliderDown(true);
  bar->setSliderPosition(70);
  bar->setSliderDown(false);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(p->recorder.Interesting(), Strings{"scroll drag:1"});
  EXPECT_EQ(p->W().Thumb(1), 70);
  // The program sets the thumb.
  p->W().SetThumb(1, 25);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(bar->value(), 25);
}

TEST_F(QtLists, VisibleRowsFollowTheControlsHeight) {
  for (int height : {25, 40, 55, 70, 93, 120, 147}) {
    SCOPED_TRACE(height);
    std::unique_ptr<WindowProcedure> holder;
    WindowProcedure* p = OpenList(holder, true, 30, 1, height);
    ASSERT_TRUE(Settle());
    QtList* list = ListView(p->Id());
    int model = p->W().VisibleRows(1);
    EXPECT_EQ(list->FittingRows(), model) << "the rows the program pages are the rows shown";
    // Resizing the control changes both alike.
    Rect r = p->W().ControlRect(1);
    r.height += 23;
    p->W().SetControlRect(1, r);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(list->FittingRows(), p->W().VisibleRows(1));
    EXPECT_GT(p->W().VisibleRows(1), model);
  }
}

}  // namespace
}  // namespace kv::test
