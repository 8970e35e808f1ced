// Tests driven by real X input: the desktop backend on a virtual X server of the program's own,
// xdotool acting as a person would (tests/support/XServerMain.h).
#include "tests/support/XServerMain.h"

int main(int argc, char** argv) {
  return kv::test::RunTestsOnXServer(argc, argv);
}
