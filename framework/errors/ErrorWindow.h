#pragma once

#include <cstdint>

#include "platform/window/WindowDefinition.h"

namespace kv {

// The error window: the one window the error manager shows its history in (MessageWindow).
// Title "Error", 320 x 96 dialog units, font "MS Sans Serif" 8 point, placed by the platform.
//
//   ?IMAGE    300  the icon, at (2, 4), 26 x 28
//   ?LIST     200  the history, at (32, 4), 286 x 71, columns "Message" (217 wide) and
//                  "Category" (42 wide), each text of up to 255 characters
//   ?BUTTON1  107  ... ?BUTTON8 100: eight buttons 36 x 14 in a row at y = 80, x = 4, 44, ...,
//                  284 (?BUTTON1 leftmost), hidden, with the texts "Button 1" ... "Button 8".
//                  They are numbered from the right: 100 is the rightmost.
//
// The definition is built once; the reference stays valid for the life of the process.
// Thread: any.
const WindowDefinition& ErrorWindow();

inline constexpr int kErrorWindowImage = 300;
inline constexpr int kErrorWindowList = 200;
inline constexpr int kErrorWindowFirstButton = 100;  // ?BUTTON8, the rightmost
inline constexpr int kErrorWindowButtons = 8;

// The list's format string.
inline constexpr const char* kErrorWindowListFormat =
    "217L(2)|M~Message~S(255)@s255@42L(2)|M~Category~L(1)@s255@";

}  // namespace kv
