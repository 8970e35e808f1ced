#pragma once

#include <cstdint>
#include <memory>

#include "framework/data/FileOpenServer.h"
#include "platform/storage/Table.h"
#include "platform/thread/CriticalSection.h"

namespace kv {

// The opener of a table that has one instance per thread: each file manager of such a table
// gets its own, so it needs no lock. USAGE counts holders beyond the first (0 = one holder).
// Thread: the thread that owns the table instance.
class FileOpener : public FileOpenServer {
 public:
  explicit FileOpener(Table& file) : MYFILE(file) {}

  // Table::Open(mode); runtime error 52 (already open) counts as success.
  ErrorCode OpenFile(int mode) override;
  // Table::Close(); returns its code.
  ErrorCode CloseFile() override;
  void AddReference() override;
  // Lowers USAGE when it is above 0; at 0 the opener is finished (its owner drops it).
  void Release() override;

  Table& MYFILE;
  std::int32_t USAGE = 0;
};

// The process-wide opener of a table shared by all threads. Every operation runs inside CSECT:
// the table is opened physically only while FILEUSAGECOUNT is 0 and closed physically only when
// the last successful open is closed, whatever thread opened or closes it.
class SharedFileOpener final : public FileOpener {
 public:
  using FileOpener::FileOpener;

  // Opens physically when FILEUSAGECOUNT is 0 (52 counts as success); on success raises
  // FILEUSAGECOUNT. Returns the runtime's code. Thread: any.
  ErrorCode OpenFile(int mode) override;
  // Does nothing (kNoError) when FILEUSAGECOUNT is 0; closes physically when it is 1, returning
  // the runtime's code and leaving the count unchanged on failure; otherwise lowers the count.
  // Thread: any.
  ErrorCode CloseFile() override;
  void AddReference() override;
  // When USAGE is 0 the opener leaves the process-wide list (the next ChooseOpener for the
  // table makes a new one); else USAGE is lowered. Thread: any.
  void Release() override;

  std::int32_t FileUsageCount() const;

  mutable CriticalSection CSECT;
  std::int32_t FILEUSAGECOUNT = 0;  // guarded by CSECT
  // USAGE (inherited) is guarded by CSECT for a shared opener.
};

// The opener for `file`, under the process-wide critical section of the shared-opener list:
// a new FileOpener when the table has one instance per thread; otherwise the list's
// SharedFileOpener for the table (USAGE raised by one), or a new one added to the list. The
// caller owns a share of the returned opener and calls Release before dropping it.
// Thread: any.
std::shared_ptr<FileOpenServer> ChooseOpener(Table& file);

// Number of shared openers in the process-wide list (for diagnostics and tests).
int SharedOpenerCount();

}  // namespace kv
