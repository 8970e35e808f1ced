#include "platform/qt/gui/QtKeys.h"

#include <QKeyEvent>
#include <utility>

#include "platform/window/KeyCode.h"

namespace kv {
namespace {

// Named keys; letters, digits and function keys are computed.
constexpr std::pair<int, int> kNamed[] = {
    {Qt::Key_Backspace, 8},       {Qt::Key_Tab, kKeyTab},           {Qt::Key_Return, kKeyEnter},
    {Qt::Key_Enter, kKeyEnter},   {Qt::Key_Escape, kKeyEsc},        {Qt::Key_Space, kKeySpace},
    {Qt::Key_PageUp, kKeyPageUp}, {Qt::Key_PageDown, kKeyPageDown}, {Qt::Key_End, kKeyEnd},
    {Qt::Key_Home, kKeyHome},     {Qt::Key_Left, kKeyLeft},         {Qt::Key_Up, kKeyUp},
    {Qt::Key_Right, kKeyRight},   {Qt::Key_Down, kKeyDown},         {Qt::Key_Insert, kKeyInsert},
    {Qt::Key_Delete, kKeyDelete}, {Qt::Key_Menu, kKeyApps},
};

}  // namespace

int KeyCodeFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  int code = 0;
  if (qtKey == Qt::Key_Backtab) {
    qtKey = Qt::Key_Tab;
    modifiers |= Qt::ShiftModifier;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
    code = 'A' + (qtKey - Qt::Key_A);
  } else if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    code = '0' + (qtKey - Qt::Key_0);
  } else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
    code = kKeyF1 + (qtKey - Qt::Key_F1);
  } else {
    for (const auto& [qt, kv] : kNamed) {
      if (qt == qtKey) code = kv;
    }
  }
  if (code == 0) return 0;
  if (modifiers & Qt::ShiftModifier) code |= kShift;
  if (modifiers & Qt::ControlModifier) code |= kCtrl;
  if (modifiers & Qt::AltModifier) code |= kAlt;
  return code;
}

int KeyCodeFromEvent(const QKeyEvent& event) {
  Qt::KeyboardModifiers mods = event.modifiers();
  // The keypad's Enter carries the keypad flag; it is the same key to programs.
  mods &= ~Qt::KeypadModifier;
  return KeyCodeFromQt(event.key(), mods);
}

bool QtKeyFromKeyCode(int keyCode, int* qtKey, Qt::KeyboardModifiers* modifiers) {
  if (IsMouseKey(keyCode)) return false;
  *modifiers = Qt::NoModifier;
  if (keyCode & kShift) *modifiers |= Qt::ShiftModifier;
  if (keyCode & kCtrl) *modifiers |= Qt::ControlModifier;
  if (keyCode & kAlt) *modifiers |= Qt::AltModifier;
  int key = keyCode & 0xFF;
  if (key >= 'A' && key <= 'Z') {
    *qtKey = Qt::Key_A + (key - 'A');
    return true;
  }
  if (key >= '0' && key <= '9') {
    *qtKey = Qt::Key_0 + (key - '0');
    return true;
  }
  if (key >= kKeyF1 && key < kKeyF1 + 24) {
    *qtKey = Qt::Key_F1 + (key - kKeyF1);
    return true;
  }
  for (const auto& [qt, kv] : kNamed) {
    if (kv == key) {
      *qtKey = qt;
      return true;
    }
  }
  return false;
}

}  // namespace kv
