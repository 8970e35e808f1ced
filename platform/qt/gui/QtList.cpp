#include "platform/qt/gui/QtList.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/qt/gui/QtModalDialogs.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/window/KeyCode.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

Qt::Alignment ColumnAlignment(char align) {
  switch (align) {
    case 'R':
    case 'D':  // decimal: the numbers are formatted to the same places, so right-aligned
      return Qt::AlignRight | Qt::AlignVCenter;
    case 'C':
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

// A cell's text as shown: the blanks its picture pads it with to the column's width are left
// out (the trailing ones, and the leading ones of a column not aligned left). They only line
// text up in a fixed-pitch font; in the desktop's font they run past the column's edge and
// have the text cut short with an ellipsis.
QString ShownCell(const std::string& text, Qt::Alignment align) {
  std::size_t first = 0;
  std::size_t end = text.find_last_not_of(' ') + 1;  // 0 when all blanks
  if ((align & Qt::AlignLeft) == 0 && end > 0) first = text.find_first_not_of(' ');
  return QString::fromStdString(text.substr(first, end - first));
}

constexpr int kRowKeys[] = {kKeyUp,       kKeyDown,         kKeyPageUp,
                            kKeyPageDown, kKeyHome | kCtrl, kKeyEnd | kCtrl};

}  // namespace

QtList::QtList(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control),
      frame_(new QFrame(parent)),
      table_(new QTableWidget(frame_)),
      bar_(new QScrollBar(Qt::Vertical, frame_)) {
  frame_->setFrameShape(QFrame::StyledPanel);
  frame_->setFrameShadow(QFrame::Sunken);
  frame_->setLineWidth(1);
  table_->setFrameShape(QFrame::NoFrame);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setShowGrid(false);
  table_->setWordWrap(false);
  table_->setTabKeyNavigation(false);
  table_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->horizontalHeader()->setSectionsClickable(false);
  table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  int row = window.Units().Y(kListRowHeight);
  table_->verticalHeader()->setMinimumSectionSize(1);
  table_->verticalHeader()->setDefaultSectionSize(row);
  table_->horizontalHeader()->setFixedHeight(row);
  bar_->setRange(0, 100);
  bar_->setSingleStep(1);
  bar_->setPageStep(10);
  Watch(table_);
  rowsViewport_ = table_->viewport();
  headerViewport_ = table_->horizontalHeader()->viewport();
  rowsViewport_->installEventFilter(this);
  headerViewport_->installEventFilter(this);
  QObject::connect(bar_, &QScrollBar::actionTriggered, this, [this](int a) { BarAction(a); });
  QObject::connect(bar_, &QScrollBar::sliderReleased, this, [this] {
    if (Syncing() || !barDragged_) return;
    barDragged_ = false;
    (void)DragThumb(WindowIdOf(), last_.number, bar_->sliderPosition());
  });
}

int QtList::FittingRows() const {
  int height = table_->viewport()->height();
  int row = table_->verticalHeader()->defaultSectionSize();
  return row > 0 ? std::max(0, height / row) : 0;
}

void QtList::Layout() {
  QRect r = frame_->contentsRect();
  // The immediate list's own bar stands beside the table; a list that scrolls by itself
  // uses the table's bar.
  bool ownBar = last_.immediate && last_.scrollBar;
  int barWidth = ownBar ? bar_->sizeHint().width() : 0;
  bar_->setVisible(ownBar);
  bar_->setGeometry(r.right() + 1 - barWidth, r.top(), barWidth, r.height());
  table_->setGeometry(r.left(), r.top(), r.width() - barWidth, r.height());
  table_->setVerticalScrollBarPolicy(last_.immediate || !last_.scrollBar ? Qt::ScrollBarAlwaysOff
                                                                         : Qt::ScrollBarAsNeeded);
}

void QtList::SyncColumns(const Control& c) {
  bool header = std::any_of(c.columns.begin(), c.columns.end(),
                            [](const ListColumn& col) { return !col.header.empty(); });
  int count = std::max<int>(1, static_cast<int>(c.columns.size()));
  table_->setColumnCount(count);
  table_->horizontalHeader()->setVisible(header);
  alignments_.assign(count, Qt::AlignLeft | Qt::AlignVCenter);
  QHeaderView* h = table_->horizontalHeader();
  for (int i = 0; i < static_cast<int>(c.columns.size()); ++i) {
    const ListColumn& col = c.columns[i];
    alignments_[i] = ColumnAlignment(col.align);
    auto* item = new QTableWidgetItem(QString::fromStdString(col.header));
    item->setTextAlignment(ColumnAlignment(col.headerAlign));
    table_->setHorizontalHeaderItem(i, item);
    h->setSectionResizeMode(i, col.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    // A width of 0 takes what is left.
    if (col.width > 0) table_->setColumnWidth(i, window_.Units().X(col.width));
  }
  h->setStretchLastSection(true);
  format_ = c.format;
}

void QtList::SyncRows(const Control& c) {
  int rows = static_cast<int>(c.rows.size());
  int columns = table_->columnCount();
  table_->setRowCount(rows);
  QString tip = QString::fromStdString(c.tip);
  for (int r = 0; r < rows; ++r) {
    for (int col = 0; col < columns; ++col) {
      const Qt::Alignment align =
          col < static_cast<int>(alignments_.size()) ? alignments_[col] : Qt::AlignLeft;
      QString text =
          col < static_cast<int>(c.rows[r].size()) ? ShownCell(c.rows[r][col], align) : QString();
      QTableWidgetItem* item = table_->item(r, col);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        table_->setItem(r, col, item);
      }
      if (item->text() != text) item->setText(text);
      item->setTextAlignment(align);
      const int color = col < static_cast<int>(c.columns.size()) ? c.columns[col].textColor : -1;
      if (color >= kSystemColor) {
        item->setForeground(table_->palette().color(QPalette::Disabled, QPalette::Text));
      } else if (color >= 0) {
        item->setForeground(QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
      } else if (item->data(Qt::ForegroundRole).isValid()) {
        item->setData(Qt::ForegroundRole, QVariant());  // the column's colour was taken off
      }
    }
  }
  if (c.choice >= 1 && c.choice <= rows) {
    table_->setCurrentCell(c.choice - 1, 0);
    table_->selectRow(c.choice - 1);
    if (!c.immediate) table_->scrollToItem(table_->item(c.choice - 1, 0));
  } else {
    table_->clearSelection();
  }
  // An immediate list shows its page from the first row, whatever was scrolled before.
  if (c.immediate) table_->verticalScrollBar()->setValue(0);
}

void QtList::SyncOwn(const Control& c, bool first) {
  QSignalBlocker blockTable(table_);
  QSignalBlocker blockBar(bar_);
  // The height is measured in whole rows of the table, so that the rows that fit are the ones
  // the model counts from the height in dialog units; the frame lies outside the rectangle.
  QRect r = window_.Units().ToPixels(c.rect);
  int row = table_->verticalHeader()->defaultSectionSize();
  r.setHeight(static_cast<int>(std::lround(c.rect.height * row / double(kListRowHeight))));
  int border = frame_->frameWidth();
  frame_->setGeometry(r.adjusted(-border, -border, border, border));
  if (first || c.format != format_ || c.columns.size() != alignments_.size()) SyncColumns(c);
  Layout();
  SyncRows(c);
  if (!bar_->isSliderDown()) bar_->setValue(c.thumb);
}

void QtList::Scroll(int scrollEvent, int keyCode) {
  // The same checks as any gesture: the window takes input and the list is usable.
  WindowId id = WindowIdOf();
  Window w(id);
  if (Window::Active(w.Thread()).Id() != id || last_.hidden || last_.disabled) return;
  w.Post(scrollEvent, last_.number, keyCode);
}

void QtList::BarAction(int action) {
  if (Syncing()) return;
  int event = 0;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      event = kEventScrollUp;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      event = kEventScrollDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      event = kEventPageUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      event = kEventPageDown;
      break;
    case QAbstractSlider::SliderToMinimum:
      event = kEventScrollTop;
      break;
    case QAbstractSlider::SliderToMaximum:
      event = kEventScrollBottom;
      break;
    case QAbstractSlider::SliderMove:
      barDragged_ = true;  // the thumb follows the mouse; the drop reports it
      return;
    default:
      return;
  }
  // The thumb stays where the program put it; the program moves it after scrolling.
  bar_->setSliderPosition(last_.thumb);
  Scroll(event, kMouseLeft);
}

bool QtList::TakeKey(int keyCode) {
  bool rowKey = std::find(std::begin(kRowKeys), std::end(kRowKeys), keyCode) != std::end(kRowKeys);
  if (rowKey || keyCode == kKeyEnter) {
    (void)PressKey(WindowIdOf(), last_.number, keyCode);
    return true;
  }
  // Typed characters go to the program (an immediate list's locator); the table's own
  // keyboard search must not move its current row.
  if (KeyChar(keyCode) != 0) {
    (void)PressKey(WindowIdOf(), last_.number, keyCode);
    return true;
  }
  int key = keyCode & 0xFF;
  if (key == kKeyHome || key == kKeyEnd || key == kKeyLeft || key == kKeyRight ||
      (key >= '0' && key <= 'Z' && !(keyCode & (kCtrl | kAlt)))) {
    return true;
  }
  return QtControl::TakeKey(keyCode);
}

int QtList::ColumnAt(int x) const {
  int column = table_->columnAt(x);
  return column < 0 ? 0 : column + 1;
}

void QtList::PlaceEditors() {
  for (int col = 0; col < static_cast<int>(last_.columns.size()); ++col) {
    const int editor = last_.columns[col].editControl;
    if (editor == 0) continue;
    QWidget* w = window_.ControlWidget(editor);
    if (w == nullptr || w->parentWidget() == nullptr) continue;
    const int row = last_.choice - 1;
    if (row < 0 || row >= table_->rowCount()) continue;
    QRect cell = table_->visualRect(table_->model()->index(row, col));
    QPoint at = table_->viewport()->mapTo(w->parentWidget(), cell.topLeft());
    w->setGeometry(QRect(at, cell.size()));
    w->setFont(table_->font());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      Qt::Alignment align =
          col < static_cast<int>(alignments_.size()) ? alignments_[col] : Qt::AlignLeft;
      edit->setAlignment(align);
      edit->setFrame(false);
    }
    w->raise();
  }
}

