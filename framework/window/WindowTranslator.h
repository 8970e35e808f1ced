#pragma once

#include <string>
#include <string_view>

#include "platform/window/Window.h"

namespace kv {

// Translates the texts of a window (captions, prompts, tips) into the user's language. A
// window manager whose TRANSLATOR is set asks it once, when the window first opens; a pop-up
// manager whose TRANSLATOR is set passes every item text through TranslateText while it
// builds a menu. Thread: the window's thread.
class WindowTranslator {
 public:
  virtual ~WindowTranslator() = default;
  virtual void TranslateWindow(Window window) = 0;
  // The translation of one text; the text itself when there is none (the default).
  virtual std::string TranslateText(std::string_view text) { return std::string(text); }
};

}  // namespace kv
