// Query by example on a list over a real table: the query button and its entry window, the
// saved queries in the list's pop-up menu, the settings window, and the filter shared by every
// order or kept to the current one.

#include "framework/query/QueryEntryWindow.h"
#include "framework/query/QueryManager.h"
#include "framework/window/IniManager.h"
#include "platform/settings/ProfileFile.h"
#include "platform/window/KeyCode.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/UserInput.h"
#include "tests/framework/browse/BrowseFixture.h"
#include "tests/support/TempDirectory.h"

namespace kv::test {
namespace {

using Codes = std::vector<std::string>;

class BrowseQuery : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    if (!ready) return;
    ini.Init(file);
    Load({
        {"A1", "Hex bolt M8", 10},
        {"A2", "hex BOLT m10", 5},
        {"A3", "Bolt cutter", 25},
        {"A4", "Washer", 7},
        {"A5", "Nut, hexagonal", 2},
    });
  }
  void TearDown() override {
    ini.Kill();
    BrowseTest::TearDown();
  }

  // A list with the query button and the filter shown under the list; `extra` adds to it.
  BrowseSetup WithQuery(std::function<void(BrowseManager&)> extra = {}) {
    BrowseSetup setup;
    setup.queryControls = true;
    setup.configure = [this, extra](BrowseManager& b) {
      query.Init(errors, &entry, &ini, "BrowseItems");
      query.AddItem("BRI:CODE", "Code", "@s20");
      query.AddItem("BRI:NAME", "Name", "@s40");
      query.AddItem("BRI:QTY", "Quantity", "@n-7");
      b.QUERY = &query;
      b.QUERYCONTROL = kQuery;
      b.QUERYRESULT = kQueryResult;
      if (extra) extra(b);
    };
    return setup;
  }
  static Window Opened(const std::string& caption) {
    for (WindowId id : Window::OpenWindows()) {
      if (Window(id).Caption() == caption) return Window(id);
    }
    return Window();
  }
  static void Type(const Window& w, const std::string& label, const std::string& text) {
    ASSERT_NE(w.Find(label), 0) << label;
    ASSERT_EQ(TypeInto(w.Id(), w.Find(label), text), InputStatus::kOk) << label;
    ASSERT_TRUE(Settled());
  }
  static void Click(const Window& w, const std::string& label) {
    ASSERT_NE(w.Find(label), 0) << label;
    ASSERT_EQ(Press(w.Id(), w.Find(label)), InputStatus::kOk) << label;
    ASSERT_TRUE(Settled());
  }
  // Opens the list's pop-up menu with the context-menu key; the texts of its entries.
  // The menu's items: the record actions, a separator, then the query button's `items`.
  static std::vector<std::string> WithActions(std::vector<std::string> items) {
    const std::vector<std::string> actions = {"Insert", "Change", "Delete", "View", "-"};
    items.insert(items.begin(), actions.begin(), actions.end());
    return items;
  }
  std::vector<std::string> OpenMenu(BrowseSession& s) {
    EXPECT_EQ(PressKey(s.Win().Id(), kList, kKeyApps), InputStatus::kOk);
    EXPECT_TRUE(Settled());
    std::optional<HeadlessBackend::ShownModal> shown = backend.Pending();
    if (!shown || !shown->isMenu) {
      ADD_FAILURE() << "no menu";
      return {};
    }
    menu = ParseMenuDefinition(shown->menu.definition);
    std::vector<std::string> texts;
    for (const MenuEntry& e : menu) texts.push_back(e.separator ? "-" : StripHotKeyMarks(e.text));
    return texts;
  }
  void Choose(const std::string& text) {
    const int n = FindMenuEntry(menu, text);
    ASSERT_NE(n, 0) << text;
    ASSERT_TRUE(backend.AnswerPending(n));
    ASSERT_TRUE(Settled());
  }

  TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  IniManager ini;
  QueryEntryWindow entry;
  QueryManager query;
  std::vector<MenuEntry> menu;
};

