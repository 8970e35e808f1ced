#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tests/app/ProgramSession.h"

namespace kv {
namespace {

// The program binary beside the test programs' folder (build/korvandel next to build/tests/).
std::string ProgramBinary() {
  char self[PATH_MAX] = {};
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  return (std::filesystem::path(self).parent_path().parent_path() / "korvandel").string();
}

std::string ScriptPath(const std::string& name) {
  const std::filesystem::path root = KORVANDEL_SOURCE_DIR;
  return (root / "tests/app/scripts" / name).string();
}

// The program, started as a user starts it with a script, in a directory of its own: the
// script drives it to its end; the exit code says whether the script passed, and the settings
// file's sector list is written exactly once on the way out.
TEST(ProgramScript, ScriptedSessionsStartAndEndTheProgram) {
  struct Case {
    const char* script;
    int exitCode;
  };
  const Case cases[] = {
      {"exit_menu.kvs", 0},
      {"close_box.kvs", 0},
      {"not_ended.kvs", 1},  // a failing check fails the run; the runner still ends the program
  };
  const std::string binary = ProgramBinary();
  ASSERT_TRUE(std::filesystem::exists(binary))
      << binary << " is missing: build the korvandel target";
  // The same sessions on the headless backend and, through real widgets, on the desktop one.
  for (const char* mode : {"--script", "--desktop-script"})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(mode) + " " + c.script);
      bool desktop = std::string_view(mode) == "--desktop-script";
      test::TempDirectory dir;
      test::FileReplacements writes(dir.path(), "Korvandel.INI");
      const std::string script = ScriptPath(c.script);
      ASSERT_TRUE(std::filesystem::exists(script)) << script;
      test::ChildProcess child([&]() -> int {
        if (::chdir(dir.path().c_str()) != 0) return 90;
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
          ::unsetenv(display);
        }
        if (desktop) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(binary.c_str(), "korvandel", mode, script.c_str(), static_cast<char*>(nullptr));
        return 91;
      });
      EXPECT_EQ(child.Wait(), c.exitCode);
      // The connection dialog writes its entries and its window position; the sector list is
      // written once on the way out. Replacements in quick succession may be seen as one.
      const int count = writes.Count();
      EXPECT_GE(count, 1);
      EXPECT_LE(count, 3);
      std::string ini = test::ReadFile(dir.File("Korvandel.INI"));
      EXPECT_NE(ini.find("[__Dont_Touch_Me__]"), std::string::npos) << ini;
    }
}

// Without a display the desktop program cannot show anything: it says so and runs nothing.
TEST(ProgramScript, WithoutADisplayOrAScriptTheProgramSaysSoAndRunsNothing) {
  const std::string binary = ProgramBinary();
  ASSERT_TRUE(std::filesystem::exists(binary)) << binary;
  test::TempDirectory dir;
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  };
  const Case cases[] = {{{}, 2},
                        {{"--bogus"}, 2},
                        {{"--script", "/nonexistent.kvs"}, 2},
                        {{"--desktop-script", "/nonexistent.kvs"}, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args[0]);
    test::ChildProcess child([&]() -> int {
      if (::chdir(dir.path().c_str()) != 0) return 90;
      for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        ::unsetenv(display);
      }
      std::vector<char*> argv{const_cast<char*>("korvandel")};
      for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(binary.c_str(), argv.data());
      return 91;
    });
    EXPECT_EQ(child.Wait(), c.exitCode);
    EXPECT_FALSE(std::filesystem::exists(dir.File("Korvandel.INI"))) << "nothing ran";
  }
}

}  // namespace
}  // namespace kv
