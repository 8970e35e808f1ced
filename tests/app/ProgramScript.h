#pragma once

// Running the program binary under a script, the way a user starts it with one: in a folder of
// its own, with placeholders written @NAME@ in the script filled in first (servers and
// credentials of the test run are not known in advance).

#include <map>
#include <string>

#include "platform/headless/HeadlessBackend.h"
#include "tests/support/TempDirectory.h"

namespace kv::test {

// The program binary beside the test programs' folder (build/korvandel next to build/tests/).
std::string ProgramBinary();
// The text of tests/app/scripts/`name`.
std::string ScriptText(const std::string& name);
// `text` with every "@KEY@" replaced by its value.
std::string FillPlaceholders(std::string text, const std::map<std::string, std::string>& values);

struct ScriptRun {
  int exitCode = -1;
  std::string output;  // the runner's report on standard error
};

// Runs script text `text` in `folder`; `backend` is the program's option that chooses it
// ("--script" headless, "--desktop-script" through real widgets). Waits for the program.
ScriptRun RunScriptText(const TempDirectory& folder, const std::string& text,
                        const char* backend = "--script");
// The same for script `name` with its placeholders filled in.
ScriptRun RunScript(const TempDirectory& folder, const std::string& name,
                    const std::map<std::string, std::string>& values = {},
                    const char* backend = "--script");

// From a ProgramSession's session: carries out script `text` against the running program on
// `backend`; "" when it passed, else the runner's message for the failing line.
std::string RunScriptLines(HeadlessBackend& backend, const std::string& text);

}  // namespace kv::test
