#include "platform/window/Backend.h"

#include <atomic>

#include "platform/window/EventHub.h"

namespace kv {

void InstallBackend(Backend* backend) {
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
  // Program main returned: let its thread finish its end hooks before the caller goes on.
  if (returned->load()) JoinThread(main);
  SetHaltHandler({});
  InstallBackend(nullptr);
  return code;
}

}  // namespace kv