TEST_P(BrowseQuery, TheQueryButtonNarrowsTheListAndClearFromTheMenuWidensIt) {
  BrowseSession s(D(), errors, backend, WithQuery());
  EXPECT_EQ(OpenMenu(s), WithActions({"Query"})) << "nothing saved or active";
  ASSERT_TRUE(backend.AnswerPending(0));
  ASSERT_TRUE(Settled());

  Click(s.Win(), "?QUERY");
  Window w = Opened("Query by Example");
  ASSERT_TRUE(w.IsOpen());
  EXPECT_NE(w.Find("?TITLE3"), 0);
  EXPECT_EQ(w.Text(w.Find("?TITLE2")), "Name:");
  Type(w, "?VALUE2", "^*bolt");
  Type(w, "?VALUE3", "<20");
  Click(w, "?OK");
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(s.Codes(), (Codes{"A1", "A2"}));
  EXPECT_EQ(s.Win().Text(kQueryResult),
            "INSTRING('BOLT',UPPER(BRI:NAME),1,1) <> 0 AND (BRI:QTY < 20)");

  // Cancel keeps the query and the list as they are; Clear in the window empties the entries.
  Click(s.Win(), "?QUERY");
  w = Opened("Query by Example");
  EXPECT_EQ(w.Text(w.Find("?VALUE2")), "^*bolt");
  Type(w, "?VALUE2", "*cutter");
  Click(w, "?CANCEL");
  EXPECT_EQ(s.Codes(), (Codes{"A1", "A2"}));
  EXPECT_EQ(query.FindField("BRI:NAME")->MIDDLE.Clipped(), "^*bolt");

  EXPECT_EQ(OpenMenu(s), WithActions({"Query", "-", "View", "Empty       ", "-", "Clear"}));
  EXPECT_FALSE(FindMenuEntry(menu, "Empty")) << "shown disabled";
  Choose("Clear");
  EXPECT_EQ(s.Codes(), Sorted());
  EXPECT_EQ(s.Win().Text(kQueryResult), "");
  EXPECT_EQ(OpenMenu(s), WithActions({"Query"})) << "the sub-menu went again";
  ASSERT_TRUE(backend.AnswerPending(0));
  ASSERT_TRUE(Settled());
}

TEST_P(BrowseQuery, ASavedQueryChosenFromTheMenuIsApplied) {
  {
    QueryManager saver;
    saver.Init(errors, nullptr, &ini, "BrowseItems");
    saver.AddItem("BRI:QTY", "Quantity", "@n-7");
    saver.FindField("BRI:QTY")->MIDDLE = "<8";
    ASSERT_TRUE(saver.SaveQuery("Few"));
    saver.FindField("BRI:QTY")->MIDDLE = ">=10";
    ASSERT_TRUE(saver.SaveQuery("Many, really"));
  }
  BrowseSession s(D(), errors, backend, WithQuery());
  EXPECT_EQ(OpenMenu(s), WithActions({"Query", "-", "View", "Few", "Many, really", "-", "Clear"}));
  Choose("Many, really");
  EXPECT_EQ(s.Codes(), (Codes{"A1", "A3"}));
  EXPECT_EQ(FindProfileString("BrowseItems$tsMRU$$Query", "Query_3", file), "BRI:QTY,>=10,,");
  EXPECT_EQ(std::string(query.CurrentItem.Clipped()), query.MenuItems->at(1).ItemName.Clipped());

  OpenMenu(s);
  Choose("Few");
  EXPECT_EQ(s.Codes(), (Codes{"A2", "A4", "A5"}));
  // The query button starts afresh: CurrentItem is cleared before the window opens.
  Click(s.Win(), "?QUERY");
  EXPECT_EQ(query.CurrentItem.Clipped(), "");
  Click(Opened("Query by Example"), "?CANCEL");
}

