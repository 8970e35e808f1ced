#include "platform/qt/gui/QtModalDialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <map>

#include "platform/qt/gui/QtIcons.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/EventHub.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

constexpr std::pair<int, QMessageBox::StandardButton> kButtons[] = {
    {kButtonOk, QMessageBox::Ok},         {kButtonYes, QMessageBox::Yes},
    {kButtonNo, QMessageBox::No},         {kButtonAbort, QMessageBox::Abort},
    {kButtonRetry, QMessageBox::Retry},   {kButtonIgnore, QMessageBox::Ignore},
    {kButtonCancel, QMessageBox::Cancel}, {kButtonHelp, QMessageBox::Help},
};

QMessageBox::Icon BoxIcon(std::uint32_t icon) {
  if (icon == 0) return QMessageBox::NoIcon;
  switch (icon >> 16) {
    case 32513:  // hand
      return QMessageBox::Critical;
    case 32514:  // question
      return QMessageBox::Question;
    case 32515:  // exclamation
      return QMessageBox::Warning;
    default:
      return QMessageBox::Information;
  }
}

QPoint gMenuPlace;  // GUI thread only: the last click, or the place below a list's row
bool gHavePlace = false;

bool OnGuiThread() {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// The value a box answers when it is closed without a button (Escape, close box): Cancel,
// else No, else the only button, else the default button.
int CloseValue(const MessageBoxRequest& r) {
  if (r.buttons & kButtonCancel) return kButtonCancel;
  if (r.buttons & kButtonNo) return kButtonNo;
  if ((r.buttons & (r.buttons - 1)) == 0 && r.buttons != 0) return r.buttons;
  return r.defaultButton;
}

}  // namespace

QtModalDialogs::QtModalDialogs(QObject* context, std::function<QWidget*(WindowId)> parentFor,
                               PlaceFunction placeIn)
    : context_(context),
      parentFor_(std::move(parentFor)),
      placeIn_(std::move(placeIn)),
      lock_(EventHub::Instance().Lock()) {}

QtModalDialogs::~QtModalDialogs() = default;

void QtModalDialogs::NoteClick(const QPoint& global) {
  gMenuPlace = global;
  gHavePlace = true;
}

void QtModalDialogs::NoteKeyboardMenu(const QPoint& global) {
  gMenuPlace = global;
  gHavePlace = true;
}

QPoint QtModalDialogs::DefaultMenuPlace() {
  return gHavePlace ? gMenuPlace : QCursor::pos();
}

int QtModalDialogs::ShowMessageBox(const MessageBoxRequest& request) {
  auto r = std::make_shared<Request>();
  r->message = request;
  if (r->message.buttons == 0) r->message.buttons = kButtonOk;
  return Ask(std::move(r));
}

int QtModalDialogs::ShowPopupMenu(const PopupMenuRequest& request) {
  auto r = std::make_shared<Request>();
  r->isMenu = true;
  r->menu = request;
  return Ask(std::move(r));
}

int QtModalDialogs::Ask(RequestPtr r) {
  r->thread = CurrentThread();
  r->window = r->thread != 0 ? Window::Active(r->thread).Id() : 0;
  if (OnGuiThread()) {
    // Nothing else could answer a request of the GUI thread: the widget runs its own loop.
    QWidget* widget =
        r->isMenu ? BuildMenu(r, parentFor_(r->window)) : BuildMessageBox(r, parentFor_(r->window));
    if (auto* box = qobject_cast<QMessageBox*>(widget)) {
      box->exec();
    } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
      menu->exec(MenuPlace(r->menu, r->window));
    }
    return r->answer;
  }
  std::unique_lock lock(lock_);
  if (quit_) return 0;
  requests_.push_back(r);
  history_.push_back(r);
  ++pendingShows_;
  QMetaObject::invokeMethod(
      context_, [this, r] { Show(r); }, Qt::QueuedConnection);
  EventHub::Instance().WaitIdle(lock, [&] { return r->answered || quit_; });
  requests_.remove(r);
  return r->answered ? r->answer : 0;
}

void QtModalDialogs::Show(const RequestPtr& r) {
  {
    std::lock_guard lock(lock_);
    if (quit_ || r->answered) {
      --pendingShows_;
      return;
    }
  }
  QWidget* parent = parentFor_(r->window);
  QWidget* widget = r->isMenu ? BuildMenu(r, parent) : BuildMessageBox(r, parent);
  r->widget = widget;
  if (auto* menu = qobject_cast<QMenu*>(widget)) {
    menu->popup(MenuPlace(r->menu, r->window));
  } else {
    widget->show();
    widget->raise();
    widget->activateWindow();
  }
  std::lock_guard lock(lock_);
  --pendingShows_;
}

