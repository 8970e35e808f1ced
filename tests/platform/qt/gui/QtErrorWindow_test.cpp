// The error window of the error history on the desktop backend: real widgets, driven by real
// widget input.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "framework/errors/ErrorManager.h"
#include "framework/errors/ErrorWindow.h"
#include "platform/qt/gui/QtList.h"
#include "tests/platform/qt/gui/QtTestSupport.h"

namespace kv::test {
namespace {

class QtErrorWindow : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    errors.Init(status);
    errors.SetHistoryThreshold(-1);
    errors.SetHistoryViewLevel(User);
    errors.SetMessageCategory(MsgReadOnlyAccess, "Files");
  }
  void TearDown() override {
    QtFixture::TearDown();
    errors.Kill();
  }
  QPushButton* Button(WindowId id, int control) { return Widget<QPushButton>(id, control); }

  ErrorStatus status;
  ErrorManager errors;
};

TEST_F(QtErrorWindow, ShowsTheIconTheListAndTheButtonsOverItsOwnerAndAClickAnswers) {
  std::atomic<int> answer{-1};
  std::atomic<WindowId> owner{0};
  ThreadProcedure procedure([&] {
    WindowDefinition def("Products");
    def.Size(240, 140);
    Window ownerWindow = Window::Open(def);
    owner = ownerWindow.Id();
    errors.SetSilent(true);  // recorded in the history only
    errors.SetFileName("Products");
    (void)errors.Raise(MsgReadOnlyAccess);
    errors.SetSilent(false);
    answer = errors.Raise(MsgConfirmDelete);  // the view level: shown in the error window
    ownerWindow.Close();
  });
  ASSERT_TRUE(Settle());
  WindowId id = Window::Active(procedure.Number()).Id();
  QWidget* top = backend.TopLevel(id);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->windowTitle(), "Confirm Delete");
  EXPECT_TRUE(top->isVisible());
  ASSERT_NE(top->parentWidget(), nullptr) << "owned by the window it is shown over";
  EXPECT_EQ(top->parentWidget()->window(), backend.TopLevel(owner.load()));

  auto* image = Widget<QLabel>(id, kErrorWindowImage);
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(image->pixmap().isNull()) << "the information icon";

  auto* list = dynamic_cast<QtList*>(View(id)->ControlView(kErrorWindowList));
  ASSERT_NE(list, nullptr);
  QTableWidget* table = list->Table();
  ASSERT_EQ(table->columnCount(), 2);
  EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "Message");
  EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "Category");
  ASSERT_EQ(table->rowCount(), 2);
  EXPECT_EQ(table->item(0, 0)->text(),
            "Could not get write access to Products so trying read-only.");
  EXPECT_EQ(table->item(0, 1)->text(), "Files");
  EXPECT_EQ(table->item(1, 0)->text(), "Are you sure you want to delete the highlighted record?");
  EXPECT_EQ(table->item(1, 1)->text(), "Ravel");
  EXPECT_EQ(table->currentRow(), 1) << "the newest entry is highlighted";

  QPushButton* no = Button(id, 100);
  QPushButton* yes = Button(id, 101);
  ASSERT_TRUE(no && yes);
  EXPECT_EQ(no->text(), "&No");
  EXPECT_EQ(yes->text(), "&Yes");
  EXPECT_TRUE(no->isVisible() && yes->isVisible());
  EXPECT_GT(no->x(), yes->x()) << "No stands at the right edge";
  EXPECT_TRUE(yes->isDefault());
  EXPECT_FALSE(no->isDefault());
  for (int hidden = 102; hidden < 108; ++hidden) EXPECT_FALSE(Button(id, hidden)->isVisible());

  QTest::mouseClick(no, Qt::LeftButton);
  ASSERT_TRUE(PumpUntil([&] { return answer.load() != -1; }));
  EXPECT_EQ(answer.load(), Cancel);
  procedure.Join();
}

}  // namespace
}  // namespace kv::test
