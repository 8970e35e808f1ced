// kvscript [--actions] FILE: runs a scripted session (platform/script/Script.h gives the
// language) against the sample procedure on the headless backend, without a database: the
// sample items window, or with --actions the sample of pop-up menus and the toolbox
// (tools/script/SampleActions.h; try tools/script/actions.kvs). The program itself runs
// scripts through its own entry (korvandel --script FILE), which uses the same runner.
#include <cstdio>
#include <string_view>

#include "platform/headless/HeadlessScriptDriver.h"
#include "tools/script/SampleActions.h"
#include "tools/script/SampleProcedure.h"

int main(int argc, char** argv) {
  bool actions = argc == 3 && std::string_view(argv[1]) == "--actions";
  if (argc != 2 && !actions) {
    std::fprintf(stderr, "usage: kvscript [--actions] FILE\n");
    return 2;
  }
  return kv::RunScriptFile(argv[argc - 1], [actions](kv::Backend& backend) {
    return kv::RunProgram(backend, actions ? kv::SampleActionsProcedure : kv::SampleItemsProcedure);
  });
}
