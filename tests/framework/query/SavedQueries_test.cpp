// Saved queries in a real settings file, and the query items of a pop-up menu.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/browse/PopupManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/query/QueryManager.h"
#include "framework/window/IniManager.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/settings/ProfileFile.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/EventHub.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/Window.h"
#include "tests/framework/errors/ScriptedModal.h"
#include "tests/framework/query/QueryFixture.h"
#include "tests/support/TempDirectory.h"

namespace kv::test {
namespace {

class SavedQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    ErrorStatus::ThisThread().Reset();
    errors.Init(status);
    ini.Init(file);
    QueryFixture::Setup(query, errors, &visual, &ini, "Products");
  }
  void TearDown() override {
    query.Kill();
    ini.Kill();
    errors.Kill();
  }
  void Type(std::string_view field, std::string_view low, std::string_view middle,
            std::string_view high) {
    QueryField* f = query.FindField(field);
    ASSERT_NE(f, nullptr) << field;
    f->LOW = low;
    f->MIDDLE = middle;
    f->HIGH = high;
  }
  std::string Middle(std::string_view field) {
    return std::string(query.FindField(field)->MIDDLE.Clipped());
  }
  std::vector<std::string> Listed() {
    std::vector<SectorRecord> list = {{"stale", "stale", "stale"}};
    query.ListSavedQueries(list);
    std::vector<std::string> names;
    for (const SectorRecord& r : list) names.push_back(r.ITEM);
    return names;
  }
  std::vector<std::string> Captions() {
    std::vector<std::string> out;
    for (const MessageBoxRequest& r : modal.Shown()) out.push_back(r.caption);
    return out;
  }
  std::optional<std::string> Stored(std::string_view section, std::string_view entry) {
    return FindProfileString(section, entry, file);
  }

  testing::ScriptedModal modal;
  ErrorStatus status;
  ErrorManager errors;
  TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  IniManager ini;
  FixedStyle visual{RangeStyle};
  QueryManager query;
};

TEST_F(SavedQueries, AQueryComesBackAsTypedFromItsStoredForm) {
  Type("PRO:DESCRIPTION", "", "*a,b", "");
  Type("PRO:PRICE", "5", "", "9,5");
  Type("PRO:PCODE", "", "\"quoted\"", "");
  Type("UPPER(PRO:NOTE)", "", "^x", "");
  ASSERT_TRUE(query.SaveQuery("  Bolts  "));
  const std::string section = "Products$Bolts$$Query";
  EXPECT_EQ(Stored(section, "Query"), "9") << "one row per field, values or not";
  EXPECT_EQ(Stored(section, "Query_1"), "PRO:PCODE,\"\"\"quoted\"\"\",,");
  EXPECT_EQ(Stored(section, "Query_2"), "PRO:DESCRIPTION,\"*a,b\",,");
  EXPECT_EQ(Stored(section, "Query_3"), "PRO:PRICE,,5,\"9,5\"");
  EXPECT_EQ(Stored(section, "Query_4"), "PRO:NOPIC,,,");

  std::string before = query.GetFilter();
  query.ClearQuery();
  EXPECT_EQ(query.GetFilter(), "");
  query.RestoreQuery("Bolts");
  EXPECT_EQ(Middle("PRO:DESCRIPTION"), "*a,b");
  EXPECT_EQ(Middle("PRO:PCODE"), "\"quoted\"");
  EXPECT_EQ(query.FindField("PRO:PRICE")->HIGH.Clipped(), "9,5");
  EXPECT_EQ(Middle("UPPER(PRO:NOTE)"), "^X") << "the rest of a caret value in capitals";
  EXPECT_EQ(query.GetFilter(), before);
  EXPECT_TRUE(modal.Shown().empty());

  // A restore replaces everything: values of fields the saved query left empty are cleared.
  Type("PRO:ADDED", "", "1/1/2020", "");
  query.RestoreQuery("Bolts");
  EXPECT_EQ(Middle("PRO:ADDED"), "");
  query.RestoreQuery("never saved");
  EXPECT_EQ(query.GetFilter(), "");
}

