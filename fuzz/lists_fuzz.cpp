// The list format string and the menu-definition string. Properties: the selectable entries of
// a menu are numbered 1, 2, ... in order and can be found again by their text; a list format
// that parses gives columns whose fields are in range.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/window/ListFormat.h"
#include "platform/window/MenuDefinition.h"

using kv::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::vector<kv::ListColumn> columns;
  if (kv::ParseListFormat(text, &columns)) {
    for (const kv::ListColumn& c : columns) {
      Check(c.width >= 0 && c.indent >= -1000000000 && c.picture.size() <= text.size(),
            "a column field out of range");
      Check(c.header.size() <= text.size(), "a header longer than the format");
    }
  }

  const std::vector<kv::MenuEntry> entries = kv::ParseMenuDefinition(text);
  int next = 1;
  for (const kv::MenuEntry& e : entries) {
    Check(e.depth >= 1, "an entry above the top level");
    if (e.separator || e.submenu) {
      Check(e.number == 0, "a separator or sub-menu title with a number");
      continue;
    }
    Check(e.number == next, "selectable entries not numbered in order");
    ++next;
    if (!e.disabled) {
      // The first enabled entry with the same text (marks aside) is the one found.
      int found = kv::FindMenuEntry(entries, e.text);
      Check(found != 0 && found <= e.number, "an enabled entry cannot be found by its text");
    }
  }
  (void)kv::StripHotKeyMarks(text);
  return 0;
}
