#include "platform/qt/gui/QtStateDump.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include "platform/qt/gui/QtBackend.h"
#include "platform/qt/gui/QtControl.h"
#include "platform/qt/gui/QtList.h"
#include "platform/qt/gui/QtModalDialogs.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/window/EventHub.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

QString Quoted(const QString& text) {
  QString out = "\"";
  for (QChar c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

QString Quoted(const std::string& text) {
  return Quoted(QString::fromStdString(text));
}

QString Box(const QRect& r) {
  return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Where a widget lies on the screen; empty when it is not shown.
QRect OnScreen(const QWidget* w) {
  if (w == nullptr || !w->isVisible()) return {};
  return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

QRect OnScreen(const QWidget* w, const QRect& local) {
  if (w == nullptr || !w->isVisible() || local.isEmpty()) return {};
  return QRect(w->mapToGlobal(local.topLeft()), local.size());
}

const char* KindText(WindowKind kind) {
  switch (kind) {
    case WindowKind::kFrame:
      return "frame";
    case WindowKind::kFrameChild:
      return "child";
    default:
      return "ordinary";
  }
}

QString Flag(bool on) {
  return on ? QStringLiteral("1") : QStringLiteral("0");
}

// What a control's widget shows, and whether a button is drawn as the default one.
void WidgetState(QtControl* view, QString* shown, bool* looksDefault) {
  QWidget* w = view != nullptr ? view->Widget() : nullptr;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    *shown = edit->text();
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    *shown = button->text();
    if (auto* push = qobject_cast<QPushButton*>(w)) *looksDefault = push->isDefault();
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    *shown = label->text();
  }
}

// The screen rectangle of a tab of a sheet.
QRect TabOnScreen(QtWindow& view, const Control& tab) {
  QtControl* sheetView = view.ControlView(tab.parent);
  auto* tabs = sheetView != nullptr ? qobject_cast<QTabWidget*>(sheetView->Widget()) : nullptr;
  if (tabs == nullptr) return {};
  for (int i = 0; i < tabs->count(); ++i) {
    if (tabs->widget(i)->property("kvTab").toInt() == tab.number) {
      return OnScreen(tabs->tabBar(), tabs->tabBar()->tabRect(i));
    }
  }
  return {};
}

void ComposeMenu(QtWindow& view, const Control& c, QStringList* lines) {
  QAction* action = view.MenuAction(c.number);
  if (action == nullptr) return;
  bool open = false;
  bool active = false;
  QRect screen;
  if (c.kind == ControlKind::kMenu) {
    QMenu* menu = view.Menu(c.number);
    open = menu != nullptr && menu->isVisible();
  }
  if (QMenu* holder = view.Menu(c.parent)) {
    if (holder->isVisible()) {
      screen = OnScreen(holder, holder->actionGeometry(action));
      active = holder->activeAction() == action;
    }
  } else if (QMenuBar* bar = view.MenuBar()) {
    screen = OnScreen(bar, bar->actionGeometry(action));
    active = bar->activeAction() == action;
  }
  *lines << QStringLiteral(
                "%1 window=%2 number=%3 label=%4 text=%5 shown=%6 enabled=%7 open=%8 active=%9 "
                "screen=%10")
                .arg(c.kind == ControlKind::kMenu ? "menu" : "item")
                .arg(view.Id())
                .arg(c.number)
                .arg(Quoted(c.label), Quoted(c.text), Quoted(action->text()),
                     Flag(action->isEnabled()), Flag(open), Flag(active), Box(screen));
}

// A list's rows as the model holds them, with the screen rectangle of each row the widget
// shows (0,0,0,0 when scrolled out of sight), and which row is highlighted.
void ComposeListRows(WindowId id, int number, QtControl* control, QStringList* lines) {
  const Window w(id);
  auto* list = dynamic_cast<QtList*>(control);
  QTableWidget* table = list != nullptr ? list->Table() : nullptr;
  const int choice = w.Choice(number);
  for (int r = 1; r <= w.RowCount(number); ++r) {
    QStringList cells;
    for (const std::string& cell : w.Row(number, r))
      cells << QString::fromStdString(cell).trimmed();
    QRect at;
    if (table != nullptr && r - 1 < table->rowCount()) {
      QRect local = table->visualRect(table->model()->index(r - 1, 0));
      local.setLeft(0);
      local.setWidth(table->viewport()->width());
      if (local.intersects(table->viewport()->rect())) at = OnScreen(table->viewport(), local);
    }
    *lines << QStringLiteral("row window=%1 list=%2 number=%3 chosen=%4 text=%5 screen=%6")
                  .arg(id)
                  .arg(number)
                  .arg(r)
                  .arg(Flag(r == choice), Quoted(cells.join('|')), Box(at));
  }
}

void ComposeWindow(QtBackend& backend, WindowId id, QStringList* lines) {
  WindowSnapshot s = Window(id).Snapshot();
  QtWindow* view = backend.WindowView(id);
  if (s.id == 0 || view == nullptr) return;
  QWidget* top = view->TopLevel();
  bool active = false;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(top)) {
    active = sub->mdiArea() != nullptr && sub->mdiArea()->activeSubWindow() == sub &&
             QApplication::activeWindow() == sub->window();
  } else {
    active = top != nullptr && QApplication::activeWindow() == top;
  }
  int screenFocus = 0;
  QWidget* focus = QApplication::focusWidget();
  QRect screen = top != nullptr && top->isVisible()
                     ? (top->isWindow() ? top->frameGeometry() : OnScreen(top))
                     : QRect();
  QStringList controls;
  for (const Control& c : s.controls) {
    if (c.number == 0 || c.kind == ControlKind::kMenuBar || c.kind == ControlKind::kSeparator) {
      continue;
    }
    if (c.kind == ControlKind::kMenu || c.kind == ControlKind::kMenuItem) {
      ComposeMenu(*view, c, &controls);
      continue;
    }
    QtControl* control = view->ControlView(c.number);
    if (control != nullptr && focus != nullptr && control->FocusWidget() == focus) {
      screenFocus = c.number;
    }
    QString shown;
    bool looksDefault = false;
    WidgetState(control, &shown, &looksDefault);
    auto* edit = control != nullptr ? qobject_cast<QLineEdit*>(control->Widget()) : nullptr;
    bool masked = edit != nullptr && edit->echoMode() != QLineEdit::Normal;
    QWidget* w = control != nullptr ? control->Widget() : nullptr;
    QRect at = c.kind == ControlKind::kTab ? TabOnScreen(*view, c) : OnScreen(w);
    controls << QStringLiteral(
                    "control window=%1 number=%2 label=%3 kind=%4 text=%5 shown=%6 focused=%7 "
                    "enabled=%8 visible=%9 checked=%10 default=%11 looksdefault=%12 "
                    "password=%13 screen=%14")
                    .arg(id)
                    .arg(c.number)
                    .arg(Quoted(c.label), QString(ControlKindName(c.kind)).replace(' ', '-'),
                         Quoted(c.text), Quoted(shown), Flag(s.focus == c.number),
                         Flag(!c.disabled), Flag(w != nullptr ? w->isVisible() : !c.hidden),
                         Flag(c.checked), Flag(c.isDefault), Flag(looksDefault), Flag(masked),
                         Box(at));
    if (c.kind == ControlKind::kList) ComposeListRows(id, c.number, control, &controls);
  }
  *lines << QStringLiteral(
                "window id=%1 caption=%2 kind=%3 thread=%4 active=%5 focus=%6 screenfocus=%7 "
                "requests=%8 rect=%9 screen=%10 xid=")
                    .arg(id)
                    .arg(Quoted(s.caption), KindText(s.kind))
                    .arg(s.thread)
                    .arg(Flag(active))
                    .arg(s.focus)
                    .arg(screenFocus)
                    .arg(s.focusRequests)
                    .arg(Box(QRect(s.rect.x, s.rect.y, s.rect.width, s.rect.height)), Box(screen)) +
                QString::number(top != nullptr
                                    ? static_cast<qulonglong>(top->window()->internalWinId())
                                    : 0ULL);
  *lines << controls;
}

void ComposeModals(QtBackend& backend, QStringList* lines) {
  for (QWidget* w : backend.Dialogs().Shown()) {
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      *lines << QStringLiteral("message text=%1 title=%2 screen=%3")
                    .arg(Quoted(box->text()), Quoted(box->windowTitle()), Box(OnScreen(box)));
      for (QAbstractButton* b : box->buttons()) {
        auto* push = qobject_cast<QPushButton*>(b);
        *lines << QStringLiteral("button of=message text=%1 default=%2 screen=%3")
                      .arg(Quoted(b->text()), Flag(push != nullptr && push->isDefault()),
                           Box(OnScreen(b)));
      }
    } else if (auto* menu = qobject_cast<QMenu*>(w)) {
      *lines << QStringLiteral("popup screen=%1").arg(Box(OnScreen(menu)));
      for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        *lines << QStringLiteral("button of=popup text=%1 default=%2 screen=%3")
                      .arg(Quoted(a->text()), Flag(menu->activeAction() == a),
                           Box(OnScreen(menu, menu->actionGeometry(a))));
      }
    }
  }
}

}  // namespace

