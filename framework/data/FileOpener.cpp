#include "framework/data/FileOpener.h"

#include <map>

namespace kv {
namespace {

// The process-wide list of shared openers, keyed on the table instance's identity. The lock is
// always taken before an opener's CSECT, never after, so the two cannot deadlock.
struct SharedOpenerList {
  CriticalSection lock;
  std::map<std::uintptr_t, std::shared_ptr<SharedFileOpener>> openers;  // guarded by lock
};

SharedOpenerList& TheList() {
  static SharedOpenerList list;
  return list;
}

}  // namespace

ErrorCode FileOpener::OpenFile(int mode) {
  ErrorCode rc = MYFILE.Open(mode);
  return rc == kAlreadyOpenError ? kNoError : rc;
}

ErrorCode FileOpener::CloseFile() {
  return MYFILE.Close();
}

void FileOpener::AddReference() {
  ++USAGE;
}

void FileOpener::Release() {
  if (USAGE > 0) --USAGE;
}

ErrorCode SharedFileOpener::OpenFile(int mode) {
  CriticalGuard guard(CSECT);
  if (FILEUSAGECOUNT == 0) {
    ErrorCode rc = FileOpener::OpenFile(mode);
    if (rc != kNoError) return rc;
  }
  ++FILEUSAGECOUNT;
  return kNoError;
}

ErrorCode SharedFileOpener::CloseFile() {
  CriticalGuard guard(CSECT);
  if (FILEUSAGECOUNT == 0) return kNoError;
  if (FILEUSAGECOUNT == 1) {
    ErrorCode rc = FileOpener::CloseFile();
    if (rc != kNoError) return rc;
  }
  --FILEUSAGECOUNT;
  return kNoError;
}

void SharedFileOpener::AddReference() {
  CriticalGuard guard(CSECT);
  ++USAGE;
}

void SharedFileOpener::Release() {
  SharedOpenerList& list = TheList();
  CriticalGuard listGuard(list.lock);
  CriticalGuard guard(CSECT);
  if (USAGE == 0) {
    auto it = list.openers.find(MYFILE.InstanceId());
    if (it != list.openers.end() && it->second.get() == this) list.openers.erase(it);
    return;
  }
  --USAGE;
}

std::int32_t SharedFileOpener::FileUsageCount() const {
  CriticalGuard guard(CSECT);
  return FILEUSAGECOUNT;
}

std::shared_ptr<FileOpenServer> ChooseOpener(Table& file) {
  // Asked before the list lock: the table's own lock is never taken inside the list lock, as
  // a table ending its use calls Release (list lock) while holding its own.
  const bool threaded = file.Property(kPropThreaded) == "1";
  SharedOpenerList& list = TheList();
  CriticalGuard listGuard(list.lock);
  if (threaded) return std::make_shared<FileOpener>(file);
  auto it = list.openers.find(file.InstanceId());
  if (it != list.openers.end()) {
    it->second->AddReference();
    return it->second;
  }
  auto opener = std::make_shared<SharedFileOpener>(file);
  list.openers.emplace(file.InstanceId(), opener);
  return opener;
}

int SharedOpenerCount() {
  SharedOpenerList& list = TheList();
  CriticalGuard listGuard(list.lock);
  return static_cast<int>(list.openers.size());
}

}  // namespace kv
