// Two stations (two processes) change the same 50 products at once through the file manager's
// change-detection path, on one SQLite file and on PostgreSQL: kvstations checks that every
// change reported as written is in the history of values, every refused one was told "Record
// Was Not Updated" and no update was lost. A short run here; docs/reliability.md has the long
// one.
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string Tool() {
  char self[PATH_MAX] = {};
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  return (std::filesystem::path(self).parent_path().parent_path() / "tools/stations/kvstations")
      .string();
}

// Runs the tool; its standard output, and its exit code in `code`.
std::string RunTool(const std::string& args, int* code) {
  std::string out;
  std::FILE* p = ::popen((Tool() + " " + args + " 2>&1").c_str(), "r");
  if (p == nullptr) return "cannot run " + Tool();
  std::array<char, 512> buffer;
  while (std::fgets(buffer.data(), buffer.size(), p) != nullptr) out += buffer.data();
  const int status = ::pclose(p);
  *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

TEST(TwoStations, NoUpdateIsLost) {
  ASSERT_TRUE(std::filesystem::exists(Tool())) << Tool() << " is missing: build kvstations";
  std::string owners[] = {"", ""};
  if (!Env("PGHOST").empty() && !Env("PGDATABASE").empty()) {
    owners[1] = "postgresql://" + Env("PGHOST") + ":" +
                (Env("PGPORT").empty() ? "5432" : Env("PGPORT")) + "," + Env("PGDATABASE") + "," +
                Env("PGUSER") + "," + Env("PGPASSWORD");
  } else if (Env("KORVANDEL_REQUIRE_PG") == "1") {
    FAIL() << "PostgreSQL is required but PGHOST is not set";
  }
  for (const std::string& owner : owners) {
    if (&owner == &owners[1] && owner.empty()) continue;
    SCOPED_TRACE(owner.empty() ? "SQLite" : "PostgreSQL");
    int code = -1;
    const std::string out =
        RunTool((owner.empty() ? "" : "--owner '" + owner + "' ") + "--changes 300", &code);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("lost updates: 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("values missing from the history: 0;"), std::string::npos) << out;
    EXPECT_NE(out.find("no update lost"), std::string::npos) << out;
  }
}

}  // namespace
