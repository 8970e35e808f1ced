// The connection dialog and the frame on the desktop backend, driven by real X input on a
// virtual X server: pointer clicks at the controls' places, Tab, typing and the keyboard's
// shortcuts, as a person gives them. The results are read from the program's state file and
// from the settings and database files it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "app/ConnectSettings.h"
#include "platform/values/Utf8Text.h"
#include "tests/app/desktop/DesktopSession.h"

namespace kv::test {
namespace {

using Labels = std::vector<std::string>;

// A person at the dialog: the labels typed into, clicked and checked.
constexpr const char* kServer = "?LOC:SERVER";
constexpr const char* kDbName = "?LOC:DBNAME";
constexpr const char* kUser = "?LOC:USER";
constexpr const char* kPass = "?LOC:PASS";
constexpr const char* kWindowsAuth = "?LOC:WINDOWSAUTH";
constexpr const char* kRemember = "?LOC:REMEBERUP";
constexpr const char* kAutoConnect = "?LOC:AUTOCONNECT";
constexpr const char* kConnect = "?OKBUTTON";
constexpr const char* kExit = "?CANCELBUTTON";

class ConnectInput : public DesktopSession {};

// Click "DB Name", type, click "User", type, click "Password", type, Tab, Tab, Space: every text
// lands where the person put it, the password entry masks it, and Space checks the box Tab
// reached. "&Connect" then opens the database named, and the frame's menu ends the program.
TEST_F(ConnectInput, ClicksAndTypingLandWhereThePersonPoints) {
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(Click(kDbName));
  ASSERT_TRUE(Type("shopdb"));
  ASSERT_TRUE(Click(kUser));
  ASSERT_TRUE(Type("alice"));
  ASSERT_TRUE(Click(kPass));
  ASSERT_TRUE(Type("pw1"));
  ASSERT_TRUE(Keys({"Tab", "Tab", "space"}));
  ASSERT_TRUE(program().WaitFor("the entries and the check box", [](const ProgramState& s) {
    return s.Field(kDbName, "text") == "shopdb" && s.Field(kUser, "text") == "alice" &&
           s.Field(kPass, "text") == "pw1" && s.Field(kRemember, "checked") == "1";
  })) << Describe();
  const ProgramState& s = program().State();
  EXPECT_EQ(s.Field(kWindowsAuth, "checked"), "0");
  EXPECT_EQ(s.Field(kPass, "password"), "1") << "the password is masked on the screen";
  EXPECT_EQ(s.Field(kUser, "password"), "0");
  EXPECT_EQ(s.ScreenFocus(), kRemember);
  EXPECT_EQ(s.Field(kRemember, "focused"), "1") << "the model follows the screen's focus";

  ASSERT_TRUE(Click(kConnect));
  ASSERT_TRUE(WaitForFrame());
  ConnectEntries stored = LoadConnectEntries(folder.File("Korvandel.INI"));
  EXPECT_EQ(stored.dbName, "shopdb");
  EXPECT_EQ(stored.user, "alice");
  EXPECT_EQ(stored.pass, "pw1");
  EXPECT_EQ(stored.remeberUP, 1);
  EXPECT_EQ(stored.windowsAuth, 0);
  EXPECT_TRUE(std::filesystem::exists(folder.File("shopdb.sqlite")));

  // The menu with the mouse: the title, then the item.
  ASSERT_TRUE(Click("?ARTICULOS"));
  ASSERT_TRUE(program().WaitFor("the menu open", [](const ProgramState& s) {
    return s.Field("?ARTICULOS", "open") == "1" && s.Field("?EXIT", "screen") != "0,0,0,0";
  })) << Describe();
  ASSERT_TRUE(Click("?EXIT"));
  EXPECT_EQ(program().WaitExit(), 0) << Describe();
}

// The dialog opens with the focus in "Server"; Tab walks every control that takes input in
// number order and round again, Shift+Tab goes back; the focused button alone looks like the
// default one. What was typed on the way is kept, and Escape leaves as "&Exit Program" does.
TEST_F(ConnectInput, TabWalksTheDialogInNumberOrder) {
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(program().WaitForFocus(kServer)) << Describe();
  ASSERT_TRUE(Type("srv"));
  for (const char* label :
       {kDbName, kUser, kPass, kWindowsAuth, kRemember, kAutoConnect, kConnect, kExit, kServer}) {
    SCOPED_TRACE(label);
    ASSERT_TRUE(Keys({"Tab"}));
    ASSERT_TRUE(program().WaitForFocus(label)) << Describe();
    if (std::string(label) == kExit) {
      const ProgramState& s = program().State();
      EXPECT_EQ(s.Field(kExit, "looksdefault"), "1") << "the focused button presses on Enter";
      EXPECT_EQ(s.Field(kConnect, "looksdefault"), "0") << "one default look at a time";
    }
  }
  const ProgramState& s = program().State();
  EXPECT_EQ(s.Field(kServer, "text"), "srv") << "typing went into the entry that had the focus";
  EXPECT_EQ(s.Field(kConnect, "looksdefault"), "1") << "the default button looks so again";
  EXPECT_EQ(s.Field(kExit, "looksdefault"), "0");
  ASSERT_TRUE(Keys({"shift+Tab"}));
  ASSERT_TRUE(program().WaitForFocus(kExit)) << Describe();

  ASSERT_TRUE(Keys({"Escape"}));
  EXPECT_EQ(program().WaitExit(), 0) << Describe();
  std::string settings = ReadText(folder.File("Korvandel.INI"));
  EXPECT_EQ(settings.find("MSSQLConnect"), std::string::npos) << "nothing was connected";
}

// Enter in an entry presses "&Connect" with the text just typed; the frame's caption shows the
// build date in ISO form; the frame's menu is reached with Alt+A, the arrows and Enter.
TEST_F(ConnectInput, EnterConnectsAndTheKeyboardReachesTheMenu) {
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(Click(kDbName));
  ASSERT_TRUE(Type("enterdb"));
  ASSERT_TRUE(Keys({"Return"}));
  ASSERT_TRUE(WaitForFrame());
  EXPECT_EQ(LoadConnectEntries(folder.File("Korvandel.INI")).dbName, "enterdb");
  const StateRecord* frame = program().State().Window();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(std::regex_match(frame->Get("caption"),
                               std::regex(R"(Korvandel \(built \d{4}-\d{2}-\d{2}\))")))
      << frame->Get("caption");

  ASSERT_TRUE(Keys({"alt+a"}));
  ASSERT_TRUE(program().WaitFor("the menu open", [](const ProgramState& s) {
    return s.Field("?ARTICULOS", "open") == "1" && s.Field("?BROWSEARTICULOS", "active") == "1";
  })) << Describe();
  EXPECT_EQ(program().State().Field("?ARTICULOS", "text"), "Articulos")
      << "the program's text is unchanged";
  ASSERT_TRUE(Keys({"Down"}));
  ASSERT_TRUE(program().WaitFor("Exit highlighted", [](const ProgramState& s) {
    return s.Field("?EXIT", "active") == "1";
  })) << Describe();
  ASSERT_TRUE(Keys({"Return"}));
  EXPECT_EQ(program().WaitExit(), 0) << Describe();
}

// Thirty characters with accents are more bytes than "DB Name" (s30) holds: the entry keeps
// the longest beginning that fits, whole characters only, and that name is the one connected
// and remembered; nothing typed vanishes.
TEST_F(ConnectInput, ALongAccentedNameKeepsWhatFits) {
  // "ÜrünÇeşitÖğeŞişeİçGüzelÇayÖzÜm": 30 characters, 44 bytes.
  const std::string typed =
      "\xc3\x9cr\xc3\xbcn\xc3\x87"
      "e\xc5\x9fit\xc3\x96\xc4\x9f"
      "e\xc5\x9ei\xc5\x9f"
      "e"
      "\xc4\xb0\xc3\xa7"
      "G\xc3\xbczel\xc3\x87"
      "ay\xc3\x96z\xc3\x9cm";
  ASSERT_EQ(Utf8Length(typed), 30u);
  const std::string kept = typed.substr(0, Utf8CutLength(typed, 30));
  ASSERT_LT(kept.size(), typed.size());
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(Click(kDbName));
  ASSERT_TRUE(Type(typed));
  ASSERT_TRUE(program().WaitFor("the entry full", [&](const ProgramState& s) {
    return s.Field(kDbName, "shown") == kept;
  })) << Describe();
  ASSERT_TRUE(Click(kConnect));
  ASSERT_TRUE(WaitForFrame());
  EXPECT_EQ(LoadConnectEntries(folder.File("Korvandel.INI")).dbName, kept);
  EXPECT_TRUE(std::filesystem::exists(folder.File(kept + ".sqlite")));
}

// A 100 KB paste (Ctrl+V from the clipboard) of quotes, ";", "=", a right-to-left letter with a
// combining mark and a 4-byte character that ends past the entry's 30 bytes: the entry keeps
// the whole characters that fit, and exactly that name is connected (a file of that name) and
// remembered.
TEST_F(ConnectInput, AHostilePasteKeepsWhatFits) {
  const std::string fits = "Sh\xF0\x9F\x98\x80p;\"'=,}\xD7\xA9\xCC\x81" + std::string(10, 'Z');
  ASSERT_EQ(fits.size(), 27u);
  const std::string paste = fits + "\xF0\x9F\x98\x80" + std::string(100 * 1024, 'Z');
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(program().Input().SetClipboard(paste));
  ASSERT_TRUE(Click(kDbName));
  ASSERT_TRUE(Keys({"ctrl+v"}));
  ASSERT_TRUE(program().WaitFor("the paste cut", [&](const ProgramState& s) {
    return s.Field(kDbName, "shown") == fits;
  })) << Describe();
  ASSERT_TRUE(Click(kConnect));
  ASSERT_TRUE(WaitForFrame());
  EXPECT_EQ(LoadConnectEntries(folder.File("Korvandel.INI")).dbName, fits);
  EXPECT_TRUE(std::filesystem::exists(folder.File(fits + ".sqlite")));
}

// Enter on a focused check box presses the default button, without toggling the box.
TEST_F(ConnectInput, EnterOnACheckBoxPressesTheDefaultButton) {
  ASSERT_TRUE(StartDialog());
  ASSERT_TRUE(Click(kDbName));
  ASSERT_TRUE(Type("checkdb"));
  ASSERT_TRUE(Click(kPass));
  ASSERT_TRUE(Keys({"Tab"}));
  ASSERT_TRUE(program().WaitForFocus(kWindowsAuth)) << Describe();
  ASSERT_TRUE(Keys({"Return"}));
  ASSERT_TRUE(WaitForFrame());
  ConnectEntries stored = LoadConnectEntries(folder.File("Korvandel.INI"));
  EXPECT_EQ(stored.dbName, "checkdb");
  EXPECT_EQ(stored.windowsAuth, 0);
}

}  // namespace
}  // namespace kv::test