TEST_F(SavedQueries, ListingShowsThisFamilysQueriesByNameWithoutTheRecentOne) {
  Type("PRO:PRICE", "", "1", "");
  for (const char* name : {"b", "tsMRU", "a$x", "B"}) ASSERT_TRUE(query.SaveQuery(name)) << name;
  ini.AddSector(ini.SectorName("Other", "c", "Query"));
  ini.AddSector(ini.SectorName("Products", "d", "Settings"));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"B", "a$x"}))
      << "\"b\" and \"B\" share one section of the file: the later replaces the earlier";
  EXPECT_EQ(Stored("Products$a$$$x$$Query", "Query_3"), "PRO:PRICE,1,,");

  QueryManager unnamed;
  unnamed.Init(errors, &visual, &ini, "");
  EXPECT_TRUE(unnamed.SaveQuery("e"));
  std::vector<SectorRecord> list;
  unnamed.ListSavedQueries(list);
  ASSERT_EQ(list.size(), 1u) << "an empty family lists only its own queries";
  EXPECT_EQ(list[0].ITEM, "e");

  query.DeleteQuery("a$x");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"B"}));
  EXPECT_EQ(Stored("Products$a$$$x$$Query", "Query"), std::nullopt);
  EXPECT_EQ(Stored("Products$a$$$x$$Query", "Query_3"), std::nullopt);

  QueryManager unsaved;
  unsaved.Init(errors, &visual, nullptr, "Products");
  unsaved.AddItem("PRO:PRICE", "Price", "@n9.2");
  EXPECT_FALSE(unsaved.SaveQuery("x")) << "no settings-file manager: nothing is saved";
  list = {{"a", "b", "c"}};
  unsaved.ListSavedQueries(list);
  EXPECT_TRUE(list.empty());
}

TEST_F(SavedQueries, NamesThatCannotBeStoredOrShownAreRefused) {
  struct Case {
    std::string name;
    bool valid;
  };
  const Case cases[] = {
      {"Bolts", true},
      {"Tom & Jerry", true},
      {"a$b", true},
      {"écrou ÑANDÚ", true},
      {"", false},
      {"   ", false},
      {"a|b", false},
      {"a{b", false},
      {"a}b", false},
      {"[x", false},
      {"a]b", false},
      {"~x", false},
      {"+x", false},
      {"-x", false},
      {"a\nb", false},
      {"a\tb", false},
      {"\xff", false},
      {std::string(99, 'x'), true},
      {std::string(100, 'x'), false},
      {std::string(33, '$'), true},
      {std::string(34, '$'), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QueryManager::IsValidQueryName(c.name), c.valid) << c.name;
    EXPECT_EQ(query.SaveQuery(c.name), c.valid) << c.name;
  }
  EXPECT_EQ(Listed().size(), 6u);
}

TEST_F(SavedQueries, ARestoredQueryWhoseColumnWasDroppedKeepsTheOthers) {
  // Saved by an older version of the browse: a column it no longer has, a column that was
  // compared in capitals then and plainly now, and one the other way round.
  const std::string section = "Products$Old$$Query";
  const std::pair<const char*, const char*> rows[] = {
      {"Query", "5"},
      {"Query_1", "PRO:GONE,x,,"},
      {"Query_2", "UPPER(PRO:DESCRIPTION),*bolt,,"},
      {"Query_3", "PRO:NOTE,abc,,"},
      {"Query_4", "UPPER(PRO:PRICE),7,,"},
      {"Query_5", "upper(pro:pcode),*^a1,,"},
  };
  for (const auto& [entry, value] : rows) {
    ASSERT_EQ(PutProfileString(section, entry, value, file), ProfileStatus::kOk);
  }
  modal.Answer({kButtonOk});
  query.RestoreQuery("Old");
  ASSERT_EQ(Captions(), std::vector<std::string>{"Unsupported QBE Column"});
  EXPECT_NE(modal.Shown()[0].text.find("PRO:GONE"), std::string::npos) << modal.Shown()[0].text;
  EXPECT_EQ(Middle("PRO:DESCRIPTION"), "^*BOLT") << "a caret for the column saved in capitals";
  EXPECT_EQ(Middle("UPPER(PRO:NOTE)"), "abc");
  EXPECT_EQ(Middle("PRO:PRICE"), "7") << "no caret for a number";
  EXPECT_EQ(Middle("PRO:PCODE"), "*^a1") << "a caret already there";
  EXPECT_EQ(query.GetFilter(),
            "INSTRING('A1',UPPER(PRO:PCODE),1,1) <> 0 AND "
            "INSTRING('BOLT',UPPER(PRO:DESCRIPTION),1,1) <> 0 AND (PRO:PRICE = 7) AND "
            "(UPPER(PRO:NOTE) = 'ABC')");
}

