#pragma once

#include "platform/RuntimeError.h"
#include "platform/storage/ErrorCode.h"

namespace kv {

// How storage operations leave their outcome as the calling thread's last error (the runtime's
// error code and text and the driver's code and text, platform/RuntimeError.h): every operation
// of a Table ends with one of these, so LastError() always describes the last operation.

// Records `error` as the calling thread's last error and returns its code, so that operations
// can end with `return ReportStorageError(...)`. Thread: any (acts on the caller only).
ErrorCode ReportStorageError(const StorageError& error);

// Clears the calling thread's last error (code 0, empty texts) and returns kNoError.
ErrorCode ReportSuccess();

}  // namespace kv
