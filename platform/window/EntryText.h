#pragma once

#include <string>
#include <string_view>

#include "platform/window/Control.h"

namespace kv {

// How much text an entry holds. A text field STRING(n) holds n bytes of UTF-8, and an entry
// showing it through the picture s<n> takes no more than that: typing stops, and text put in
// at once (pasted, or typed by a script) keeps its longest beginning that fits, never half a
// character. Text that does not fit would otherwise be refused whole when the entry is left,
// and what the person typed would be lost. Thread: any.

// The most bytes an entry takes: the width of its text picture; 0 for no limit (no picture,
// or a picture of numbers, dates or times, which check their text when it is accepted).
int EntryByteLimit(const Control& control);

// `text` cut to EntryByteLimit(control) bytes without splitting a UTF-8 character.
std::string FitEntryText(const Control& control, std::string_view text);

}  // namespace kv
