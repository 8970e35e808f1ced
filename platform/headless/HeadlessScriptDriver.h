#pragma once

#include <functional>
#include <string>

#include "platform/headless/HeadlessBackend.h"
#include "platform/script/Script.h"
#include "platform/script/ScriptDriver.h"
#include "platform/script/ScriptRunner.h"

namespace kv {

// Runs scripts on the headless backend: input goes straight to the window model through
// UserInput.h, the modal requests are the backend's. Thread: the runner's thread.
class HeadlessScriptDriver final : public ScriptDriver {
 public:
  explicit HeadlessScriptDriver(HeadlessBackend& backend) : backend_(backend) {}

  bool WaitSettled(std::chrono::milliseconds timeout) override;
  bool ProgramEnded() override;
  InputStatus Type(WindowId window, int control, const std::string& text) override;
  InputStatus Press(WindowId window, int control) override;
  InputStatus Key(WindowId window, int control, int keyCode) override;
  InputStatus Click(WindowId window, int control, int row, int keyCode) override;
  InputStatus Thumb(WindowId window, int control, int position) override;
  InputStatus Resize(WindowId window, int width, int height) override;
  InputStatus Close(WindowId window) override;
  InputStatus Timer(WindowId window) override;
  std::vector<ModalRecord> Modals() override;
  bool AnswerPending(int answer) override;

 private:
  HeadlessBackend& backend_;
};

// Runs a program on a headless backend while `script` drives it. `run` starts the program on
// the backend it is given and returns its exit code: RunProgram(backend, programMain) for a
// test procedure, or the program's own entry, which calls RunProgram itself. When the script
// ends (passed or failed) and the program still runs, the runner brings it down
// (ScriptRunner::Finish). Returns the script's result; `exitCode` (optional) receives the
// program's exit code. A program that halts (ends the process itself, as a dialog left
// without going on does) counts as ended: the halting thread is stopped instead of ending the
// process, the script goes on to its verdict, and `exitCode` receives the halt's code. The
// stopped thread stays alive until the process ends, so the caller ends the process without
// waiting for logical threads.
// Thread: the process's main thread.
ScriptResult RunScriptHeadless(const Script& script, const std::function<int(Backend&)>& run,
                               int* exitCode = nullptr);
ScriptResult RunScriptHeadless(const Script& script, ThreadProc programMain,
                               int* exitCode = nullptr);

// Entry for command-line runners: reads the script file at `path`, runs it as above and
// prints "script passed (N lines)" or the failing line's message to standard error. Returns
// 0 when the script passed, 1 when it failed, 2 when the file cannot be read or parsed.
int RunScriptFile(const std::string& path, const std::function<int(Backend&)>& run);

}  // namespace kv
