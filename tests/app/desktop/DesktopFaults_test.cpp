// What a person met on the desktop beyond the lost focus and the erased text, each walked with
// real X input: mnemonics that act on the text just typed, a way back to the dialog when it
// connects by itself, windows where they were left and within the screen, and a menu bar the
// keyboard reaches.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/ConnectSettings.h"
#include "tests/app/desktop/DesktopSession.h"

namespace kv::test {
namespace {

bool Rectangle(const StateRecord* r, int* x, int* y, int* width, int* height) {
  return r != nullptr &&
         std::sscanf(r->Get("screen").c_str(), "%d,%d,%d,%d", x, y, width, height) == 4;
}

class DesktopFaults : public DesktopSession {
 protected:
  void Settings(const std::string& text) { std::ofstream(folder.File("Korvandel.INI")) << text; }
  bool Exists(const std::string& name) { return std::filesystem::exists(folder.File(name)); }
};

// Alt+C presses "&Connect" with what was just typed into the focused entry, as a click does.
TEST_F(DesktopFaults, AltCConnectsWithTheTextJustTyped) {
  Settings("[MSSQLConnect]\nLOC:DBname=test1\n");
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(program().WaitFor("the stored name", [](const ProgramState& s) {
    return s.Field("?LOC:DBNAME", "shown") == "test1";
  })) << Describe();
  ASSERT_TRUE(Click("?LOC:DBNAME"));
  ASSERT_TRUE(Keys({"ctrl+a"}));
  ASSERT_TRUE(Type("newdb"));
  ASSERT_TRUE(Keys({"alt+c"}));
  ASSERT_TRUE(WaitForFrame());
  EXPECT_EQ(LoadConnectEntries(folder.File("Korvandel.INI")).dbName, "newdb");
  EXPECT_TRUE(Exists("newdb.sqlite"));
  EXPECT_FALSE(Exists("test1.sqlite"));
}

// A server typed and Alt+C at once: the connection to that server is tried (and fails, nothing
// listens there), no embedded database is made and nothing is remembered; the dialog stays.
TEST_F(DesktopFaults, AltCTriesTheServerJustTyped) {
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(program().WaitForFocus("?LOC:SERVER")) << Describe();
  ASSERT_TRUE(Type("postgresql://127.0.0.1:1"));
  ASSERT_TRUE(Keys({"alt+c"}));
  ASSERT_TRUE(program().WaitFor("the failure message", [](const ProgramState& s) {
    const StateRecord* m = s.Message();
    return m != nullptr && m->Get("text").find("Can not connect to MSSQL...") == 0;
  })) << Describe();
  ASSERT_TRUE(program().ClickModalButton("OK")) << Describe();
  ASSERT_TRUE(program().WaitFor("the dialog again", [](const ProgramState& s) {
    return s.Message() == nullptr && s.Field("?OKBUTTON", "enabled") == "1" &&
           s.Field("?LOC:SERVER", "text") == "postgresql://127.0.0.1:1";
  })) << Describe();
  EXPECT_FALSE(Exists("Korvandel.sqlite"));
  EXPECT_EQ(ReadText(folder.File("Korvandel.INI")).find("MSSQLConnect"), std::string::npos);
  ASSERT_TRUE(program().WaitForWindow("MSSQL Connect")) << "the keyboard is back in the dialog";
  ASSERT_TRUE(Keys({"Escape"}));
  EXPECT_EQ(program().WaitExit(), 0) << Describe();
}

// With "Auto Connect next time" stored, Shift held while the program starts shows the dialog;
// without Shift the frame comes at once.
TEST_F(DesktopFaults, ShiftAtStartShowsTheDialogDespiteAutoConnect) {
  Settings("[MSSQLConnect]\nLOC:DBname=auto\nLOC:AutoConnect=1\n");
  ASSERT_TRUE(Input().KeyDown("shift"));
  bool shown = StartDialog();
  ASSERT_TRUE(Input().KeyUp("shift"));
  ASSERT_TRUE(shown);
  const ProgramState& s = program().State();
  EXPECT_EQ(s.Field("?LOC:AUTOCONNECT", "checked"), "1");
  EXPECT_EQ(s.Field("?LOC:DBNAME", "text"), "auto");
  EXPECT_FALSE(Exists("auto.sqlite")) << "nothing was connected";
  ASSERT_TRUE(Click("?OKBUTTON"));
  ASSERT_TRUE(WaitForFrame());
  EXPECT_TRUE(Exists("auto.sqlite"));
}

// The dialog opens where it was left; a place saved off this screen is brought onto it. The
// position saved again is the one restored, not where the window manager happened to put it.
TEST_F(DesktopFaults, TheDialogOpensWhereItWasLeft) {
  struct Case {
    int x, y;       // saved, in dialog units
    bool onScreen;  // fits as saved
  } cases[] = {{100, 80, true}, {5000, 4000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    Settings("[SQLConnect]\nMaximize=No\nMinimize=No\nXPos=" + std::to_string(c.x) +
             "\nYPos=" + std::to_string(c.y) + "\n");
    ASSERT_TRUE(StartDialog());
    int x = 0, y = 0, w = 0, h = 0, ax = 0, ay = 0, aw = 0, ah = 0;
    ASSERT_TRUE(program().WaitFor("the dialog placed", [&](const ProgramState& s) {
      return Rectangle(s.Window("MSSQL Connect"), &x, &y, &w, &h) && (x != 0 || y != 0);
    })) << Describe();
    ASSERT_TRUE(program().State().ScreenArea(&ax, &ay, &aw, &ah));
    EXPECT_GE(x, ax);
    EXPECT_GE(y, ay);
    EXPECT_LE(x + w, ax + aw) << "within the screen";
    EXPECT_LE(y + h, ay + ah);
    ASSERT_TRUE(Keys({"Escape"}));
    ASSERT_EQ(program().WaitExit(), 0) << Describe();
    std::string saved = ReadText(folder.File("Korvandel.INI"));
    if (c.onScreen) {
      EXPECT_NE(saved.find("XPos=100\nYPos=80\n"), std::string::npos) << saved;
    } else {
      EXPECT_EQ(saved.find("XPos=5000"), std::string::npos) << saved;
    }
  }
}

// At a scale factor of 2 the frame would be larger than the screen: it opens within it.
TEST_F(DesktopFaults, AtScaleTwoTheFrameFitsTheScreen) {
  ASSERT_TRUE(StartDialog({"QT_SCALE_FACTOR=2"}));
  ASSERT_TRUE(Keys({"Return"}));
  ASSERT_TRUE(WaitForFrame());
  int x = 0, y = 0, w = 0, h = 0, ax = 0, ay = 0, aw = 0, ah = 0;
  ASSERT_TRUE(program().WaitFor("the frame laid out", [&](const ProgramState& s) {
    return Rectangle(s.Window(), &x, &y, &w, &h) && w > 0 && s.ScreenArea(&ax, &ay, &aw, &ah);
  })) << Describe();
  EXPECT_GE(x, ax);
  EXPECT_GE(y, ay);
  EXPECT_LE(x + w, ax + aw);
  EXPECT_LE(y + h, ay + ah);
  EXPECT_GT(w, aw / 2) << "and still uses the room there is";
  int dx = 0, dy = 0, dw = 0, dh = 0;
  std::sscanf(program().State().Window()->Get("rect").c_str(), "%d,%d,%d,%d", &dx, &dy, &dw, &dh);
  EXPECT_LT(dw, 480) << "the program knows the size it got";
}

// Alt alone and F10 reach the frame's menu bar; the arrows and Enter go on from there.
TEST_F(DesktopFaults, AltAndF10ReachTheMenuBar) {
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(Keys({"Return"}));
  ASSERT_TRUE(WaitForFrame());
  ASSERT_TRUE(Keys({"alt"}));
  ASSERT_TRUE(program().WaitFor("the menu title highlighted", [](const ProgramState& s) {
    return s.Field("?ARTICULOS", "active") == "1" && s.Field("?ARTICULOS", "open") == "0";
  })) << Describe();
  ASSERT_TRUE(Keys({"Down"}));
  ASSERT_TRUE(program().WaitFor("the menu open", [](const ProgramState& s) {
    return s.Field("?ARTICULOS", "open") == "1";
  })) << Describe();
  ASSERT_TRUE(Keys({"Escape", "Escape"}));
  ASSERT_TRUE(program().WaitFor("the menu closed", [](const ProgramState& s) {
    return s.Field("?ARTICULOS", "open") == "0" && s.Field("?ARTICULOS", "active") == "0";
  })) << Describe();
  ASSERT_TRUE(Keys({"F10"}));
  ASSERT_TRUE(program().WaitFor("the menu open from F10", [](const ProgramState& s) {
    return s.Field("?ARTICULOS", "open") == "1";
  })) << Describe();
  ASSERT_TRUE(Keys({"Up"}));  // round to the last item
  ASSERT_TRUE(program().WaitFor("Exit highlighted", [](const ProgramState& s) {
    return s.Field("?EXIT", "active") == "1";
  })) << Describe();
  ASSERT_TRUE(Keys({"Return"}));
  EXPECT_EQ(program().WaitExit(), 0) << Describe();
}

}  // namespace
}  // namespace kv::test
