#include "framework/browse/PopupManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/window/WindowTranslator.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/EventHub.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/SystemProperty.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

constexpr int kEventSort = 1001;

// The test's thread acts as the window's logical thread: it owns a window with three buttons
// (the manager syncs mimicking items against it) and reads the events posted to it.
class PopupFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    EventHub::Instance();
    AdoptCurrentThread();
    InstallBackend(&backend);
    WindowDefinition def("Items");
    def.Button("?ADD", "&Add").ControlIcon("INSERT.ICO");
    def.Button("?DROP", "").Disabled();
    def.Button("?PLAIN", "&Plain");
    def.List("?LIST", "40L(2)|M~Name~@s20@");
    window = Window::Open(def);
    Drain();
    popup.Init();
  }
  void TearDown() override {
    popup.Kill();
    window.Close();
    Drain();
    SetSystemProperty(kSystemPropMenuIcons, "");
    InstallBackend(nullptr);
    ReleaseCurrentThread();
  }
  // Events posted to the window since the last call, as "code:control".
  std::vector<std::string> Drain() {
    std::vector<std::string> out;
    Event e;
    while (EventHub::Instance().TryTake(window.Id(), &e)) {
      if (e.code == kEventOpenWindow || e.code == kEventSized || e.code == 0) continue;
      out.push_back(std::to_string(e.code) + ":" + std::to_string(e.control));
    }
    return out;
  }

  HeadlessBackend backend;
  Window window;
  PopupManager popup;
};

class Upper : public WindowTranslator {
 public:
  void TranslateWindow(Window) override {}
  std::string TranslateText(std::string_view text) override {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
  }
};

