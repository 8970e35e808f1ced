#pragma once

#include <Qt>

class QKeyEvent;

namespace kv {

// Translation between Qt's keys and the runtime's key codes (platform/window/KeyCode.h):
// letters and digits as their upper-case character codes, named keys by their numbers, plus
// the Shift, Ctrl and Alt bits. Keys the runtime has no code for give 0. Thread: any.
int KeyCodeFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
int KeyCodeFromEvent(const QKeyEvent& event);

// The Qt key and modifiers that produce `keyCode`; false for mouse codes and unknown keys.
bool QtKeyFromKeyCode(int keyCode, int* qtKey, Qt::KeyboardModifiers* modifiers);

}  // namespace kv
