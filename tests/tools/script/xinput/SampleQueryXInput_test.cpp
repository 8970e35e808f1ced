#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QWindow>
#include <filesystem>
#include <string>

#include "platform/qt/gui/QtList.h"
#include "platform/qt/gui/QtModalDialogs.h"
#include "platform/storage/DriverRegistry.h"
#include "tests/platform/qt/gui/QtTestSupport.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/XdoInput.h"
#include "tools/script/SampleQuery.h"

namespace kv::test {
namespace {

class SampleQueryX : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    RegisterSqlDrivers();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());  // the sample's database and settings
  }
  void TearDown() override {
    QtFixture::TearDown();
    std::filesystem::current_path(previous_);
  }
  WindowId Find(const std::string& caption) {
    for (WindowId id : Window::OpenWindows()) {
      if (Window(id).Caption() == caption) return id;
    }
    return 0;
  }
  // The window is open and its widgets are on screen, mapped by the X server.
  bool Shown(const std::string& caption) {
    return PumpUntil([&] {
      QWidget* top = Find(caption) != 0 ? backend.TopLevel(Find(caption)) : nullptr;
      return top != nullptr && top->isVisible() && top->windowHandle() != nullptr &&
             top->windowHandle()->isExposed();
    });
  }
  QWidget* ControlWidget(const std::string& caption, const std::string& label) {
    WindowId id = Find(caption);
    return backend.ControlWidget(id, Window(id).Find(label));
  }
  std::vector<std::string> Codes() {
    Window w(owner);
    std::vector<std::string> out;
    for (int r = 1; r <= w.RowCount(list); ++r) {
      std::string cell = w.Row(list, r).at(0);
      out.push_back(cell.substr(0, cell.find(' ')));
    }
    return out;
  }
  QMenu* OpenedMenu() {
    QMenu* menu = nullptr;
    PumpUntil([&] {
      menu = backend.Dialogs().LastMenu();
      return menu != nullptr && menu->isVisible();
    });
    return menu;
  }
  static QAction* Action(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
      if (a->text() == text) return a;
    }
    return nullptr;
  }

  TempDirectory folder_;
  std::filesystem::path previous_;
  WindowId owner = 0;
  int list = 0;
};

// A person narrows the list by typing "*bolt" for the description in the query window, then
// widens it again with "C&lear" from the list's pop-up menu, all with real X input.
TEST_F(SampleQueryX, TypeAQueryThenClearItFromTheMenu) {
  ThreadProcedure procedure(SampleQueryProcedure);
  ASSERT_TRUE(Shown("Sample Query"));
  ASSERT_TRUE(Settle());
  owner = Find("Sample Query");
  list = Window(owner).Find("?LIST");
  const std::vector<std::string> all = Codes();
  ASSERT_EQ(all.size(), 10u);

  ASSERT_TRUE(ClickAt(Centre(ControlWidget("Sample Query", "?QUERY"))));
  ASSERT_TRUE(Shown("Query by Example"));
  ASSERT_TRUE(Settle());
  QWidget* description = ControlWidget("Query by Example", "?VALUE2");
  ASSERT_NE(qobject_cast<QLineEdit*>(description), nullptr);
  ASSERT_TRUE(ClickAt(Centre(description)));
  ASSERT_TRUE(PumpUntil([&] { return description->hasFocus(); }));
  ASSERT_TRUE(Xdo({"type", "--delay", "30", "*bolt"}));
  ASSERT_TRUE(PumpUntil([&] { return qobject_cast<QLineEdit*>(description)->text() == "*bolt"; }))
      << qobject_cast<QLineEdit*>(description)->text().toStdString();
  ASSERT_TRUE(ClickAt(Centre(ControlWidget("Query by Example", "?OK"))));
  ASSERT_TRUE(PumpUntil([&] { return Find("Query by Example") == 0; }));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Codes(), (std::vector<std::string>{"B100", "B110", "B200"}));
  EXPECT_EQ(Window(owner).Text(Window(owner).Find("?QUERYRESULT")),
            "INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0");

  // The context-menu key on the list; "View", then "Clear", with the mouse.
  auto* table = dynamic_cast<QtList*>(View(owner)->ControlView(list))->Table();
  QRect first = table->visualRect(table->model()->index(0, 0));
  ASSERT_TRUE(ClickAt(table->viewport()->mapToGlobal(first.center())));
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(Key("Menu"));
  QMenu* menu = OpenedMenu();
  ASSERT_NE(menu, nullptr) << "no menu after the context-menu key";
  QAction* view = Action(menu, "View");
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->menu(), nullptr) << "View is a sub-menu";
  ASSERT_TRUE(ClickAt(menu->mapToGlobal(menu->actionGeometry(view).center())));
  QMenu* sub = view->menu();
  ASSERT_TRUE(PumpUntil([&] { return sub->isVisible(); }));
  QAction* clear = Action(sub, "C&lear");
  ASSERT_NE(clear, nullptr);
  QAction* empty = nullptr;
  for (QAction* a : sub->actions()) {
    if (a->text().startsWith("Empty")) empty = a;
  }
  ASSERT_NE(empty, nullptr);
  EXPECT_FALSE(empty->isEnabled()) << "nothing saved yet";
  ASSERT_TRUE(ClickAt(sub->mapToGlobal(sub->actionGeometry(clear).center())));
  ASSERT_TRUE(PumpUntil([&] { return Codes().size() == all.size(); }));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Codes(), all);
  EXPECT_EQ(Window(owner).Text(Window(owner).Find("?QUERYRESULT")), "");

  ASSERT_TRUE(ClickAt(Centre(ControlWidget("Sample Query", "?CLOSE"))));
  ASSERT_TRUE(PumpUntil([&] { return Find("Sample Query") == 0; }));
  procedure.Join();
}

}  // namespace
}  // namespace kv::test
