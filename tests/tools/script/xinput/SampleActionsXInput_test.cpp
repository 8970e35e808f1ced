#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QWindow>
#include <string>

#include "platform/qt/gui/QtList.h"
#include "platform/qt/gui/QtModalDialogs.h"
#include "tests/platform/qt/gui/QtTestSupport.h"
#include "tests/support/XdoInput.h"
#include "tools/script/SampleActions.h"

namespace kv::test {
namespace {

class SampleActionsX : public QtFixture {
 protected:
  WindowId Find(const std::string& caption) {
    for (WindowId id : Window::OpenWindows()) {
      if (Window(id).Caption() == caption) return id;
    }
    return 0;
  }
  // The window's widgets are on screen, mapped by the X server.
  bool Shown(WindowId id) {
    return PumpUntil([&] {
      QWidget* top = backend.TopLevel(id);
      return top != nullptr && top->isVisible() && top->windowHandle() != nullptr &&
             top->windowHandle()->isExposed();
    });
  }
  std::string Cell(int row) {
    std::vector<std::string> cells = Window(owner).Row(items, row);
    return cells.empty() ? std::string() : cells[0];
  }
  // The place of a row of the list, in global coordinates: its centre, or the point just
  // below its left end.
  QPoint RowPoint(int row, bool below) {
    auto* list = dynamic_cast<QtList*>(View(owner)->ControlView(items));
    QTableWidget* table = list->Table();
    QRect r = table->visualRect(table->model()->index(row - 1, 0));
    return table->viewport()->mapToGlobal(below ? QPoint(r.left(), r.bottom() + 1) : r.center());
  }
  QMenu* OpenMenu() {
    QMenu* menu = nullptr;
    PumpUntil([&] {
      menu = backend.Dialogs().LastMenu();
      return menu != nullptr && menu->isVisible();
    });
    return menu;
  }
  QAction* Action(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
      if (a->text() == text) return a;
    }
    return nullptr;
  }

  WindowId owner = 0;
  int items = 0;
};

// A person uses the pop-up menu and the toolbox of the actions sample with the mouse and the
// keyboard, through real X input.
TEST_F(SampleActionsX, MenuAndToolboxByMouseAndKeyboard) {
  ThreadProcedure procedure(SampleActionsProcedure);
  ASSERT_TRUE(Settle());
  owner = Find("Sample Actions");
  ASSERT_NE(owner, 0);
  ASSERT_TRUE(Shown(owner));
  Window w(owner);
  items = w.Find("?ITEMS");

  // A right click on the second row opens the menu where the mouse is.
  QPoint click = RowPoint(2, false);
  ASSERT_TRUE(ClickAt(click, 3));
  QMenu* menu = OpenMenu();
  ASSERT_NE(menu, nullptr) << "no menu after the right click";
  EXPECT_LE((menu->pos() - click).manhattanLength(), 2)
      << "menu at " << menu->pos().x() << "," << menu->pos().y() << ", click at " << click.x()
      << "," << click.y();
  EXPECT_EQ(w.Choice(items), 2);
  QAction* change = Action(menu, "&Change");
  ASSERT_NE(change, nullptr);
  EXPECT_FALSE(change->icon().isNull()) << "the icon of the button it mimics";
  // ... and "Change" is chosen with the mouse.
  ASSERT_TRUE(ClickAt(menu->mapToGlobal(menu->actionGeometry(change).center())));
  ASSERT_TRUE(PumpUntil([&] { return Cell(2) == "PEARS"; })) << Cell(2);

  // The context-menu key on the highlighted first row opens it just below that row; the
  // keyboard chooses its first item, "Insert".
  ASSERT_TRUE(ClickAt(RowPoint(1, false)));
  ASSERT_TRUE(PumpUntil([&] { return w.Choice(items) == 1; }));
  ASSERT_TRUE(Key("Menu"));
  menu = OpenMenu();
  ASSERT_NE(menu, nullptr) << "no menu after the context-menu key";
  QPoint below = RowPoint(1, true);
  EXPECT_LE((menu->pos() - below).manhattanLength(), 2)
      << "menu at " << menu->pos().x() << "," << menu->pos().y() << ", row ends at " << below.x()
      << "," << below.y();
  ASSERT_TRUE(Key("Down Return"));
  ASSERT_TRUE(PumpUntil([&] { return w.RowCount(items) == 4; }));
  EXPECT_EQ(Cell(4), "item 1");
  EXPECT_EQ(w.Choice(items), 4);

  // The toolbox opens beside the window; the window stays usable while it is open.
  ASSERT_TRUE(ClickAt(Centre(backend.ControlWidget(owner, w.Find("?TOOLBOX")))));
  ASSERT_TRUE(PumpUntil([&] { return Find("Sample Tools") != 0; }));
  WindowId toolbox = Find("Sample Tools");
  ASSERT_TRUE(Shown(toolbox));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(w.Disabled(w.Find("?TOOLBOX")));
  QWidget* tools = backend.TopLevel(toolbox);
  EXPECT_GE(tools->frameGeometry().left(), backend.TopLevel(owner)->frameGeometry().right());
  auto toolButton = [&](const char* label) {
    return qobject_cast<QPushButton*>(backend.ControlWidget(toolbox, Window(toolbox).Find(label)));
  };
  QPushButton* toolChange = toolButton("?Change");
  ASSERT_NE(toolChange, nullptr);
  EXPECT_EQ(toolChange->toolTip(), "Change");
  EXPECT_FALSE(toolChange->icon().isNull());
  ASSERT_TRUE(ClickAt(Centre(toolChange)));
  ASSERT_TRUE(PumpUntil([&] { return Cell(4) == "ITEM 1"; })) << Cell(4);
  ASSERT_TRUE(ClickAt(RowPoint(2, false)));  // the owner takes clicks meanwhile
  ASSERT_TRUE(PumpUntil([&] { return w.Choice(items) == 2; }));
  QPushButton* toolDelete = toolButton("?Delete");
  ASSERT_NE(toolDelete, nullptr);
  ASSERT_TRUE(ClickAt(Centre(toolDelete)));
  ASSERT_TRUE(PumpUntil([&] { return w.RowCount(items) == 3; }));
  EXPECT_EQ(Cell(2), "plums");

  // Escape closes it; the button that opened it works again.
  ASSERT_TRUE(Key("Escape"));
  ASSERT_TRUE(PumpUntil([&] { return Find("Sample Tools") == 0; }));
  ASSERT_TRUE(Settle());
  EXPECT_FALSE(w.Disabled(w.Find("?TOOLBOX")));

  ASSERT_TRUE(ClickAt(Centre(backend.ControlWidget(owner, w.Find("?CLOSE")))));
  ASSERT_TRUE(PumpUntil([&] { return !w.IsOpen(); }));  // the GUI must run to take the click
  procedure.Join();
  EXPECT_TRUE(Window::OpenWindows().empty());
}

}  // namespace
}  // namespace kv::test
