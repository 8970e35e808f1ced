// The program's entry: chooses the backend and runs the program on it.
//
//   korvandel                 the desktop program (needs the desktop backend)
//   korvandel --script FILE   a scripted session on the headless backend
//
// Neither the desktop backend nor the script runner is part of the build yet; until they are,
// the entry says so and ends with exit code 2 instead of pretending to run. The program itself
// (app/Program.h, RunKorvandel) runs on any backend; the tests drive it on the headless one.
#include <cstdio>
#include <string_view>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: korvandel [--script FILE]\n");
  return 2;
}

int NotBuilt(const char* what) {
  std::fprintf(stderr, "korvandel: %s is not built yet; nothing was run.\n", what);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return NotBuilt("the desktop backend");
  if (argc == 3 && std::string_view(argv[1]) == "--script") {
    return NotBuilt("the script runner");
  }
  return Usage();
}
