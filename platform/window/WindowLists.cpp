// List, sheet, run-time control and window-event-handler operations of Window.
#include <algorithm>

#include "platform/window/ControlAccess.h"
#include "platform/window/Window.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

WindowModel& M() {
  return WindowModel::Instance();
}

using control_access::ChangeControl;
using control_access::ReadControl;

// Column `column` (from 1) of a control, or null.
ListColumn* ColumnOf(Control& c, int column) {
  if (column < 1 || column > static_cast<int>(c.columns.size())) return nullptr;
  return &c.columns[column - 1];
}

int ComputedVisibleRows(const Control& c) {
  if (c.visibleRows >= 0) return c.visibleRows;
  bool header = std::any_of(c.columns.begin(), c.columns.end(),
                            [](const ListColumn& col) { return !col.header.empty(); });
  int usable = c.rect.height - (header ? kListRowHeight : 0);
  return std::max(0, usable / kListRowHeight);
}

}  // namespace

std::string Window::ListFormatString(int control) const {
  return ReadControl(id_, control, std::string(), [](const Control& c) { return c.format; });
}
void Window::SetListFormat(int control, std::string format) {
  ChangeControl(id_, control, [&](Control& c) {
    c.format = std::move(format);
    (void)ParseListFormat(c.format, &c.columns);  // a bad format keeps the columns it could read
  });
}
std::vector<ListColumn> Window::Columns(int control) const {
  return ReadControl(id_, control, std::vector<ListColumn>(),
                     [](const Control& c) { return c.columns; });
}
void Window::SetColumnPicture(int control, int column, std::string picture) {
  ChangeControl(id_, control, [&](Control& c) {
    if (ListColumn* col = ColumnOf(c, column)) col->picture = std::move(picture);
  });
}
void Window::SetColumnWidth(int control, int column, int width) {
  ChangeControl(id_, control, [&](Control& c) {
    if (ListColumn* col = ColumnOf(c, column)) col->width = width;
  });
}
void Window::SetColumnEditControl(int control, int column, int editControl) {
  ChangeControl(id_, control, [&](Control& c) {
    if (ListColumn* col = ColumnOf(c, column)) col->editControl = editControl;
  });
}
int Window::ColumnEditControl(int control, int column) const {
  return ReadControl(id_, control, 0, [&](const Control& c) {
    return (column >= 1 && column <= static_cast<int>(c.columns.size()))
               ? c.columns[column - 1].editControl
               : 0;
  });
}
void Window::SetColumnTextColor(int control, int column, int color) {
  ChangeControl(id_, control, [&](Control& c) {
    if (ListColumn* col = ColumnOf(c, column)) col->textColor = color;
  });
}
void Window::SetListSource(int control, std::shared_ptr<ListSource> source) {
  M().With(id_, [&](WindowState& w) {
    if (Control* c = w.Find(control)) c->source = std::move(source);
  });
}
int Window::RowCount(int control) const {
  return ReadControl(id_, control, 0,
                     [](const Control& c) { return static_cast<int>(c.rows.size()); });
}
std::vector<std::string> Window::Row(int control, int row) const {
  return ReadControl(id_, control, std::vector<std::string>(), [&](const Control& c) {
    return (row >= 1 && row <= static_cast<int>(c.rows.size())) ? c.rows[row - 1]
                                                                : std::vector<std::string>();
  });
}
int Window::Choice(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return c.choice; });
}
void Window::SetChoice(int control, int row) {
  ChangeControl(id_, control, [&](Control& c) { c.choice = std::max(0, row); });
}
int Window::VisibleRows(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return ComputedVisibleRows(c); });
}
void Window::SetVisibleRows(int control, int rows) {
  ChangeControl(id_, control, [&](Control& c) { c.visibleRows = rows < 0 ? -1 : rows; });
}
int Window::Thumb(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return c.thumb; });
}
void Window::SetThumb(int control, int position) {
  ChangeControl(id_, control, [&](Control& c) { c.thumb = std::clamp(position, 0, 100); });
}
int Window::LastClickRow(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return c.lastClickRow; });
}
int Window::LastClickColumn(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return c.lastClickColumn; });
}
int Window::LastDoubleClickArea(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return c.lastDoubleClickArea; });
}
int Window::SelectedTab(int control) const {
  return ReadControl(id_, control, 0, [](const Control& c) { return c.selectedTab; });
}

int Window::CreateControl(ControlKind kind, int parent, std::string label) {
  int number = 0;
  M().With(id_, [&](WindowState& w) {
    Control c;
    c.kind = kind;
    c.number = number = w.nextCreated++;
    c.parent = parent;
    c.label = std::move(label);
    c.created = true;
    w.controls.push_back(std::move(c));
  });
  if (number != 0) M().ReportChange(id_, number);
  return number;
}

void Window::DestroyControl(int control) {
  bool removed = false;
  M().With(id_, [&](WindowState& w) {
    auto before = w.controls.size();
    std::erase_if(w.controls, [&](const Control& c) { return c.number == control; });
    removed = w.controls.size() != before;
    if (w.focus == control) w.focus = 0;
    for (Control& c : w.controls) {
      for (ListColumn& col : c.columns) {
        if (col.editControl == control) col.editControl = 0;
      }
    }
  });
  if (removed) M().ReportChange(id_, 0);
}

int Window::Register(int eventCode, WindowEventHandler handler) {
  static std::atomic<int> nextId{1};
  int id = nextId++;
  M().With(id_, [&](WindowState& w) {
    w.handlers.push_back(WindowState::Handler{id, eventCode, std::move(handler)});
  });
  return id;
}

void Window::Unregister(int id) {
  M().With(id_, [&](WindowState& w) {
    std::erase_if(w.handlers, [id](const WindowState::Handler& h) { return h.id == id; });
  });
}

std::vector<WindowEventHandler> Window::HandlersFor(int eventCode) const {
  std::vector<WindowEventHandler> out;
  M().Read(id_, [&](const WindowState& w) {
    for (const auto& h : w.handlers) {
      if (h.code == eventCode) out.push_back(h.fn);
    }
  });
  return out;
}

}  // namespace kv
