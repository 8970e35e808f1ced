#pragma once

#include "platform/window/Backend.h"

namespace kv {

// The program from start to end, in a fixed order:
//   1. the runtime is up (the caller created its backend; without one there is no program) and
//      the SQL drivers are registered;
//   2. the process-wide objects exist (ConnectionOwner cleared, GlobalErrors, INIMgr: built
//      before main, in that order);
//   3. each logical thread starts with its error status and zeroed request globals
//      (ThreadSetup.h), its tables created before its first statement;
//   4. program main, on logical thread 1: GlobalErrors.Init with the thread's error status;
//   5. INIMgr.Init("Korvandel.INI", settings file, no extra data);
//   6. the main thread's table managers;
//   7. Main, the application frame, whose Init runs the connection dialog first (leaving the
//      dialog without a connection ends the process there, with exit code 0);
//   8. when Main returns: INIMgr.Update, then INIMgr.Kill, which writes the sector list;
//   9. the backend's loop ends and the process exits with code 0.
// Each step is reported through ReportStartupStep.

// Program main: steps 4 to 8 on the calling logical thread. Thread: the program's main
// logical thread.
void ProgramMain();

// Runs the whole program on `backend` (steps 2 to 9 from the process's main thread) and returns
// the exit code: 0 when Main returned, or the code of a halt. Thread: the process's main
// thread, once per process.
int RunKorvandel(Backend& backend);

}  // namespace kv