TEST_P(BrowseQuery, SavedQueriesAndTheStyleThroughTheSettingsWindow) {
  BrowseSession s(D(), errors, backend, WithQuery());
  Click(s.Win(), "?QUERY");
  Window w = Opened("Query by Example");
  Type(w, "?VALUE2", "*bolt");
  Click(w, "?SETTINGS");
  Window settings = Opened("Query by Example Settings");
  ASSERT_TRUE(settings.IsOpen());
  for (const char* label : {"?SHEET1", "?TAB1", "?TAB2", "?OK", "?CANCEL", "?CLEAR"}) {
    EXPECT_NE(settings.Find(label), 0) << label;
  }
  EXPECT_EQ(settings.Text(settings.Find("?TAB1")), "Saved Queries");
  EXPECT_EQ(settings.Text(settings.Find("?TAB2")), "Query Settings");

  Type(settings, "?QUERYNAME", "a|b");
  Click(settings, "?SAVE");
  ASSERT_EQ(Captions(), std::vector<std::string>{"Query by Example Settings"}) << "refused";
  ASSERT_TRUE(Answer(kButtonOk));
  ASSERT_TRUE(Settled());
  Type(settings, "?QUERYNAME", "Bolts");
  Click(settings, "?SAVE");
  EXPECT_EQ(settings.RowCount(settings.Find("?SAVEDLIST")), 1);
  EXPECT_EQ(FindProfileString("BrowseItems$Bolts$$Query", "Query_2", file), "BRI:NAME,*bolt,,");

  // Ranges from now on: the entry window comes back with a low and a high entry per row.
  Click(settings, "?TAB2");
  Click(settings, "?RANGESTYLE");
  Click(settings, "?OK");
  EXPECT_FALSE(settings.IsOpen());
  w = Opened("Query by Example");
  ASSERT_TRUE(w.IsOpen());
  EXPECT_EQ(w.Find("?VALUE1"), 0);
  EXPECT_EQ(w.Find("?LOW3") != 0 && w.Find("?HIGH3") != 0 && w.Find("?INCLUSIVE3") != 0, true);
  Type(w, "?LOW3", "5");
  Type(w, "?HIGH3", "10");
  Click(w, "?INCLUSIVE3");
  Click(w, "?OK");
  EXPECT_EQ(s.Codes(), (Codes{"A1", "A2", "A4"}));
  EXPECT_EQ(FindProfileString("BrowseItems", "QBEStyle", file), "2");

  // Load the saved query back, then delete it.
  Click(s.Win(), "?QUERY");
  w = Opened("Query by Example");
  Click(w, "?SETTINGS");
  settings = Opened("Query by Example Settings");
  Click(settings, "?TAB2");
  Click(settings, "?RANGESTYLE");  // back to one value per column
  Click(settings, "?TAB1");
  EXPECT_EQ(settings.Choice(settings.Find("?SAVEDLIST")), 1);
  Click(settings, "?LOAD");
  Click(settings, "?OK");
  w = Opened("Query by Example");
  EXPECT_EQ(w.Text(w.Find("?VALUE2")), "*bolt");
  EXPECT_EQ(w.Text(w.Find("?VALUE3")), "");
  Click(w, "?SETTINGS");
  settings = Opened("Query by Example Settings");
  Click(settings, "?DELETE");
  ASSERT_EQ(Captions().size(), 2u);
  ASSERT_TRUE(Answer(kButtonYes));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(settings.RowCount(settings.Find("?SAVEDLIST")), 0);
  Click(settings, "?CANCEL");
  Click(Opened("Query by Example"), "?OK");
  EXPECT_EQ(s.Codes(), (Codes{"A1"}));
  EXPECT_EQ(FindProfileString("BrowseItems$Bolts$$Query", "Query", file), std::nullopt);
}

TEST_P(BrowseQuery, ASharedQueryFiltersEveryOrderAndAnUnsharedOneOnlyTheCurrent) {
  for (const bool shared : {true, false}) {
    SCOPED_TRACE(shared);
    BrowseSession s(D(), errors, backend, WithQuery([shared](BrowseManager& b) {
                      b.AddSortOrder(nullptr, kKeyQty);
                      b.QUERYSHARED = shared ? 1 : 0;
                      (void)b.SetSort(1);
                    }));
    Click(s.Win(), "?QUERY");
    Window w = Opened("Query by Example");
    Type(w, "?VALUE2", "^*bolt");
    Click(w, "?OK");
    EXPECT_EQ(s.Codes(), (Codes{"A1", "A2", "A3"}));
    s.Do([](ItemsBrowse& b) { (void)b.browse.SelectSort(2, 0); });
    const Codes byQty = shared ? Codes{"A3", "A1", "A2"} : Sorted(kKeyQty);
    EXPECT_EQ(s.Codes(), byQty);
    s.Do([](ItemsBrowse& b) { (void)b.browse.SelectSort(1, 0); });
    EXPECT_EQ(s.Codes(), (Codes{"A1", "A2", "A3"})) << "the first order keeps its filter";
    s.Finish();
  }
}

INSTANTIATE_TEST_SUITE_P(Db, BrowseQuery, ::testing::ValuesIn(Dbs()), DbName);

}  // namespace
}  // namespace kv::test
