// What the list's gestures do with its record buttons: the pop-up items and alert keys that
// SetAlerts gives a list for the buttons it has, the keys and clicks that press them, the
// pop-up menu, and an insert refused before the form opens.

#include "tests/framework/browse/BrowseFixture.h"

#include "platform/window/KeyCode.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

using Requests = std::vector<RequestCode>;

class BrowseActions : public BrowseTest {
 protected:
  // The form records its requests and is cancelled.
  static BrowseSetup Setup(bool buttons = true) {
    BrowseSetup setup;
    setup.buttons = buttons;
    setup.form = [](RequestCode, ItemsBrowse&) -> ResponseCode { return RequestCancelled; };
    return setup;
  }
  static Requests RequestsOf(BrowseSession& s) {
    Requests out;
    s.Do([&](ItemsBrowse& b) { out = b.requests; });
    return out;
  }
  static std::vector<std::string> ItemNames(BrowseSession& s) {
    std::vector<std::string> names;
    s.Do([&](ItemsBrowse& b) {
      for (const PopupItem& item : *b.browse.POPUP->POPUPITEMS)
        names.push_back(std::string(item.NAME.View()) +
                        (item.MIMICMODE && !item.ONTOOLBOX ? "(off)" : ""));
    });
    return names;
  }
};

