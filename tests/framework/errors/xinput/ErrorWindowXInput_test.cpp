// A person answers the error history window with the mouse, through real X input.
#include <QPushButton>
#include <QTableWidget>
#include <QWindow>
#include <atomic>

#include "framework/errors/ErrorManager.h"
#include "framework/errors/ErrorWindow.h"
#include "platform/qt/gui/QtList.h"
#include "tests/platform/qt/gui/QtTestSupport.h"
#include "tests/support/XdoInput.h"

namespace kv::test {
namespace {

class ErrorWindowX : public QtFixture {
 protected:
  // The window's widgets are on screen, mapped by the X server.
  bool Shown(WindowId id) {
    return PumpUntil([&] {
      QWidget* top = backend.TopLevel(id);
      return top != nullptr && top->isVisible() && top->windowHandle() != nullptr &&
             top->windowHandle()->isExposed();
    });
  }
  QPoint RowPoint(WindowId id, int row) {
    auto* list = dynamic_cast<QtList*>(View(id)->ControlView(kErrorWindowList));
    QTableWidget* table = list->Table();
    QRect r = table->visualRect(table->model()->index(row - 1, 0));
    return table->viewport()->mapToGlobal(r.center());
  }
};

TEST_F(ErrorWindowX, ARowIsChosenAndAButtonPressedWithTheMouse) {
  ErrorStatus status;
  ErrorManager errors;
  errors.Init(status);
  errors.SetHistoryThreshold(-1);
  errors.SetHistoryViewLevel(User);
  std::atomic<int> answer{-1};
  ThreadProcedure procedure([&] {
    WindowDefinition def("Products");
    def.Size(240, 140);
    Window owner = Window::Open(def);
    errors.SetSilent(true);
    errors.SetFileName("Products");
    (void)errors.Raise(MsgReadOnlyAccess);
    (void)errors.Raise(MsgNoRecords);
    errors.SetSilent(false);
    answer = errors.Raise(MsgConfirmDelete);
    owner.Close();
  });
  ASSERT_TRUE(Settle());
  Window w = Window::Active(procedure.Number());
  ASSERT_EQ(w.Caption(), "Confirm Delete");
  ASSERT_TRUE(Shown(w.Id()));
  ASSERT_EQ(w.Choice(kErrorWindowList), 3) << "the newest entry starts highlighted";

  ASSERT_TRUE(ClickAt(RowPoint(w.Id(), 1)));
  ASSERT_TRUE(PumpUntil([&] { return w.Choice(kErrorWindowList) == 1; }));
  auto* list = dynamic_cast<QtList*>(View(w.Id())->ControlView(kErrorWindowList));
  ASSERT_TRUE(PumpUntil([&] { return list->Table()->currentRow() == 0; }));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(answer.load(), -1) << "choosing a row answers nothing";

  auto* no = qobject_cast<QPushButton*>(backend.ControlWidget(w.Id(), 100));
  ASSERT_NE(no, nullptr);
  ASSERT_EQ(no->text(), "&No");
  ASSERT_TRUE(ClickAt(Centre(no)));
  ASSERT_TRUE(PumpUntil([&] { return answer.load() != -1; }));
  EXPECT_EQ(answer.load(), Cancel);
  procedure.Join();
  EXPECT_TRUE(Window::OpenWindows().empty());
  errors.Kill();
}

}  // namespace
}  // namespace kv::test
