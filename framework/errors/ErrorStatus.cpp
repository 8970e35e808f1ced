#include "framework/errors/ErrorStatus.h"

namespace kv {

ErrorStatus& ErrorStatus::ThisThread() {
  // A new thread gets a fresh instance: the state of a thread that has reported nothing yet.
  thread_local ErrorStatus status;
  return status;
}

}  // namespace kv