TEST_F(PopupFixture, MenuStringsAreBuiltByteForByte) {
  Upper upper;
  struct Case {
    const char* what;
    std::function<void(PopupManager&)> build;
    const char* expect;
  };
  const Case cases[] = {
      {"marks, no icons: no property blocks",
       [](PopupManager& p) {
         p.AddItem("&Insert");
         p.AddItem("~&Save");
         p.AddItem("+&Marked");
         p.AddItem("-&Plain");
         p.AddItem("-");
         p.AddItem("~+Both");
       },
       "|&Insert|~&Save|+&Marked|-&Plain|-|~+Both"},
      {"a menu text inserted after an item, at its depth",
       [](PopupManager& p) {
         p.AddItem("&Open");
         p.AddItem("&Quit");
         p.AddMenu("Edit{Copy|Paste}|-|Close", "Open");
       },
       "|&Open|Edit{Copy|Paste}-|Close|&Quit"},
      {"one mark per change of depth, however large",
       [](PopupManager& p) {
         p.AddMenu("A{B{C}}|D");
         p.AddItem("D", "E", "E", 3);
       },
       "|A{B{C}D{E"},
      {"one icon gives every item but separators a property block",
       [](PopupManager& p) {
         p.AddItem("&Insert");
         p.AddItem("-");
         p.AddItem("~&Change");
         p.SetIcon("Insert", "INSERT.ICO");
       },
       "|[31848(~INSERT.ICO),31290(1)]&Insert|-|~[31290(1)]&Change"},
      {"the blocks carry system property 31289",
       [](PopupManager& p) {
         SetSystemProperty(kSystemPropMenuIcons, "0");
         p.AddItem("&View");
         p.SetIcon("View", "VIEW.ICO");
       },
       "|[31848(~VIEW.ICO),31290(0)]&View"},
      {"mimics take the button's text, state and icon at build time",
       [this](PopupManager& p) {
         p.AddItemMimic("!&Insert", "Insert", window.Find("?ADD"));
         p.AddItemMimic("!&Drop", "Drop", window.Find("?DROP"));  // no text, disabled
         p.AddItemMimic("Own", "Own", window.Find("?PLAIN"));     // no "!": keeps its text
       },
       "|[31848(~INSERT.ICO),31290(1)]&Add|~[31290(1)]&Drop|[31290(1)]Own"},
      {"an explicitly enabled mimic ignores the button's state",
       [this](PopupManager& p) {
         p.AddItemMimic("!&Drop", "Drop", window.Find("?DROP"));
         p.SetItemEnable("Drop", true);
         p.AddItem("-");
         p.SetItemEnable("Separator", false);  // separators cannot be disabled
       },
       "|&Drop|-"},
      {"texts pass through the translator; an empty text keeps its place",
       [&upper](PopupManager& p) {
         p.TRANSLATOR = &upper;
         p.AddItem("&save");
         p.AddItem("~");
         p.AddItem("+");
       },
       "|&SAVE|~ |+ "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    popup.Kill();
    popup.Init();
    SetSystemProperty(kSystemPropMenuIcons, "");
    c.build(popup);
    EXPECT_EQ(popup.BuildMenuText(), c.expect);
    popup.TRANSLATOR = nullptr;
  }
}

TEST_F(PopupFixture, NamesArePlainUniqueAndFoundWhole) {
  EXPECT_EQ(popup.AddItem("!&Insert"), "Insert");
  EXPECT_EQ(popup.AddItem("&Insert"), "Insert1");
  EXPECT_EQ(popup.AddItem("Insert"), "Insert2");
  EXPECT_EQ(popup.AddItem("-"), "Separator");
  EXPECT_EQ(popup.AddItem("-"), "Separator1");
  EXPECT_EQ(popup.AddItem("~&Save  "), "Save");
  EXPECT_EQ(popup.AddItem("Grand total", "Über_all 2"), "ber_all2");
  EXPECT_EQ(popup.AddItem("Insert", "First", "&First", 0), "First");
  EXPECT_EQ(popup.AddItem("Nowhere", "Last", "&Last", 0), "Last");
  const char* order[] = {"Insert",     "First", "Insert1",  "Insert2", "Separator",
                         "Separator1", "Save",  "ber_all2", "Last"};
  ASSERT_EQ(popup.GetItems(), 9);
  for (std::size_t i = 0; i < std::size(order); ++i) {
    EXPECT_EQ(popup.Locate(order[i]), i + 1) << order[i];
  }
  EXPECT_EQ(popup.Locate("insert"), 0u) << "names compare whole, case included";
  EXPECT_EQ(popup.Locate("Ins"), 0u);
  const PopupItem& save = (*popup.POPUPITEMS)[popup.Locate("Save") - 1];
  EXPECT_EQ(save.TEXT.View(), "&Save  ");
  EXPECT_EQ(save.DISABLED, 1);

  // A long base still gives distinct names once cut to what NAME holds.
  std::string longText(1100, 'x');
  std::string a = popup.AddItem(longText);
  std::string b = popup.AddItem(longText);
  EXPECT_EQ(a.size(), 1024u);
  EXPECT_NE(a, b);
  EXPECT_EQ(popup.Locate(b), popup.Locate(a) + 1);

  popup.DeleteItem("Insert1");
  popup.DeleteItem("nothing");
  EXPECT_EQ(popup.Locate("Insert1"), 0u);
  EXPECT_EQ(popup.AddItem("&Insert"), "Insert1") << "a deleted name is free again";
}

TEST_F(PopupFixture, SubMenusAndCounts) {
  popup.AddItem("&Open");
  popup.AddItem("-");
  popup.AddItem("&Quit");
  popup.AddSubMenu("&View", "&Small|&Large", "Open");
  popup.AddMenu("Zoom{In|Out}", "Small");  // at the depth of Small
  EXPECT_EQ(popup.BuildMenuText(), "|&Open|&View{&Small|Zoom{In|Out}&Large}-|&Quit");
  // Items that can be chosen: Open, Small, In, Out, Large, Quit (titles and separators not).
  const char* chosen[] = {"Open", "Small", "In", "Out", "Large", "Quit", ""};
  for (int n = 1; n <= 7; ++n) EXPECT_EQ(popup.ItemNameAt(n), chosen[n - 1]) << n;
  EXPECT_EQ(popup.ItemNameAt(0), "");
  EXPECT_EQ(popup.GetItems(), 9);
  // Not separators and not deeper than the item before: Open, View, Zoom, Out, Large, Quit.
  EXPECT_EQ(popup.GetItems(true), 6);
}

TEST_F(PopupFixture, AskActsOnTheChoice) {
  const int add = window.Find("?ADD"), drop = window.Find("?DROP"), list = window.Find("?LIST");
  popup.AddItemMimic("!&Insert", "Insert", add);
  popup.AddItemMimic("!&Drop", "Drop", drop);
  popup.AddSubMenu("&Sort", "By &Name|By &Code");
  popup.AddItemEvent("ByName", kEventSort, list);
  popup.AddItem("ByCode", "Nothing", "&Nothing", 1);
  struct Case {
    int answer;  // what the user chooses: the menu's number, 0 dismisses
    const char* selection;
    std::vector<std::string> posted;
  };
  const std::string accepted = std::to_string(kEventAccepted);
  const Case cases[] = {
      {1, "Insert", {accepted + ":" + std::to_string(add)}},
      {0, "", {}},
      {2, "Drop", {}},  // shown disabled; answered anyway, it presses nothing
      {3, "ByName", {std::to_string(kEventSort) + ":" + std::to_string(list)}},
      {4, "ByCode", {}},  // no event
      {5, "Nothing", {}},
      {6, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    SetKeyCode(kMouseRightUp);
    backend.QueueMenuAnswer(c.answer);
    EXPECT_EQ(popup.Ask(), c.selection);
    EXPECT_EQ(popup.GetLastSelection(), c.selection);
    EXPECT_EQ(popup.LASTNUMBERSELECTION, c.answer);
    EXPECT_EQ(Drain(), c.posted);
    EXPECT_EQ(KeyCode(), 0) << "the key that opened the menu does not act again";
  }
  std::vector<HeadlessBackend::ShownModal> shown = backend.ShownModals();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().menu.definition,
            "|[31848(~INSERT.ICO),31290(1)]&Add|~[31290(1)]&Drop|[31290(1)]&Sort{[31290(1)]By "
            "&Name|[31290(1)]By &Code}[31290(1)]&Nothing");

  // The button disabled after the menu opened: the choice presses nothing.
  popup.SetItemEnable("Insert", true);
  window.SetDisabled(add, true);
  backend.QueueMenuAnswer(1);
  EXPECT_EQ(popup.Ask(), "Insert");
  EXPECT_TRUE(Drain().empty());
}

TEST(PopupText, StripHotkeys) {
  EXPECT_EQ(PopupManager::StripHotkeys("&Save && close&"), "Save & close");
  EXPECT_EQ(PopupManager::StripHotkeys(std::string(99, 'a') + "ü"), std::string(99, 'a'));
  EXPECT_EQ(PopupManager::StripHotkeys(std::string(150, 'b')).size(), 100u);
}

}  // namespace
}  // namespace kv
