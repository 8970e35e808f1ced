#pragma once

#include "platform/storage/ErrorCode.h"

namespace kv {

// The calling thread's last storage error: what the runtime reports as the error code and text
// and the driver's error code and text after a table operation. Every operation of a `Table`
// sets it, to an empty (code 0) error on success. Each thread has its own; a new thread starts
// with code 0.

// Replaces the calling thread's last error. Returns `error.code` so that operations can end
// with `return SetLastError(...)`. Thread: any (affects the caller only).
ErrorCode SetLastError(StorageError error);

// Clears the calling thread's last error (code 0, empty texts) and returns kNoError.
ErrorCode ClearLastError();

// The calling thread's last error. The reference stays valid until the thread's next storage
// call. Thread: any (reads the caller's own state).
const StorageError& LastError();

}  // namespace kv
