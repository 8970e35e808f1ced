#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/window/Control.h"

namespace kv {

// A declarative window definition: caption, size, attributes and controls in number order.
// The program's own windows are written with it in app/windows/:
//
//   WindowDefinition def("MSSQL Connect");
//   def.Size(200, 120).Font("MS Sans Serif");
//   def.Prompt("?STRING1", "Server:").At(8, 8, 40, 10);
//   def.Entry("?LOC:SERVER", "s30").At(50, 8, 100, 10);
//   def.Button("?OKBUTTON", "&Connect").At(50, 90, 50, 14).Default();
//   def.MenuBar("?MENUBAR");
//   def.Menu("?ARTICULOS", "Articulos");
//   def.Item("?BROWSEARTICULOS", "Browse Articulos");
//   def.Separator();
//   def.Item("?EXIT", "Exit").Action(StandardAction::kClose);
//   def.EndMenu();
//
// Ordinary controls are numbered 1, 2, ... in the order they are added; menus and menu items
// -1, -2, ...; the menu bar and separators get no number (0). Each adding call returns the
// definition so that attribute calls (At, Hidden, Tip, ...) apply to the control just added.
// A definition is plain data, copied into the window model when a window opens. Thread: any;
// not shared between threads while being built.
class WindowDefinition {
 public:
  explicit WindowDefinition(std::string caption = {});

  // Window attributes.
  WindowDefinition& Size(int width, int height);
  WindowDefinition& Position(int x, int y);
  WindowDefinition& Font(std::string font);
  WindowDefinition& Icon(std::string icon);
  WindowDefinition& Resizable(bool on = true);
  WindowDefinition& Maximized(bool on = true);
  WindowDefinition& Minimized(bool on = true);
  WindowDefinition& MinimumSize(int width, int height);
  WindowDefinition& MaximumSize(int width, int height);
  WindowDefinition& Timer(int hundredths);

  // Controls.
  WindowDefinition& Prompt(std::string label, std::string text);
  WindowDefinition& Entry(std::string label, std::string picture);
  WindowDefinition& CheckBox(std::string label, std::string text);
  WindowDefinition& Button(std::string label, std::string text);
  WindowDefinition& List(std::string label, std::string format);
  WindowDefinition& Sheet(std::string label);
  // A page of the last sheet; controls added after it lie on that page (their parent is the
  // tab) until the next Tab or EndSheet.
  WindowDefinition& Tab(std::string label, std::string text);
  WindowDefinition& EndSheet();
  WindowDefinition& Image(std::string label, std::string picture);
  WindowDefinition& Group(std::string label, std::string text);
  WindowDefinition& MenuBar(std::string label);
  WindowDefinition& Menu(std::string label, std::string text);  // opens a (sub-)menu
  WindowDefinition& Item(std::string label, std::string text);
  WindowDefinition& Separator();
  WindowDefinition& EndMenu();

  // Attributes of the control added last.
  WindowDefinition& At(int x, int y, int width, int height);
  WindowDefinition& Text(std::string text);
  WindowDefinition& Hidden(bool on = true);
  WindowDefinition& Disabled(bool on = true);
  WindowDefinition& ReadOnly(bool on = true);
  WindowDefinition& Password(bool on = true);  // the entry masks what is typed
  WindowDefinition& Default(bool on = true);
  WindowDefinition& Tip(std::string tip);
  WindowDefinition& ControlIcon(std::string icon);
  WindowDefinition& ControlFont(std::string font);
  WindowDefinition& ScrollBar(bool on = true);
  WindowDefinition& Immediate(bool on = true);
  WindowDefinition& Action(StandardAction action);
  WindowDefinition& Property(int number, std::string value);
  // Gives the control added last the fixed number `number` (above 0) in place of the next
  // one in order; controls added afterwards go on from `number` + 1. The caller keeps the
  // numbers of one window distinct (a window whose controls are known by fixed numbers).
  WindowDefinition& Number(int number);

  // Read access.
  const std::string& Caption() const { return caption_; }
  const std::vector<Control>& Controls() const { return controls_; }
  // Number of the control with `label` (case-insensitive), 0 when there is none.
  int Find(std::string_view label) const;

  // Window attributes as data.
  Rect rect{0, 0, 300, 200};
  std::string font;
  std::string icon;
  bool resizable = false;
  bool maximized = false;
  bool minimized = false;
  int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;  // 0: no limit
  int timer = 0;

 private:
  WindowDefinition& Add(ControlKind kind, std::string label, std::string text);
  Control& Last();

  std::string caption_;
  std::vector<Control> controls_;
  Control scratch_;
  int nextNumber_ = 1;
  int nextMenuNumber_ = -1;
  int lastSheet_ = 0;
  int currentTab_ = 0;
  std::vector<int> openMenus_;  // numbers of the menus being filled (0: the menu bar)
};

}  // namespace kv
