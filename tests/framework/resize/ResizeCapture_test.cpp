#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/resize/ResizeManager.h"
#include "tests/framework/resize/ResizeFixture.h"

namespace kv {
namespace {

using test::Show;
using test::WithWindow;

// A sheet with a page holding an entry and a button, a group holding a check box, and a
// button on the window itself.
constexpr int kSheet = 1, kTabOne = 2, kOnTab = 3, kTabButton = 4, kTabTwo = 5, kGroup = 6,
              kInGroup = 7, kClose = 8;

WindowDefinition Nested() {
  WindowDefinition def("Nested");
  def.Size(400, 300).Resizable();
  def.Sheet("?SHEET").At(10, 10, 380, 200);
  def.Tab("?TAB1", "One");
  def.Entry("?A", "s10").At(20, 40, 100, 10);
  def.Button("?B", "Go").At(300, 180, 50, 14);
  def.Tab("?TAB2", "Two");
  def.EndSheet();
  def.Group("?GROUP", "Options").At(10, 220, 200, 60);
  def.CheckBox("?CHECK", "Keep").At(120, 265, 80, 10);
  def.Button("?CLOSE", "Close").At(320, 260, 50, 14);
  return def;
}

// Controls on a tab page belong to the sheet, controls inside a group's area to the group, and
// each is laid out inside its parent's new rectangle.
TEST(ResizeCapture, NestedControlsFollowTheirSheetOrGroup) {
  WithWindow(Nested(), [](Window w) {
    ResizeManager m;
    m.Init(w, 2, false, false);
    const std::map<int, int> parents{{kSheet, 0}, {kOnTab, kSheet},   {kTabButton, kSheet},
                                     {kGroup, 0}, {kInGroup, kGroup}, {kClose, 0}};
    for (const auto& [control, parent] : parents) {
      EXPECT_EQ(m.GetParentID(control), parent) << "control " << control;
    }
    EXPECT_EQ(m.Find(kTabOne), nullptr);  // tabs are not laid out themselves
    EXPECT_EQ(m.Find(kTabTwo), nullptr);
    EXPECT_EQ(m.Find(kSheet)->HASCHILDREN, 1);
    EXPECT_EQ(m.Find(kGroup)->HASCHILDREN, 1);

    w.SetPosition({0, 0, 600, 450});
    (void)m.Resize(0);
    const std::map<int, Rect> expected{
        {kSheet, {10, 10, 580, 350}},     {kOnTab, {25, 40, 153, 10}},
        {kTabButton, {500, 330, 50, 14}}, {kGroup, {10, 220, 400, 210}},
        {kInGroup, {320, 415, 80, 10}},   {kClose, {520, 410, 50, 14}}};
    for (const auto& [control, rect] : expected) {
      EXPECT_EQ(Show(w.ControlRect(control)), Show(rect)) << "control " << control;
    }

    // Laying out one control's children: the sheet put back by the program takes its page's
    // controls along; nothing else moves.
    w.SetControlRect(kSheet, {10, 10, 380, 200});
    (void)m.Resize(kSheet);
    EXPECT_EQ(Show(w.ControlRect(kOnTab)), Show({20, 40, 100, 10}));
    EXPECT_EQ(Show(w.ControlRect(kTabButton)), Show({300, 180, 50, 14}));
    EXPECT_EQ(Show(w.ControlRect(kInGroup)), Show(expected.at(kInGroup)));
    EXPECT_EQ(m.PREVIOUSWIN.width, 600);  // a control's resize is not the window's
    // A control that happens to have the window's initial size is laid out like any other:
    // it does not put the whole window back to its initial layout.
    w.SetControlRect(kSheet, {10, 10, 400, 300});
    (void)m.Resize(kSheet);
    EXPECT_EQ(Show(w.ControlRect(kOnTab)), Show({21, 40, 105, 10}));
    EXPECT_EQ(Show(w.ControlRect(kClose)), Show(expected.at(kClose)));
    EXPECT_EQ(m.Resize(99), 0);  // unknown control: nothing
  });
}

// Areas inside areas: the control processed last claims what lies inside it, a control never
// claims its own parent, and no loop of parents can be made.
TEST(ResizeCapture, OverlappingAreasAndParentLoops) {
  WindowDefinition def("Areas");
  def.Size(400, 300).Resizable();
  def.Group("?OUTER", "").At(10, 10, 200, 200);  // 1
  def.Group("?INNER", "").At(20, 20, 100, 100);  // 2
  def.CheckBox("?C", "").At(30, 30, 20, 10);     // 3
  def.Group("?TWIN", "").At(20, 20, 50, 50);     // 4: same corner as INNER
  WithWindow(def, [](Window w) {
    ResizeManager m;
    m.Init(w, 2, false, false);
    // OUTER claims everything; INNER, processed later, claims C and TWIN; TWIN, later still,
    // claims C but not INNER, whose corner it shares, because TWIN already belongs to INNER.
    EXPECT_EQ(m.GetParentID(2), 1);
    EXPECT_EQ(m.GetParentID(4), 2);
    EXPECT_EQ(m.GetParentID(3), 4);
    m.SetParent(1, 3);  // OUTER under its own grandchild: refused
    EXPECT_EQ(m.GetParentID(1), 0);
    m.SetParent(2, 2);  // itself: nothing
    EXPECT_EQ(m.GetParentID(2), 1);
    m.CONTROLQUEUE->at(0).PARENTID = 3;  // a loop made by hand still ends
    w.SetPosition({0, 0, 500, 400});
    EXPECT_EQ(m.Resize(1), 0);  // returns at all: the loop is not followed without end
    EXPECT_FALSE(m.RESIZELIST->empty());
  });
}

// What Init captures: menus, tabs and controls marked to be left alone are not laid out; a
// drop-down list counts as an entry. CaptureControls again takes new initial rectangles and
// new controls, and keeps what was set for the known ones.
TEST(ResizeCapture, CaptureSkipsAndRecaptures) {
  WindowDefinition def("Capture");
  def.Size(400, 300).Resizable();
  def.MenuBar("?MENUBAR");
  def.Menu("?FILE", "File");
  def.Item("?EXIT", "Exit");
  def.EndMenu();
  def.Entry("?PLAIN", "s10").At(10, 10, 100, 10);                                  // 1
  def.List("?DROP", "20L").At(10, 30, 100, 10).Property(kPropertyDropDown, "1");   // 2
  def.List("?LIST", "20L").At(10, 50, 100, 100);                                   // 3
  def.Button("?ALONE", "A").At(200, 10, 50, 14).Property(kPropertyNoResize, "1");  // 4
  def.Button("?ZERO", "Z").At(200, 30, 50, 14).Property(kPropertyNoResize, "0");   // 5
  def.Sheet("?SHEET").At(200, 50, 150, 100);                                       // 6
  def.Tab("?TAB", "Page");                                                         // 7
  def.EndSheet();
  WithWindow(def, [](Window w) {
    ResizeManager m;
    m.Init(w, 2, false, false);
    struct Expected {
      std::int32_t id, type;
      std::uint16_t positional, resize;
    };
    const std::vector<Expected> expected{
        {1, 8, 1024, 2}, {2, 8, 1024, 2}, {3, 14, 1028, 12}, {5, 9, 4112, 3}, {6, 37, 1028, 12}};
    ASSERT_EQ(m.CONTROLQUEUE->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const auto& r = m.CONTROLQUEUE->at(i);
      // A scoped trace would leave a per-thread record behind on this short-lived thread.
      const std::string which = "control " + std::to_string(expected[i].id);
      EXPECT_EQ(r.ID, expected[i].id) << which;
      EXPECT_EQ(r.TYPE, expected[i].type) << which;
      EXPECT_EQ(r.POSITIONALSTRATEGY, expected[i].positional) << which;
      EXPECT_EQ(r.RESIZESTRATEGY, expected[i].resize) << which;
    }
    EXPECT_EQ(Show(m.ORIGWIN.Rectangle()), Show({0, 0, 400, 300}));

    w.SetPosition({0, 0, 500, 300});
    (void)m.Resize(0);
    EXPECT_EQ(m.RESIZECALLED, 1);
    EXPECT_EQ(Show(w.ControlRect(4)), Show({200, 10, 50, 14}));  // left alone

    ASSERT_TRUE(m.SetStrategy(1, kKeepAbsolute | Vertical(kKeepAbsolute), 3));
    EXPECT_FALSE(m.SetStrategy(4, 0, 0));
    w.SetControlRect(1, {15, 15, 90, 10});
    const int created = w.CreateControl(ControlKind::kButton);
    w.SetControlRect(created, {300, 250, 40, 14});
    m.CaptureControls();
    EXPECT_EQ(m.RESIZECALLED, 0);
    EXPECT_EQ(Show(m.ORIGWIN.Rectangle()), Show({0, 0, 500, 300}));
    EXPECT_EQ(Show(m.Find(1)->POS), Show({15, 15, 90, 10}));
    EXPECT_EQ(m.Find(1)->POSITIONALSTRATEGY, kKeepAbsolute | Vertical(kKeepAbsolute));
    ASSERT_NE(m.Find(created), nullptr);
    EXPECT_EQ(m.Find(created)->POSITIONALSTRATEGY, 4112);

    w.SetPosition({0, 0, 600, 300});
    (void)m.Resize(0);
    EXPECT_EQ(Show(w.ControlRect(1)), Show({15, 15, 90, 10}));          // its own strategy
    EXPECT_EQ(Show(w.ControlRect(created)), Show({400, 250, 40, 14}));  // right gap of 160
  });
}

// The per-control properties: a control that keeps its own width, and a parent whose children
// are laid out again even when it did not move.
TEST(ResizeCapture, ControlProperties) {
  struct Case {
    const char* name;
    int control;  // where the property goes
    int property;
    int watched;  // the control whose rectangle is checked
    Rect expected;
  };
  const Case cases[] = {
      {"no property: the child the program moved stays", 0, 0, kInGroup, {0, 0, 80, 10}},
      {"parent laid out always: the child goes back",
       kGroup,
       kPropertyAlwaysLayoutChildren,
       kInGroup,
       {120, 265, 80, 10}},
      {"own width: the sheet moves, its width stays",
       kSheet,
       kPropertyOwnWidth,
       kSheet,
       {10, 10, 380, 350}},
      {"own width \"0\" counts as not set", kSheet, 0, kSheet, {10, 10, 580, 350}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WithWindow(Nested(), [&](Window w) {
      if (c.control != 0) w.SetProperty(c.control, c.property, "1");
      if (c.property == 0 && c.control == 0) w.SetProperty(kSheet, kPropertyOwnWidth, "0");
      ResizeManager m;
      m.Init(w, 2, false, false);
      ASSERT_TRUE(m.SetStrategy(kGroup, kKeepAbsolute | Vertical(kKeepAbsolute), 3));
      w.SetControlRect(kInGroup, {0, 0, 80, 10});
      w.SetPosition({0, 0, 600, 450});
      (void)m.Resize(0);
      EXPECT_EQ(Show(w.ControlRect(c.watched)), Show(c.expected));
    });
  }
}

// Set-up and teardown: handlers registered once however often Init runs, removed by Kill and
// by the destructor; sizes limited on request; nothing happens before Init or after Kill.
TEST(ResizeCapture, LifeCycle) {
  const int codes[] = {kEventFocusGained, kEventSized, kEventStateChanged, kEventDeferredResize};
  auto handlers = [&](Window w) {
    std::size_t n = 0;
    for (int code : codes) n += w.HandlersFor(code).size();
    return n;
  };
  WithWindow(Nested(), [&](Window w) {
    {
      ResizeManager m;
      EXPECT_EQ(m.Resize(0), 0);  // before Init
      m.RestoreWindow();
      m.Init(w, 4, true, true);
      m.Init(w, 2, true, true);
      EXPECT_EQ(handlers(w), 4u);
      EXPECT_EQ(m.APPSTRATEGY, 2);
      EXPECT_EQ(m.DEFERMOVES, 1);
      int width = 0, height = 0;
      w.MaximumSize(&width, &height);
      EXPECT_EQ(width, 400);
      EXPECT_EQ(height, 300);
      m.Kill();
      m.Kill();
      EXPECT_EQ(handlers(w), 0u);
      w.SetPosition({0, 0, 350, 250});
      EXPECT_EQ(m.Resize(0), 0);
      EXPECT_EQ(Show(w.ControlRect(kSheet)), Show({10, 10, 380, 200}));
      m.Init(w, 2, false, false);
    }
    EXPECT_EQ(handlers(w), 0u) << "the destructor must take its handlers away";
    ResizeManager closed;
    closed.Init(Window(), 2, true, true);  // no open window: empty lists, no handlers
    ASSERT_TRUE(closed.CONTROLQUEUE);
    EXPECT_TRUE(closed.CONTROLQUEUE->empty());
    EXPECT_EQ(closed.Resize(0), 0);
  });
}

}  // namespace
}  // namespace kv
