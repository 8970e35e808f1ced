#pragma once

// The main of the test programs driven by real X input (folders named xinput): the desktop
// backend on a virtual X server of the program's own (Xvfb, its display number chosen by the
// server, so that runs side by side never collide), reached through Qt's xcb platform, with
// xdotool moving the pointer, clicking and pressing keys as a person would. The test's own
// thread is the GUI thread.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kv::test {

// Starts Xvfb with -displayfd and answers its display (":N"), or "" when it cannot start.
inline std::string StartXServer(pid_t* pid) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  *pid = ::fork();
  if (*pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // the server never outlives a test that was killed
    ::close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x900x24", "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (*pid > 0 && ::poll(&p, 1, 20000) > 0) {
    char c = 0;
    if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  ::close(fds[0]);
  return number.empty() ? std::string() : ":" + number;
}

// Runs every test of the program on its own X server; the server ends with the program.
inline int RunTestsOnXServer(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // test discovery needs no display
  pid_t server = -1;
  std::string display = StartXServer(&server);
  if (display.empty()) {
    std::fprintf(stderr, "cannot start Xvfb (tools/setup.sh installs it)\n");
    return 1;
  }
  ::setenv("DISPLAY", display.c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  int result = 1;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  ::kill(server, SIGTERM);
  ::waitpid(server, nullptr, 0);
  return result;
}

}  // namespace kv::test
