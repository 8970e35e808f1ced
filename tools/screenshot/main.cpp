// kvscreenshot SCRIPT DIRECTORY [--sample]: runs a scripted session on the desktop backend
// (through real widget input) and saves PNG images of the open windows at every "#shot NAME"
// line of the script into DIRECTORY. Without --sample the program itself runs; with it, the
// sample procedure of the script tool (a test window that needs no database).
// tools/screenshots.sh runs it under a virtual X server.
#include <cstdio>
#include <string_view>

#include "app/Program.h"
#include "platform/window/DesktopEntry.h"
#include "tools/script/SampleProcedure.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::string_view(argv[3]) != "--sample")) {
    std::fprintf(stderr, "usage: kvscreenshot SCRIPT DIRECTORY [--sample]\n");
    return 2;
  }
  bool sample = argc == 4;
  std::vector<std::string> saved;
  int code = kv::RunScriptFileDesktop(
      argc, argv, argv[1],
      [sample](kv::Backend& backend) {
        return sample ? kv::RunProgram(backend, kv::SampleItemsProcedure)
                      : kv::RunKorvandel(backend);
      },
      argv[2], &saved);
  for (const std::string& file : saved) std::printf("%s\n", file.c_str());
  std::fflush(nullptr);
  std::_Exit(code);  // threads the program left running are not waited for
}
