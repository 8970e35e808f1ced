// kvscript FILE: runs a scripted session (platform/script/Script.h gives the language) against
// the sample procedure on the headless backend, without a database. The program itself runs
// scripts through its own entry (korvandel --script FILE), which uses the same runner.
#include <cstdio>

#include "platform/headless/HeadlessScriptDriver.h"
#include "tools/script/SampleProcedure.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kvscript FILE\n");
    return 2;
  }
  return kv::RunScriptFile(argv[1], [](kv::Backend& backend) {
    return kv::RunProgram(backend, kv::SampleItemsProcedure);
  });
}
