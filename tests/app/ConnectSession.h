#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/Globals.h"
#include "app/Program.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"
#include "platform/window/WindowModel.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"

namespace kv::test {

// What a session sees of the running program, from the backend's thread as a user would: the
// connection dialog and the frame once they are open, the message boxes, and a record of
// lines. Every line is written to the record file at once, so that lines recorded before the
// program ends itself (the dialog left without a connection) are kept.
class SessionDriver {
 public:
  SessionDriver(HeadlessBackend& backend, int recordFd) : backend_(backend), fd_(recordFd) {}

  HeadlessBackend& Backend() { return backend_; }
  // Records one line; a line break inside it (a driver's message) is written as backslash, n.
  void Record(const std::string& line) {
    std::string text;
    for (char c : line) text += c == '\n' ? std::string("\\n") : std::string(1, c);
    text += "\n";
    (void)!::write(fd_, text.data(), text.size());
  }
  // The open window with `caption` once the program has settled, or 0.
  WindowId Find(const std::string& caption) {
    if (!backend_.WaitSettled()) return 0;
    for (WindowId id : Window::OpenWindows()) {
      if (Window(id).Caption() == caption) return id;
    }
    return 0;
  }
  WindowId Dialog() { return Find("MSSQL Connect"); }
  WindowId Frame() {
    if (!backend_.WaitSettled()) return 0;
    return WindowModel::Instance().Frame();
  }
  // The text of the message box the program waits on, or "" when none is pending.
  std::string PendingMessage() {
    if (!backend_.WaitSettled()) return "";
    auto pending = backend_.Pending();
    return pending && !pending->isMenu ? pending->message.text : "";
  }

 private:
  HeadlessBackend& backend_;
  int fd_;
};

// A folder the program runs in. It outlives single runs, so that a second start sees what the
// first one wrote (the settings file, the embedded database).
class ProgramFolder {
 public:
  const std::string& Path() const { return temp_.path(); }
  std::string File(const std::string& name) const { return temp_.File(name); }
  bool Exists(const std::string& name) const { return ::access(File(name).c_str(), F_OK) == 0; }
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name)) << text;
  }

  struct Result {
    int exitCode = -1;
    std::vector<std::string> lines;
  };

  // Runs the whole program in a child process in this folder on the headless backend, with
  // `session` driving it from the backend's thread. Returns the child's exit code and the
  // lines the session recorded.
  Result Run(const std::function<void(SessionDriver&)>& session) const {
    const std::string record = File("record.txt");
    ::unlink(record.c_str());
    ChildProcess child([&]() -> int {
      if (::chdir(Path().c_str()) != 0) return 90;
      int fd = ::open(record.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      if (fd < 0) return 91;
      HeadlessBackend backend;
      backend.SetSession([&backend, fd, &session] {
        SessionDriver driver(backend, fd);
        session(driver);
        // A session that leaves the program running (a failed expectation) must not hang the
        // suite: the program gets 30 seconds to end by itself.
        for (int i = 0; i < 3000 && !backend.QuitRequested(); ++i) ::usleep(10000);
        if (!backend.QuitRequested()) {
          driver.Record("program still running after the session");
          ::_exit(92);
        }
      });
      int code = RunKorvandel(backend);
      // Logical threads the program left running are the platform's to end: leave at once.
      ::_exit(code);
    });
    Result r;
    r.exitCode = child.Wait();
    std::ifstream in(record);
    for (std::string line; std::getline(in, line);) r.lines.push_back(line);
    return r;
  }

 private:
  TempDirectory temp_;
};

}  // namespace kv::test
