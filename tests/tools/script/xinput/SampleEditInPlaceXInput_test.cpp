#include <QLineEdit>
#include <QPixmap>
#include <QTableWidget>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/qt/gui/QtList.h"
#include "platform/storage/DriverRegistry.h"
#include "tests/platform/qt/gui/QtTestSupport.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/XSession.h"
#include "tests/support/XdoInput.h"
#include "tools/script/SampleEditInPlace.h"

namespace kv::test {
namespace {

class SampleEditX : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    RegisterSqlDrivers();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());  // the sample's database
  }
  void TearDown() override {
    QtFixture::TearDown();
    std::filesystem::current_path(previous_);
  }
  WindowId Find(const std::string& caption) {
    for (WindowId id : Window::OpenWindows())
      if (Window(id).Caption() == caption) return id;
    return 0;
  }
  bool Shown() {
    return PumpUntil([&] {
      QWidget* top = Find("Sample Edit") != 0 ? backend.TopLevel(Find("Sample Edit")) : nullptr;
      return top != nullptr && top->isVisible() && top->windowHandle() != nullptr &&
             top->windowHandle()->isExposed();
    });
  }
  // The column whose edit slot holds an editor (0: none).
  int EditedColumn() {
    for (int c = 1; c <= 3; ++c)
      if (Window(owner).ColumnEditControl(list, c) != 0) return c;
    return 0;
  }
  QLineEdit* EditorWidget() {
    const int c = EditedColumn();
    return c == 0 ? nullptr
                  : qobject_cast<QLineEdit*>(
                        backend.ControlWidget(owner, Window(owner).ColumnEditControl(list, c)));
  }
  // The screen rectangle of cell (row, column), both from 1.
  QRect CellOnScreen(int row, int column) {
    QRect r = table->visualRect(table->model()->index(row - 1, column - 1));
    return QRect(table->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  bool DoubleClick(const QPoint& at) {
    return Xdo({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click",
                "--repeat", "2", "--delay", "60", "1"});
  }
  // Waits until column `column` is edited, its entry on screen with the keyboard focus.
  bool Editing(int column) {
    return PumpUntil([&] {
             QLineEdit* e = EditorWidget();
             return EditedColumn() == column && e != nullptr && e->isVisible() && e->hasFocus();
           }) &&
           Settle();
  }
  std::string Cell(int row, int column) {
    std::string text = Window(owner).Row(list, row).at(static_cast<std::size_t>(column - 1));
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
  }

  TempDirectory folder_;
  std::filesystem::path previous_;
  WindowId owner = 0;
  int list = 0;
  QTableWidget* table = nullptr;
};

// A person double-clicks a description, replaces it with an accented text of the column's
// full 20 bytes, Tabs to the price and back, and saves with Enter; then edits another row and
// leaves it with Escape, all with real X input.
TEST_F(SampleEditX, DoubleClickTypeTabAndEnterSaveTheRowAndEscapeDropsIt) {
  ThreadProcedure procedure(SampleEditInPlaceProcedure);
  ASSERT_TRUE(Shown());
  ASSERT_TRUE(Settle());
  owner = Find("Sample Edit");
  list = Window(owner).Find("?LIST");
  table = dynamic_cast<QtList*>(View(owner)->ControlView(list))->Table();
  ASSERT_EQ(Cell(2, 2), "Hex bolt M10");
  XInput input(std::getenv("DISPLAY"));

  ASSERT_TRUE(DoubleClick(CellOnScreen(2, 2).center()));
  ASSERT_TRUE(Editing(2)) << "a double-click opens the editor of the cell clicked";
  QLineEdit* description = EditorWidget();
  const QRect shown(description->mapToGlobal(QPoint(0, 0)), description->size());
  EXPECT_EQ(shown, CellOnScreen(2, 2)) << "the entry stands exactly over the cell";
  EXPECT_EQ(description->font(), table->font());
  EXPECT_EQ(description->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_EQ(description->text().toStdString(), "Hex bolt M10");

  const std::string accented = "Rondelle éventail 8";  // 19 characters, 20 bytes
  ASSERT_EQ(accented.size(), 20u);
  ASSERT_TRUE(Key("ctrl+a"));
  ASSERT_TRUE(input.Type(accented + "x"));  // one more character does not fit
  ASSERT_TRUE(PumpUntil([&] { return description->text().toStdString() == accented; }))
      << description->text().toStdString();
  ASSERT_TRUE(Key("Tab"));
  ASSERT_TRUE(Editing(3)) << "Tab goes on to the price";
  QLineEdit* price = EditorWidget();
  EXPECT_EQ(QRect(price->mapToGlobal(QPoint(0, 0)), price->size()), CellOnScreen(2, 3));
  EXPECT_EQ(price->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight) << "as the column";
  EXPECT_EQ(Cell(2, 2), accented) << "the row holds the description typed";
  ASSERT_TRUE(Key("ctrl+a"));
  ASSERT_TRUE(input.Type("1.25"));
  ASSERT_TRUE(PumpUntil([&] { return price->text() == "1.25"; }));
  ASSERT_TRUE(Key("shift+Tab"));
  ASSERT_TRUE(Editing(2)) << "Shift+Tab goes back";
  EXPECT_EQ(EditorWidget()->text().toStdString(), accented);
  if (const char* shots = std::getenv("KORVANDEL_TEST_SHOTS")) {
    QWidget* top = backend.TopLevel(owner);
    top->grab().save(QString::fromStdString(std::string(shots) + "/edit-in-place.png"));
  }
  ASSERT_TRUE(Key("Return"));
  ASSERT_TRUE(PumpUntil([&] { return EditedColumn() == 0; }));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Cell(2, 2), accented) << "stored and read back unchanged";
  EXPECT_EQ(Cell(2, 3), "1.25");
  EXPECT_EQ(Window(owner).Choice(list), 2);

  ASSERT_TRUE(DoubleClick(CellOnScreen(3, 2).center()));
  ASSERT_TRUE(Editing(2));
  ASSERT_TRUE(Key("ctrl+a"));
  ASSERT_TRUE(input.Type("Not kept"));
  ASSERT_TRUE(PumpUntil([&] { return EditorWidget()->text() == "Not kept"; }));
  ASSERT_TRUE(Key("Escape"));
  ASSERT_TRUE(PumpUntil([&] { return EditedColumn() == 0; }));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Cell(3, 2), "Hex nut M8") << "Escape drops what was typed";
  EXPECT_EQ(Cell(2, 2), accented);
  EXPECT_TRUE(Window(owner).IsOpen()) << "Escape ends the row, not the window";

  ASSERT_TRUE(ClickAt(Centre(backend.ControlWidget(owner, Window(owner).Find("?CLOSE")))));
  ASSERT_TRUE(PumpUntil([&] { return Find("Sample Edit") == 0; }));
  procedure.Join();
}

}  // namespace
}  // namespace kv::test
