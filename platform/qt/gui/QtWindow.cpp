#include "platform/qt/gui/QtWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "platform/qt/gui/QtControl.h"
#include "platform/qt/gui/QtIcons.h"
#include "platform/qt/gui/QtList.h"
#include "platform/qt/gui/QtSimpleControls.h"
#include "platform/window/UserInput.h"

namespace kv {
namespace {

// The letter after a single "&" of a menu text (lower case); null when it has none.
QChar MnemonicOf(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return text[i + 1].toLower();
  }
  return QChar();
}

// `text` with "&" before its first letter or digit that is not in `used` (which then holds
// it); unchanged when every one is taken.
QString AddMnemonic(const QString& text, std::set<QChar>& used) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar c = text[i].toLower();
    if (!c.isLetterOrNumber() || used.count(c)) continue;
    used.insert(c);
    QString out = text;
    return out.insert(i, '&');
  }
  return text;
}

// Lets the keyboard reach a menu bar as on other desktops: Alt pressed and released alone
// highlights its first menu, so that the arrows and Enter choose from it.
class MenuBarKeyboardStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_MenuBar_AltKeyNavigation) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
  // The menu the keyboard is on is drawn highlighted even before it is opened.
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_MenuBarItem && (option->state & State_Selected)) {
      if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
        QStyleOptionMenuItem copy(*item);
        copy.state |= State_Sunken;
        QProxyStyle::drawControl(element, &copy, painter, widget);
        return;
      }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

QStyle* MenuBarStyle(QObject* owner) {
  auto* style = new MenuBarKeyboardStyle;
  style->setParent(owner);
  return style;
}

bool IsMenuKind(ControlKind kind) {
  return kind == ControlKind::kMenuBar || kind == ControlKind::kMenu ||
         kind == ControlKind::kMenuItem || kind == ControlKind::kSeparator;
}

// Marks the widgets as being changed by the backend for the life of the guard.
class SyncGuard {
 public:
  explicit SyncGuard(int& depth) : depth_(depth) { ++depth_; }
  ~SyncGuard() { --depth_; }

 private:
  int& depth_;
};

}  // namespace

