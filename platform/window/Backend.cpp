#include "platform/window/Backend.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include "platform/window/EventHub.h"

namespace kv {
namespace {

// Waits until no logical thread is left, or until those left all wait (settled), at most a
// few seconds.
void WaitForEndingThreads() {
  EventHub& hub = EventHub::Instance();
  const int listener = AddLiveCountListener([&hub] {
    std::lock_guard lock(hub.Lock());
    hub.WakeWaiters();
  });
  (void)hub.WaitSettledOr(std::chrono::seconds(10), [] { return LiveThreadCount() == 0; });
  RemoveLiveCountListener(listener);
}

}  // namespace

namespace {
std::atomic<Backend*> gInstalled{nullptr};
}  // namespace

int ModifiersHeldAtStart() {
  Backend* backend = gInstalled.load();
  return backend != nullptr ? backend->ModifiersAtStart() : 0;
}

void InstallBackend(Backend* backend) {
  gInstalled.store(backend);
  SetModelObserver(backend);
  SetModalServices(backend ? &backend->Services() : nullptr);
}

int RunProgram(Backend& backend, ThreadProc programMain) {
  EventHub::Instance();  // queues must exist before thread 1 starts
  InstallBackend(&backend);
  SetHaltHandler([&backend](int exitCode, std::string_view) { backend.Quit(exitCode); });
  auto returned = std::make_shared<std::atomic<bool>>(false);
  int main = StartThread(
      [&backend, returned, proc = std::move(programMain)] {
        proc();
        returned->store(true);
        backend.Quit(0);
      },
      0);
  int code = backend.Run();
  // Program main returned: let its thread finish its end hooks before the caller goes on, and
  // the threads that are still ending (a list that closed with the frame releases its tables)
  // finish theirs. Threads that wait for input are left as they are.
  if (returned->load()) {
    JoinThread(main);
    WaitForEndingThreads();
  }
  SetHaltHandler({});
  InstallBackend(nullptr);
  return code;
}

}  // namespace kv
