#include "platform/headless/HeadlessScriptDriver.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/script/ScriptRunner.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"

namespace kv {

bool HeadlessScriptDriver::WaitSettled(std::chrono::milliseconds timeout) {
  return backend_.WaitSettled(timeout);
}
bool HeadlessScriptDriver::ProgramEnded() {
  return backend_.QuitRequested();
}
namespace {

// A click or a key on a control that can have the focus gives it the focus first, as on a
// screen; the gesture itself then refuses what it cannot take.
void FocusFirst(WindowId window, int control) {
  auto c = Window(window).ControlCopy(control);
  if (c && c->TakesFocus()) (void)FocusTo(window, control);
}

}  // namespace

InputStatus HeadlessScriptDriver::Type(WindowId window, int control, const std::string& text) {
  return TypeInto(window, control, text);
}
InputStatus HeadlessScriptDriver::Press(WindowId window, int control) {
  FocusFirst(window, control);
  return kv::Press(window, control);
}
InputStatus HeadlessScriptDriver::Key(WindowId window, int control, int keyCode) {
  FocusFirst(window, control);
  return PressKey(window, control, keyCode);
}
InputStatus HeadlessScriptDriver::Click(WindowId window, int control, int row, int keyCode) {
  FocusFirst(window, control);
  return ClickRow(window, control, row, keyCode);
}
InputStatus HeadlessScriptDriver::Thumb(WindowId window, int control, int position) {
  return DragThumb(window, control, position);
}
InputStatus HeadlessScriptDriver::Resize(WindowId window, int width, int height) {
  return ResizeWindow(window, width, height);
}
InputStatus HeadlessScriptDriver::Close(WindowId window) {
  return CloseBox(window);
}
InputStatus HeadlessScriptDriver::Timer(WindowId window) {
  return TimerTick(window);
}

std::vector<ModalRecord> HeadlessScriptDriver::Modals() {
  std::vector<ModalRecord> out;
  for (const HeadlessBackend::ShownModal& s : backend_.ShownModals()) {
    ModalRecord r;
    r.isMenu = s.isMenu;
    r.message = s.message;
    r.menu = s.menu;
    r.answered = s.answered;
    r.answer = s.answer;
    out.push_back(std::move(r));
  }
  return out;
}

bool HeadlessScriptDriver::AnswerPending(int answer) {
  return backend_.AnswerPending(answer);
}

ScriptResult RunScriptHeadless(const Script& script, const std::function<int(Backend&)>& run,
                               int* exitCode) {
  // Threads of a program that would not come down may still touch the backend after the run;
  // it is then left alive on purpose.
  auto* backend = new HeadlessBackend;
  HeadlessScriptDriver driver(*backend);
  ScriptRunner runner(driver);
  ScriptResult result;
  bool ended = false;
  backend->SetSession([&] {
    TakeHaltsAsProgramEnd(*backend);
    result = runner.Run(script);
    ended = runner.Finish();
    if (!backend->QuitRequested()) backend->Quit(0);
  });
  int code = run(*backend);
  if (exitCode != nullptr) *exitCode = code;
  if (ended) delete backend;
  return result;
}

ScriptResult RunScriptHeadless(const Script& script, ThreadProc programMain, int* exitCode) {
  return RunScriptHeadless(
      script, [&](Backend& backend) { return RunProgram(backend, programMain); }, exitCode);
}

int RunScriptFile(const std::string& path, const std::function<int(Backend&)>& run) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read the script\n", path.c_str());
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  Script script;
  std::string error;
  if (!ParseScript(text.str(), &script, &error)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return 2;
  }
  int code = 0;
  ScriptResult result = RunScriptHeadless(script, run, &code);
  if (!result.passed) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), result.message.c_str());
    return 1;
  }
  std::fprintf(stderr, "%s: script passed (%d lines, program exit code %d)\n", path.c_str(),
               result.linesRun, code);
  return 0;
}

}  // namespace kv
