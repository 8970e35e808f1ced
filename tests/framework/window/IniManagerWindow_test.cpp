#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/window/IniManager.h"
#include "platform/settings/ProfileFile.h"
#include "tests/support/TempDirectory.h"

namespace kv {
namespace {

constexpr std::int32_t kNone = WindowPlacement::kPlacementNotSet;

// A window that records what was done to it and applies it as a window would.
class FakeWindow : public WindowPlacement {
 public:
  bool maximized = false, minimized = false, resizable = true;
  std::int32_t x = 10, y = 20, w = 300, h = 200;
  std::vector<std::string> calls;

  bool IsMaximized() const override { return maximized; }
  bool IsMinimized() const override { return minimized; }
  bool IsResizable() const override { return resizable; }
  std::int32_t PositionX() const override { return x; }
  std::int32_t PositionY() const override { return y; }
  std::int32_t Width() const override { return w; }
  std::int32_t Height() const override { return h; }
  void SetPosition(std::int32_t nx, std::int32_t ny) override {
    calls.push_back("pos " + Text(nx) + " " + Text(ny));
    if (nx != kNone) x = nx;
    if (ny != kNone) y = ny;
  }
  void SetSize(std::int32_t nw, std::int32_t nh) override {
    calls.push_back("size " + Text(nw) + " " + Text(nh));
    if (nw != kNone) w = nw;
    if (nh != kNone) h = nh;
  }
  void SetMaximized(bool on) override {
    calls.push_back(on ? "max" : "unmax");
    maximized = on;
  }
  void SetMinimized(bool on) override {
    calls.push_back(on ? "min" : "unmin");
    minimized = on;
  }

 private:
  static std::string Text(std::int32_t v) { return v == kNone ? "-" : std::to_string(v); }
};

class WindowPositionTest : public ::testing::Test {
 protected:
  void SetUp() override { ini.Init(file); }
  std::optional<std::string> Stored(const char* entry) {
    return FindProfileString("BrowseArticulos", entry, file);
  }
  void Store(const char* entry, const char* value) {
    ASSERT_EQ(PutProfileString("BrowseArticulos", entry, value, file), ProfileStatus::kOk);
  }

  test::TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  IniManager ini;
};

TEST_F(WindowPositionTest, SavingStoresWhatTheWindowStateAllows) {
  struct Case {
    const char* name;
    bool maximized, minimized, resizable;
    std::vector<std::optional<std::string>> expected;  // Maximize Minimize XPos YPos Width Height
  };
  const Case cases[] = {
      {"normal resizable", false, false, true, {"No", "No", "10", "20", "300", "200"}},
      {"normal fixed", false, false, false, {"No", "No", "10", "20", std::nullopt, std::nullopt}},
      {"maximized",
       true,
       false,
       true,
       {"Yes", "No", std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
      {"minimized",
       false,
       true,
       true,
       {"No", "Yes", std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Start from a fully stored section, so entries that must go are seen to be deleted.
    for (const char* e : {"XPos", "YPos", "Width", "Height"}) Store(e, "1");
    FakeWindow window;
    window.maximized = c.maximized;
    window.minimized = c.minimized;
    window.resizable = c.resizable;
    ini.UpdateWindowPosition("BrowseArticulos", window);
    const char* entries[] = {"Maximize", "Minimize", "XPos", "YPos", "Width", "Height"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Stored(entries[i]), c.expected[i]) << entries[i];
    EXPECT_TRUE(window.calls.empty()) << "saving changed the window";
  }
}

TEST_F(WindowPositionTest, NothingStoredLeavesTheWindowAsDesigned) {
  for (const char* maximize : {"", "yes", "maybe", "1"}) {
    SCOPED_TRACE(maximize);
    if (*maximize) Store("Maximize", maximize);
    Store("Minimize", "Yes");
    Store("XPos", "5");
    FakeWindow window;
    ini.FetchWindow("BrowseArticulos", window);
    EXPECT_TRUE(window.calls.empty());
  }
}

TEST_F(WindowPositionTest, RestoringAppliesTheStoredStateInOrder) {
  struct Case {
    const char* name;
    bool nowMaximized, resizable;
    std::vector<std::pair<const char*, const char*>> stored;
    std::vector<std::string> expectedCalls;
  };
  const Case cases[] = {
      {"normal",
       false,
       true,
       {{"Maximize", "No"},
        {"Minimize", "No"},
        {"XPos", "1"},
        {"YPos", "2"},
        {"Width", "3"},
        {"Height", "4"}},
       {"pos 1 2", "size 3 4", "unmin"}},
      {"maximized stores no position",
       false,
       true,
       {{"Maximize", "Yes"}, {"Minimize", "No"}},
       {"pos - -", "max", "unmin"}},
      {"already maximized stays", true, true, {{"Maximize", "Yes"}}, {"pos - -", "unmin"}},
      {"maximized now, normal stored",
       true,
       true,
       {{"Maximize", "No"}, {"XPos", "7"}, {"YPos", "8"}},
       {"unmax", "pos 7 8", "unmin"}},
      {"fixed size ignores stored size",
       false,
       false,
       {{"Maximize", "No"}, {"XPos", "1"}, {"YPos", "2"}, {"Width", "3"}, {"Height", "4"}},
       {"pos 1 2", "unmin"}},
      {"only one coordinate",
       false,
       true,
       {{"Maximize", "No"}, {"XPos", "9"}, {"Height", "6"}},
       {"pos 9 -", "size - 6", "unmin"}},
      {"minimized", false, true, {{"Maximize", "No"}, {"Minimize", "Yes"}}, {"pos - -", "min"}},
      {"not a number",
       false,
       true,
       {{"Maximize", "No"}, {"XPos", "abc"}, {"YPos", "-5"}},
       {"pos 0 -5", "unmin"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* e : {"Maximize", "Minimize", "XPos", "YPos", "Width", "Height"}) {
      ASSERT_EQ(DeleteProfileEntry("BrowseArticulos", e, file), ProfileStatus::kOk);
    }
    for (const auto& [entry, value] : c.stored) Store(entry, value);
    FakeWindow window;
    window.maximized = c.nowMaximized;
    window.resizable = c.resizable;
    ini.FetchWindow("BrowseArticulos", window);
    EXPECT_EQ(window.calls, c.expectedCalls);
  }
}

TEST_F(WindowPositionTest, AWindowComesBackWhereItWasClosed) {
  FakeWindow closed;
  closed.x = -40;
  closed.y = 15;
  closed.w = 640;
  closed.h = 480;
  ini.UpdateWindowPosition("UpdateProducts", closed);
  FakeWindow reopened;
  ini.FetchWindow("UpdateProducts", reopened);
  EXPECT_EQ(reopened.x, -40);
  EXPECT_EQ(reopened.y, 15);
  EXPECT_EQ(reopened.w, 640);
  EXPECT_EQ(reopened.h, 480);
  EXPECT_FALSE(reopened.maximized);
  EXPECT_FALSE(reopened.minimized);

  FakeWindow maximized;
  maximized.maximized = true;
  ini.UpdateWindowPosition("UpdateProducts", maximized);
  FakeWindow again;
  ini.FetchWindow("UpdateProducts", again);
  EXPECT_TRUE(again.maximized);
  EXPECT_EQ(again.x, 10) << "a maximised window's position is not stored";
}

}  // namespace
}  // namespace kv
