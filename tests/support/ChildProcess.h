#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace kv::test {

// Runs `body` in a forked child process and returns a handle to wait for it. The child ends with
// _exit(body()), so no test framework code runs in it after the body. Fork only while the test
// process has no other threads running.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<int()>& body) {
    pid_ = ::fork();
    if (pid_ == 0) ::_exit(body());
  }
  ~ChildProcess() { Wait(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }

  // Waits for the child and returns its exit code, or -1 when it did not exit normally (or
  // was never started). Later calls return the same code.
  int Wait() {
    if (pid_ > 0) {
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0) {
      }
      code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      pid_ = -1;
    }
    return code_;
  }

 private:
  pid_t pid_ = -1;
  int code_ = -1;
};

}  // namespace kv::test
