#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <latch>
#include <regex>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/MainFrame.h"
#include "app/windows/MainWindow.h"
#include "framework/errors/ErrorStatus.h"
#include "platform/window/UserInput.h"
#include "tests/app/ProgramSession.h"

namespace kv {
namespace {

using test::ProgramSession;
using test::SettledFrame;
using Lines = std::vector<std::string>;

// The program starts with the connection dialog. "Auto Connect next time" stored in the
// settings file lets it connect to the embedded database and close by itself, so that these
// sessions start at the frame. A successful connection writes the settings file twice (the
// dialog's entries, then its window position). Replacements in quick succession may be seen
// as one, so the count is bounded rather than exact.
constexpr int kConnectDialogWrites = 2;
void AutoConnect() {
  std::ofstream("Korvandel.INI") << "[MSSQLConnect]\nLOC:AutoConnect=1\n";
}

// Thread numbers differ from run to run; the order of the steps does not.
Lines WithoutNumbers(const Lines& lines) {
  Lines out;
  for (const std::string& l : lines)
    out.push_back(std::regex_replace(l, std::regex("[0-9]+"), "#"));
  return out;
}

// The program starts and ends in its fixed order, whichever way the frame is closed, and
// writes the settings file's sector list exactly once, after Main returned.
TEST(Program, StartsAndEndsInOrderAndWritesTheSectorListOnce) {
  struct Case {
    const char* name;
    bool menu;  // "Exit" from the menu, else the frame's close box
  };
  const Case cases[] = {{"Articulos > Exit", true}, {"close box", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramSession run(
        [&](HeadlessBackend& backend, const std::function<void(std::string)>& add) {
          WindowId frame = SettledFrame(backend);
          if (frame == 0) {
            add("no frame");
            return;
          }
          Window w(frame);
          add("caption " + w.Caption());
          add("menu " + w.Text(kMainMenuArticulos) + "|" + w.Text(kMainBrowseArticulos) + "|" +
              w.Text(kMainExit));
          InputStatus s = c.menu ? Press(frame, kMainExit) : CloseBox(frame);
          // Only a refusal is recorded: the program reacts at once, so a line added after the
          // input would race with the program's own steps.
          if (s != InputStatus::kOk) add(std::string("input ") + InputStatusText(s));
        },
        [](const std::function<void(std::string)>& add) {
          AutoConnect();
          AddTableManagers([add] { add("create tables"); }, [add] { add("release tables"); });
        });
    EXPECT_EQ(run.ExitCode(), 0);
    const Lines expected = {"runtime",
                            "thread start #",
                            "GlobalErrors.Init",
                            "INIMgr.Init",
                            "create tables",
                            "tables #",
                            "Main",
                            "caption " + MainWindowCaption(),
                            "menu Articulos|Browse Articulos|Exit",
                            "INIMgr.Update",
                            "INIMgr.Kill",
                            "release tables",
                            "tables released #",
                            "thread end #",
                            "exit #"};
    EXPECT_EQ(WithoutNumbers(run.Record()), WithoutNumbers(expected));
    EXPECT_GE(run.SettingsWrites(), 1);
    EXPECT_LE(run.SettingsWrites(), 1 + kConnectDialogWrites);
    const std::string ini = run.SettingsText();
    EXPECT_NE(ini.find("[__Dont_Touch_Me__]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Sectors"), std::string::npos) << ini;
  }
}

// "Browse Articulos" twice gives two threads, each starting with its own zeroed request
// globals, its own error status and its own tables before its first statement; what one
// thread sets is invisible to the other, and the frame's own values are untouched.
TEST(Program, EachBrowseThreadHasItsOwnPerThreadState) {
  ProgramSession run(
      [](HeadlessBackend& backend, const std::function<void(std::string)>& add) {
        WindowId frame = SettledFrame(backend);
        if (frame == 0) {
          add("no frame");
          return;
        }
        add(std::string("first ") + InputStatusText(Press(frame, kMainBrowseArticulos)));
        add(std::string("second ") + InputStatusText(Press(frame, kMainBrowseArticulos)));
        backend.WaitSettled();
        Press(frame, kMainExit);
      },
      [](const std::function<void(std::string)>& add) {
        AutoConnect();
        auto both = std::make_shared<std::latch>(2);
        auto next = std::make_shared<std::atomic<int>>(0);
        SetBrowseProcedure([add, both, next] {
          std::string start = "zeroed " +
                              std::to_string(GlobalRequest + GlobalResponse + VCRRequest) +
                              " tables " + (ThreadTablesCreated() ? "yes" : "no") + " status '" +
                              ErrorStatus::ThisThread().FILENAME + "'";
          int mine = ++*next;
          GlobalRequest = static_cast<std::uint8_t>(mine);
          VCRRequest = 3000 + mine;
          ErrorStatus::ThisThread().FILENAME = "file" + std::to_string(mine);
          both->arrive_and_wait();  // both threads have set their values
          bool kept = GlobalRequest == mine && VCRRequest == 3000 + mine &&
                      ErrorStatus::ThisThread().FILENAME == "file" + std::to_string(mine);
          add("browse: " + start + " kept " + (kept ? "yes" : "no"));
        });
      });
  EXPECT_EQ(run.ExitCode(), 0);
  const Lines& record = run.Record();
  EXPECT_EQ(
      std::count(record.begin(), record.end(), "browse: zeroed 0 tables yes status '' kept yes"), 2)
      << ::testing::PrintToString(record);
  EXPECT_EQ(std::count(record.begin(), record.end(),
                       "first " + std::string(InputStatusText(InputStatus::kOk))),
            1);
  // Each browse thread created its tables in its start hook and released them at its end.
  Lines plain = WithoutNumbers(record);
  EXPECT_EQ(std::count(plain.begin(), plain.end(), "tables #"), 3);
  EXPECT_EQ(std::count(plain.begin(), plain.end(), "tables released #"), 3);
  EXPECT_GE(run.SettingsWrites(), 1);
  EXPECT_LE(run.SettingsWrites(), 1 + kConnectDialogWrites);
}

// The frame's caption shows the build date in ISO form, whatever the compiler's spacing.
TEST(MainWindow, CaptionShowsTheBuildDateInIsoForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"Dec  8 2026", "2026-12-08"},
      {"Jan 31 2025", "2025-01-31"},
      {"Sep 10 1999", "1999-09-10"},
      {"Foo  1 2020", ""},
      {"Dec 8 2026", ""},  // not the compiler's form
  };
  for (const auto& [date, iso] : cases) EXPECT_EQ(BuildDateIso(date), iso) << date;
  EXPECT_TRUE(
      std::regex_match(MainWindowCaption(), std::regex(R"(Korvandel \(built \d{4}-\d{2}-\d{2}\))")))
      << MainWindowCaption();
}

}  // namespace
}  // namespace kv
