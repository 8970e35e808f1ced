#pragma once

#include "platform/qt/gui/QtBackend.h"
#include "platform/script/ScriptDriver.h"

namespace kv {

// Runs scripts on the desktop backend through real widget input: typing is a click into the
// line edit, key presses over its contents and Tab; presses are mouse clicks on buttons, check
// boxes and tabs (menu items are triggered); keys are key presses on the control's widget,
// which is given the focus first as Tab would give it; list clicks
// land on the row's cells or the headers, the thumb is dragged on the scroll bar, resizing
// and the close box act on the top-level widget. What the widgets then do goes through the
// same gestures as a user's input. Message boxes and menus are answered by clicking their
// buttons and items.
//
// A gesture the widgets cannot take (the window is behind another of its thread, the control
// is hidden, disabled or missing) is refused with the same status as on the headless backend,
// checked before any input is sent. Thread: the GUI thread (the session runs there).
class QtScriptDriver final : public ScriptDriver {
 public:
  explicit QtScriptDriver(QtBackend& backend) : backend_(backend) {}

  bool WaitSettled(std::chrono::milliseconds timeout) override;
  bool ProgramEnded() override;
  InputStatus Type(WindowId window, int control, const std::string& text) override;
  InputStatus Press(WindowId window, int control) override;
  InputStatus Key(WindowId window, int control, int keyCode) override;
  InputStatus Click(WindowId window, int control, int row, int keyCode) override;
  InputStatus Thumb(WindowId window, int control, int position) override;
  InputStatus Resize(WindowId window, int width, int height) override;
  InputStatus Close(WindowId window) override;
  InputStatus Timer(WindowId window) override;
  std::vector<ModalRecord> Modals() override;
  bool AnswerPending(int answer) override;

 private:
  // The widget of a control that takes input, or the status that refuses it.
  InputStatus Usable(WindowId window, int control, QWidget** widget);
  QtBackend& backend_;
};

}  // namespace kv
