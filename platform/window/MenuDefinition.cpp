#include "platform/window/MenuDefinition.h"

#include <cctype>
#include <string>

namespace kv {
namespace {

// The value of property `number` in a property block ("31848(~X),31290(1)"), "" when absent.
std::string BlockValue(std::string_view block, int number) {
  const std::string key = std::to_string(number) + "(";
  std::size_t at = 0;
  while ((at = block.find(key, at)) != std::string_view::npos) {
    if (at == 0 || block[at - 1] == ',') {
      std::size_t from = at + key.size();
      std::size_t to = block.find(')', from);
      if (to == std::string_view::npos) to = block.size();
      return std::string(block.substr(from, to - from));
    }
    at += key.size();
  }
  return {};
}

// Turns one raw entry into a MenuEntry (marks, property block, text).
MenuEntry MakeEntry(std::string_view raw, int depth) {
  MenuEntry e;
  e.depth = depth;
  if (raw == "-") {
    e.separator = true;
    return e;
  }
  std::size_t i = 0;
  while (i < raw.size()) {
    char c = raw[i];
    if (c == '~') {
      e.disabled = true;
    } else if (c == '+') {
      e.checked = true;
    } else if (c == '-') {
      e.unchecked = true;
    } else {
      break;
    }
    ++i;
  }
  if (i < raw.size() && raw[i] == '[') {
    std::size_t close = raw.find(']', i);
    std::size_t end = close == std::string_view::npos ? raw.size() : close;
    std::string_view block = raw.substr(i + 1, end - i - 1);
    if (std::string icon = BlockValue(block, kMenuPropIcon); !icon.empty()) {
      e.icon = icon[0] == '~' ? icon.substr(1) : icon;
    }
    e.showIcon = BlockValue(block, kMenuPropShowIcon) != "0";
    i = close == std::string_view::npos ? raw.size() : close + 1;
  }
  e.text = std::string(raw.substr(i));
  return e;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<MenuEntry> ParseMenuDefinition(std::string_view definition) {
  std::vector<MenuEntry> entries;
  std::string pending;
  bool havePending = false;
  int depth = 1;
  int bracket = 0;  // inside a property block "|", "{" and "}" are plain characters
  auto flush = [&] {
    if (havePending && !pending.empty()) entries.push_back(MakeEntry(pending, depth));
    pending.clear();
    havePending = false;
  };
  for (char c : definition) {
    if (bracket > 0) {
      if (c == ']') --bracket;
      pending += c;
      continue;
    }
    if (c == '|') {
      flush();
    } else if (c == '{') {
      flush();
      ++depth;
    } else if (c == '}') {
      flush();
      if (depth > 1) --depth;
    } else {
      if (c == '[') ++bracket;
      pending += c;
      havePending = true;
    }
  }
  flush();
  int number = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    MenuEntry& e = entries[i];
    e.submenu = i + 1 < entries.size() && entries[i + 1].depth > e.depth;
    if (!e.separator && !e.submenu) e.number = ++number;
  }
  return entries;
}

std::string StripHotKeyMarks(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

int FindMenuEntry(const std::vector<MenuEntry>& entries, std::string_view text) {
  std::string wanted = StripHotKeyMarks(text);
  for (const MenuEntry& e : entries) {
    if (e.number != 0 && !e.disabled && SameText(StripHotKeyMarks(e.text), wanted)) return e.number;
  }
  return 0;
}

}  // namespace kv