QtWindow::QtWindow(const WindowSnapshot& s, QMdiArea* frameArea, QWidget* owner)
    : id_(s.id), thread_(s.thread), kind_(s.kind) {
  SyncGuard guard(syncing_);
  QFont font = WindowFont(s.font);
  units_ = DialogUnits(font);
  content_ = new QWidget;
  content_->setFont(font);
  content_->installEventFilter(this);
  bool hasMenus = std::any_of(s.controls.begin(), s.controls.end(),
                              [](const Control& c) { return IsMenuKind(c.kind); });
  if (kind_ == WindowKind::kFrame) {
    frame_ = new QMainWindow;
    frame_->setFont(font);
    area_ = new QMdiArea;
    area_->setViewMode(QMdiArea::SubWindowView);
    // Controls of the frame itself (rare) sit in a strip above the document area.
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content_);
    layout->addWidget(area_, 1);
    frame_->setCentralWidget(central);
    BuildMenus(s, frame_->menuBar());
    body_ = central;
    body_->installEventFilter(this);
    int strip = 0;
    for (const Control& c : s.controls) {
      if (!IsMenuKind(c.kind)) strip = std::max(strip, units_.Y(c.rect.y + c.rect.height) + 2);
    }
    content_->setFixedHeight(strip);
    top_ = frame_;
  } else {
    body_ = new QWidget;
    body_->setFont(font);
    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (hasMenus) {
      auto* bar = new QMenuBar(body_);
      layout->setMenuBar(bar);
      BuildMenus(s, bar);
    }
    layout->addWidget(content_, 1);
    if (kind_ == WindowKind::kFrameChild && frameArea != nullptr) {
      sub_ = new QMdiSubWindow;
      sub_->setWidget(body_);
      frameArea->addSubWindow(sub_);
      sub_->resize(400, 300);
      if (sub_->layout()) sub_->layout()->activate();
      decoration_ = sub_->size() - body_->size();
      top_ = sub_;
    } else {
      Qt::WindowFlags flags = kind_ == WindowKind::kTool ? Qt::Tool : Qt::Dialog;
      if (owner != nullptr) {
        body_->setParent(owner->window(), flags);
      } else {
        body_->setWindowFlags(kind_ == WindowKind::kTool ? Qt::Tool : Qt::Window);
      }
      top_ = body_;
    }
  }
  top_->installEventFilter(this);
  for (const Control& c : s.controls) {
    if (!IsMenuKind(c.kind) && c.number != 0) AddControl(c);
  }
  // A prompt's mnemonic focuses the entry right after it.
  for (auto& [number, view] : controls_) {
    auto* prompt = dynamic_cast<QtPrompt*>(view.get());
    auto next = controls_.find(number + 1);
    if (prompt && next != controls_.end() && next->second->Kind() == ControlKind::kEntry) {
      prompt->SetBuddy(next->second->Widget());
    }
  }
  SyncWindow(s);
  for (const Control& c : s.controls) {
    if (c.number != 0) SyncControl(c.number, &c);
  }
  // Placed and sized before it is shown (a window moved after it was mapped may lose the
  // keyboard to the window system), then again once its frame is known.
  if (sub_ == nullptr) ApplyGeometry(s, true);
  ++placingFocus_;
  top_->show();
  if (sub_ != nullptr) decoration_ = sub_->size() - body_->size();
  ApplyGeometry(s, true);
  if (sub_ != nullptr && (s.rect.x != 0 || s.rect.y != 0)) {
    // The frame's area places a child it shows beside the others; a child with a place of its
    // own (restored, or cascaded over its list) goes there instead.
    SyncGuard guard(syncing_);
    sub_->move(units_.X(s.rect.x), units_.Y(s.rect.y));
  }
  ApplyState(s);
  if (kind_ == WindowKind::kTool && owner != nullptr && s.rect.x == 0 && s.rect.y == 0) {
    PlaceBeside(owner->window());
  } else if (owner != nullptr && sub_ == nullptr && s.rect.x == 0 && s.rect.y == 0) {
    // A window shown over another that gives no position of its own appears centred on it.
    QRect over = owner->window()->frameGeometry();
    QSize size = top_->frameGeometry().size();
    top_->move(over.center() - QPoint(size.width() / 2, size.height() / 2));
  }
  // A window that opens takes the keyboard, as on any desktop (a tool window leaves it with its
  // owner); the focus inside it is the one the program asked for, once it asks.
  if (kind_ != WindowKind::kTool) Activate();
  if (s.focusRequests > 0) {
    if (QtControl* view = ControlView(s.requestedFocus)) {
      view->FocusWidget()->setFocus(Qt::OtherFocusReason);
    }
  }
  --placingFocus_;
  // A window whose program chose no control leaves the keyboard where Qt put it, and the
  // model learns where that is.
  if (Window(id_).Focus() == 0) {
    if (const int shown = FocusedControl(); shown != 0) (void)FocusTo(id_, shown);
  }
}

void QtWindow::PlaceBeside(QWidget* owner) {
  SyncGuard guard(syncing_);
  QRect frame = owner->frameGeometry();
  QPoint at = frame.topRight() + QPoint(8, 0);
  if (QScreen* screen = owner->screen()) {
    QRect area = screen->availableGeometry();
    QSize size = top_->frameGeometry().size();
    if (at.x() + size.width() > area.right()) at.setX(std::max(area.left(), frame.left()));
    if (at.x() == frame.left()) at.setY(frame.bottom() + 8);  // no room beside: below
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
  }
  top_->move(at);
}

void QtWindow::Activate() {
  if (!top_) return;
  if (sub_ != nullptr) {
    // The area gives an activated child's keyboard to its first widget (a sheet's tabs); the
    // control the program selected keeps it. That control is read before the area moves the
    // keyboard, and the area's move is not reported as the person's.
    const int focus = last_.id != 0 ? Window(last_.id).Focus() : 0;
    ++placingFocus_;
    if (QMdiArea* area = sub_->mdiArea()) area->setActiveSubWindow(sub_);
    if (QtControl* view = ControlView(focus)) view->FocusWidget()->setFocus(Qt::OtherFocusReason);
    --placingFocus_;
    return;
  }
  top_->raise();
  top_->activateWindow();
}

