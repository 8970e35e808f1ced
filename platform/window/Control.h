#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/ListFormat.h"

namespace kv {

// Control kinds. The numbers are the control type numbers that programs read back (the
// resize rules are written in terms of them).
enum class ControlKind : int {
  kPrompt = 1,
  kGroup = 3,
  kImage = 4,
  kEntry = 8,
  kButton = 9,
  kCheck = 12,
  kList = 14,
  kMenuBar = 19,
  kMenu = 20,
  kMenuItem = 22,
  kSeparator = 24,
  kSheet = 37,
  kTab = 38,
};

// The name of a kind for scripts and messages ("entry", "button", "menu item").
const char* ControlKindName(ControlKind kind);

// Standard actions a control can carry in place of program code.
enum class StandardAction : int { kNone = 0, kClose = 1, kHelp = 2 };

// A rectangle in dialog units.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

// The link between a control and the variable it shows. Implementations format the variable
// for display and read text back into it; they are called only on the thread that owns the
// window (which owns the variable), never with the window model's lock held.
class ControlBinding {
 public:
  virtual ~ControlBinding() = default;
  // The variable formatted for the screen.
  virtual std::string Display() const = 0;
  // Stores `text` into the variable. Returns false, leaving the variable unchanged, when the
  // text does not fit (the picture rejects it).
  [[nodiscard]] virtual bool Accept(const std::string& text) = 0;
};

// Where a list control gets its rows. Read on the owning thread when the list is displayed;
// the model keeps a copy of the cell texts so that backends never touch the source.
class ListSource {
 public:
  virtual ~ListSource() = default;
  virtual int RowCount() const = 0;
  // Text of column `column` (from 1) of row `row` (from 1), already formatted for display.
  virtual std::string Cell(int row, int column) const = 0;
};

// One control of a window, as plain data. The window model keeps these; programs read and
// change them through Window, backends read copies.
struct Control {
  int number = 0;     // from 1 in definition order; menus and menu items negative; 0 unnumbered
  std::string label;  // "?LOC:SERVER"; the address used by scripts
  ControlKind kind = ControlKind::kPrompt;
  std::string text;  // caption of prompts, buttons, check boxes, menus; screen text of entries
  Rect rect;
  bool hidden = false;
  bool disabled = false;
  bool readOnly = false;
  bool password = false;   // an entry that masks what is typed
  bool isDefault = false;  // the default button
  bool checked = false;    // check boxes and menu items
  std::string icon;
  std::string tip;
  std::string font;
  std::string picture;  // entry picture without "@" ("s30")
  int parent = 0;       // containing control (tab for controls on a sheet page, menu for items)
  int textColor = -1;
  StandardAction action = StandardAction::kNone;
  std::map<int, int> alerts;              // alert table: position (1..255) -> key code
  std::map<int, std::string> properties;  // numbered properties, as text
  bool created = false;                   // made at run time (CreateControl)

  // Lists.
  std::string format;
  std::vector<ListColumn> columns;
  std::vector<std::vector<std::string>> rows;  // cell texts as last displayed
  int choice = 0;                              // highlighted row (from 1); 0 none
  int selectedTab = 0;                         // sheets: the number of the tab shown
  bool scrollBar = false;                      // vertical scroll bar shown
  bool immediate = false;       // the list reports scroll requests instead of scrolling itself
  int thumb = 0;                // thumb position 0..100
  int lastClickRow = 0;         // row under the last mouse click (0: none, -1: header)
  int lastClickColumn = 0;      // column under the last mouse click (0: not known)
  int lastDoubleClickArea = 0;  // 1 rows, 2 column headers, 0 elsewhere
  int visibleRows = -1;         // rows that fit; -1 computed from the height

  std::shared_ptr<ControlBinding> binding;  // the bound variable, or null
  std::shared_ptr<ListSource> source;       // list rows, or null

  // True for kinds that can have the keyboard focus (a click, Tab or the program's selection
  // gives it to them): entries, check boxes that can change, buttons, lists and sheets.
  // Whether it can take it now depends on its state as well (WindowState::CanFocus).
  bool TakesFocus() const {
    return kind == ControlKind::kEntry || (kind == ControlKind::kCheck && !readOnly) ||
           kind == ControlKind::kButton || kind == ControlKind::kList ||
           kind == ControlKind::kSheet;
  }

  // True for kinds that take input and are validated by accept-all.
  bool TakesInput() const {
    return kind == ControlKind::kEntry || kind == ControlKind::kCheck ||
           (binding != nullptr && kind != ControlKind::kPrompt);
  }
};

// Colours are 0xBBGGRR; -1 is the default colour. Values from kSystemColor up name a colour
// of the desktop's scheme, which a backend resolves: kColorGrayText is the scheme's colour for
// text that cannot be changed.
constexpr int kSystemColor = 0x01000000;
constexpr int kColorGrayText = kSystemColor + 17;

// Height of one list row, and of the header line, in dialog units: the headless backend
// derives the visible-row count from them (the desktop backend measures its own).
constexpr int kListRowHeight = 10;

}  // namespace kv
