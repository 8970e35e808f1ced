#pragma once

#include <functional>
#include <string_view>

namespace kv {

// Start-up and end of the program's logical threads.
//
// Every logical thread, the main one included, starts with its own error status constructed
// and its GlobalRequest, GlobalResponse and VCRRequest at 0. Its table managers exist before
// its first procedure statement runs: a thread started later creates them in its start hook;
// the main thread creates them in program main once the settings file is open
// (CreateThreadTables), just before Main is called. Every thread releases them when it ends,
// after its procedure returned, in the order they were registered.
//
// The modules that own per-thread tables register their creation and release here
// (AddTableManagers); the start and end hooks then run them on every thread.

// Registers the creation and the release of one module's per-thread table managers. `create`
// runs on each new logical thread before its procedure (on the main thread: from
// CreateThreadTables), `release` at the end of every thread whose `create` ran. Register before
// the program starts. Thread: any.
void AddTableManagers(std::function<void()> create, std::function<void()> release);

// Installs the runtime's thread hooks that do the above; a second call does nothing. The next
// logical thread to start after this call is taken as the main thread (program main's): its
// tables wait for CreateThreadTables. Thread: the process's main thread, before the program's
// first logical thread starts.
void InstallThreadSetup();

// Creates the calling thread's table managers unless they already exist. Thread: a logical
// thread of the program.
void CreateThreadTables();

// True once the calling thread's table managers were created (and not yet released).
bool ThreadTablesCreated();

// Start-up bookkeeping: every step of start-up and shutdown is reported, by name, to a listener
// that tests and diagnostics may set ("GlobalErrors.Init", "INIMgr.Init", "tables 1",
// "Main", "INIMgr.Update", "INIMgr.Kill", "thread start 2", ...). Without a listener nothing
// happens. Thread: any; the listener is called on the thread that takes the step.
void SetStartupListener(std::function<void(std::string_view step)> listener);
void ReportStartupStep(std::string_view step);

}  // namespace kv