int QtList::RowAt(int y) const {
  int row = table_->rowAt(y);
  return row < 0 ? 0 : row + 1;
}

bool QtList::MouseOnRows(QEvent* event) {
  WindowId id = WindowIdOf();
  int number = last_.number;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* m = static_cast<QMouseEvent*>(event);
      table_->setFocus(Qt::MouseFocusReason);
      int row = RowAt(m->position().toPoint().y());
      int column = ColumnAt(m->position().toPoint().x());
      if (m->button() == Qt::LeftButton && row > 0)
        (void)ClickRow(id, number, row, kMouseLeft, column);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* m = static_cast<QMouseEvent*>(event);
      int row = RowAt(m->position().toPoint().y());
      QtModalDialogs::NoteClick(m->globalPosition().toPoint());
      if (m->button() == Qt::RightButton)
        (void)ClickRow(id, number, row, kMouseRightUp, ColumnAt(m->position().toPoint().x()));
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      auto* m = static_cast<QMouseEvent*>(event);
      int row = RowAt(m->position().toPoint().y());
      int column = ColumnAt(m->position().toPoint().x());
      if (m->button() == Qt::LeftButton && row > 0)
        (void)ClickRow(id, number, row, kMouseLeft2, column);
      return true;
    }
    case QEvent::MouseMove:
      return true;  // no drag selection
    case QEvent::Wheel: {
      if (!last_.immediate) return false;
      auto* wheel = static_cast<QWheelEvent*>(event);
      int notches = wheel->angleDelta().y() / 120;
      int lines = std::abs(notches) * std::max(1, QApplication::wheelScrollLines());
      for (int i = 0; i < lines; ++i) Scroll(notches > 0 ? kEventScrollUp : kEventScrollDown, 0);
      return true;
    }
    default:
      return false;
  }
}

