#pragma once

#include <string>

#include "platform/window/Window.h"

namespace kv {

// The standard help action (StandardAction::kHelp on a button): a message box that tells what
// the window offers, read from the window itself, so that a window gets useful help without
// code of its own. The text is:
//   the window's caption;
//   for every control that has a tip and is shown, in number order, one line
//     "<its text, without hot-key marks>: <tip>" (a list, which has no text, is "List");
//   for the first list with keys in its alert table, one line "Keys on the list: ..." naming
//     its keyboard keys (mouse buttons left out), in alert-table order, each once.
// Lines are joined with "|" (a new line in a message box).
// Thread: any (the window model has its own lock).
std::string StandardHelpText(const Window& window);

// Shows StandardHelpText in a message box titled "Help" with an OK button and the information
// icon; returns when it is answered. Thread: the window's own thread (a modal wait).
void ShowStandardHelp(const Window& window);

}  // namespace kv
