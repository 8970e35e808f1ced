// The products list and form on the desktop backend, driven by real X input on a virtual X
// server the way a person uses them: the list opened from the menu with the mouse, scrolled,
// a letter typed; a double click, a changed price and OK; Insert and Delete from the keyboard;
// the pop-up menu of a right click; a second list beside the first. What the program shows is
// read from its state file, what it stored from the database behind its back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/ProductsDb.h"
#include "tests/app/desktop/DesktopSession.h"

namespace kv::test {
namespace {

constexpr const char* kList = "Browse the Products file";

class ProductsInput : public DesktopSession {
 protected:
  // The rows of the newest list window (or of the window with that id), as "cells" texts.
  static std::vector<const StateRecord*> Rows(const ProgramState& s,
                                              const std::string& window = "") {
    const StateRecord* w = s.Window(kList);
    const std::string id = !window.empty() ? window : (w != nullptr ? w->Get("id") : "");
    std::vector<const StateRecord*> rows;
    for (const StateRecord& r : s.records)
      if (r.kind == "row" && r.Get("window") == id) rows.push_back(&r);
    return rows;
  }
  static std::string Chosen(const ProgramState& s, const std::string& window = "") {
    for (const StateRecord* r : Rows(s, window))
      if (r->Get("chosen") == "1") return r->Get("text");
    return "";
  }
  static const StateRecord* RowWith(const ProgramState& s, const std::string& prefix) {
    for (const StateRecord* r : Rows(s))
      if (r->Get("text").rfind(prefix, 0) == 0) return r;
    return nullptr;
  }
  // Waits until the newest list's highlighted row begins with `prefix`.
  bool WaitChosen(const std::string& prefix) {
    bool ok = program().WaitFor("the highlighted row " + prefix, [&](const ProgramState& s) {
      return s.Window(kList) != nullptr && Chosen(s).rfind(prefix, 0) == 0 &&
             s.Window("Record Will Be Changed") == nullptr &&
             s.Window("Record Will Be Added") == nullptr && s.Message() == nullptr;
    });
    if (!ok) ADD_FAILURE() << Describe();
    return ok;
  }
  // Clicks (`clicks` times, with `button`) the middle of the row beginning with `prefix`.
  bool ClickRow(const std::string& prefix, int clicks = 1, int button = 1) {
    int x = 0, y = 0;
    const StateRecord* row = RowWith(program().State(), prefix);
    if (row == nullptr || !row->Centre(&x, &y)) {
      ADD_FAILURE() << "no row " << prefix << " on screen\n" << Describe();
      return false;
    }
    return program().Input().Run({"mousemove", std::to_string(x), std::to_string(y), "click",
                                  "--repeat", std::to_string(clicks), "--delay", "60",
                                  std::to_string(button)}) == 0;
  }
  bool WaitWindow(const std::string& caption) {
    bool ok = program().WaitFor("window " + caption, [&](const ProgramState& s) {
      const StateRecord* w = s.Window(caption);
      return w != nullptr && w->Get("active") == "1";
    });
    if (!ok) ADD_FAILURE() << Describe();
    return ok;
  }
  // Opens a list from the menu with the mouse; waits for `count` lists, the newest with rows on
  // screen unless `empty`.
  bool OpenList(int count, bool empty = false) {
    if (!Click("?ARTICULOS")) return false;
    if (!program().WaitFor("the menu open", [](const ProgramState& s) {
          return s.Field("?BROWSEARTICULOS", "screen") != "0,0,0,0" &&
                 !s.Field("?BROWSEARTICULOS", "screen").empty();
        })) {
      ADD_FAILURE() << Describe();
      return false;
    }
    if (!Click("?BROWSEARTICULOS")) return false;
    bool ok = program().WaitFor("list " + std::to_string(count), [&](const ProgramState& s) {
      int lists = 0;
      for (const StateRecord& r : s.records)
        if (r.kind == "window" && r.Get("caption") == kList) ++lists;
      if (lists != count) return false;
      if (empty) return s.Window(kList) != nullptr && s.Window(kList)->Get("active") == "1";
      return !Rows(s).empty() && Rows(s).front()->Get("screen") != "0,0,0,0";
    });
    if (!ok) ADD_FAILURE() << Describe();
    return ok;
  }
};

TEST_F(ProductsInput, AListAndItsFormWithTheMouseAndTheKeyboard) {
  ProductsDb db("sqlite", folder);
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(Click("?LOC:DBNAME"));
  ASSERT_TRUE(Type("shop"));
  ASSERT_TRUE(Click("?OKBUTTON"));
  ASSERT_TRUE(WaitForFrame());
  // The first list creates the table; it starts empty.
  ASSERT_TRUE(OpenList(1, true));
  EXPECT_TRUE(Rows(program().State()).empty());
  ASSERT_TRUE(Click("?CLOSE"));
  ASSERT_TRUE(program().WaitFor("the list closed", [](const ProgramState& s) {
    return s.Window(kList) == nullptr;
  })) << Describe();
  // Products of another station: three letters, more than a page.
  std::string insert =
      "INSERT INTO \"Products\" (\"PCODE\", \"DESCRIPTION\", \"PRICE\", "
      "\"PROVIDERID\") VALUES ";
  for (int i = 1; i <= 36; ++i) {
    const char letter = "ABC"[(i - 1) / 12];
    char code[8];
    std::snprintf(code, sizeof code, "%c%02d", letter, i);
    insert += std::string(i > 1 ? ", " : "") + "('" + code + "', 'Item " + code + "', " +
              std::to_string(i) + ", " + std::to_string(i % 5) + ")";
  }
  ASSERT_EQ(db.Exec(insert), "");

  ASSERT_TRUE(OpenList(1));
  ASSERT_TRUE(WaitChosen("A01|Item A01|1.00|1"));
  // Scrolling with the keyboard, then a letter: the first code that begins with it.
  // (Not the row the double click below falls on: two clicks there in quick succession would
  // make a double click.)
  ASSERT_TRUE(ClickRow("A04"));
  ASSERT_TRUE(WaitChosen("A04"));
  ASSERT_TRUE(Keys({"Next"}));
  ASSERT_TRUE(program().WaitFor("a page further", [](const ProgramState& s) {
    const std::string chosen = Chosen(s);
    return !chosen.empty() && chosen.rfind("A0", 0) != 0 && Rows(s).front()->Get("text") != "" &&
           Rows(s).front()->Get("text").rfind("A01", 0) != 0;
  })) << Describe();
  ASSERT_TRUE(Type("c"));
  ASSERT_TRUE(WaitChosen("C25"));

  // A double click opens the change form; the price typed anew is stored and shown.
  ASSERT_TRUE(ClickRow("C26", 2));
  ASSERT_TRUE(WaitWindow("Record Will Be Changed"));
  EXPECT_EQ(program().State().Field("?PRO:PCODE", "text"), "C26");
  ASSERT_TRUE(Click("?PRO:PRICE"));
  ASSERT_TRUE(Keys({"ctrl+a"}));
  ASSERT_TRUE(Type("99.5"));
  ASSERT_TRUE(Click("?OK"));
  ASSERT_TRUE(WaitChosen("C26|Item C26|99.50|1"));

  // Insert from the keyboard: the new product is the highlighted row at its place.
  ASSERT_TRUE(Keys({"Insert"}));
  ASSERT_TRUE(WaitWindow("Record Will Be Added"));
  // The code entry has the keyboard as soon as the form opens: the person types at once.
  ASSERT_TRUE(Type("C26A"));
  ASSERT_TRUE(program().WaitFor("the code typed", [](const ProgramState& s) {
    return s.Field("?PRO:PCODE", "shown") == "C26A" && s.ScreenFocus() == "?PRO:PCODE";
  })) << Describe();
  ASSERT_TRUE(Keys({"Tab"}));
  ASSERT_TRUE(Type("Cable ties"));
  // Tab into the price selects the value shown, so what is typed replaces it.
  ASSERT_TRUE(Keys({"Tab"}));
  ASSERT_TRUE(Type("4.25"));
  ASSERT_TRUE(Click("?OK"));
  ASSERT_TRUE(WaitChosen("C26A|Cable ties|4.25|0"));

  // Delete from the keyboard and "Yes" with the mouse: the row leaves the list.
  ASSERT_TRUE(Keys({"Delete"}));
  ASSERT_TRUE(program().WaitFor("Confirm Delete", [](const ProgramState& s) {
    return s.Message() != nullptr && s.Message()->Get("title") == "Confirm Delete";
  })) << Describe();
  ASSERT_TRUE(program().ClickModalButton("Yes"));
  ASSERT_TRUE(program().WaitFor("the row gone", [](const ProgramState& s) {
    return s.Message() == nullptr && RowWith(s, "C26A") == nullptr && !Chosen(s).empty();
  })) << Describe();

  // A right click highlights the row under the mouse; "Change" from its menu opens the form.
  ASSERT_TRUE(ClickRow("C28", 1, 3));
  ASSERT_TRUE(program().WaitFor("the pop-up menu", [](const ProgramState& s) {
    return s.ModalButton("Change") != nullptr;
  })) << Describe();
  ASSERT_TRUE(program().ClickModalButton("Change"));
  ASSERT_TRUE(WaitWindow("Record Will Be Changed"));
  EXPECT_EQ(program().State().Field("?PRO:PCODE", "text"), "C28");
  ASSERT_TRUE(Click("?CANCEL"));
  ASSERT_TRUE(WaitChosen("C28"));

  // A second list beside the first, with its own highlighted row.
  const std::string first = program().State().Window(kList)->Get("id");
  ASSERT_TRUE(OpenList(2));
  ASSERT_TRUE(WaitChosen("A01"));
  EXPECT_EQ(Chosen(program().State(), first).substr(0, 3), "C28");

  ASSERT_TRUE(Click("?ARTICULOS"));
  ASSERT_TRUE(program().WaitFor("the menu open", [](const ProgramState& s) {
    return s.Field("?EXIT", "screen") != "0,0,0,0" && !s.Field("?EXIT", "screen").empty();
  })) << Describe();
  ASSERT_TRUE(Click("?EXIT"));
  EXPECT_EQ(program().WaitExit(), 0) << Describe();
  const std::vector<std::string> products = db.Products();
  ASSERT_EQ(products.size(), 36u);
  EXPECT_EQ(products[25], "C26|Item C26|99.50|1");
}

}  // namespace
}  // namespace kv::test
