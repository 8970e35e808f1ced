#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/window/Backend.h"

namespace kv {

// Entries that run a program on the desktop backend (Qt Widgets). This header names no toolkit;
// the functions are defined by the desktop backend's library (korvandel_desktop), which only the
// program's entry and the tools link.

// Options of a desktop run.
struct DesktopOptions {
  // When not empty, the file kept up to date with the state the program shows (windows,
  // controls with their screen places, focus, menus, message boxes): tests that drive the
  // program with real X input read it. platform/qt/gui/QtStateDump.h gives its format.
  std::string stateFile;
};

// Runs a program on the user's display: creates the GUI application on the calling thread
// (the process's main thread, which then runs no framework code), installs the desktop
// backend and calls `run` with it (`run` starts the program, as RunProgram does, and returns
// its exit code). Returns that exit code; 2 when no display can be opened.
int RunDesktop(int argc, char** argv, const std::function<int(Backend&)>& run,
               const DesktopOptions& options = {});

// Runs the script file at `path` on the desktop backend, the script's input given through
// real widget input; otherwise as RunScriptFile (0 passed, 1 failed, 2 unreadable). Lines
// "#shot NAME" (comments to the script language) save a PNG image of the open windows as
// they lie on the screen (message boxes and menus on top) at that point, as
// `shotDirectory`/NAME.png; an empty directory saves none. `shotsSaved` receives the files
// written. Without a display the offscreen platform is used. Thread: the process's main
// thread.
int RunScriptFileDesktop(int argc, char** argv, const std::string& path,
                         const std::function<int(Backend&)>& run,
                         const std::string& shotDirectory = {},
                         std::vector<std::string>* shotsSaved = nullptr);

}  // namespace kv
