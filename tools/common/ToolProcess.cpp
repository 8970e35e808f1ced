#include "tools/common/ToolProcess.h"

#include <fcntl.h>
#include <spawn.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>

#include "platform/storage/DriverRegistry.h"

extern char** environ;

namespace kv::tools {

int RunTool(int argc, char** argv, const char* usage, const std::function<bool()>& parse,
            const std::function<int(const std::string& self)>& run) {
  QCoreApplication app(argc, argv);
  if (!parse()) {
    std::fprintf(stderr, "%s\n", usage);
    return 2;
  }
  RegisterSqlDrivers();
  return run(std::filesystem::read_symlink("/proc/self/exe").string());
}

pid_t StartProcess(const std::string& binary, const std::vector<std::string>& args,
                   const std::string& errorFile) {
  std::vector<std::string> words = {binary};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!errorFile.empty())
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace kv::tools