int QtWindow::FocusedControl() const {
  if (!top_) return 0;
  QWidget* focus = top_->focusWidget();
  if (focus == nullptr) return 0;
  for (const auto& [number, view] : controls_) {
    if (view->FocusWidget() == focus) return number;
  }
  return 0;
}

void QtWindow::SetFocusedButton(int number) {
  if (focusedButton_ == number) return;
  focusedButton_ = number;
  for (auto& [n, view] : controls_) {
    if (auto* button = dynamic_cast<QtButton*>(view.get())) button->ShowDefault();
  }
}

void QtWindow::CommitFocusedEntry() {
  if (auto* entry = dynamic_cast<QtEntry*>(ControlView(FocusedControl()))) entry->Commit(false);
}

QtWindow::~QtWindow() {
  closing_ = true;
  controls_.clear();
  if (sub_ != nullptr && sub_->mdiArea() != nullptr) sub_->mdiArea()->removeSubWindow(sub_);
  delete top_.data();
}

QWidget* QtWindow::TopLevel() const {
  return top_.data();
}
QWidget* QtWindow::Content() const {
  return content_;
}
QMdiArea* QtWindow::DocumentArea() const {
  return area_;
}
QWidget* QtWindow::ControlWidget(int number) const {
  if (QtControl* view = ControlView(number)) return view->Widget();
  return nullptr;
}
QAction* QtWindow::MenuAction(int number) const {
  auto it = menuActions_.find(number);
  return it == menuActions_.end() ? nullptr : it->second;
}
QtControl* QtWindow::ControlView(int number) const {
  if (closing_) return nullptr;
  auto it = controls_.find(number);
  return it == controls_.end() ? nullptr : it->second.get();
}

QMenu* QtWindow::Menu(int number) const {
  auto it = menus_.find(number);
  return it == menus_.end() ? nullptr : it->second;
}

void QtWindow::BuildMenus(const WindowSnapshot& s, QMenuBar* bar) {
  bar_ = bar;
  // A bar reached from the keyboard: Alt alone and F10 as on other desktops (MenuBarStyle).
  bar->setStyle(MenuBarStyle(bar));
  // Menus and items with their own mark keep it; the others get a free letter among their
  // neighbours, the ones with marks first so that an explicit mark is never taken away.
  std::vector<const Control*> entries;
  for (const Control& c : s.controls) {
    if (c.kind == ControlKind::kMenu || c.kind == ControlKind::kMenuItem) {
      entries.push_back(&c);
      menuParents_[c.number] = c.parent;
    }
  }
  for (const Control* c : entries) {
    QString text = QString::fromStdString(c->text);
    if (!MnemonicOf(text).isNull()) menuShown_[c->number] = text;
  }
  for (const Control* c : entries) {
    if (!menuShown_.count(c->number)) menuShown_[c->number] = MenuText(c->number, c->text);
  }
  for (const Control& c : s.controls) {
    QMenu* into = c.parent != 0 && menus_.count(c.parent) ? menus_[c.parent] : nullptr;
    QAction* action = nullptr;
    switch (c.kind) {
      case ControlKind::kMenu: {
        QString text = menuShown_[c.number];
        QMenu* menu = into != nullptr ? into->addMenu(text) : bar->addMenu(text);
        menus_[c.number] = menu;
        action = menu->menuAction();
        break;
      }
      case ControlKind::kMenuItem: {
        QString text = menuShown_[c.number];
        action = into != nullptr ? into->addAction(text) : bar->addAction(text);
        QObject::connect(action, &QAction::triggered, this, [this, number = c.number] {
          if (Syncing()) return;
          CommitFocusedEntry();
          (void)Press(id_, number);
        });
        break;
      }
      case ControlKind::kSeparator:
        if (into != nullptr) {
          into->addSeparator();
        } else {
          bar->addSeparator();
        }
        break;
      default:
        break;
    }
    if (action != nullptr && c.number != 0) menuActions_[c.number] = action;
  }
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar->window());
  f10->setContext(Qt::WindowShortcut);
  QObject::connect(f10, &QShortcut::activated, this, [this] {
    if (bar_ == nullptr) return;
    for (QAction* a : bar_->actions()) {
      if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
        bar_->setActiveAction(a);  // opens it; the arrows go on from there
        return;
      }
    }
  });
}

