// The table's operation callbacks: the manager's own bookkeeping, then the hooks.

#include <algorithm>

#include "framework/data/FileManager.h"

namespace kv {
namespace {

// Runtime operation codes grouped as the manager treats them. The storage layer reports a
// subset of them (FileCallback.h); the others belong to operations it does not offer.
constexpr int kWriteAdd[] = {1, 4, 51, 59};
constexpr int kWriteDelete[] = {11};
constexpr int kWriteChange[] = {30, 54, 55};
constexpr int kReads[] = {15, 16, 17, 24, 31, 53, 66, 67};
constexpr int kLargeObjectWrite = 76;
constexpr int kPropertyWrite = 78;
constexpr int kLargeObjectProperty = 31894;

template <std::size_t N>
bool In(const int (&codes)[N], int code) {
  return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

bool IsWrite(int code) {
  return In(kWriteAdd, code) || In(kWriteDelete, code) || In(kWriteChange, code);
}

}  // namespace

bool FileManager::BeforeOperation(const OperationInfo& info) {
  if (info.operation == kOpClose) {
    if (INRESTORE && OPENED != 0 && !info.throughView) {
      OPENED = 0;
      USED = false;
      (void)Close();
    }
  } else if (info.operation == kOpEndOfUse) {
    ++INCALLBACK;
    if (info.flag == 0) {
      ReleaseResources();
      // The instance is going away: forget it, so that a later Kill does not reach it.
      if (FILE != nullptr) FILE->RemoveCallback(this);
      FILE = nullptr;
    }
    --INCALLBACK;
  }
  return DispatchBefore(info);
}

bool FileManager::AfterOperation(const OperationInfo& info) {
  const int code = info.operation;
  if (IsWrite(code)) {
    BLOBCHANGED = false;
  } else if (In(kReads, code)) {
    if (SAVEPREVIOUSBUFFER && info.record != nullptr) {
      auto* bytes = static_cast<const unsigned char*>(info.record);
      PREVIOUSBUFFER = std::make_unique<std::vector<unsigned char>>(bytes, bytes + info.recordSize);
    }
  } else if (code == kLargeObjectWrite ||
             (code == kPropertyWrite && info.flag == kLargeObjectProperty)) {
    BLOBCHANGED = true;
  }
  return DispatchAfter(info);
}

bool FileManager::DispatchBefore(const OperationInfo& info) {
  // An operation issued by a view runs its hooks once, at the view's level; the nested
  // operations it causes pass through untouched until it completes.
  if (INVIEW) return true;
  if (info.throughView) INVIEW = true;
  const int code = info.operation;
  if (In(kWriteAdd, code)) return BeforeAdd(code, info.record, info.recordSize);
  if (In(kWriteDelete, code)) return BeforeDelete(code);
  if (In(kWriteChange, code))
    return BeforeChange(code, info.record, info.oldRecord, info.recordSize);
  return true;
}

bool FileManager::DispatchAfter(const OperationInfo& info) {
  if (INVIEW && !info.throughView) return true;
  if (INVIEW) INVIEW = false;
  const int code = info.operation;
  if (In(kWriteAdd, code)) return AfterAdd(code, info.record, info.recordSize);
  if (In(kWriteDelete, code)) return AfterDelete(code);
  if (In(kWriteChange, code))
    return AfterChange(code, info.record, info.oldRecord, info.recordSize);
  return true;
}

bool FileManager::BeforeDelete(int) {
  return true;
}
bool FileManager::AfterDelete(int) {
  return true;
}
bool FileManager::BeforeAdd(int, void*, std::size_t) {
  return true;
}
bool FileManager::AfterAdd(int, void*, std::size_t) {
  return true;
}
bool FileManager::BeforeChange(int, void*, const void*, std::size_t) {
  return true;
}
bool FileManager::AfterChange(int, void*, const void*, std::size_t) {
  return true;
}

}  // namespace kv
