#include "platform/qt/gui/QtScriptDriver.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include "platform/qt/gui/QtKeys.h"
#include "platform/qt/gui/QtList.h"
#include "platform/qt/gui/QtModalDialogs.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/window/KeyCode.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

// Lets queued calls and deferred answers run until `done` holds (bounded).
bool Pump(const std::function<bool()>& done) {
  for (int i = 0; i < 2000 && !done(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return done();
}

QAction* FindAction(QMenu* menu, int number) {
  for (QAction* a : menu->actions()) {
    if (a->menu() != nullptr) {
      if (QAction* found = FindAction(a->menu(), number)) return found;
    } else if (!a->isSeparator() && a->data().toInt() == number) {
      return a;
    }
  }
  return nullptr;
}

}  // namespace

bool QtScriptDriver::WaitSettled(std::chrono::milliseconds timeout) {
  // A program that ends never settles again: its end counts as settled.
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!backend_.QuitRequested()) {
    if (backend_.WaitSettled(std::chrono::milliseconds(50))) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
  }
  return true;
}

bool QtScriptDriver::ProgramEnded() {
  return backend_.QuitRequested();
}

InputStatus QtScriptDriver::Usable(WindowId window, int control, QWidget** widget) {
  Window w(window);
  if (!w.IsOpen()) return InputStatus::kNoWindow;
  if (Window::Active(w.Thread()).Id() != window) return InputStatus::kNotActive;
  if (control == 0) return InputStatus::kOk;
  auto c = w.ControlCopy(control);
  if (!c) return InputStatus::kNoControl;
  if (c->hidden) return InputStatus::kHidden;
  if (c->disabled) return InputStatus::kDisabled;
  if (widget != nullptr) *widget = backend_.ControlWidget(window, control);
  return InputStatus::kOk;
}

InputStatus QtScriptDriver::Type(WindowId window, int control, const std::string& text) {
  QWidget* widget = nullptr;
  InputStatus s = Usable(window, control, &widget);
  if (s != InputStatus::kOk) return s;
  auto* edit = qobject_cast<QLineEdit*>(widget);
  if (edit == nullptr) return InputStatus::kWrongKind;
  if (edit->isReadOnly()) return InputStatus::kReadOnly;
  // As a person types into an entry: click into it, select what it holds, type over it and
  // leave it with Tab. The focus and the events follow from the widgets, as for real input.
  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() / 2, edit->height() / 2));
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  for (QChar c : QString::fromStdString(text)) {
    if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
      QTest::keyClick(edit, c.toLatin1());
    } else {
      // A character without a key of its own arrives as text, as an input method gives it.
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(edit, &press);
      QCoreApplication::sendEvent(edit, &release);
    }
  }
  QTest::keyClick(edit, Qt::Key_Tab);
  return InputStatus::kOk;
}

InputStatus QtScriptDriver::Press(WindowId window, int control) {
  QWidget* widget = nullptr;
  InputStatus s = Usable(window, control, &widget);
  if (s != InputStatus::kOk) return s;
  Window w(window);
  ControlKind kind = w.Kind(control);
  QtWindow* view = backend_.WindowView(window);
  if (view == nullptr) return InputStatus::kNoWindow;
  switch (kind) {
    case ControlKind::kButton:
      QTest::mouseClick(widget, Qt::LeftButton);
      return InputStatus::kOk;
    case ControlKind::kCheck:
      if (w.ReadOnly(control)) return InputStatus::kReadOnly;
      QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
      return InputStatus::kOk;
    case ControlKind::kMenuItem:
      if (QAction* action = view->MenuAction(control)) {
        action->trigger();
        return InputStatus::kOk;
      }
      return InputStatus::kNoControl;
    case ControlKind::kTab: {
      auto* tabs =
          qobject_cast<QTabWidget*>(backend_.ControlWidget(window, w.ParentControl(control)));
      if (tabs == nullptr) return InputStatus::kNoControl;
      for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->widget(i)->property("kvTab").toInt() != control) continue;
        QTabBar* bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
        return InputStatus::kOk;
      }
      return InputStatus::kNoControl;
    }
    default:
      return InputStatus::kWrongKind;
  }
}

InputStatus QtScriptDriver::Key(WindowId window, int control, int keyCode) {
  QWidget* widget = nullptr;
  InputStatus s = Usable(window, control, &widget);
  if (s != InputStatus::kOk) return s;
  int qtKey = 0;
  Qt::KeyboardModifiers mods;
  if (widget == nullptr || !QtKeyFromKeyCode(keyCode, &qtKey, &mods)) {
    // Mouse codes (and controls without a widget) take the gesture itself.
    return PressKey(window, control, keyCode);
  }
  // A key goes to the control that has the focus: the control is reached first as Tab would
  // reach it, and the model learns of it from the widgets.
  if (QtControl* view = backend_.WindowView(window)->ControlView(control)) {
    widget = view->FocusWidget();
  }
  if (!widget->hasFocus()) widget->setFocus(Qt::TabFocusReason);
  QTest::keyClick(widget, static_cast<Qt::Key>(qtKey), mods);
  return InputStatus::kOk;
}

