#include "framework/window/OpenWindowPlacement.h"

#include <gtest/gtest.h>

#include "framework/window/IniManager.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

// A window saved when a procedure ends comes back where and as large as it was; a window that
// cannot be resized keeps its designed size; a closed window reads as zeros.
TEST(OpenWindowPlacement, SavedWindowComesBackThroughTheSettingsFile) {
  struct Case {
    const char* name;
    bool resizable;
    Rect moved;
    Rect expected;
  };
  const Case cases[] = {
      {"resizable", true, {40, 30, 260, 190}, {40, 30, 260, 190}},
      {"fixed size", false, {40, 30, 260, 190}, {40, 30, 200, 150}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDirectory dir;
    IniManager ini;
    ini.Init(dir.File("test.ini"));
    Rect restored;
    Rect closed{1, 1, 1, 1};
    test::ThreadProcedure thread([&] {
      WindowDefinition def("Placed");
      def.Size(200, 150).Resizable(c.resizable);
      Window first = Window::Open(def);
      first.SetPosition(c.moved);
      OpenWindowPlacement saved(first);
      ini.UpdateWindowPosition("Procedure", saved);
      first.Close();
      closed = Rect{saved.PositionX(), saved.PositionY(), saved.Width(), saved.Height()};
      Window second = Window::Open(def);
      OpenWindowPlacement placement(second);
      ini.FetchWindow("Procedure", placement);
      restored = second.Position();
      second.Close();
    });
    thread.Join();
    EXPECT_EQ(restored, c.expected);
    EXPECT_EQ(closed, (Rect{0, 0, 0, 0}));
    ini.Kill();
  }
}

}  // namespace
}  // namespace kv
