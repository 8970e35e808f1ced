// The connection dialog driven by scripted sessions (tests/app/scripts/connect_*.kvs), the way
// a user starts the program with a script: the program binary runs in a folder of its own, the
// script drives it, and its exit code says whether the script passed. Placeholders written
// @NAME@ in a script are filled in before it runs (the PostgreSQL server and credentials of
// the test run are not known in advance).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/ConnectSettings.h"
#include "tests/app/PgAdmin.h"
#include "tests/app/ProgramScript.h"
#include "tests/app/ProgramSession.h"

namespace kv {
namespace {

using test::ProgramBinary;
using test::RunScript;
using test::ScriptRun;

bool Exists(const test::TempDirectory& folder, const std::string& name) {
  return std::filesystem::exists(folder.File(name));
}

class ConnectScript : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(ProgramBinary()))
        << ProgramBinary() << " is missing: build the korvandel target";
  }
};

constexpr const char* kBackends[] = {"--script", "--desktop-script"};

// A fresh machine reaches the embedded database with what was typed, and the settings are
// written; without "Remember User/Password" the user and password are written empty and the
// next start shows them empty. The same script passes on real widgets.
TEST_F(ConnectScript, FreshMachineThenNextStart) {
  test::TempDirectory desktop;
  ScriptRun onWidgets = RunScript(desktop, "connect_fresh.kvs", {}, "--desktop-script");
  EXPECT_EQ(onWidgets.exitCode, 0) << onWidgets.output;
  EXPECT_EQ(LoadConnectEntries(desktop.File("Korvandel.INI")).dbName, "shop");
  test::TempDirectory folder;
  ScriptRun first = RunScript(folder, "connect_fresh.kvs");
  EXPECT_EQ(first.exitCode, 0) << first.output;
  EXPECT_TRUE(Exists(folder, "shop.sqlite"));
  ConnectEntries stored = LoadConnectEntries(folder.File("Korvandel.INI"));
  EXPECT_EQ(stored.dbName, "shop");
  EXPECT_EQ(stored.remeberUP, 0);
  EXPECT_EQ(stored.user, "");
  EXPECT_EQ(stored.pass, "");
  ScriptRun second = RunScript(folder, "connect_remembered.kvs", {{"USER", ""}, {"PASS", ""}});
  EXPECT_EQ(second.exitCode, 0) << second.output;
}

// Leaving the dialog by "&Exit Program" or its close box ends the program with exit code 0
// (the script's own checks then pass); nothing is connected or remembered.
TEST_F(ConnectScript, LeavingEndsTheProgram) {
  for (const char* name : {"connect_exit.kvs", "connect_close_box.kvs"}) {
    SCOPED_TRACE(name);
    test::TempDirectory folder;
    ScriptRun run = RunScript(folder, name);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("program exit code 0"), std::string::npos) << run.output;
    EXPECT_FALSE(Exists(folder, "never.sqlite"));
    EXPECT_EQ(test::ReadFile(folder.File("Korvandel.INI")).find("MSSQLConnect"), std::string::npos);
  }
}

// A script that fails while the dialog is open fails the run on either backend, although the
// program ends itself with exit code 0 when the runner closes the dialog.
TEST_F(ConnectScript, AFailingCheckInTheDialogFailsTheRun) {
  for (const char* backend : kBackends) {
    SCOPED_TRACE(backend);
    test::TempDirectory folder;
    ScriptRun run =
        RunScript(folder, "connect_remembered.kvs", {{"USER", "x"}, {"PASS", "y"}}, backend);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("line 5:"), std::string::npos) << run.output;
    test::TempDirectory other;
    ScriptRun wrong = RunScript(other, "connect_wrong_caption.kvs", {}, backend);
    EXPECT_EQ(wrong.exitCode, 1) << wrong.output;
    EXPECT_NE(wrong.output.find("line 4: caption is"), std::string::npos) << wrong.output;
  }
}

