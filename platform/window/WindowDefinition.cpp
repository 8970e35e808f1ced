#include "platform/window/WindowDefinition.h"

#include <cctype>

namespace kv {

const char* ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kPrompt:
      return "prompt";
    case ControlKind::kGroup:
      return "group";
    case ControlKind::kImage:
      return "image";
    case ControlKind::kEntry:
      return "entry";
    case ControlKind::kButton:
      return "button";
    case ControlKind::kCheck:
      return "check box";
    case ControlKind::kList:
      return "list";
    case ControlKind::kMenuBar:
      return "menu bar";
    case ControlKind::kMenu:
      return "menu";
    case ControlKind::kMenuItem:
      return "menu item";
    case ControlKind::kSeparator:
      return "separator";
    case ControlKind::kSheet:
      return "sheet";
    case ControlKind::kTab:
      return "tab";
  }
  return "control";
}

WindowDefinition::WindowDefinition(std::string caption) : caption_(std::move(caption)) {}

WindowDefinition& WindowDefinition::Size(int width, int height) {
  rect.width = width;
  rect.height = height;
  return *this;
}
WindowDefinition& WindowDefinition::Position(int x, int y) {
  rect.x = x;
  rect.y = y;
  return *this;
}
WindowDefinition& WindowDefinition::Font(std::string f) {
  font = std::move(f);
  return *this;
}
WindowDefinition& WindowDefinition::Icon(std::string i) {
  icon = std::move(i);
  return *this;
}
WindowDefinition& WindowDefinition::Resizable(bool on) {
  resizable = on;
  return *this;
}
WindowDefinition& WindowDefinition::Maximized(bool on) {
  maximized = on;
  return *this;
}
WindowDefinition& WindowDefinition::Minimized(bool on) {
  minimized = on;
  return *this;
}
WindowDefinition& WindowDefinition::MinimumSize(int width, int height) {
  minWidth = width;
  minHeight = height;
  return *this;
}
WindowDefinition& WindowDefinition::MaximumSize(int width, int height) {
  maxWidth = width;
  maxHeight = height;
  return *this;
}
WindowDefinition& WindowDefinition::Timer(int hundredths) {
  timer = hundredths;
  return *this;
}

WindowDefinition& WindowDefinition::Add(ControlKind kind, std::string label, std::string text) {
  Control c;
  c.kind = kind;
  c.label = std::move(label);
  c.text = std::move(text);
  bool inMenu = kind == ControlKind::kMenu || kind == ControlKind::kMenuItem ||
                kind == ControlKind::kSeparator;
  if (kind == ControlKind::kMenuBar || kind == ControlKind::kSeparator) {
    c.number = 0;
  } else if (inMenu) {
    c.number = nextMenuNumber_--;
  } else {
    c.number = nextNumber_++;
  }
  if (inMenu) {
    c.parent = openMenus_.empty() ? 0 : openMenus_.back();
  } else if (kind == ControlKind::kTab) {
    c.parent = lastSheet_;
  } else if (kind != ControlKind::kMenuBar) {
    c.parent = currentTab_;
  }
  controls_.push_back(std::move(c));
  return *this;
}

Control& WindowDefinition::Last() {
  // Attribute calls before the first control land on a scratch control and change nothing.
  return controls_.empty() ? scratch_ : controls_.back();
}

