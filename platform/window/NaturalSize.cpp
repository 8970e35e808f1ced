#include "platform/window/NaturalSize.h"

#include <algorithm>

#include "platform/values/Utf8Text.h"
#include "platform/window/MenuDefinition.h"

namespace kv {

Rect NaturalButtonSize(std::string_view text, bool hasIcon) {
  if (hasIcon) return Rect{0, 0, kIconButtonWidth, kIconButtonHeight};
  int characters = static_cast<int>(Utf8Length(StripHotKeyMarks(text)));
  return Rect{0, 0, std::max(kButtonMinWidth, characters * 4 + kButtonTextMargin), kButtonHeight};
}

}  // namespace kv
