#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace kv::tools {

// The entry of a tool that starts copies of itself (or the program) as worker processes:
// makes the Qt core application and registers the SQL drivers the data layer needs, then
// parses the arguments with `parse`. When they do not parse, prints `usage` on standard error
// and returns 2; otherwise returns `run` called with the path of the tool's own binary (to
// start its workers with). Call it once, from main, on the main thread.
int RunTool(int argc, char** argv, const char* usage, const std::function<bool()>& parse,
            const std::function<int(const std::string& self)>& run);

// Starts `binary` with the arguments `args` (argv[0] is the binary) in the current folder and
// environment. Standard error is appended to `errorFile` when one is given (created owner-only),
// else inherited. Returns the child's process id, or -1 when it could not be started. The
// caller waits for it (waitpid). Thread: any.
pid_t StartProcess(const std::string& binary, const std::vector<std::string>& args,
                   const std::string& errorFile = "");

}  // namespace kv::tools
