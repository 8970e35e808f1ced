// The connection dialog driven end to end on the headless backend, as a user would: the whole
// program runs in a child process in a folder of its own; each session types, presses and
// answers, and records what it saw.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "app/ConnectSettings.h"
#include "app/windows/MainWindow.h"
#include "app/windows/SQLConnectWindow.h"
#include "tests/app/ConnectSession.h"
#include "tests/app/PgAdmin.h"

namespace kv {
namespace {

using test::ProgramFolder;
using test::SessionDriver;
using Lines = std::vector<std::string>;

bool Has(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Ok(InputStatus s) {
  return s == InputStatus::kOk ? "ok" : InputStatusText(s);
}

// What the user fills in before pressing "&Connect".
struct Form {
  std::string server, dbName, user, pass;
  bool windowsAuth = false, remember = false, autoConnect = false;
};

// Fills the dialog, presses "&Connect", and records "frame" and the connection string when the
// frame opens, or "message <text>" when a message box came instead (answered OK).
void FillAndConnect(SessionDriver& d, const Form& f) {
  WindowId dialog = d.Dialog();
  if (dialog == 0) {
    d.Record("no dialog");
    return;
  }
  auto type = [&](int control, const std::string& text) {
    if (InputStatus s = TypeInto(dialog, control, text); s != InputStatus::kOk)
      d.Record("type " + std::to_string(control) + " " + Ok(s));
    d.Backend().WaitSettled();
  };
  auto check = [&](int control, bool on) {
    if (Window(dialog).Checked(control) != on) (void)Press(dialog, control);
    d.Backend().WaitSettled();
  };
  type(kConnectServer, f.server);
  type(kConnectDBname, f.dbName);
  type(kConnectUser, f.user);
  type(kConnectPass, f.pass);
  check(kConnectWindowsAuth, f.windowsAuth);
  check(kConnectRemeberUP, f.remember);
  check(kConnectAutoConnect, f.autoConnect);
  if (InputStatus s = Press(dialog, kConnectOkButton); s != InputStatus::kOk)
    d.Record("connect " + Ok(s));
  std::string message = d.PendingMessage();
  if (!message.empty()) {
    d.Record("message " + message);
    d.Backend().AnswerPending(kButtonOk);
    d.Backend().WaitSettled();
    return;
  }
  if (d.Frame() != 0) {
    d.Record("frame");
    d.Record("owner " + ConnectionOwner.Get());
  }
}

// Ends a program whose frame is open.
void ExitFrame(SessionDriver& d) {
  if (WindowId frame = d.Frame()) (void)Press(frame, kMainExit);
}

// A fresh machine: the dialog shows its thirteen controls empty, with the password masked, and
// "&Connect" at once reaches the embedded database named by "DB Name" in the working folder.
TEST(SQLConnect, FreshMachineConnectsToTheEmbeddedDatabase) {
  struct Case {
    const char* dbName;
    const char* file;
  };
  for (const Case& c : {Case{"", "Korvandel.sqlite"}, Case{"shop", "shop.sqlite"}}) {
    SCOPED_TRACE(c.file);
    ProgramFolder folder;
    auto run = folder.Run([&](SessionDriver& d) {
      WindowId dialog = d.Dialog();
      Window w(dialog);
      std::string shown;
      for (int n : w.ControlNumbers()) {
        auto control = w.ControlCopy(n);
        shown += control->label + "=" +
                 (control->kind == ControlKind::kCheck ? std::string(control->checked ? "1" : "0")
                                                       : control->text);
        if (control->password) shown += "(masked)";
        shown += ";";
      }
      d.Record("controls " + shown);
      d.Record(std::string("frame before ") + (d.Frame() != 0 ? "yes" : "no"));
      FillAndConnect(d, Form{"", c.dbName, "", ""});
      ExitFrame(d);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(Has(run.lines,
                    "controls ?STRING1=Server:;?LOC:SERVER=;?STRING1:2=DB Name:;?STRING1:3=User:;"
                    "?LOC:DBNAME=;?LOC:USER=;?STRING1:4=Password:;?LOC:PASS=(masked);"
                    "?LOC:WINDOWSAUTH=0;?LOC:REMEBERUP=0;?LOC:AUTOCONNECT=0;"
                    "?OKBUTTON=&Connect;?CANCELBUTTON=&Exit Program;"))
        << ::testing::PrintToString(run.lines);
    EXPECT_TRUE(Has(run.lines, "frame before no"));
    EXPECT_TRUE(Has(run.lines, "frame")) << ::testing::PrintToString(run.lines);
    EXPECT_TRUE(folder.Exists(c.file));
    // The settings file may hold a password: only its owner may read it.
    struct stat st {};
    ASSERT_EQ(::stat(folder.File("Korvandel.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
  }
}

// The connection string as composed from what was typed, and the settings written after the
// connection: with "Use Windows Authentiaction" the string has two parts and no credentials;
// without "Remember User/Password" user and password are written empty, so that the next start
// shows them empty.
TEST(SQLConnect, ComposesTheStringAndRemembersWhatWasAsked) {
  struct Case {
    const char* name;
    Form form;
    const char* owner;
    const char* nextUser;  // what the next start shows
    const char* nextPass;
  };
  const Case cases[] = {
      {"windows auth", {"", "wa", "alice", "secret", true, true, false}, ",wa", "alice", "secret"},
      {"user and password remembered",
       {"", "up", "alice", "secret", false, true, false},
       ",up,alice,secret",
       "alice",
       "secret"},
      {"not remembered",
       {"", "nr", "bob", "hidden", false, false, false},
       ",nr,bob,hidden",
       "",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder;
    auto first = folder.Run([&](SessionDriver& d) {
      FillAndConnect(d, c.form);
      ExitFrame(d);
    });
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_TRUE(Has(first.lines, std::string("owner ") + c.owner))
        << ::testing::PrintToString(first.lines);
    ConnectEntries stored = LoadConnectEntries(folder.File("Korvandel.INI"));
    EXPECT_EQ(stored.dbName, c.form.dbName);
    EXPECT_EQ(stored.windowsAuth, c.form.windowsAuth ? 1 : 0);
    EXPECT_EQ(stored.remeberUP, c.form.remember ? 1 : 0);
    EXPECT_EQ(stored.user, c.nextUser);
    EXPECT_EQ(stored.pass, c.nextPass);

    auto second = folder.Run([&](SessionDriver& d) {
      Window w(d.Dialog());
      d.Record("shown " + w.Text(kConnectDBname) + "|" + w.Text(kConnectUser) + "|" +
               w.Text(kConnectPass) + "|" + (w.Checked(kConnectWindowsAuth) ? "1" : "0"));
      (void)Press(w.Id(), kConnectCancelButton);
    });
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(Has(second.lines, "shown " + c.form.dbName + "|" + c.nextUser + "|" + c.nextPass +
                                      "|" + (c.form.windowsAuth ? "1" : "0")))
        << ::testing::PrintToString(second.lines);
  }
}

// A server that cannot be reached: the message shows the runtime's and the driver's error, the
// dialog stays open with the entries as typed and "&Connect" enabled again, and the connection
// entries are not written. A server written with a port after a comma is quoted.
TEST(SQLConnect, FailureShowsTheErrorAndKeepsTheDialog) {
  ProgramFolder folder;
  auto run = folder.Run([&](SessionDriver& d) {
    FillAndConnect(d, Form{"127.0.0.1,1", "nowhere", "", "", true, true, false});
    d.Record("owner " + ConnectionOwner.Get());
    auto shown = d.Backend().ShownModals();
    if (!shown.empty()) {
      d.Record("caption '" + shown.back().message.caption + "' buttons " +
               std::to_string(shown.back().message.buttons));
    }
    Window w(d.Dialog());
    d.Record("after " + w.Text(kConnectServer) + "|" + w.Text(kConnectDBname) + "|" +
             (w.Disabled(kConnectOkButton) ? "disabled" : "enabled") + "|" +
             (d.Frame() != 0 ? "frame" : "no frame"));
    (void)Press(w.Id(), kConnectCancelButton);
  });
  EXPECT_EQ(run.exitCode, 0);
  const Lines& l = run.lines;
  EXPECT_TRUE(Has(l, "owner \"127.0.0.1,1\",nowhere")) << ::testing::PrintToString(l);
  auto message = std::find_if(l.begin(), l.end(),
                              [](const std::string& s) { return s.rfind("message ", 0) == 0; });
  ASSERT_NE(message, l.end()) << ::testing::PrintToString(l);
  EXPECT_TRUE(std::regex_match(
      *message, std::regex("message Can not connect to MSSQL\\.\\.\\.\\|ERRORCODE\\(\\): 90"
                           "\\|ERROR\\(\\): [^|]+\\|FILEERRORCODE\\(\\): [^|]*"
                           "\\|FILEERROR\\(\\): .+")))
      << *message;
  EXPECT_TRUE(Has(l, "caption '' buttons 1"));
  EXPECT_TRUE(Has(l, "after 127.0.0.1,1|nowhere|enabled|no frame")) << ::testing::PrintToString(l);
  EXPECT_EQ(folder.Read("Korvandel.INI").find("MSSQLConnect"), std::string::npos)
      << folder.Read("Korvandel.INI");
}

// "&Exit Program" and the close box end the process with exit code 0 before any frame opens;
// nothing is connected and no database file is made.
TEST(SQLConnect, LeavingWithoutConnectingEndsTheProgram) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "&Exit Program");
    ProgramFolder folder;
    auto run = folder.Run([&](SessionDriver& d) {
      WindowId dialog = d.Dialog();
      (void)TypeInto(dialog, kConnectDBname, "never");
      d.Backend().WaitSettled();
      d.Record("leaving");
      InputStatus s = closeBox ? CloseBox(dialog) : Press(dialog, kConnectCancelButton);
      if (s != InputStatus::kOk) d.Record("input " + Ok(s));
      // The program ends by itself; a frame would keep it running until the session gave up.
    });
    EXPECT_EQ(run.exitCode, 0) << ::testing::PrintToString(run.lines);
    EXPECT_EQ(run.lines, Lines{"leaving"});
    EXPECT_FALSE(folder.Exists("never.sqlite"));
  }
}

// "Auto Connect next time" stored as 1: the dialog connects and closes without any user
// action. With a server that cannot be reached the message is shown once and the dialog waits.
TEST(SQLConnect, AutoConnect) {
  {
    SCOPED_TRACE("reachable");
    ProgramFolder folder;
    folder.Write("Korvandel.INI", "[MSSQLConnect]\nLOC:DBname=auto\nLOC:AutoConnect=1\n");
    auto run = folder.Run([&](SessionDriver& d) {
      d.Record(std::string("frame ") + (d.Frame() != 0 ? "yes" : "no"));
      d.Record(std::string("dialog ") + (d.Dialog() != 0 ? "open" : "closed"));
      ExitFrame(d);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (Lines{"frame yes", "dialog closed"}));
    EXPECT_TRUE(folder.Exists("auto.sqlite"));
  }
  {
    SCOPED_TRACE("unreachable");
    ProgramFolder folder;
    folder.Write("Korvandel.INI",
                 "[MSSQLConnect]\nLOC:Server=127.0.0.1,1\nLOC:DBname=x\nLOC:WindowsAuth=1\n"
                 "LOC:AutoConnect=1\n");
    auto run = folder.Run([&](SessionDriver& d) {
      std::string message = d.PendingMessage();
      d.Record(std::string("message ") + (message.empty() ? "none" : "shown"));
      d.Backend().AnswerPending(kButtonOk);
      d.Backend().WaitSettled();
      d.Record("shown " + std::to_string(d.Backend().ShownModals().size()) + " dialog " +
               (d.Dialog() != 0 ? "open" : "closed"));
      (void)Press(d.Dialog(), kConnectCancelButton);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (Lines{"message shown", "shown 1 dialog open"}));
  }
}

// The dialog reopens where it was when it last closed (section "SQLConnect").
TEST(SQLConnect, KeepsItsPosition) {
  ProgramFolder folder;
  auto first = folder.Run([&](SessionDriver& d) {
    Window w(d.Dialog());
    Rect r = w.Position();
    r.x = 123;
    r.y = 45;
    w.SetPosition(r);  // as the desktop does when the user moves the window
    FillAndConnect(d, Form{"", "pos", "", ""});
    ExitFrame(d);
  });
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_NE(folder.Read("Korvandel.INI").find("[SQLConnect]"), std::string::npos);
  auto second = folder.Run([&](SessionDriver& d) {
    Window w(d.Dialog());
    d.Record("at " + std::to_string(w.Position().x) + "," + std::to_string(w.Position().y));
    (void)Press(w.Id(), kConnectCancelButton);
  });
  EXPECT_EQ(second.lines, Lines{"at 123,45"});
}

// The whole connection string is used, however long: a database name of 30 characters and a
// user and password of 20 each give a string far past 59 characters, and the connection works
// with exactly what was typed.
TEST(SQLConnect, LongEntriesConnectWithTheWholeString) {
  const std::string db(30, 'd');
  ProgramFolder folder;
  auto run = folder.Run([&](SessionDriver& d) {
    FillAndConnect(d, Form{"", db, std::string(20, 'u'), std::string(19, 'p') + "!"});
    ExitFrame(d);
  });
  const std::string owner =
      "," + db + "," + std::string(20, 'u') + "," + std::string(19, 'p') + "!";
  ASSERT_GT(owner.size(), 59u);
  EXPECT_TRUE(Has(run.lines, "owner " + owner)) << ::testing::PrintToString(run.lines);
  EXPECT_TRUE(folder.Exists(db + ".sqlite"));
}

// ---- PostgreSQL --------------------------------------------------------------------------

class SQLConnectPg : public ::testing::Test {
 protected:
  void SetUp() override {
    if (PgAvailable()) return;
    if (PgRequired())
      FAIL() << "PostgreSQL is required (KORVANDEL_REQUIRE_PG=1) but PGHOST is not set";
    GTEST_SKIP() << "PGHOST/PGDATABASE not set";
  }
  static bool PgAvailable() { return test::PgAvailable(); }
  static bool PgRequired() { return test::PgRequired(); }
};

// A server, database, user and password as long as the entries hold, the password with commas,
// semicolons and braces: the connection succeeds (the string is 100 characters long), and the
// program's table is created in that database.
TEST_F(SQLConnectPg, LongEntriesConnect) {
  const std::string server = test::PgServer();
  ASSERT_LE(server.size(), 30u) << server;
  test::PgScratch scratch("long", 30, 20, "p,a;s=s{w}o rd_12345");
  ASSERT_TRUE(scratch.Ok()) << scratch.Error();
  ProgramFolder folder;
  auto run = folder.Run([&](SessionDriver& d) {
    FillAndConnect(d, Form{server, scratch.Database(), scratch.User(), scratch.Password()});
    ExitFrame(d);
  });
  EXPECT_EQ(run.exitCode, 0);
  // The password holds commas, so it is the one part in quotes.
  const std::string owner =
      server + "," + scratch.Database() + "," + scratch.User() + ",\"" + scratch.Password() + "\"";
  EXPECT_GT(owner.size(), 59u);
  EXPECT_TRUE(Has(run.lines, "owner " + owner)) << ::testing::PrintToString(run.lines);
  EXPECT_TRUE(Has(run.lines, "frame"));
}

// A wrong password: the server's refusal is shown and the dialog stays; the right one then
// connects in the same dialog.
TEST_F(SQLConnectPg, WrongPasswordThenRight) {
  test::PgScratch scratch("retry", 0, 12, "right-one");
  ASSERT_TRUE(scratch.Ok()) << scratch.Error();
  ProgramFolder folder;
  auto run = folder.Run([&](SessionDriver& d) {
    FillAndConnect(d, Form{test::PgServer(), scratch.Database(), scratch.User(), "wrong"});
    FillAndConnect(d, Form{test::PgServer(), scratch.Database(), scratch.User(), "right-one", false,
                           true, false});
    ExitFrame(d);
  });
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_GE(run.lines.size(), 2u) << ::testing::PrintToString(run.lines);
  EXPECT_EQ(run.lines[0].rfind("message Can not connect to MSSQL...|ERRORCODE(): ", 0), 0u)
      << run.lines[0];
  EXPECT_EQ(run.lines[1], "frame");
  ConnectEntries stored = LoadConnectEntries(folder.File("Korvandel.INI"));
  EXPECT_EQ(stored.pass, "right-one");
}

}  // namespace
}  // namespace kv