QWidget* QtModalDialogs::BuildMessageBox(const RequestPtr& r, QWidget* parent) {
  const MessageBoxRequest& m = r->message;
  auto* box = new QMessageBox(parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  box->setWindowTitle(QString::fromStdString(m.caption));
  box->setText(QString::fromStdString(m.text).replace('|', '\n'));
  box->setTextFormat(Qt::PlainText);
  box->setIcon(BoxIcon(m.icon));
  for (const auto& [value, standard] : kButtons) {
    if (!(m.buttons & value)) continue;
    QPushButton* b = box->addButton(standard);
    b->setProperty("kvButton", value);
    if (value == m.defaultButton) box->setDefaultButton(b);
  }
  QObject::connect(box, &QMessageBox::finished, box, [this, r, box](int) {
    QAbstractButton* clicked = box->clickedButton();
    int value = clicked != nullptr ? clicked->property("kvButton").toInt() : 0;
    Answer(r, value != 0 ? value : CloseValue(r->message));
    // The keyboard goes back to the window the box was shown over (a window manager would
    // do so; without one nobody else does).
    if (QWidget* over = box->parentWidget()) over->window()->activateWindow();
  });
  return box;
}

QPoint QtModalDialogs::MenuPlace(const PopupMenuRequest& menu, WindowId window) {
  QPoint at = DefaultMenuPlace();
  if (menu.x > 0 || menu.y > 0) {
    QPoint given;
    if (placeIn_ && placeIn_(window, std::max(menu.x, 0), std::max(menu.y, 0), &given)) {
      if (menu.x > 0) at.setX(given.x());
      if (menu.y > 0) at.setY(given.y());
    }
  }
  return at;
}

QWidget* QtModalDialogs::BuildMenu(const RequestPtr& r, QWidget* parent) {
  auto* root = new QMenu(parent);
  std::map<int, QMenu*> menus{{1, root}};
  for (const MenuEntry& e : ParseMenuDefinition(r->menu.definition)) {
    QMenu* into = root;
    for (int d = e.depth; d >= 1; --d) {
      if (auto it = menus.find(d); it != menus.end()) {
        into = it->second;
        break;
      }
    }
    menus.erase(menus.upper_bound(e.depth), menus.end());  // deeper levels are closed
    QString text = QString::fromStdString(e.text);
    QIcon icon = e.showIcon ? IconFor(e.icon) : QIcon();
    if (e.separator) {
      into->addSeparator();
    } else if (e.submenu) {
      QMenu* sub = into->addMenu(icon, text);
      sub->setEnabled(!e.disabled);
      menus[e.depth + 1] = sub;
    } else {
      QAction* a = into->addAction(icon, text);
      a->setEnabled(!e.disabled);
      if (e.checked || e.unchecked) {
        a->setCheckable(true);
        a->setChecked(e.checked);
      }
      a->setData(e.number);
    }
  }
  QObject::connect(root, &QMenu::triggered, root, [this, r](QAction* a) {
    if (a->data().toInt() > 0) Answer(r, a->data().toInt());
  });
  // A chosen item is reported after the menu hides; the dismissal waits for that moment.
  QObject::connect(root, &QMenu::aboutToHide, root, [this, r, root] {
    QPointer<QMenu> menu(root);
    QTimer::singleShot(0, context_, [this, r, menu] {
      Answer(r, 0);
      if (menu) menu->deleteLater();
    });
  });
  return root;
}

void QtModalDialogs::Answer(const RequestPtr& r, int answer) {
  std::lock_guard lock(lock_);
  if (r->answered) return;
  r->answered = true;
  r->answer = answer;
  if (r->thread != 0) EventHub::Instance().WakeIdle(r->thread);
}

void QtModalDialogs::Quit() {
  std::vector<RequestPtr> open;
  {
    std::lock_guard lock(lock_);
    quit_ = true;
    for (const RequestPtr& r : requests_) {
      if (r->thread != 0) EventHub::Instance().WakeIdle(r->thread);
      open.push_back(r);
    }
  }
  QMetaObject::invokeMethod(
      context_,
      [open] {
        for (const RequestPtr& r : open) {
          if (r->widget) r->widget->close();
        }
      },
      Qt::QueuedConnection);
}

std::vector<QtModalDialogs::Record> QtModalDialogs::History() {
  std::lock_guard lock(lock_);
  std::vector<Record> out;
  for (const RequestPtr& r : history_) {
    out.push_back(Record{r->isMenu, r->message, r->menu, r->answered, r->answer});
  }
  return out;
}

QWidget* QtModalDialogs::OldestWaiting() {
  std::vector<RequestPtr> copy;
  {
    std::lock_guard lock(lock_);
    for (const RequestPtr& r : history_) {
      if (!r->answered) copy.push_back(r);
    }
  }
  for (const RequestPtr& r : copy) {
    if (r->widget) return r->widget.data();
  }
  return nullptr;
}

int QtModalDialogs::PendingShows() {
  std::lock_guard lock(lock_);
  return pendingShows_;
}

std::vector<QWidget*> QtModalDialogs::Shown() {
  std::vector<RequestPtr> copy;
  {
    std::lock_guard lock(lock_);
    copy.assign(requests_.begin(), requests_.end());
  }
  std::vector<QWidget*> out;
  for (const RequestPtr& r : copy) {
    if (r->widget && r->widget->isVisible() && !r->answered) out.push_back(r->widget.data());
  }
  return out;
}

QMessageBox* QtModalDialogs::LastMessageBox() {
  QMessageBox* last = nullptr;
  for (QWidget* w : Shown()) {
    if (auto* box = qobject_cast<QMessageBox*>(w)) last = box;
  }
  return last;
}

QMenu* QtModalDialogs::LastMenu() {
  QMenu* last = nullptr;
  for (QWidget* w : Shown()) {
    if (auto* menu = qobject_cast<QMenu*>(w)) last = menu;
  }
  return last;
}

int QtModalDialogs::ButtonValue(QMessageBox* box, QWidget* button) {
  for (QAbstractButton* b : box->buttons()) {
    if (b == button) return b->property("kvButton").toInt();
  }
  return 0;
}

QWidget* QtModalDialogs::ButtonFor(QMessageBox* box, int value) {
  for (QAbstractButton* b : box->buttons()) {
    if (b->property("kvButton").toInt() == value) return b;
  }
  return nullptr;
}

}  // namespace kv
