// kvscreenshot SCRIPT DIRECTORY [--sample|--actions|--errors|--query|--list]: runs a scripted
// session on the desktop backend (through real widget input) and saves PNG images of the open
// windows at every
// "#shot NAME" line of the script into DIRECTORY. Without an option the program itself runs;
// with --sample the sample items procedure of the script tool, with --actions its pop-up menu
// and toolbox sample (test windows that need no database), with --errors a procedure that
// shows the error history window, with --query the query-by-example sample list (its SQLite
// database and settings file in the working directory), with --list the sample list of a
// few thousand products (its SQLite database in the working directory).
// tools/screenshots.sh runs it under a virtual X server.
#include <cstdio>
#include <string_view>

#include "app/Program.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/window/DesktopEntry.h"
#include "tools/screenshot/ErrorHistorySample.h"
#include "tools/script/SampleActions.h"
#include "tools/script/SampleList.h"
#include "tools/script/SampleProcedure.h"
#include "tools/script/SampleQuery.h"

int main(int argc, char** argv) {
  std::string_view option = argc == 4 ? std::string_view(argv[3]) : std::string_view();
  if (argc < 3 || argc > 4 ||
      (argc == 4 && option != "--sample" && option != "--actions" && option != "--errors" &&
       option != "--query" && option != "--list")) {
    std::fprintf(stderr,
                 "usage: kvscreenshot SCRIPT DIRECTORY "
                 "[--sample|--actions|--errors|--query|--list]\n");
    return 2;
  }
  std::vector<std::string> saved;
  int code = kv::RunScriptFileDesktop(
      argc, argv, argv[1],
      [option](kv::Backend& backend) {
        if (option == "--sample") return kv::RunProgram(backend, kv::SampleItemsProcedure);
        if (option == "--actions") return kv::RunProgram(backend, kv::SampleActionsProcedure);
        if (option == "--errors") return kv::RunProgram(backend, kv::ErrorHistorySample);
        if (option == "--query") {
          kv::RegisterSqlDrivers();
          return kv::RunProgram(backend, kv::SampleQueryProcedure);
        }
        if (option == "--list") {
          kv::RegisterSqlDrivers();
          return kv::RunProgram(backend, kv::SampleListProcedure);
        }
        return kv::RunKorvandel(backend);
      },
      argv[2], &saved);
  for (const std::string& file : saved) std::printf("%s\n", file.c_str());
  std::fflush(nullptr);
  std::_Exit(code);  // threads the program left running are not waited for
}