// The items follow the buttons that exist, in a fixed order; the record actions (items and
// keys) only with EDITVIAPOPUP. The double click, the right button and the context-menu key are
// always alerted, and keys written at one position all stay alerted.
TEST_P(BrowseActions, PopupItemsAndKeysFollowTheButtonsThatExist) {
  Load(Numbered(3));
  struct Case {
    const char* name;
    bool buttons;
    RequestCode request;
    std::function<void(BrowseManager&)> configure;
    std::vector<std::string> items;
    bool recordKeys;
  };
  const Case cases[] = {
      {"record buttons", true, 0, {}, {"Insert", "Change", "Delete", "View"}, true},
      {"no buttons", false, 0, {}, {}, false},
      {"without EDITVIAPOPUP", true, 0, [](BrowseManager& b) { b.EDITVIAPOPUP = 0; }, {}, false},
      {"selecting", true, SelectRecord, {}, {"Insert", "Change", "Delete", "View", "Select"}, true},
      {"print, query and toolbox",
       false,
       0,
       [](BrowseManager& b) {
         b.PRINTCONTROL = kInsert;
         b.QUERYCONTROL = kChange;
         b.TOOLCONTROL = kDelete;
       },
       {"Print", "Separator2", "Query", "ToolSeparator2", "Toolbox(off)"},
       false},
      {"query alone",
       false,
       0,
       [](BrowseManager& b) { b.QUERYCONTROL = kChange; },
       {"Query"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BrowseSetup setup = Setup(c.buttons);
    setup.request = c.request;
    setup.configure = c.configure;
    BrowseSession s(D(), errors, backend, setup);
    EXPECT_EQ(ItemNames(s), c.items);
    const Window w = s.Win();
    for (int key : {int(kMouseLeft2), int(kMouseRightUp), int(kKeyApps)})
      EXPECT_TRUE(w.IsAlerted(kList, key));
    for (int key : {int(kKeyInsert), int(kKeyDelete), kCtrl | kKeyEnter, kShift | kKeyEnter})
      EXPECT_EQ(w.IsAlerted(kList, key), c.recordKeys) << KeyName(key);
    EXPECT_EQ(w.Alert(kList, 252), kMouseLeft2);
    EXPECT_EQ(w.Alert(kList, 249), kKeyApps);
    if (c.recordKeys) {
      EXPECT_EQ(w.Alert(kList, 255), kShift | kKeyEnter);
      EXPECT_EQ(w.Alert(kList, 254), kKeyDelete);
      EXPECT_EQ(w.Alert(kList, 253), kCtrl | kKeyEnter);
    }
  }
}

// The keys and clicks on a list with rows and on an empty one, and what they run. A key whose
// button is missing does nothing; on an empty list only Insert acts.
TEST_P(BrowseActions, KeysAndClicksPressTheButtonsTheyStandFor) {
  struct Case {
    const char* name;
    int rows;
    bool buttons;
    int key;       // pressed on the list, or
    int clickRow;  // double-clicked (0: the column headers) when key is 0
    Requests expected;
  };
  const Case cases[] = {
      {"Insert", 3, true, kKeyInsert, 0, {InsertRecord}},
      {"Delete", 3, true, kKeyDelete, 0, {DeleteRecord}},
      {"Ctrl+Enter", 3, true, kCtrl | kKeyEnter, 0, {ChangeRecord}},
      {"Shift+Enter", 3, true, kShift | kKeyEnter, 0, {ViewRecord}},
      {"double click on a row", 3, true, 0, 2, {ChangeRecord}},
      {"double click on the headers", 3, true, 0, -1, {}},
      {"empty list: Insert", 0, true, kKeyInsert, 0, {InsertRecord}},
      {"empty list: Delete", 0, true, kKeyDelete, 0, {}},
      {"empty list: Ctrl+Enter", 0, true, kCtrl | kKeyEnter, 0, {}},
      {"empty list: Shift+Enter", 0, true, kShift | kKeyEnter, 0, {}},
      {"no buttons: Insert", 3, false, kKeyInsert, 0, {}},
      {"no buttons: double click", 3, false, 0, 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(Numbered(c.rows));
    BrowseSession s(D(), errors, backend, Setup(c.buttons));
    const WindowId id = s.Win().Id();
    if (c.key != 0) {
      // A key that is not alerted acts as the list's own key, which runs no form either.
      (void)PressKey(id, kList, c.key);
    } else {
      ASSERT_EQ(ClickRow(id, kList, c.clickRow < 0 ? 0 : c.clickRow, kMouseLeft2),
                InputStatus::kOk);
    }
    ASSERT_TRUE(Settled());
    EXPECT_EQ(RequestsOf(s), c.expected);
  }
  EXPECT_TRUE(Captions().empty());
}

// A right click highlights the row under the mouse and opens the menu of the record actions
// with the buttons' texts; the item chosen runs its request on that row's record.
TEST_P(BrowseActions, RightClickMenuRunsTheChosenActionOnTheRowUnderTheMouse) {
  Load(Numbered(5));
  std::string code;
  BrowseSetup setup = Setup();
  setup.form = [&](RequestCode, ItemsBrowse& b) -> ResponseCode {
    code = std::string(b.file.Rec().CODE.Clipped());
    return RequestCancelled;
  };
  BrowseSession s(D(), errors, backend, setup);
  ASSERT_EQ(ClickRow(s.Win().Id(), kList, 4, kMouseRightUp), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  std::optional<HeadlessBackend::ShownModal> menu = backend.Pending();
  ASSERT_TRUE(menu && menu->isMenu);
  const std::vector<MenuEntry> entries = ParseMenuDefinition(menu->menu.definition);
  std::vector<std::string> texts;
  for (const MenuEntry& e : entries) texts.push_back(e.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"&Insert", "&Change", "&Delete", "&View"}));
  EXPECT_EQ(s.Choice(), 4);
  ASSERT_TRUE(Answer(2));  // Change
  ASSERT_TRUE(Settled());
  EXPECT_EQ(RequestsOf(s), Requests{ChangeRecord});
  EXPECT_EQ(code, "K00004");
}

// An insert whose record the view cannot prime is cancelled before the form would run.
TEST_P(BrowseActions, InsertIsCancelledWhenTheRecordCannotBePrimed) {
  Load(Numbered(2));
  BrowseSetup setup = Setup();
  setup.configure = [](BrowseManager& b) { static_cast<TestBrowse&>(b).primeResult = Fatal; };
  BrowseSession s(D(), errors, backend, setup);
  ASSERT_EQ(Press(s.Win().Id(), kInsert), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  EXPECT_TRUE(RequestsOf(s).empty());
  ASSERT_EQ(Press(s.Win().Id(), kChange), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(RequestsOf(s), Requests{ChangeRecord});
}

INSTANTIATE_TEST_SUITE_P(Db, BrowseActions, ::testing::Values(Db{"sqlite", true}), DbName);

}  // namespace
}  // namespace kv::test
