#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// One entry of a pop-up menu definition string.
struct MenuEntry {
  std::string text;  // without prefixes and property block; "" for a separator
  int depth = 1;     // 1 top level; each "{" opens a deeper level
  bool separator = false;
  bool disabled = false;   // "~"
  bool checked = false;    // "+"
  bool unchecked = false;  // "-" before a text
  bool submenu = false;    // a title followed by deeper entries: not selectable
  int number = 0;          // the value the menu answers when it is chosen; 0 not selectable
  std::string icon;        // icon named in the property block ("31848(~NAME)"), "" for none
  bool showIcon = true;    // false when the block says "31290(0)": the icon is not drawn
};

// Numbered properties of a menu entry's property block "[number(value),number(value)]".
// kMenuPropIcon names the entry's icon (its value "~NAME", the "~" optional);
// kMenuPropShowIcon is the entry's copy of the system property kSystemPropMenuIcons
// (SystemProperty.h): "0" hides the icon, anything else shows it. Other numbers are ignored.
constexpr int kMenuPropIcon = 31848;
constexpr int kMenuPropShowIcon = 31290;

// Parses a menu-definition string as the pop-up menu service takes it: entries separated by
// "|", "{" opening and "}" closing a sub-menu after the entry before it, "-" alone a
// separator, leading "~" (disabled), "+" (checked) and "-" (unchecked) marks, and an optional
// property block "[...]" before the text (the properties above; inside it "|", "{" and "}" are
// plain characters). A leading "|" is allowed; an empty entry ("||") adds nothing. Selectable
// entries (not separators, not sub-menu titles) are numbered from 1 in order; a disabled entry
// keeps its number but cannot be chosen. Thread: any.
std::vector<MenuEntry> ParseMenuDefinition(std::string_view definition);

// The number of the selectable, enabled entry whose text, with "&" hot-key marks removed,
// equals `text` (case-insensitive); 0 when there is none. Thread: any.
int FindMenuEntry(const std::vector<MenuEntry>& entries, std::string_view text);

// `text` with "&" hot-key marks removed ("&&" stands for one "&").
std::string StripHotKeyMarks(std::string_view text);

}  // namespace kv
