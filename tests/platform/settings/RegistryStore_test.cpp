#include "platform/settings/RegistryStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/TempDirectory.h"

namespace kv {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(RegistryStore, LivesUnderTheConfigurationDirectory) {
  test::TempDirectory dir;
  struct Case {
    const char* xdg;  // nullptr: not set
    std::string expected;
  };
  const Case cases[] = {
      {"", dir.path() + "/home/.config/korvandel/registry"},
      {"relative/path", dir.path() + "/home/.config/korvandel/registry"},
      {"/abs/cfg/", "/abs/cfg/korvandel/registry"},
  };
  test::ScopedEnvironment home("HOME", dir.path() + "/home");
  for (const Case& c : cases) {
    test::ScopedEnvironment xdg("XDG_CONFIG_HOME", c.xdg);
    EXPECT_EQ(RegistryDirectory(), c.expected) << c.xdg;
  }
  test::ScopedEnvironment xdg("XDG_CONFIG_HOME", "/x");
  EXPECT_EQ(RegistryFilePath(0), "/x/korvandel/registry/80000000.ini");
  EXPECT_EQ(RegistryFilePath(0x80000001u), "/x/korvandel/registry/80000001.ini");
}

TEST(RegistryStore, ValuesPersistPerRootAndKeyIgnoringCase) {
  test::TempDirectory dir;
  test::ScopedEnvironment xdg("XDG_CONFIG_HOME", dir.path());
  ASSERT_EQ(RegistrySetValue(0, "Software\\Korvandel\\BrowseArticulos", "XPos", "10"),
            ProfileStatus::kOk);
  EXPECT_EQ(ModeOf(dir.path() + "/korvandel"), 0700u);
  EXPECT_EQ(ModeOf(RegistryFilePath(0)), 0600u);

  struct Case {
    std::uint32_t root;
    const char* key;
    const char* name;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {0, "Software\\Korvandel\\BrowseArticulos", "XPos", "10"},
      {kDefaultRegistryRoot, "software\\KORVANDEL\\browsearticulos", "xpos", "10"},
      {0, "\\Software\\\\Korvandel\\BrowseArticulos\\", "XPos", "10"},
      {0x80000001u, "Software\\Korvandel\\BrowseArticulos", "XPos", std::nullopt},
      {0, "Software\\Korvandel", "XPos", std::nullopt},
      {0, "Software\\Korvandel\\BrowseArticulos", "YPos", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RegistryGetValue(c.root, c.key, c.name), c.expected) << c.root << " " << c.key;
  }

  EXPECT_EQ(RegistryDeleteValue(0, "SOFTWARE\\Korvandel\\BrowseArticulos", "XPOS"),
            ProfileStatus::kOk);
  EXPECT_EQ(RegistryGetValue(0, "Software\\Korvandel\\BrowseArticulos", "XPos"), std::nullopt);
  EXPECT_EQ(RegistryDeleteValue(7, "Nowhere", "X"), ProfileStatus::kOk);
}

TEST(RegistryStore, UnstorableKeysAreRefused) {
  test::TempDirectory dir;
  test::ScopedEnvironment xdg("XDG_CONFIG_HOME", dir.path());
  EXPECT_EQ(RegistrySetValue(0, "", "X", "1"), ProfileStatus::kInvalidName);
  EXPECT_EQ(RegistrySetValue(0, "\\\\", "X", "1"), ProfileStatus::kInvalidName);
  EXPECT_EQ(RegistrySetValue(0, "A]B", "X", "1"), ProfileStatus::kInvalidName);
  EXPECT_EQ(RegistrySetValue(0, "A", "X=Y", "1"), ProfileStatus::kInvalidName);
  EXPECT_EQ(NormaliseRegistryKeyPath("\\A\\\\B\\"), "A\\B");
}

}  // namespace
}  // namespace kv