WindowDefinition& WindowDefinition::Prompt(std::string label, std::string text) {
  return Add(ControlKind::kPrompt, std::move(label), std::move(text));
}
WindowDefinition& WindowDefinition::Entry(std::string label, std::string picture) {
  Add(ControlKind::kEntry, std::move(label), {});
  if (!picture.empty() && picture.front() == '@') picture.erase(0, 1);
  Last().picture = std::move(picture);
  return *this;
}
WindowDefinition& WindowDefinition::CheckBox(std::string label, std::string text) {
  return Add(ControlKind::kCheck, std::move(label), std::move(text));
}
WindowDefinition& WindowDefinition::Button(std::string label, std::string text) {
  return Add(ControlKind::kButton, std::move(label), std::move(text));
}
WindowDefinition& WindowDefinition::List(std::string label, std::string format) {
  Add(ControlKind::kList, std::move(label), {});
  Last().format = format;
  (void)ParseListFormat(format, &Last().columns);  // a bad format shows the columns it could read
  return *this;
}
WindowDefinition& WindowDefinition::Sheet(std::string label) {
  currentTab_ = 0;
  Add(ControlKind::kSheet, std::move(label), {});
  lastSheet_ = Last().number;
  return *this;
}
WindowDefinition& WindowDefinition::Tab(std::string label, std::string text) {
  currentTab_ = 0;
  Add(ControlKind::kTab, std::move(label), std::move(text));
  currentTab_ = Last().number;
  return *this;
}
WindowDefinition& WindowDefinition::EndSheet() {
  currentTab_ = 0;
  return *this;
}
WindowDefinition& WindowDefinition::Image(std::string label, std::string picture) {
  Add(ControlKind::kImage, std::move(label), {});
  Last().icon = std::move(picture);
  return *this;
}
WindowDefinition& WindowDefinition::Group(std::string label, std::string text) {
  return Add(ControlKind::kGroup, std::move(label), std::move(text));
}
WindowDefinition& WindowDefinition::MenuBar(std::string label) {
  Add(ControlKind::kMenuBar, std::move(label), {});
  openMenus_.assign(1, 0);
  return *this;
}
WindowDefinition& WindowDefinition::Menu(std::string label, std::string text) {
  Add(ControlKind::kMenu, std::move(label), std::move(text));
  openMenus_.push_back(Last().number);
  return *this;
}
WindowDefinition& WindowDefinition::Item(std::string label, std::string text) {
  return Add(ControlKind::kMenuItem, std::move(label), std::move(text));
}
WindowDefinition& WindowDefinition::Separator() {
  return Add(ControlKind::kSeparator, {}, {});
}
WindowDefinition& WindowDefinition::EndMenu() {
  if (openMenus_.size() > 1) openMenus_.pop_back();
  return *this;
}

WindowDefinition& WindowDefinition::At(int x, int y, int width, int height) {
  Last().rect = Rect{x, y, width, height};
  return *this;
}
WindowDefinition& WindowDefinition::Text(std::string text) {
  Last().text = std::move(text);
  return *this;
}
WindowDefinition& WindowDefinition::Hidden(bool on) {
  Last().hidden = on;
  return *this;
}
WindowDefinition& WindowDefinition::Disabled(bool on) {
  Last().disabled = on;
  return *this;
}
WindowDefinition& WindowDefinition::ReadOnly(bool on) {
  Last().readOnly = on;
  return *this;
}
WindowDefinition& WindowDefinition::Password(bool on) {
  Last().password = on;
  return *this;
}
WindowDefinition& WindowDefinition::Default(bool on) {
  Last().isDefault = on;
  return *this;
}
WindowDefinition& WindowDefinition::Tip(std::string tip) {
  Last().tip = std::move(tip);
  return *this;
}
WindowDefinition& WindowDefinition::ControlIcon(std::string icon) {
  Last().icon = std::move(icon);
  return *this;
}
WindowDefinition& WindowDefinition::ControlFont(std::string font) {
  Last().font = std::move(font);
  return *this;
}
WindowDefinition& WindowDefinition::ScrollBar(bool on) {
  Last().scrollBar = on;
  return *this;
}
WindowDefinition& WindowDefinition::Immediate(bool on) {
  Last().immediate = on;
  return *this;
}
WindowDefinition& WindowDefinition::Action(StandardAction action) {
  Last().action = action;
  return *this;
}
WindowDefinition& WindowDefinition::Property(int number, std::string value) {
  Last().properties[number] = std::move(value);
  return *this;
}

WindowDefinition& WindowDefinition::Number(int number) {
  Control& c = Last();
  if (number <= 0 || c.number <= 0 || &c == &scratch_) return *this;
  // A renumbered sheet or tab stays the parent of what follows it.
  if (lastSheet_ == c.number) lastSheet_ = number;
  if (currentTab_ == c.number) currentTab_ = number;
  c.number = number;
  nextNumber_ = number + 1;
  return *this;
}

int WindowDefinition::Find(std::string_view label) const {
  for (const Control& c : controls_) {
    if (c.label.size() != label.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < label.size() && same; ++i) {
      same = std::toupper(static_cast<unsigned char>(c.label[i])) ==
             std::toupper(static_cast<unsigned char>(label[i]));
    }
    if (same) return c.number;
  }
  return 0;
}

}  // namespace kv