QString QtWindow::MenuText(int number, const std::string& text) const {
  QString shown = QString::fromStdString(text);
  if (!MnemonicOf(shown).isNull()) return shown;
  // The letters its neighbours (in the bar, or in the same menu) answer to already.
  std::set<QChar> used;
  auto holder = menuParents_.find(number);
  for (const auto& [other, otherHolder] : menuParents_) {
    if (other == number || holder == menuParents_.end() || otherHolder != holder->second) continue;
    auto known = menuShown_.find(other);
    if (known == menuShown_.end()) continue;
    if (QChar m = MnemonicOf(known->second); !m.isNull()) used.insert(m);
  }
  return AddMnemonic(shown, used);
}

void QtWindow::AddControl(const Control& c) {
  std::unique_ptr<QtControl> view = QtControl::Make(*this, c, content_);
  if (view != nullptr) controls_[c.number] = std::move(view);
}

QSize QtWindow::ClientSize() const {
  return frame_ != nullptr ? body_->size() : content_->size();
}

QSize QtWindow::Outer(const QSize& client) const {
  QSize size = client;
  if (auto* layout = body_->layout(); layout && layout->menuBar()) {
    size.rheight() += layout->menuBar()->sizeHint().height();
  }
  if (frame_ != nullptr) size.rheight() += frame_->menuBar()->sizeHint().height();
  if (sub_ != nullptr) size += decoration_;
  return size;
}

void QtWindow::SyncWindow(const WindowSnapshot& s) {
  SyncGuard guard(syncing_);
  if (!top_) return;
  top_->setWindowTitle(QString::fromStdString(s.caption));
  top_->setWindowIcon(IconFor(s.icon));
  if (s.busy) {
    top_->setCursor(Qt::WaitCursor);
  } else {
    top_->unsetCursor();
  }
  // Controls made or removed at run time.
  std::set<int> present;
  for (const Control& c : s.controls) {
    if (c.number == 0 || IsMenuKind(c.kind)) continue;
    present.insert(c.number);
    if (!controls_.count(c.number)) {
      AddControl(c);
      if (QtControl* view = ControlView(c.number)) view->Sync(c);
    }
  }
  for (auto it = controls_.begin(); it != controls_.end();) {
    it = present.count(it->first) ? std::next(it) : controls_.erase(it);
  }
  if (s.timer != last_.timer || timer_ == nullptr) {
    if (timer_ == nullptr) {
      timer_ = new QTimer(this);
      QObject::connect(timer_, &QTimer::timeout, this, [this] { (void)TimerTick(id_); });
    }
    if (s.timer > 0) {
      timer_->start(s.timer * 10);
    } else {
      timer_->stop();
    }
  }
  // Only a request of the program moves the focus; the person's own moves are on the screen
  // already, and the model follows them.
  // The request itself is applied, even when the person's input reached the model after it
  // (the click that left a refused entry lands before the refusal is handled).
  // A window behind another of its thread keeps the request for when it comes to the front
  // (Activate): moving the keyboard there would take it from the window the person is in.
  const bool behind = thread_ != 0 && Window::Active(thread_).Id() != id_;
  if (s.focusRequests != last_.focusRequests && s.requestedFocus != 0 && !behind) {
    if (QtControl* view = ControlView(s.requestedFocus)) {
      // The control is brought up to date first: a control shown in the same change (an editor
      // put into a list's edit slot) must be visible to take the focus.
      for (const Control& c : s.controls)
        if (c.number == s.requestedFocus) view->Sync(c);
      PlaceCellEditors();
      view->FocusWidget()->setFocus(Qt::OtherFocusReason);
    }
  }
  if (last_.id != 0) {
    ApplyGeometry(s, false);
    ApplyState(s);
  }
  PlaceCellEditors();
  last_ = s;
  last_.controls.clear();
}

