#pragma once

#include <QFrame>
#include <QScrollBar>
#include <QTableWidget>
#include <vector>

#include "platform/qt/gui/QtControl.h"

namespace kv {

// A list control: a table of the rows the model holds, with the columns of its format string
// (widths in dialog units, alignment, headers, resizable columns) and a scroll bar.
//
// The widget never moves the highlight or scrolls by itself: every key, click and wheel turn
// goes to the window platform's gestures, and the widget then shows what the model says. An
// immediate list shows exactly the rows of its source (one page) and reports scroll requests
// instead of scrolling: Up and Down (also at the edges), Page Up and Page Down, Ctrl+Home and
// Ctrl+End, the wheel and the scroll bar's arrows and track raise the scroll events, and
// dropping the scroll bar's thumb raises the drag event with the position 0..100 (the program
// sets the thumb the same way). A list that is not immediate shows all its rows with its own
// scroll bar and the keys move the highlight.
//
// Rows and the header are exactly kListRowHeight dialog units high, so the number of rows
// that fit is the one the model computes from the control's height. Mouse: a left click
// highlights the row under it, a double click accepts (rows) or reports the headers area, a
// right click records the row under the mouse (and the column of any click); keys and clicks in the
// alert table raise the alert-key event. The context-menu key (or Shift+F10) makes a pop-up menu
// opened at the default place appear just below the highlighted row. Thread: the GUI thread.
class QtList final : public QtControl {
 public:
  QtList(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return frame_; }
  QWidget* FocusWidget() const override { return table_; }
  QTableWidget* Table() const { return table_; }
  QScrollBar* Bar() const { return bar_; }
  // Rows fully visible in the table's viewport.
  int FittingRows() const;
  // Puts each control that stands in a column's edit slot exactly over that column's cell of
  // the highlighted row, with the list's font and the column's alignment, above the list.
  void PlaceEditors();

 protected:
  void SyncOwn(const Control& control, bool first) override;
  bool TakeKey(int keyCode) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Layout();
  void SyncColumns(const Control& c);
  void SyncRows(const Control& c);
  void Scroll(int scrollEvent, int keyCode);
  void BarAction(int action);
  int RowAt(int y) const;     // row from 1 under a viewport position, 0 for none
  int ColumnAt(int x) const;  // column from 1 under a viewport position, 0 for none
  bool MouseOnRows(QEvent* event);
  bool MouseOnHeader(QEvent* event);
  void NoteKeyboardMenu();  // the context-menu key: a menu opened now goes below the row

  QFrame* frame_;
  QTableWidget* table_;
  QScrollBar* bar_;
  QObject* rowsViewport_ = nullptr;    // watched for the mouse on the rows
  QObject* headerViewport_ = nullptr;  // and on the column headers
  std::vector<Qt::Alignment> alignments_;
  std::string format_;  // the format the columns were built from
  bool barDragged_ = false;
};

}  // namespace kv