// A name longer in bytes than "DB Name" holds keeps its longest beginning of whole characters
// on either backend; nothing typed is dropped whole when the entry is left.
TEST_F(ConnectScript, ALongAccentedNameKeepsWhatFits) {
  const std::string kept =
      "\xc3\x9cr\xc3\xbcn\xc3\x87"
      "e\xc5\x9fit\xc3\x96\xc4\x9f"
      "e\xc5\x9ei\xc5\x9f"
      "e\xc4\xb0\xc3\xa7G";  // 19 characters, 29 bytes
  for (const char* backend : kBackends) {
    SCOPED_TRACE(backend);
    test::TempDirectory folder;
    ScriptRun run = RunScript(folder, "connect_long_name.kvs", {}, backend);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(LoadConnectEntries(folder.File("Korvandel.INI")).dbName, kept);
    EXPECT_TRUE(Exists(folder, kept + ".sqlite"));
  }
}

// The failure message, then a corrected entry connects in the same dialog.
TEST_F(ConnectScript, FailureThenCorrection) {
  test::TempDirectory folder;
  const std::string message =
      "Can not connect to MSSQL...|ERRORCODE(): 90|ERROR(): File System Error|FILEERRORCODE(): "
      "|FILEERROR(): invalid connection string: the database name must be a plain file name";
  ScriptRun run = RunScript(folder, "connect_failure.kvs", {{"MESSAGE", message}});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Exists(folder, "inside.sqlite"));
  EXPECT_FALSE(Exists(folder, "../outside.sqlite"));
}

// Auto connect: the frame is the first thing shown.
TEST_F(ConnectScript, AutoConnect) {
  test::TempDirectory folder;
  std::ofstream(folder.File("Korvandel.INI"))
      << "[MSSQLConnect]\nLOC:DBname=auto\nLOC:AutoConnect=1\n";
  ScriptRun run = RunScript(folder, "connect_auto.kvs");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Exists(folder, "auto.sqlite"));
}

// PostgreSQL with a server, database, user and password as long as the entries take (the
// connection string is about 100 characters), then the next start shows them remembered.
TEST_F(ConnectScript, PostgresWithLongEntries) {
  if (!test::PgAvailable()) {
    if (test::PgRequired()) FAIL() << "PostgreSQL is required but PGHOST is not set";
    GTEST_SKIP() << "PGHOST/PGDATABASE not set";
  }
  const std::string server = test::PgServer();
  ASSERT_LE(server.size(), 30u) << server;
  test::PgScratch scratch("script", 30, 20, "p,a;s=s{w}o rd_12345");
  ASSERT_TRUE(scratch.Ok()) << scratch.Error();
  test::TempDirectory folder;
  ScriptRun run = RunScript(folder, "connect_server.kvs",
                            {{"SERVER", server},
                             {"DB", scratch.Database()},
                             {"USER", scratch.User()},
                             {"PASS", scratch.Password()}});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  ConnectEntries stored = LoadConnectEntries(folder.File("Korvandel.INI"));
  // 30 + 20 + 20 bytes of entries, three commas, and the quotes around the password.
  EXPECT_EQ(ComposeConnectionString(stored).size(), server.size() + 75);
  EXPECT_EQ(stored.pass, scratch.Password());
}

// A failed check of the password entry reports the line, not the passwords.
TEST_F(ConnectScript, ReportOfAFailedPasswordCheckShowsNoPassword) {
  for (const char* backend : kBackends) {
    SCOPED_TRACE(backend);
    test::TempDirectory folder;
    ScriptRun run = RunScript(folder, "check_password.kvs",
                              {{"PASS", "Typed-Pw-4411"}, {"WRONG", "Other-Pw-9902"}}, backend);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("line 5: text of ?LOC:PASS (a password entry) differs"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Typed-Pw"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Other-Pw"), std::string::npos) << run.output;
  }
}

}  // namespace
}  // namespace kv
