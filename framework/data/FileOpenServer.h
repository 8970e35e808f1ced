#pragma once

#include "platform/storage/ErrorCode.h"

namespace kv {

// Performs the physical open and close of one table for the file managers that use it. A
// table with one instance per thread gets a private FileOpener per manager; a table shared by
// all threads gets one process-wide SharedFileOpener, so that only the first open and the last
// close reach the runtime (FileOpener.h). Operations in their fixed slot order.
class FileOpenServer {
 public:
  virtual ~FileOpenServer() = default;

  // Opens the table in `mode` (low nibble access, high nibble sharing; platform/storage/
  // Table.h). Returns kNoError on success, also when the table was already open (runtime error
  // 52); otherwise the runtime's error code, which is also the thread's last error.
  virtual ErrorCode OpenFile(int mode) = 0;
  // Closes the table; returns the runtime's error code (kNoError on success).
  virtual ErrorCode CloseFile() = 0;
  // Records one more holder of the opener.
  virtual void AddReference() = 0;
  // Gives up one holding. When the last holder releases, the opener is finished: a shared
  // opener leaves the process-wide list, and the opener is destroyed when its last owning
  // pointer is dropped.
  virtual void Release() = 0;
};

}  // namespace kv
