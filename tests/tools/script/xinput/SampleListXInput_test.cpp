#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTableWidget>
#include <QWindow>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/qt/gui/QtList.h"
#include "platform/storage/DriverRegistry.h"
#include "tests/platform/qt/gui/QtTestSupport.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/XdoInput.h"
#include "tools/script/SampleList.h"

namespace kv::test {
namespace {

class SampleListX : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    RegisterSqlDrivers();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());  // the sample's database
    for (int n = 1; n <= kSampleListProducts; ++n) all_.push_back(SampleListCode(n));
    std::sort(all_.begin(), all_.end());
  }
  void TearDown() override {
    QtFixture::TearDown();
    std::filesystem::current_path(previous_);
  }
  bool Shown() {
    return PumpUntil([&] {
      for (WindowId id : Window::OpenWindows()) {
        if (Window(id).Caption() == "Sample List") owner_ = id;
      }
      QWidget* top = owner_ != 0 ? backend.TopLevel(owner_) : nullptr;
      return top != nullptr && top->isVisible() && top->windowHandle() != nullptr &&
             top->windowHandle()->isExposed();
    });
  }
  QtList* List() { return dynamic_cast<QtList*>(View(owner_)->ControlView(list_)); }
  std::vector<std::string> Codes() {
    Window w(owner_);
    std::vector<std::string> out;
    for (int r = 1; r <= w.RowCount(list_); ++r) {
      std::string cell = w.Row(list_, r).at(0);
      out.push_back(cell.substr(0, cell.find(' ')));
    }
    return out;
  }
  // The rows of the sorted table from the one at `first` (0-based), as many as the list shows.
  std::vector<std::string> Slice(std::size_t first) {
    return {all_.begin() + first, all_.begin() + first + kSampleListRows};
  }
  std::size_t IndexOf(const std::string& code) {
    return std::find(all_.begin(), all_.end(), code) - all_.begin();
  }
  std::string Highlighted() {
    Window w(owner_);
    return Codes().at(w.Choice(list_) - 1);
  }
  // Waits until the list shows `rows` and highlights line `line`.
  bool Shows(const std::vector<std::string>& rows, int line) {
    return PumpUntil([&] { return Codes() == rows && Window(owner_).Choice(list_) == line; }) &&
           Settle();
  }
  // The centre of the scroll bar's thumb, in screen coordinates.
  QPoint ThumbCentre() {
    QScrollBar* bar = List()->Bar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    QRect handle = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                QStyle::SC_ScrollBarSlider, bar);
    return bar->mapToGlobal(handle.center());
  }

  TempDirectory folder_;
  std::filesystem::path previous_;
  std::vector<std::string> all_;  // every code, in the list's order
  WindowId owner_ = 0;
  int list_ = 0;
};

