#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kv {

// Logical threads of the runtime. Every procedure runs on a logical thread; they are numbered
// from 1 in the order they start (program main is thread 1) and numbers are never reused
// within a process. Per-thread state is ordinary `thread_local` data, which C++ zero- or
// default-initialises on each new thread; modules that need to build and release per-thread
// objects (table managers, error status) register hooks that run at thread start and end.

using ThreadProc = std::function<void()>;
using ThreadHook = std::function<void(int threadNumber)>;

// Number of the calling logical thread, or 0 on a thread the runtime did not start (the
// backend's main thread, a test's own thread before it adopts a number). Thread: any.
int CurrentThread();

// Starts `proc` on a new logical thread whose stack holds at least `stackSize` bytes (the
// runtime never gives less than it needs for itself). The start hooks run on the new thread
// before `proc`, the end hooks after it returns. Returns the new thread's number.
// Thread: any.
int StartThread(ThreadProc proc, std::size_t stackSize);

// Gives the calling thread, which the runtime did not start, a logical thread number and runs
// the start hooks on it; `ReleaseCurrentThread` runs the end hooks. Tests use this to act as a
// logical thread without starting one. Returns the number given.
int AdoptCurrentThread();
void ReleaseCurrentThread();

// Registers hooks run on every logical thread started afterwards (and on adopted threads):
// start hooks in registration order, end hooks in reverse order. Returns an identifier for
// RemoveThreadHooks. Thread: any.
int AddThreadHooks(ThreadHook onStart, ThreadHook onEnd);
void RemoveThreadHooks(int id);

// Waits until logical thread `number` has ended (its end hooks have run). Returns at once for
// an unknown or ended thread. A thread must not wait for itself.
void JoinThread(int number);

// True while logical thread `number` runs (from start hooks to end hooks).
bool IsThreadRunning(int number);

// Number of logical threads that have a number and have not finished: counted from the moment
// StartThread or AdoptCurrentThread gives the number (before the start hooks run) until the
// end hooks have run. Thread: any.
int LiveThreadCount();

// Registers `listener`, called after every change of LiveThreadCount, on the thread that
// caused it and with no lock of this module held. Listeners must not block. Returns an
// identifier for RemoveLiveCountListener. Thread: any.
int AddLiveCountListener(std::function<void()> listener);
void RemoveLiveCountListener(int id);

// Ends the process with `exitCode` from any thread. The halt handler (set by the backend) is
// called with the code and a text naming why; when no handler is set, or the handler returns,
// output is flushed and the process exits at once. Never returns.
[[noreturn]] void Halt(int exitCode, std::string_view text = {});

// Replaces the halt handler; an empty function restores the default. The handler runs on the
// halting thread and must end the process (or the thread) itself to take over; if it returns,
// the default exit follows.
using HaltHandler = std::function<void(int exitCode, std::string_view text)>;
void SetHaltHandler(HaltHandler handler);

}  // namespace kv