QtStateDump::QtStateDump(QtBackend& backend, std::string path)
    : backend_(backend), path_(QString::fromStdString(path)), timer_(new QTimer(this)) {
  // Often enough that a test waiting for an answer waits little; the work is skipped while
  // the program is busy and the text is compared before anything is written.
  timer_->setInterval(10);
  QObject::connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  timer_->start();
}

QtStateDump::~QtStateDump() = default;

QString QtStateDump::Compose() const {
  QStringList lines;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect a = screen->availableGeometry();
    lines << QStringLiteral("screen %1 %2 %3 %4")
                 .arg(a.x())
                 .arg(a.y())
                 .arg(a.width())
                 .arg(a.height());
  }
  for (WindowId id : Window::OpenWindows()) ComposeWindow(backend_, id, &lines);
  ComposeModals(backend_, &lines);
  lines << QStringLiteral("beeps %1").arg(backend_.BeepCount());
  return lines.join('\n') + '\n';
}

void QtStateDump::Tick() {
  QFile request(path_ + ".shot");
  if (request.exists() && request.open(QIODevice::ReadOnly)) {
    QString target = QString::fromUtf8(request.readAll()).trimmed();
    request.close();
    if (QScreen* screen = QGuiApplication::primaryScreen())
      (void)screen->grabWindow(0).save(target);
    request.remove();
  }
  if (!backend_.GuiIdle() || !EventHub::Instance().IsSettled()) return;
  QString text = Compose();
  if (text == last_) return;
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly)) return;
  QString head = QStringLiteral("korvandel-state 1\nserial %1\n").arg(serial_ + 1);
  file.write((head + text).toUtf8());
  if (!file.commit()) return;
  ++serial_;
  last_ = text;
}

}  // namespace kv
