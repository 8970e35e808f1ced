#pragma once

#include "platform/window/Window.h"

namespace kv {

// Translates the texts of a window (captions, prompts, tips) into the user's language. A
// window manager whose TRANSLATOR is set asks it once, when the window first opens.
// Thread: the window's thread.
class WindowTranslator {
 public:
  virtual ~WindowTranslator() = default;
  virtual void TranslateWindow(Window window) = 0;
};

}  // namespace kv
