#pragma once

#include <string>
#include <string_view>

namespace kv {

// Key codes: a key number in the low byte plus modifier bits. Letters and digits are their
// upper-case character codes; mouse buttons are small numbers, with kKeyReleased added when the
// event comes from the button going up.
enum KeyCode : int {
  kKeyNone = 0,
  kMouseLeft = 1,
  kMouseRight = 2,
  kMouseCenter = 3,
  kMouseLeft2 = 5,  // double click of the left button
  kMouseRight2 = 6,
  kKeyReleased = 0x80,
  kMouseRightUp = kMouseRight | kKeyReleased,  // right button released (context clicks)

  kKeyTab = 9,
  kKeyEnter = 13,
  kKeyEsc = 27,
  kKeySpace = 32,
  kKeyPageUp = 33,
  kKeyPageDown = 34,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyInsert = 45,
  kKeyDelete = 46,
  kKeyApps = 93,  // the context-menu key
  kKeyF1 = 112,

  kShift = 0x100,
  kCtrl = 0x200,
  kAlt = 0x400,
};

// Parses a key name as scripts write it: modifiers joined with "+" ("Ctrl+Enter",
// "Shift+Tab", "Ctrl+H"), then a key name ("Enter", "Insert", "Delete", "Up", "PageDown",
// "Home", "F1", "MouseRight", "MouseRightUp", "MouseLeft2", ...) or a single letter or digit.
// Case does not matter. Returns kKeyNone for a name it does not know. Thread: any.
int ParseKeyName(std::string_view name);

// The canonical name of a key code ("Ctrl+Enter"); the inverse of ParseKeyName. Thread: any.
std::string KeyName(int keyCode);

// True for mouse-button codes (with or without modifiers and the release bit).
bool IsMouseKey(int keyCode);

// The character a key types: letters in lower case, or upper case with Shift; digits; the
// space. 0 for keys that type nothing (arrows, function keys, mouse buttons, anything with
// Ctrl or Alt). Thread: any.
char KeyChar(int keyCode);

}  // namespace kv
