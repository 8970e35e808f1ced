// The program killed with SIGKILL at random moments while it saves products and writes its
// settings file, on one SQLite file and on PostgreSQL, through the Products file manager and
// (--program) through the products form of the program itself run by a script: after every
// kill kvcrash checks the database's integrity, that every product is whole at one version,
// that no save reported done is missing and that "Korvandel.INI" is whole. A short run here;
// docs/reliability.md has the 200-round one.
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
  return (std::filesystem::path(self).parent_path().parent_path() / "tools/crash/kvcrash").string();
}

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

TEST(CrashMidWrite, EveryKillLeavesWholeDataAndSettings) {
  ASSERT_TRUE(std::filesystem::exists(Tool())) << Tool() << " is missing: build kvcrash";
  const char* host = std::getenv("PGHOST");
  const bool pg = host != nullptr && *host != '\0';
  if (!pg && std::getenv("KORVANDEL_REQUIRE_PG") != nullptr)
    ADD_FAILURE() << "PostgreSQL is required but PGHOST is not set";
  struct Mode {
    const char* args;
    int rounds;
  };
  for (const Mode mode : {Mode{"--rounds 30", 30}, Mode{"--program --rounds 12", 12}}) {
    for (const bool postgres : {false, true}) {
      if (postgres && !pg) continue;
      SCOPED_TRACE(std::string(postgres ? "PostgreSQL " : "SQLite ") + mode.args);
      int code = -1;
      const std::string out =
          RunTool(std::string(postgres ? "--postgres " : "") + mode.args + " --seed 18", &code);
      EXPECT_EQ(code, 0) << out;
      EXPECT_NE(out.find("integrity checks passed: " + std::to_string(mode.rounds) + "\n"),
                std::string::npos)
          << out;
      EXPECT_NE(out.find("every round held"), std::string::npos) << out;
      EXPECT_EQ(out.find(" 0 saves"), std::string::npos) << out;  // some saves were made
    }
  }
}

}  // namespace
