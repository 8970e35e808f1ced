#pragma once

#include <string_view>

#include "platform/window/Control.h"

namespace kv {

// The size, in dialog units, that a push button takes on its own: wide enough for its text
// (hot-key marks not counted; a dialog unit is a quarter of the average character width) plus
// the margins of a button, or for a small icon when it shows one instead of a text. Windows laid
// out at run time (the pop-up manager's toolbox) place buttons with it, so that every backend
// lays them out alike. The answer has x = y = 0. Thread: any.
Rect NaturalButtonSize(std::string_view text, bool hasIcon);

// The parts of that size, for backends and tests.
constexpr int kButtonTextMargin = 12;  // horizontal units around a text
constexpr int kButtonMinWidth = 24;
constexpr int kButtonHeight = 14;
constexpr int kIconButtonWidth = 20;
constexpr int kIconButtonHeight = 16;

}  // namespace kv
