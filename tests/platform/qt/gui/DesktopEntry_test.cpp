#include "platform/window/DesktopEntry.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "platform/window/EventLoop.h"
#include "platform/window/Window.h"
#include "tests/support/TempDirectory.h"
#include "tools/script/SampleActions.h"
#include "tools/script/SampleProcedure.h"

namespace kv {
namespace {

// A small window: an entry, a list and a button that closes it.
void ShotProcedure() {
  WindowDefinition def("Shot Window");
  def.Size(180, 110).Icon("FRAME.ICO");
  def.Prompt("?P", "&Name:").At(4, 6, 30, 10);
  def.Entry("?NAME", "s20").At(40, 4, 90, 12);
  def.List("?LIST", "60L(2)|M~Code~@s10@60R(2)~Price~@n9.2@").At(4, 22, 170, 60).ScrollBar();
  def.Button("?CLOSE", "&Close")
      .At(130, 90, 44, 14)
      .ControlIcon("CLOSE.ICO")
      .Action(StandardAction::kClose);
  Window w = Window::Open(def);
  RunEventLoop(w, [](const Event&) { return LoopAnswer::kDefault; });
}

std::string Write(const std::string& dir, const std::string& text) {
  std::string path = dir + "/session.kvs";
  std::ofstream(path) << text;
  return path;
}

TEST(DesktopEntry, ScriptRunsThroughWidgetsAndSavesImagesOfTheWindows) {
  test::TempDirectory dir;
  std::string script = Write(dir.path(),
                             "check caption \"Shot Window\"\n"
                             "type \"?NAME\" \"apples\"\n"
                             "#shot window\n"
                             "check text \"?NAME\" \"apples\"\n"
                             "press \"?CLOSE\"\n"
                             "check ended\n");
  std::vector<std::string> saved;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  int code = RunScriptFileDesktop(
      1, argv, script, [](Backend& b) { return RunProgram(b, ShotProcedure); },
      dir.path() + "/shots", &saved);
  EXPECT_EQ(code, 0);
  ASSERT_EQ(saved.size(), 1u) << "one window was open";
  QImage image(QString::fromStdString(saved[0]));
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(image.width(), 150);
  EXPECT_GT(image.height(), 80);
  // A rendered window has text, frames and a selection: many colours, not a blank.
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 10u);
}

TEST(DesktopEntry, FailingScriptsAndMissingFilesAreReported) {
  test::TempDirectory dir;
  std::string script = Write(dir.path(), "check caption \"Another\"\n");
  char name[] = "test";
  char* argv[] = {name, nullptr};
  auto run = [](Backend& b) { return RunProgram(b, ShotProcedure); };
  EXPECT_EQ(RunScriptFileDesktop(1, argv, script, run), 1);
  EXPECT_EQ(RunScriptFileDesktop(1, argv, dir.path() + "/missing.kvs", run), 2);
}

// The scripts written for the headless backend pass on real widgets too.
TEST(DesktopEntry, SampleScriptsPassThroughRealWidgets) {
  // The source tree, where the scripts are kept.
  const std::string root = KORVANDEL_SOURCE_DIR;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  auto items = [](Backend& b) { return RunProgram(b, SampleItemsProcedure); };
  auto actions = [](Backend& b) { return RunProgram(b, SampleActionsProcedure); };
  const std::pair<const char*, std::function<int(Backend&)>> scripts[] = {
      {"/tools/script/sample.kvs", items},
      {"/docs/screenshots/sample.kvs", items},
      {"/tools/script/actions.kvs", actions},
      {"/docs/screenshots/actions.kvs", actions},
  };
  for (const auto& [script, run] : scripts) {
    SCOPED_TRACE(script);
    EXPECT_EQ(RunScriptFileDesktop(1, argv, root + script, run), 0);
  }
}

}  // namespace
}  // namespace kv
