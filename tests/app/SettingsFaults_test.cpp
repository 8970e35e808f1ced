// The settings file "Korvandel.INI" when it is damaged, cannot be written, or holds the
// remembered password; and the password in everything the program writes out. The whole
// program runs in a child process (tests/app/ConnectSession.h) on the embedded database.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ConnectSettings.h"
#include "app/SettingsNotices.h"
#include "app/windows/MainWindow.h"
#include "app/windows/SQLConnectWindow.h"
#include "platform/window/UserInput.h"
#include "tests/app/ConnectSession.h"

namespace kv {
namespace {

using test::ProgramFolder;
using test::SessionDriver;

struct Typed {
  std::string dbName = "shop", user, pass;
  bool remember = false;
};

// Connects to the embedded database, leaves through the frame's Exit, waits for the program
// to end, and records every message box it showed as "box <title>|<text>". Message boxes are
// answered OK as they come.
void ConnectAndExit(SessionDriver& d, const Typed& t) {
  for (int i = 0; i < 8; ++i) d.Backend().QueueMessageAnswer(kButtonOk);
  WindowId dialog = d.Dialog();
  if (dialog == 0) return d.Record("no dialog");
  (void)TypeInto(dialog, kConnectDBname, t.dbName);
  (void)TypeInto(dialog, kConnectUser, t.user);
  (void)TypeInto(dialog, kConnectPass, t.pass);
  if (t.remember) (void)Press(dialog, kConnectRemeberUP);
  d.Backend().WaitSettled();
  (void)Press(dialog, kConnectOkButton);
  if (WindowId frame = d.Frame()) {
    d.Record("frame");
    (void)Press(frame, kMainExit);
  }
  for (int i = 0; i < 2000 && !d.Backend().QuitRequested(); ++i) ::usleep(10000);
  for (const auto& shown : d.Backend().ShownModals()) {
    if (!shown.isMenu) d.Record("box " + shown.message.caption + "|" + shown.message.text);
  }
}

int Count(const std::vector<std::string>& lines, const std::string& prefix) {
  int n = 0;
  for (const std::string& l : lines) n += l.rfind(prefix, 0) == 0 ? 1 : 0;
  return n;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// A NUL byte in the file (what a crash of the file system can leave) and a line that is no
// entry: the program reads what it can, keeps saving its entries and window positions, and the
// damaged lines end up byte for byte in the side file; nobody is bothered with a message.
TEST(SettingsFaults, ADamagedFileKeepsBeingSaved) {
  using namespace std::string_literals;
  ProgramFolder folder;
  const std::string damaged = "[SQLConnect]\nXPos=\0\0\0\0\nstray words\n"s;
  folder.Write("Korvandel.INI", "[MSSQLConnect]\nLOC:Server=\nLOC:DBname=old\n" + damaged);
  auto run = folder.Run([](SessionDriver& d) { ConnectAndExit(d, Typed{}); });
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(Count(run.lines, "frame"), 1) << ::testing::PrintToString(run.lines);
  EXPECT_EQ(Count(run.lines, "box "), 0) << ::testing::PrintToString(run.lines);
  const std::string ini = folder.File("Korvandel.INI");
  EXPECT_EQ(LoadConnectEntries(ini).dbName, "shop");
  EXPECT_EQ(GetProfileString("SQLConnect", "Maximize", "", ini), "No");
  EXPECT_FALSE(GetProfileString("SQLConnect", "XPos", "", ini).empty());
  EXPECT_EQ(folder.Read("Korvandel.INI").find('\0'), std::string::npos);
  const std::string side = folder.Read("Korvandel.INI.damaged");
  EXPECT_NE(side.find("XPos=\0\0\0\0\nstray words\n"s), std::string::npos) << side;
}

// A settings file that cannot be written at all (here a folder stands in its place, which
// stops the superuser too): the connection still works, and the user is told once, although
// the connection entries, the dialog's position and the sector list all fail to be saved.
TEST(SettingsFaults, AFileThatCannotBeWrittenIsToldOnce) {
  ProgramFolder folder;
  ASSERT_TRUE(std::filesystem::create_directory(folder.File("Korvandel.INI")));
  auto run = folder.Run([](SessionDriver& d) { ConnectAndExit(d, Typed{}); });
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(Count(run.lines, "frame"), 1) << ::testing::PrintToString(run.lines);
  EXPECT_EQ(Count(run.lines, std::string("box ") + kSettingsNotSavedTitle + "|"), 1)
      << ::testing::PrintToString(run.lines);
  EXPECT_EQ(Count(run.lines, "box "), 1) << ::testing::PrintToString(run.lines);
}

// A remembered password makes the settings file owner-only, also when it existed with wider
// rights (the user is told); without a remembered password the file keeps its rights.
TEST(SettingsFaults, ARememberedPasswordMakesTheFileOwnerOnly) {
  struct Case {
    const char* name;
    Typed typed;
    mode_t before, after;
    int told;
  };
  const Case cases[] = {
      {"readable by all, password remembered", {"shop", "alice", "s3cret-pw", true}, 0644, 0600, 1},
      {"group-writable, password remembered", {"shop", "alice", "s3cret-pw", true}, 0660, 0600, 1},
      {"already private", {"shop", "alice", "s3cret-pw", true}, 0600, 0600, 0},
      {"readable by all, nothing remembered", {"shop", "alice", "s3cret-pw", false}, 0644, 0644, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder;
    folder.Write("Korvandel.INI", "[MSSQLConnect]\nLOC:Server=\n");
    ASSERT_EQ(::chmod(folder.File("Korvandel.INI").c_str(), c.before), 0);
    auto run = folder.Run([&](SessionDriver& d) { ConnectAndExit(d, c.typed); });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ModeOf(folder.File("Korvandel.INI")), c.after);
    EXPECT_EQ(Count(run.lines, std::string("box ") + kPasswordFileTitle + "|"), c.told)
        << ::testing::PrintToString(run.lines);
    EXPECT_EQ(LoadConnectEntries(folder.File("Korvandel.INI")).pass,
              c.typed.remember ? c.typed.pass : "");
    for (const std::string& line : run.lines) EXPECT_EQ(line.find(c.typed.pass), std::string::npos);
  }
}

// A program that crashes with a live connection whose password it holds writes nothing of the
// password to its standard error (under the sanitizers a crash report is written there).
TEST(SettingsFaults, ACrashReportHoldsNoPassword) {
  const std::string password = "Crash-Pw-7731";
  ProgramFolder folder;
  const std::string errors = folder.File("stderr.txt");
  auto run = folder.Run([&](SessionDriver& d) {
    int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) ::dup2(fd, 2);
    WindowId dialog = d.Dialog();
    (void)TypeInto(dialog, kConnectDBname, "crash");
    (void)TypeInto(dialog, kConnectUser, "alice");
    (void)TypeInto(dialog, kConnectPass, password);
    (void)Press(dialog, kConnectOkButton);
    if (d.Frame() != 0) d.Record("frame");
    std::raise(SIGSEGV);
  });
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(Count(run.lines, "frame"), 1);
  EXPECT_EQ(folder.Read("stderr.txt").find(password), std::string::npos)
      << folder.Read("stderr.txt");
}

}  // namespace
}  // namespace kv