bool QtList::MouseOnHeader(QEvent* event) {
  if (event->type() != QEvent::MouseButtonDblClick) return false;
  auto* m = static_cast<QMouseEvent*>(event);
  if (m->button() == Qt::LeftButton) (void)ClickRow(WindowIdOf(), last_.number, 0, kMouseLeft2);
  return true;
}

void QtList::NoteKeyboardMenu() {
  // Below the highlighted row, where the eye is when the key is pressed; at the top of the
  // rows when none is highlighted.
  QWidget* viewport = table_->viewport();
  QPoint at(0, 0);
  int row = last_.choice - 1;
  if (row >= 0 && row < table_->rowCount()) {
    QRect rect = table_->visualRect(table_->model()->index(row, 0));
    at = QPoint(rect.left(), rect.bottom() + 1);
  }
  QtModalDialogs::NoteKeyboardMenu(viewport->mapToGlobal(at));
}

bool QtList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_ && event->type() == QEvent::KeyPress && !Syncing()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Menu ||
        (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
      NoteKeyboardMenu();
    }
  }
  if (!Syncing()) {
    // The viewports as they were at construction: while the table is being destroyed its
    // children still send events here, and the table must not be asked for them then.
    if (watched == rowsViewport_ && MouseOnRows(event)) return true;
    if (watched == headerViewport_ && MouseOnHeader(event)) return true;
  }
  return QtControl::eventFilter(watched, event);
}

}  // namespace kv
