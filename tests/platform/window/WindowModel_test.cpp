#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/KeyCode.h"
#include "platform/window/ListFormat.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "platform/window/WindowDefinition.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

// The frame of the program: menus and items get negative numbers in order, while the menu
// bar and separators stay unnumbered.
TEST(WindowDefinition, NumbersControlsMenusAndTabPages) {
  WindowDefinition def("Frame");
  def.MenuBar("?MENUBAR");
  def.Menu("?ARTICULOS", "Articulos");
  def.Item("?BROWSEARTICULOS", "Browse Articulos");
  def.Separator();
  def.Item("?EXIT", "Exit").Action(StandardAction::kClose);
  def.EndMenu();
  def.List("?BROWSE:1", "80L(2)|M~Code~@s20@").At(4, 4, 200, 100).Immediate();
  def.Sheet("?CURRENTTAB");
  def.Tab("?TAB:1", "&1) General");
  def.Entry("?PRO:PCODE", "@s20");
  def.EndSheet();
  def.Button("?OK", "&OK");
  struct Case {
    const char* label;
    int number;
    ControlKind kind;
    int parent;
  };
  const Case cases[] = {
      {"?ARTICULOS", -1, ControlKind::kMenu, 0},
      {"?BROWSEARTICULOS", -2, ControlKind::kMenuItem, -1},
      {"?EXIT", -3, ControlKind::kMenuItem, -1},
      {"?BROWSE:1", 1, ControlKind::kList, 0},
      {"?CURRENTTAB", 2, ControlKind::kSheet, 0},
      {"?TAB:1", 3, ControlKind::kTab, 2},
      {"?pro:pcode", 4, ControlKind::kEntry, 3},
      {"?OK", 5, ControlKind::kButton, 0},
      {"?MENUBAR", 0, ControlKind::kMenuBar, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(def.Find(c.label), c.number);
    for (const Control& ctl : def.Controls()) {
      if (ctl.label.empty() || def.Find(ctl.label) != c.number || ctl.number != c.number) continue;
      EXPECT_EQ(ctl.kind, c.kind);
      EXPECT_EQ(ctl.parent, c.parent);
    }
  }
  Window w = Window::Open(def);
  EXPECT_EQ(w.Find("?EXIT"), -3);
  EXPECT_EQ(w.Find("?MENUBAR"), 0) << "unnumbered controls cannot be addressed by number";
  EXPECT_EQ(w.ControlCopy(4)->picture, "s20") << "a leading @ is dropped";
  EXPECT_EQ(w.Columns(1).size(), 1u);
  int created = w.CreateControl(ControlKind::kEntry, 0, "?EDIT");
  EXPECT_EQ(created, 6) << "run-time controls follow the highest number";
  w.SetColumnEditControl(1, 1, created);
  EXPECT_EQ(w.ColumnEditControl(1, 1), created);
  w.DestroyControl(created);
  EXPECT_FALSE(w.HasControl(created));
  EXPECT_EQ(w.ColumnEditControl(1, 1), 0) << "destroying the editor empties the edit slot";
  w.Close();
}

TEST(ListFormat, ParsesColumnsOfTheProductList) {
  std::vector<ListColumn> cols;
  ASSERT_TRUE(ParseListFormat(
      "80L(2)|M~PC ode~L(2)@s20@80L(2)|M~Description~L(2)@s50@64D(28)|M~Price~C(0)@n-14.2@"
      "64R(2)|M~Provider ID~C(0)@n-14@",
      &cols));
  ASSERT_EQ(cols.size(), 4u);
  struct Want {
    int width;
    char align;
    int indent;
    const char* header;
    char headerAlign;
    const char* picture;
  };
  const Want want[] = {{80, 'L', 2, "PC ode", 'L', "s20"},
                       {80, 'L', 2, "Description", 'L', "s50"},
                       {64, 'D', 28, "Price", 'C', "n-14.2"},
                       {64, 'R', 2, "Provider ID", 'C', "n-14"}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cols[i].width, want[i].width);
    EXPECT_EQ(cols[i].align, want[i].align);
    EXPECT_EQ(cols[i].indent, want[i].indent);
    EXPECT_EQ(cols[i].header, want[i].header);
    EXPECT_EQ(cols[i].headerAlign, want[i].headerAlign);
    EXPECT_EQ(cols[i].picture, want[i].picture);
    EXPECT_TRUE(cols[i].rightBorder);
    EXPECT_TRUE(cols[i].resizable);
  }
  // Numbers past any sensible width are refused rather than overflowing (found by fuzzing).
  for (const char* bad :
       {"L(2)", "80L(2", "80L~open", "80L@s20", "2170000000L", "80L(99999999999)", "1000001L"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseListFormat(bad, &cols));
  }
}

