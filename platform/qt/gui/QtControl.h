#pragma once

#include <QObject>
#include <memory>

#include "platform/window/Control.h"
#include "platform/window/Event.h"

class QWidget;

namespace kv {

class QtWindow;

// The widget of one control and what it does with user input. The base class applies what
// every control has (place and size, hidden, disabled, tool tip, text colour) and catches the
// keys of the control's alert table, which raise the alert-key event instead of their own
// effect, and reports the focus arriving on the control (FocusTo); each kind adds its own
// properties and input. Kinds: prompts (labels), entries (line
// edits), check boxes, buttons, sheets and their tabs, images, groups; lists are QtList.
// Thread: the GUI thread only.
class QtControl : public QObject {
 public:
  QtControl(QtWindow& window, const Control& control);
  ~QtControl() override;

  // Makes the widget for `control` on `parent`; null for kinds without one (menus).
  static std::unique_ptr<QtControl> Make(QtWindow& window, const Control& control, QWidget* parent);

  virtual QWidget* Widget() const = 0;
  // The widget that has the keyboard focus when the control has it.
  virtual QWidget* FocusWidget() const { return Widget(); }
  // Applies the model's copy of the control.
  void Sync(const Control& control);
  // Shows or hides the widget as the control's hidden flag and its sheet page say.
  void UpdateVisibility();

  int Number() const { return last_.number; }
  ControlKind Kind() const { return last_.kind; }
  const Control& Last() const { return last_; }

 protected:
  // The kind's own properties; `first` is true on the first sync after construction.
  virtual void SyncOwn(const Control& control, bool first) = 0;
  // False for controls whose widget is placed by its container (tabs).
  virtual bool Positioned() const { return true; }
  // Key presses not in the alert table; true when handled (the widget does not see them).
  // The base gives Enter and Escape to the window platform (PressKey: the default button, the
  // close box); a kind that acts on them itself overrides it.
  virtual bool TakeKey(int keyCode);
  // Called before an alerted key raises its event: a kind that holds typing the model has not
  // seen yet (an entry) hands it over first, so the program reads what is on the screen.
  virtual void CommitTyping() {}

  bool eventFilter(QObject* watched, QEvent* event) override;
  // Installs the alert-key filter on `widget` (the control's widget, or its parts).
  void Watch(QWidget* widget);

  WindowId WindowIdOf() const;
  bool Syncing() const;

  QtWindow& window_;
  Control last_;  // the model's copy as last applied
  bool synced_ = false;
};

}  // namespace kv