void QtWindow::ApplyGeometry(const WindowSnapshot& s, bool initial) {
  SyncGuard guard(syncing_);
  QWidget* top = top_.data();
  if (top == nullptr) return;
  QSize client(units_.X(s.rect.width), units_.Y(s.rect.height));
  // A top-level window stays within the screen's available area, whatever its definition or a
  // larger font (a scale factor) asks: what does not fit would be out of reach.
  QRect area;
  QSize margins;  // what the window manager's frame adds around the window
  if (sub_ == nullptr && top->screen() != nullptr) {
    area = top->screen()->availableGeometry();
    margins = top->frameGeometry().size() - top->size();
    QSize room = area.size() - margins - (Outer(client) - client);
    client = client.boundedTo(room.expandedTo(QSize(1, 1)));
  }
  QSize minimum(units_.X(s.minWidth), units_.Y(s.minHeight));
  QSize maximum(s.maxWidth > 0 ? units_.X(s.maxWidth) : QWIDGETSIZE_MAX,
                s.maxHeight > 0 ? units_.Y(s.maxHeight) : QWIDGETSIZE_MAX);
  if (!s.resizable) {
    minimum = maximum = client;
  }
  minimum = minimum.boundedTo(client);
  QSize outerMin = Outer(minimum);
  QSize outerMax = maximum.width() >= QWIDGETSIZE_MAX ? maximum : Outer(maximum);
  if (maximum.height() >= QWIDGETSIZE_MAX) outerMax.setHeight(QWIDGETSIZE_MAX);
  if (maximum.width() >= QWIDGETSIZE_MAX) outerMax.setWidth(QWIDGETSIZE_MAX);
  if (frame_ == nullptr) {
    top->setMinimumSize(outerMin);
    top->setMaximumSize(outerMax);
  }
  bool sameSize = units_.ToX(ClientSize().width()) == units_.ToX(client.width()) &&
                  units_.ToY(ClientSize().height()) == units_.ToY(client.height());
  if (!sameSize && !top->isMaximized() && client.width() > 0 && client.height() > 0) {
    top->resize(Outer(client));
  }
  // A resizable window made smaller to fit: the program learns its size as after the person's
  // resizing (its layout follows).
  int fittedWidth = units_.ToX(client.width());
  int fittedHeight = units_.ToY(client.height());
  if (s.resizable && !s.maximized && !s.minimized &&
      (fittedWidth < s.rect.width || fittedHeight < s.rect.height)) {
    (void)ResizeWindow(id_, fittedWidth, fittedHeight);
  }
  // The place the model holds (a restored placement, a program's move); the first time also
  // when the window was opened there already.
  bool placed = s.rect.x != 0 || s.rect.y != 0;
  bool moved = last_.rect.x != s.rect.x || last_.rect.y != s.rect.y;
  QPoint at(units_.X(s.rect.x), units_.Y(s.rect.y));
  if (area.isValid()) {
    QSize outer = Outer(client) + margins;
    at.setX(
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
    at.setY(
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
  }
  bool outside = area.isValid() && !area.contains(QRect(top->pos(), Outer(client) + margins));
  if ((placed && (initial || moved)) || (initial && outside)) {
    if (top->pos() != at) {
      top->move(at);
      // Without a window manager the move may leave the keyboard with the pointer's window:
      // the window that had it asks for it again.
      if (sub_ == nullptr && top->isActiveWindow()) top->activateWindow();
    }
    // Brought onto the screen: the model holds where the window is, as after a move by the
    // person (the placement saved is that one).
    Rect r = s.rect;
    if (units_.X(r.x) != at.x() || units_.Y(r.y) != at.y()) {
      r.x = units_.ToX(at.x());
      r.y = units_.ToY(at.y());
      Window(id_).SetPosition(r);
    }
  }
}

void QtWindow::ApplyState(const WindowSnapshot& s) {
  SyncGuard guard(syncing_);
  QWidget* top = top_.data();
  if (top == nullptr) return;
  if (s.minimized && !top->isMinimized()) {
    top->showMinimized();
  } else if (s.maximized && !top->isMaximized()) {
    top->showMaximized();
  } else if (!s.minimized && !s.maximized && (top->isMinimized() || top->isMaximized())) {
    top->showNormal();
  }
}

void QtWindow::PlaceCellEditors() {
  for (auto& [number, view] : controls_)
    if (auto* list = dynamic_cast<QtList*>(view.get())) list->PlaceEditors();
}

void QtWindow::SyncControl(int number, const Control* c) {
  SyncGuard guard(syncing_);
  if (c == nullptr) {
    controls_.erase(number);
    return;
  }
  if (IsMenuKind(c->kind)) {
    QAction* action = MenuAction(number);
    if (action == nullptr) return;
    menuShown_.erase(number);
    menuShown_[number] = MenuText(number, c->text);
    action->setText(menuShown_[number]);
    action->setEnabled(!c->disabled);
    action->setVisible(!c->hidden);
    action->setToolTip(QString::fromStdString(c->tip));
    if (c->checked) action->setCheckable(true);
    action->setChecked(c->checked);
    if (!c->icon.empty()) action->setIcon(IconFor(c->icon));
    return;
  }
  if (QtControl* view = ControlView(number)) {
    view->Sync(*c);
  } else {
    AddControl(*c);
    if (QtControl* added = ControlView(number)) added->Sync(*c);
  }
  PlaceCellEditors();
}

bool QtWindow::OnVisiblePage(int number) const {
  QtControl* view = ControlView(number);
  if (view == nullptr) return true;
  int tab = view->Last().parent;
  if (tab == 0) return true;
  QtControl* tabView = ControlView(tab);
  if (tabView == nullptr || tabView->Kind() != ControlKind::kTab) return true;
  auto* sheet = dynamic_cast<QtSheet*>(ControlView(tabView->Last().parent));
  if (sheet == nullptr) return true;
  return sheet->ShownTab() == tab && !sheet->Last().hidden && OnVisiblePage(sheet->Number());
}

void QtWindow::UpdatePages(int sheet) {
  for (auto& [number, view] : controls_) {
    if (number != sheet) view->UpdateVisibility();
  }
}

void QtWindow::UserResized() {
  int width = units_.ToX(ClientSize().width());
  int height = units_.ToY(ClientSize().height());
  Window w(id_);
  Rect r = w.Position();
  if (r.width == width && r.height == height) return;
  if (!w.Resizable()) return;
  (void)ResizeWindow(id_, width, height);
}

void QtWindow::UserChangedState() {
  QWidget* top = top_.data();
  Window w(id_);
  bool max = top->isMaximized();
  bool min = top->isMinimized();
  if (max == w.Maximized() && min == w.Minimized()) return;
  if (min) {
    w.SetMinimized(true);
  } else {
    w.SetMaximized(max);
    if (!max) w.SetMinimized(false);
  }
  w.Post(kEventStateChanged);
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
  if (closing_) return false;
  if (watched == top_.data()) {
    switch (event->type()) {
      case QEvent::Close:
        if (!Syncing()) {
          // The close box asks the program; the window closes when the model says so.
          event->ignore();
          (void)CloseBox(id_);
          return true;
        }
        break;
      case QEvent::WindowStateChange:
        if (!Syncing()) UserChangedState();
        break;
      case QEvent::KeyPress:
        // A tool window has no buttons of its own to leave it by: Escape closes it as its
        // close box does.
        if (kind_ == WindowKind::kTool && !Syncing() &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
          (void)CloseBox(id_);
          return true;
        }
        break;
      case QEvent::Move:
        if (!Syncing() && top_->isVisible() && !top_->isMaximized() && !top_->isMinimized()) {
          Window w(id_);
          Rect r = w.Position();
          int x = units_.ToX(top_->x());
          int y = units_.ToY(top_->y());
          if (r.x != x || r.y != y) {
            r.x = x;
            r.y = y;
            w.SetPosition(r);  // where the user put it; saved with the window's placement
          }
        }
        break;
      default:
        break;
    }
  } else if (watched == (frame_ != nullptr ? body_ : content_) && event->type() == QEvent::Resize) {
    if (!Syncing() && top_ && top_->isVisible()) UserResized();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kv