// A person scrolls a list of three thousand products with the wheel, PageDown, Ctrl+End and
// the thumb, and types letters for the locator; every time the list shows the matching rows of
// the table in code order.
TEST_F(SampleListX, WheelPageDownCtrlEndThumbAndTypedLetters) {
  ThreadProcedure procedure(SampleListProcedure);
  ASSERT_TRUE(Shown());
  ASSERT_TRUE(Settle());
  list_ = Window(owner_).Find("?LIST");
  ASSERT_TRUE(Shows(Slice(0), 1));
  EXPECT_TRUE(Window(owner_).ScrollBar(list_)) << "a full list shows its scroll bar";
  QTableWidget* table = List()->Table();

  // Six notches of the wheel, three rows each: the highlight goes to the bottom line (14
  // rows), then the list moves by the other four.
  ASSERT_TRUE(Xdo({"mousemove", "--sync", QString::number(Centre(table->viewport()).x()),
                   QString::number(Centre(table->viewport()).y())}));
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(Xdo({"click", "5"}));
  ASSERT_TRUE(Shows(Slice(4), kSampleListRows)) << Codes().front();

  // A click on line 3, then PageDown: a full page further, the highlight on its line.
  QRect third = table->visualRect(table->model()->index(2, 0));
  ASSERT_TRUE(ClickAt(table->viewport()->mapToGlobal(third.center())));
  ASSERT_TRUE(Shows(Slice(4), 3));
  ASSERT_TRUE(Key("Next"));
  ASSERT_TRUE(Shows(Slice(4 + kSampleListRows), 3));
  ASSERT_TRUE(Key("Next"));
  ASSERT_TRUE(Shows(Slice(4 + 2 * kSampleListRows), 3));

  // Ctrl+End: the last page, the last row highlighted, the thumb at the bottom.
  ASSERT_TRUE(Key("ctrl+End"));
  ASSERT_TRUE(Shows(Slice(all_.size() - kSampleListRows), kSampleListRows));
  EXPECT_EQ(Window(owner_).Thumb(list_), 100);

  // The thumb dragged from the bottom to the middle of the bar: the list lands in the middle
  // of the codes (the thumb step spreads them by their letters) and shows a window of the
  // table there.
  QScrollBar* bar = List()->Bar();
  ASSERT_TRUE(PumpUntil([&] { return bar->sliderPosition() == 100; }));
  const QPoint from = ThumbCentre();
  const QPoint to = bar->mapToGlobal(bar->rect().center());
  ASSERT_TRUE(Xdo({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y()),
                   "mousedown", "1"}));
  for (int step = 1; step <= 8; ++step) {
    const int y = from.y() + (to.y() - from.y()) * step / 8;
    ASSERT_TRUE(Xdo({"mousemove", "--sync", QString::number(from.x()), QString::number(y)}));
  }
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  ASSERT_TRUE(PumpUntil([&] {
    const std::vector<std::string> rows = Codes();
    return !rows.empty() && rows.front()[0] >= 'H' && rows.front()[0] <= 'S';
  })) << Codes().front();
  ASSERT_TRUE(Settle());
  const std::vector<std::string> dropped = Codes();
  ASSERT_EQ(dropped.size(), std::size_t(kSampleListRows));
  EXPECT_EQ(dropped, Slice(IndexOf(dropped.front()))) << "a window of the table";
  const int thumb = Window(owner_).Thumb(list_);
  EXPECT_GE(thumb, 25);
  EXPECT_LE(thumb, 75);

  // Typed letters: "q" first moves the highlight a row down (from line 3 to 4), as a typed
  // letter steps to the next row, and as that row does not begin with Q the list goes to the
  // first code that does, on the highlight's line; "q" again steps to the next code, which
  // begins with Q too, one line further down.
  ASSERT_TRUE(ClickAt(table->viewport()->mapToGlobal(third.center())));
  ASSERT_TRUE(PumpUntil([&] { return Window(owner_).Choice(list_) == 3; }));
  const std::size_t q =
      std::find_if(all_.begin(), all_.end(), [](const std::string& c) { return c[0] == 'Q'; }) -
      all_.begin();
  ASSERT_TRUE(Xdo({"type", "q"}));
  ASSERT_TRUE(Shows(Slice(q - 3), 4)) << Highlighted();
  EXPECT_EQ(Highlighted(), all_[q]);
  ASSERT_TRUE(Xdo({"type", "q"}));
  ASSERT_TRUE(Shows(Slice(q - 3), 5)) << Highlighted();
  EXPECT_EQ(Highlighted(), all_[q + 1]);

  // Ctrl+Home and the wheel up at the top: the first page, nothing above it.
  ASSERT_TRUE(Key("ctrl+Home"));
  ASSERT_TRUE(Shows(Slice(0), 1));
  ASSERT_TRUE(Xdo({"click", "4"}));
  ASSERT_TRUE(Shows(Slice(0), 1));
  EXPECT_EQ(Window(owner_).Thumb(list_), 0);

  ASSERT_TRUE(ClickAt(Centre(backend.ControlWidget(owner_, Window(owner_).Find("?CLOSE")))));
  ASSERT_TRUE(PumpUntil([&] { return Window::OpenWindows().empty(); }));
  procedure.Join();
}

}  // namespace
}  // namespace kv::test
