// The program's entry: chooses the backend and runs the program on it.
//
//   korvandel                 the desktop program on the user's display
//   korvandel --script FILE   a scripted session on the headless backend: the script drives
//                             the program as a user would (platform/script/Script.h gives the
//                             language); the exit code is 0 when the script passed, 1 when it
//                             failed and 2 when it could not be read
//   korvandel --desktop-script FILE   the same session on the desktop backend, through real
//                             widget input (offscreen when there is no display)
//   korvandel --state-file FILE   the desktop program, keeping FILE up to date with what it
//                             shows (for tests that drive it with real X input)
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/Program.h"
#include "platform/headless/HeadlessScriptDriver.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/DesktopEntry.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: korvandel [--script FILE | --desktop-script FILE | --state-file FILE]\n");
  return 2;
}

// Ends the process with `code`. Logical threads the program left running (a products list
// still open when the frame closed) are not waited for: their fate is the platform's, and the
// process-wide objects must not be torn down under them.
[[noreturn]] void Exit(int code) {
  std::fflush(nullptr);
  if (kv::LiveThreadCount() > 0) std::_Exit(code);
  std::exit(code);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--script") {
    Exit(
        kv::RunScriptFile(argv[2], [](kv::Backend& backend) { return kv::RunKorvandel(backend); }));
  }
  if (argc == 3 && std::string_view(argv[1]) == "--desktop-script") {
    Exit(kv::RunScriptFileDesktop(argc, argv, argv[2],
                                  [](kv::Backend& backend) { return kv::RunKorvandel(backend); }));
  }
  kv::DesktopOptions options;
  if (argc == 3 && std::string_view(argv[1]) == "--state-file") {
    options.stateFile = argv[2];
  } else if (argc != 1) {
    return Usage();
  }
  Exit(kv::RunDesktop(
      argc, argv, [](kv::Backend& backend) { return kv::RunKorvandel(backend); }, options));
}
