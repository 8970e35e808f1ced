#include "platform/thread/LogicalThread.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace kv {
namespace {

// Sanitized builds need far more stack than the runtime's callers ask for, so the requested
// size is a minimum, never the exact size.
constexpr std::size_t kMinimumStack = 8u * 1024u * 1024u;

struct HookEntry {
  int id;
  ThreadHook onStart;
  ThreadHook onEnd;
};

struct Registry {
  std::mutex mutex;  // guards every member below
  std::condition_variable ended;
  int nextNumber = 1;
  int nextHookId = 1;
  std::vector<HookEntry> hooks;
  std::map<int, bool> running;  // thread number -> still running
  int live = 0;                 // number of `running` entries that are true
  int nextListenerId = 1;
  std::vector<std::pair<int, std::function<void()>>> liveListeners;
  HaltHandler haltHandler;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: threads may outlive statics
  return *registry;
}

thread_local int tCurrentThread = 0;

// Calls the live-count listeners outside the registry lock, so that a listener may call back
// into this module.
void NotifyLiveCount() {
  Registry& r = TheRegistry();
  std::vector<std::pair<int, std::function<void()>>> listeners;
  {
    std::lock_guard lock(r.mutex);
    listeners = r.liveListeners;
  }
  for (auto& entry : listeners) entry.second();
}

int TakeNumber() {
  Registry& r = TheRegistry();
  int number = 0;
  {
    std::lock_guard lock(r.mutex);
    number = r.nextNumber++;
    r.running[number] = true;
    ++r.live;
  }
  NotifyLiveCount();
  return number;
}

std::vector<HookEntry> HooksSnapshot() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.hooks;
}

void RunStartHooks(int number) {
  for (const HookEntry& h : HooksSnapshot()) {
    if (h.onStart) h.onStart(number);
  }
}

void RunEndHooksAndFinish(int number) {
  std::vector<HookEntry> hooks = HooksSnapshot();
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    if (it->onEnd) it->onEnd(number);
  }
  Registry& r = TheRegistry();
  {
    std::lock_guard lock(r.mutex);
    r.running[number] = false;
    --r.live;
  }
  r.ended.notify_all();
  NotifyLiveCount();
}

struct StartBlock {
  int number;
  ThreadProc proc;
};

void* ThreadMain(void* arg) {
  std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(arg));
  tCurrentThread = block->number;
  RunStartHooks(block->number);
  block->proc();
  RunEndHooksAndFinish(block->number);
  tCurrentThread = 0;
  return nullptr;
}

}  // namespace

int CurrentThread() {
  return tCurrentThread;
}

int StartThread(ThreadProc proc, std::size_t stackSize) {
  int number = TakeNumber();
  auto block = std::make_unique<StartBlock>(StartBlock{number, std::move(proc)});
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, std::max(stackSize, kMinimumStack));
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t handle;
  int rc = pthread_create(&handle, &attr, &ThreadMain, block.get());
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    // Without a thread the runtime cannot go on; this only happens when the system is out of
    // resources.
    std::fprintf(stderr, "cannot start logical thread %d (error %d)\n", number, rc);
    Halt(0, "cannot start thread");
  }
  block.release();  // owned by the new thread now
  return number;
}

int AdoptCurrentThread() {
  int number = TakeNumber();
  tCurrentThread = number;
  RunStartHooks(number);
  return number;
}

void ReleaseCurrentThread() {
  int number = tCurrentThread;
  if (number == 0) return;
  RunEndHooksAndFinish(number);
  tCurrentThread = 0;
}

int AddThreadHooks(ThreadHook onStart, ThreadHook onEnd) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  int id = r.nextHookId++;
  r.hooks.push_back(HookEntry{id, std::move(onStart), std::move(onEnd)});
  return id;
}

void RemoveThreadHooks(int id) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.hooks, [id](const HookEntry& h) { return h.id == id; });
}

void JoinThread(int number) {
  Registry& r = TheRegistry();
  std::unique_lock lock(r.mutex);
  r.ended.wait(lock, [&] {
    auto it = r.running.find(number);
    return it == r.running.end() || !it->second;
  });
}

bool IsThreadRunning(int number) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.running.find(number);
  return it != r.running.end() && it->second;
}

int LiveThreadCount() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.live;
}

int AddLiveCountListener(std::function<void()> listener) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  int id = r.nextListenerId++;
  r.liveListeners.emplace_back(id, std::move(listener));
  return id;
}

void RemoveLiveCountListener(int id) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.liveListeners, [id](const auto& entry) { return entry.first == id; });
}

void SetHaltHandler(HaltHandler handler) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.haltHandler = std::move(handler);
}

void Halt(int exitCode, std::string_view text) {
  HaltHandler handler;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    handler = r.haltHandler;
  }
  if (handler) handler(exitCode, text);
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

}  // namespace kv
