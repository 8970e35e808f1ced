#include "platform/qt/gui/QtControl.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include "platform/qt/gui/QtKeys.h"
#include "platform/qt/gui/QtList.h"
#include "platform/qt/gui/QtSimpleControls.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/window/KeyCode.h"
#include "platform/window/UserInput.h"

namespace kv {

QtControl::QtControl(QtWindow& window, const Control& control) : window_(window) {
  last_ = control;
}

QtControl::~QtControl() = default;

std::unique_ptr<QtControl> QtControl::Make(QtWindow& window, const Control& c, QWidget* parent) {
  switch (c.kind) {
    case ControlKind::kPrompt:
      return std::make_unique<QtPrompt>(window, c, parent);
    case ControlKind::kEntry:
      return std::make_unique<QtEntry>(window, c, parent);
    case ControlKind::kCheck:
      return std::make_unique<QtCheck>(window, c, parent);
    case ControlKind::kButton:
      return std::make_unique<QtButton>(window, c, parent);
    case ControlKind::kSheet:
      return std::make_unique<QtSheet>(window, c, parent);
    case ControlKind::kTab:
      return std::make_unique<QtTab>(window, c);
    case ControlKind::kImage:
      return std::make_unique<QtImage>(window, c, parent);
    case ControlKind::kGroup:
      return std::make_unique<QtGroup>(window, c, parent);
    case ControlKind::kList:
      return std::make_unique<QtList>(window, c, parent);
    default:
      return nullptr;  // menus live in the menu bar; separators have no number
  }
}

WindowId QtControl::WindowIdOf() const {
  return window_.Id();
}

bool QtControl::Syncing() const {
  return window_.Syncing();
}

void QtControl::Sync(const Control& c) {
  bool first = !synced_;
  Control previous = last_;
  last_ = c;
  synced_ = true;
  QWidget* w = Widget();
  if (w == nullptr) return;
  if (Positioned() && (first || previous.rect != c.rect)) {
    w->setGeometry(window_.Units().ToPixels(c.rect));
  }
  w->setEnabled(!c.disabled);
  w->setToolTip(QString::fromStdString(c.tip));
  if (first || previous.textColor != c.textColor) {
    QPalette palette = w->palette();
    if (c.textColor >= 0) {
      QColor color(c.textColor & 0xFF, (c.textColor >> 8) & 0xFF, (c.textColor >> 16) & 0xFF);
      palette.setColor(QPalette::WindowText, color);
      palette.setColor(QPalette::Text, color);
      palette.setColor(QPalette::ButtonText, color);
    } else {
      palette = w->parentWidget() ? w->parentWidget()->palette() : QPalette();
    }
    w->setPalette(palette);
  }
  SyncOwn(c, first);
  UpdateVisibility();
}

void QtControl::UpdateVisibility() {
  QWidget* w = Widget();
  if (w == nullptr || !Positioned()) return;
  w->setVisible(!last_.hidden && window_.OnVisiblePage(last_.number));
}

void QtControl::Watch(QWidget* widget) {
  widget->installEventFilter(this);
}

bool QtControl::TakeKey(int keyCode) {
  if (keyCode != kKeyEnter && keyCode != kKeyEsc) return false;
  (void)PressKey(WindowIdOf(), last_.number, keyCode);
  return true;
}

bool QtControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    // Whatever moved it (a click, Tab, a mnemonic, the window becoming active), the model's
    // focus follows the screen's; the program's own requests arrive here already applied, and
    // where Qt puts the keyboard while the backend places it is not a move of the person's.
    if (!window_.PlacingFocus()) (void)FocusTo(WindowIdOf(), last_.number);
    return QObject::eventFilter(watched, event);
  }
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    int code = KeyCodeFromEvent(*key);
    bool alerted = false;
    for (const auto& [position, alert] : last_.alerts) alerted = alerted || alert == code;
    if (event->type() == QEvent::ShortcutOverride) {
      // An alerted key must reach the control even when it is some button's mnemonic.
      if (alerted && code != 0) event->accept();
      return false;
    }
    if (alerted && code != 0) {
      CommitTyping();
      (void)PressKey(WindowIdOf(), last_.number, code);
      return true;
    }
    if (code != 0 && TakeKey(code)) return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kv
