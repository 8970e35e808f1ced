#include "tests/app/ProgramScript.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "platform/headless/HeadlessScriptDriver.h"
#include "platform/script/ScriptRunner.h"
#include "tests/app/ProgramSession.h"
#include "tests/support/ChildProcess.h"

namespace kv::test {

std::string ProgramBinary() {
  char self[PATH_MAX] = {};
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  return (std::filesystem::path(self).parent_path().parent_path() / "korvandel").string();
}

std::string ScriptText(const std::string& name) {
  const std::filesystem::path root = KORVANDEL_SOURCE_DIR;
  return ReadFile((root / "tests/app/scripts" / name).string());
}

std::string FillPlaceholders(std::string text, const std::map<std::string, std::string>& values) {
  for (const auto& [key, value] : values) {
    const std::string mark = "@" + key + "@";
    for (std::size_t at = 0; (at = text.find(mark, at)) != std::string::npos;) {
      text.replace(at, mark.size(), value);
      at += value.size();
    }
  }
  return text;
}

ScriptRun RunScriptText(const TempDirectory& folder, const std::string& text, const char* backend) {
  const std::string script = folder.File("session.kvs");
  std::ofstream(script) << text;
  const std::string report = folder.File("report.txt");
  const std::string binary = ProgramBinary();
  ChildProcess child([&]() -> int {
    if (::chdir(folder.path().c_str()) != 0) return 90;
    int fd = ::open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) ::dup2(fd, 2);
    ::execl(binary.c_str(), "korvandel", backend, script.c_str(), static_cast<char*>(nullptr));
    return 91;
  });
  ScriptRun run;
  run.exitCode = child.Wait();
  run.output = ReadFile(report);
  return run;
}

ScriptRun RunScript(const TempDirectory& folder, const std::string& name,
                    const std::map<std::string, std::string>& values, const char* backend) {
  return RunScriptText(folder, FillPlaceholders(ScriptText(name), values), backend);
}

std::string RunScriptLines(HeadlessBackend& backend, const std::string& text) {
  Script script;
  std::string error;
  if (!ParseScript(text, &script, &error)) return error;
  HeadlessScriptDriver driver(backend);
  ScriptRunner runner(driver);
  const ScriptResult result = runner.Run(script);
  return result.passed ? std::string() : result.message;
}

}  // namespace kv::test
