#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/ThreadSetup.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/window/WindowModel.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/ThreadProcedure.h"

namespace kv::test {

// Counts how often a file in a directory is replaced (a settings file is written by renaming a
// new version over it) while the object lives. Reads the events when asked.
class FileReplacements {
 public:
  FileReplacements(const std::string& directory, std::string name) : name_(std::move(name)) {
    watch_ = ::inotify_init1(IN_NONBLOCK);
    if (watch_ >= 0) ::inotify_add_watch(watch_, directory.c_str(), IN_MOVED_TO);
  }
  ~FileReplacements() {
    if (watch_ >= 0) ::close(watch_);
  }
  FileReplacements(const FileReplacements&) = delete;
  FileReplacements& operator=(const FileReplacements&) = delete;

  bool Watching() const { return watch_ >= 0; }
  // Replacements seen so far.
  int Count() {
    alignas(inotify_event) char buffer[8192];
    for (;;) {
      ssize_t n = watch_ >= 0 ? ::read(watch_, buffer, sizeof buffer) : -1;
      if (n <= 0) break;
      for (char* p = buffer; p < buffer + n;) {
        auto* e = reinterpret_cast<inotify_event*>(p);
        if ((e->mask & IN_MOVED_TO) != 0 && e->len > 0 && name_ == e->name) ++count_;
        p += sizeof(inotify_event) + e->len;
      }
    }
    return count_;
  }

 private:
  std::string name_;
  int watch_ = -1;
  int count_ = 0;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the whole program in a child process on the headless backend, in a directory of its
// own, with `session` driving it from the backend's thread (as a script would). The child
// records every start-up step and every line `session` adds in "record.txt"; the parent reads
// them back and counts the replacements of the settings file while the program ran.
class ProgramSession {
 public:
  // `session` receives the headless backend and a function that appends a line to the record.
  using Session = std::function<void(HeadlessBackend&, const std::function<void(std::string)>&)>;
  // Runs before the program starts, in the child (registering table managers, a browse).
  using Prepare = std::function<void(const std::function<void(std::string)>&)>;

  // The program runs in `folder` when given (its files stay there for the caller), else in a
  // folder of its own.
  ProgramSession(const Session& session, const Prepare& prepare = {},
                 const TempDirectory* folder = nullptr) {
    const std::string dir = folder != nullptr ? folder->path() : temp_.path();
    settingsFile_ = dir + "/Korvandel.INI";
    FileReplacements writes(dir, "Korvandel.INI");
    ChildProcess child([&]() -> int {
      if (::chdir(dir.c_str()) != 0) return 90;
      auto lines = std::make_shared<std::vector<std::string>>();
      auto mutex = std::make_shared<std::mutex>();
      auto add = [lines, mutex](std::string line) {
        std::lock_guard lock(*mutex);
        lines->push_back(std::move(line));
      };
      SetStartupListener([add](std::string_view step) { add(std::string(step)); });
      if (prepare) prepare(add);
      HeadlessBackend backend;
      backend.SetSession([&backend, add, &session] { session(backend, add); });
      int code = RunKorvandel(backend);
      std::ofstream out(dir + "/record.txt");
      std::lock_guard lock(*mutex);
      for (const std::string& line : *lines) out << line << "\n";
      out.flush();
      // Logical threads the program left running are the platform's to end: leave at once.
      ::_exit(code);
    });
    exitCode_ = child.Wait();
    std::ifstream in(dir + "/record.txt");
    for (std::string line; std::getline(in, line);) record_.push_back(line);
    settingsWrites_ = writes.Watching() ? writes.Count() : -1;
  }

  int ExitCode() const { return exitCode_; }
  const std::vector<std::string>& Record() const { return record_; }
  // Times the settings file was replaced (each write renames a new version over it).
  int SettingsWrites() const { return settingsWrites_; }
  std::string SettingsText() const { return ReadFile(settingsFile_); }

 private:
  TempDirectory temp_;
  std::string settingsFile_;
  int exitCode_ = -1;
  int settingsWrites_ = 0;
  std::vector<std::string> record_;
};

// The application frame once the program has settled: its window id, or 0.
inline WindowId SettledFrame(HeadlessBackend& backend) {
  if (!backend.WaitSettled()) return 0;
  return WindowModel::Instance().Frame();
}

}  // namespace kv::test