TEST(MenuDefinition, NumbersSelectableEntriesAndFindsThemByText) {
  // As the pop-up menu manager builds it: leading "|", marks, property blocks, a sub-menu.
  auto entries = ParseMenuDefinition(
      "|[31848(~INSERT.ICO),31290(1)]&Insert|~[31290(0)]&Change|-|+Sorted{By &Code|By "
      "{Name}}|[31848(~a|b{c}.ico),31290(0)]&Delete");
  struct Want {
    const char* text;
    int depth;
    int number;
    bool disabled;
    bool separator;
  };
  const Want want[] = {{"&Insert", 1, 1, false, false},  {"&Change", 1, 2, true, false},
                       {"", 1, 0, false, true},          {"Sorted", 1, 0, false, false},
                       {"By &Code", 2, 3, false, false}, {"By ", 2, 0, false, false},
                       {"Name", 3, 4, false, false},     {"&Delete", 1, 5, false, false}};
  ASSERT_EQ(entries.size(), std::size(want));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].text, want[i].text);
    EXPECT_EQ(entries[i].depth, want[i].depth);
    EXPECT_EQ(entries[i].number, want[i].number);
    EXPECT_EQ(entries[i].disabled, want[i].disabled);
    EXPECT_EQ(entries[i].separator, want[i].separator);
  }
  EXPECT_TRUE(entries[3].checked);
  EXPECT_EQ(entries[0].icon, "INSERT.ICO");
  EXPECT_TRUE(entries[0].showIcon);
  EXPECT_FALSE(entries[1].showIcon) << "31290(0) hides the icon";
  EXPECT_EQ(entries[7].icon, "a|b{c}.ico") << "marks inside a property block are plain";
  EXPECT_FALSE(entries[7].showIcon);
  EXPECT_EQ(FindMenuEntry(entries, "insert"), 1);
  EXPECT_EQ(FindMenuEntry(entries, "Change"), 0) << "a disabled entry cannot be chosen";
  EXPECT_EQ(FindMenuEntry(entries, "Sorted"), 0) << "a sub-menu title cannot be chosen";
  EXPECT_EQ(FindMenuEntry(entries, "&Delete"), 5);
  EXPECT_EQ(StripHotKeyMarks("Save && &Close"), "Save & Close");
}

TEST(KeyCode, NamesRoundTrip) {
  struct Case {
    const char* name;
    int code;
  };
  const Case cases[] = {{"Insert", kKeyInsert},
                        {"Delete", kKeyDelete},
                        {"Ctrl+Enter", kCtrl | kKeyEnter},
                        {"Shift+Enter", kShift | kKeyEnter},
                        {"Ctrl+H", kCtrl | 'H'},
                        {"Ctrl+Home", kCtrl | kKeyHome},
                        {"Ctrl+End", kCtrl | kKeyEnd},
                        {"PageDown", kKeyPageDown},
                        {"MouseRightUp", kMouseRightUp},
                        {"MouseLeft2", kMouseLeft2},
                        {"F10", kKeyF1 + 9},
                        {"A", 'A'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseKeyName(c.name), c.code);
    EXPECT_EQ(KeyName(c.code), c.name);
  }
  EXPECT_EQ(ParseKeyName("ctrl+enter"), kCtrl | kKeyEnter) << "case does not matter";
  for (const char* bad : {"", "Hyper+A", "Ctrl+", "NoSuchKey", "F13"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ParseKeyName(bad), kKeyNone);
  }
  EXPECT_EQ(KeyName(kMouseRightUp), "MouseRightUp");
  struct Typed {
    int code;
    char ch;
  };
  for (const Typed& t :
       {Typed{'A', 'a'}, Typed{kShift | 'A', 'A'}, Typed{'7', '7'}, Typed{kKeySpace, ' '},
        Typed{kCtrl | 'H', 0}, Typed{kKeyDown, 0}, Typed{kMouseLeft, 0}, Typed{kKeyF1, 0}}) {
    SCOPED_TRACE(t.code);
    EXPECT_EQ(KeyChar(t.code), t.ch);
  }
}

TEST(UserInput, RefusesGesturesThatAUserCouldNotMake) {
  WindowDefinition def("Gestures");
  def.Entry("?E", "s10");
  def.Entry("?RO", "s10").ReadOnly();
  def.Button("?B", "Go");
  def.Button("?OFF", "Off").Disabled();
  def.Button("?GONE", "Gone").Hidden();
  def.List("?L", "40L@s10@").At(0, 0, 50, 40);
  // The window belongs to the test's own thread; its events go nowhere, which is fine here.
  Window w = Window::Open(def);
  WindowId id = w.Id();
  struct Case {
    const char* what;
    InputStatus got;
    InputStatus want;
  };
  const Case cases[] = {
      {"type into entry", TypeInto(id, 1, "x"), InputStatus::kOk},
      {"type into read-only", TypeInto(id, 2, "x"), InputStatus::kReadOnly},
      {"type into button", TypeInto(id, 3, "x"), InputStatus::kWrongKind},
      {"press disabled", Press(id, 4), InputStatus::kDisabled},
      {"press hidden", Press(id, 5), InputStatus::kHidden},
      {"press missing", Press(id, 99), InputStatus::kNoControl},
      {"press entry", Press(id, 1), InputStatus::kWrongKind},
      {"click row past end", ClickRow(id, 6, 1, kMouseLeft), InputStatus::kNoRow},
      {"click header", ClickRow(id, 6, 0, kMouseLeft2), InputStatus::kOk},
      {"resize fixed window", ResizeWindow(id, 10, 10), InputStatus::kWrongKind},
      {"timer without timer", TimerTick(id), InputStatus::kWrongKind},
      {"closed window", Press(999999, 1), InputStatus::kNoWindow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.got, c.want);
  }
  EXPECT_EQ(w.Text(1), "x");
  EXPECT_EQ(w.LastDoubleClickArea(6), 2) << "a double click on the headers";
  EXPECT_EQ(w.VisibleRows(6), 4) << "40 units of height, 10 per row, no header";
  w.Close();
}

}  // namespace
}  // namespace kv
