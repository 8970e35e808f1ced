#pragma once

#include <cstddef>

namespace kv {

// Operation codes passed to FileCallback. The numbers group as the file manager expects:
// record-writing operations (kOpAdd, kOpAppend, kOpDelete, kOpPut), record-reading ones (kOpGet,
// kOpNext, kOpPrevious, kOpReget), the close of the file and the end of a thread's use of it.
enum TableOperation : int {
  kOpAdd = 1,
  kOpOpen = 2,
  kOpCreate = 3,
  kOpAppend = 4,
  kOpClose = 7,
  kOpDelete = 11,
  kOpGet = 15,
  kOpNext = 16,
  kOpPrevious = 17,
  kOpReget = 24,
  kOpPut = 30,
  kOpBuildKeys = 40,
  kOpEndOfUse = 104,
};

// The parameter block of a callback.
struct OperationInfo {
  int operation = 0;
  void* record = nullptr;  // the record buffer of the table
  std::size_t recordSize = 0;
  const void* oldRecord = nullptr;  // kOpPut: the record image as last read; else null
  bool throughView = false;         // the operation was issued by a view over the table
  int flag = 0;                     // kOpEndOfUse: 0 when the instance goes away
};

// Receives a table's operations. `BeforeOperation` runs before the operation; returning false
// vetoes it (the operation fails with kDriverError and the text "refused"). `AfterOperation`
// runs after it, whatever its result; its answer is ignored by the table. Both run on the
// thread that issued the operation, with the table's lock held: they must not open windows.
class FileCallback {
 public:
  virtual ~FileCallback() = default;
  virtual bool BeforeOperation(const OperationInfo& info) = 0;
  virtual bool AfterOperation(const OperationInfo& info) = 0;
};

}  // namespace kv