TEST_F(SavedQueries, SingleValueStyleRestoresLowAsTheValue) {
  FixedStyle single(SingleValueStyle);
  query.Visual = &single;
  const std::string section = "Products$Range$$Query";
  ASSERT_EQ(PutProfileString(section, "Query", "2", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString(section, "Query_1", "PRO:PRICE,,5,9", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString(section, "Query_2", "PRO:PCODE,A,B,C", file), ProfileStatus::kOk);
  query.RestoreQuery("Range");
  EXPECT_EQ(Middle("PRO:PRICE"), "5");
  EXPECT_EQ(Middle("PRO:PCODE"), "A");
  EXPECT_EQ(query.FindField("PRO:PRICE")->LOW.Clipped(), "");
  EXPECT_EQ(query.FindField("PRO:PRICE")->HIGH.Clipped(), "");
}

// The query menu in a window's pop-up manager, on the test's thread as the window's thread.
class QueryMenu : public SavedQueries {
 protected:
  void SetUp() override {
    SavedQueries::SetUp();
    EventHub::Instance();
    AdoptCurrentThread();
    InstallBackend(&backend);
    WindowDefinition def("Items");
    def.Button("?QUERY", "&Query");
    def.Button("?SELECT", "&Select");
    window = Window::Open(def);
    popup.Init();
    popup.AddItem("&Refresh");
    popup.AddItemMimic("!&Query", "Query", kQueryButton);
    popup.AddItemMimic("!&Select", "Select", 2);
    query.ItemIcon.clear();
    query.ViewIcon.clear();
  }
  void TearDown() override {
    popup.Kill();
    window.Close();
    InstallBackend(nullptr);
    ReleaseCurrentThread();
    SavedQueries::TearDown();
  }
  // Chooses the item whose text is `text` as the menu would.
  void Choose(std::string_view text) {
    std::vector<MenuEntry> entries = ParseMenuDefinition(popup.BuildMenuText());
    int number = FindMenuEntry(entries, text);
    ASSERT_NE(number, 0) << text;
    popup.LASTSELECTION = popup.ItemNameAt(number);
  }

  static constexpr int kQueryButton = 1;
  HeadlessBackend backend;
  Window window;
  PopupManager popup;
};

TEST_F(QueryMenu, TheViewSubMenuFollowsTheSavedAndTheActiveQuery) {
  const std::string base = "|&Refresh|&Query|&Select";
  query.BuildQueryMenu(popup, kQueryButton);
  EXPECT_EQ(popup.BuildMenuText(), base) << "nothing saved, nothing active: no sub-menu";

  Type("PRO:PRICE", "", "1", "");
  query.BuildQueryMenu(popup, kQueryButton);
  const std::string activeOnly = "|&Refresh|&Query|-|View{~Empty       |-|C&lear}&Select";
  EXPECT_EQ(popup.BuildMenuText(), activeOnly);
  query.BuildQueryMenu(popup, kQueryButton);
  EXPECT_EQ(popup.BuildMenuText(), activeOnly) << "rebuilding adds nothing";

  for (const char* name : {"b", "tsMRU", "a$x", "Tom & Jerry"}) ASSERT_TRUE(query.SaveQuery(name));
  ASSERT_EQ(PutProfileString("Products$a|{b$$Query", "Query", "0", file), ProfileStatus::kOk);
  ini.AddSector("Products$a|{b$$Query");  // written by hand, or by an older copy
  query.BuildQueryMenu(popup, kQueryButton);
  const std::string saved =
      "|&Refresh|&Query|-|View{Tom && Jerry|a$x|a\xC2\xA6(b|b|-|C&lear}&Select";
  EXPECT_EQ(popup.BuildMenuText(), saved);
  query.BuildQueryMenu(popup, kQueryButton);
  EXPECT_EQ(popup.BuildMenuText(), saved);
  EXPECT_EQ(query.MenuItems->size(), 5u);

  query.ClearQuery();
  for (const char* name : {"b", "a$x", "Tom & Jerry", "a|{b"}) query.DeleteQuery(name);
  query.BuildQueryMenu(popup, kQueryButton);
  EXPECT_EQ(popup.BuildMenuText(), base) << "the sub-menu and its separator go again";
  EXPECT_TRUE(query.MenuItems->empty());
}

TEST_F(QueryMenu, ChoosingAQueryRestoresItAndKeepsItAsTheRecentOne) {
  Type("PRO:DESCRIPTION", "", "*bolt", "");
  ASSERT_TRUE(query.SaveQuery("Bolts"));
  Type("PRO:DESCRIPTION", "", "", "");
  Type("PRO:PRICE", "", "<5", "");
  ASSERT_TRUE(query.SaveQuery("tsQBEClear")) << "a user's name that looks like an item name";
  query.BuildQueryMenu(popup, kQueryButton);

  Choose("Bolts");
  ASSERT_TRUE(query.TakeMenuChoice(popup));
  EXPECT_EQ(query.CurrentItem.Clipped(), popup.GetLastSelection());
  EXPECT_EQ(query.GetFilter(), "INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0");
  EXPECT_EQ(Stored("Products$tsMRU$$Query", "Query_2"), "PRO:DESCRIPTION,*bolt,,");

  Choose("tsQBEClear");
  ASSERT_TRUE(query.TakeMenuChoice(popup));
  EXPECT_EQ(query.GetFilter(), "(PRO:PRICE < 5)");

  Choose("Clear");
  ASSERT_TRUE(query.TakeMenuChoice(popup));
  EXPECT_EQ(query.GetFilter(), "");
  EXPECT_EQ(Stored("Products$tsMRU$$Query", "Query_3"), "PRO:PRICE,,,");

  query.MenuEnabled = 0;
  Choose("Bolts");
  EXPECT_FALSE(query.TakeMenuChoice(popup));
  EXPECT_EQ(query.GetFilter(), "") << "choices are not handled while the menu is off";

  // The items post the new-selection event to the query button.
  query.MenuEnabled = 1;
  std::size_t at = popup.Locate(std::string(query.MenuItems->front().ItemName.Clipped()));
  ASSERT_NE(at, 0u);
  EXPECT_EQ((*popup.POPUPITEMS)[at - 1].EVENT, kEventNewSelection);
  EXPECT_EQ((*popup.POPUPITEMS)[at - 1].CONTROLID, kQueryButton);
}

TEST_F(QueryMenu, TheSubMenuKeepsItsOwnNameBesideAViewAction) {
  popup.AddItem("&View", "View");  // the browse's own "View" record action
  Type("PRO:PRICE", "", "1", "");
  query.ItemIcon = "edit-find";
  query.BuildQueryMenu(popup, kQueryButton);
  EXPECT_NE(popup.Locate("View"), 0u);
  EXPECT_NE(popup.Locate("View1"), 0u) << "the sub-menu";
  query.ClearQuery();
  query.BuildQueryMenu(popup, kQueryButton);
  EXPECT_NE(popup.Locate("View"), 0u) << "the action stays";
  EXPECT_EQ(popup.Locate("View1"), 0u);
  EXPECT_EQ(popup.Locate("tsQBESeparator1"), 0u);
}

}  // namespace
}  // namespace kv::test