InputStatus QtScriptDriver::Click(WindowId window, int control, int row, int keyCode) {
  QWidget* widget = nullptr;
  InputStatus s = Usable(window, control, &widget);
  if (s != InputStatus::kOk) return s;
  auto* list = dynamic_cast<QtList*>(backend_.WindowView(window)->ControlView(control));
  if (list == nullptr) return InputStatus::kWrongKind;
  QTableWidget* t = list->Table();
  if (row < 0 || row > t->rowCount()) return InputStatus::kNoRow;
  QWidget* target = t->viewport();
  QPoint at;
  if (row == 0) {
    target = t->horizontalHeader()->viewport();
    at = QPoint(4, target->height() / 2);
  } else {
    t->scrollToItem(t->item(row - 1, 0));
    at = t->visualRect(t->model()->index(row - 1, 0)).center();
  }
  if (keyCode == kMouseLeft2) {
    QTest::mouseDClick(target, Qt::LeftButton, {}, at);
  } else if ((keyCode & 0x7F) == kMouseRight) {
    QTest::mouseClick(target, Qt::RightButton, {}, at);
  } else {
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
  }
  return InputStatus::kOk;
}

InputStatus QtScriptDriver::Thumb(WindowId window, int control, int position) {
  QWidget* widget = nullptr;
  InputStatus s = Usable(window, control, &widget);
  if (s != InputStatus::kOk) return s;
  auto* list = dynamic_cast<QtList*>(backend_.WindowView(window)->ControlView(control));
  if (list == nullptr) return InputStatus::kWrongKind;
  if (!list->Bar()->isVisible()) return DragThumb(window, control, position);
  QScrollBar* bar = list->Bar();
  bar->setSliderDown(true);
  bar->setSliderPosition(position);
  bar->setSliderDown(false);
  return InputStatus::kOk;
}

InputStatus QtScriptDriver::Resize(WindowId window, int width, int height) {
  InputStatus s = Usable(window, 0, nullptr);
  if (s != InputStatus::kOk) return s;
  if (!Window(window).Resizable()) return InputStatus::kWrongKind;
  QtWindow* view = backend_.WindowView(window);
  QWidget* top = view->TopLevel();
  QSize now = view->Content()->size();
  QSize wanted(view->Units().X(width), view->Units().Y(height));
  top->resize(top->size() + (wanted - now));
  return InputStatus::kOk;
}

InputStatus QtScriptDriver::Close(WindowId window) {
  InputStatus s = Usable(window, 0, nullptr);
  if (s != InputStatus::kOk) return s;
  backend_.TopLevel(window)->close();
  return InputStatus::kOk;
}

InputStatus QtScriptDriver::Timer(WindowId window) {
  return TimerTick(window);
}

std::vector<ModalRecord> QtScriptDriver::Modals() {
  std::vector<ModalRecord> out;
  for (const QtModalDialogs::Record& r : backend_.Dialogs().History()) {
    ModalRecord m;
    m.isMenu = r.isMenu;
    m.message = r.message;
    m.menu = r.menu;
    m.answered = r.answered;
    m.answer = r.answer;
    out.push_back(std::move(m));
  }
  return out;
}

bool QtScriptDriver::AnswerPending(int answer) {
  QWidget* widget = backend_.Dialogs().OldestWaiting();
  if (widget == nullptr) return false;
  std::size_t before = 0;
  for (const auto& r : backend_.Dialogs().History()) before += r.answered ? 1 : 0;
  if (auto* box = qobject_cast<QMessageBox*>(widget)) {
    QWidget* button = QtModalDialogs::ButtonFor(box, answer);
    if (button == nullptr) return false;
    QTest::mouseClick(button, Qt::LeftButton);
  } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
    QAction* action = answer > 0 ? FindAction(menu, answer) : nullptr;
    if (answer > 0 && (action == nullptr || !action->isEnabled())) return false;
    if (action == nullptr) {
      QTest::keyClick(menu, Qt::Key_Escape);
    } else if (action->parent() == menu) {
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    } else {
      action->trigger();  // an item of a sub-menu
      menu->hide();
    }
  } else {
    return false;
  }
  return Pump([&] {
    std::size_t after = 0;
    for (const auto& r : backend_.Dialogs().History()) after += r.answered ? 1 : 0;
    return after > before;
  });
}

}  // namespace kv
