#include "platform/storage/LastError.h"

namespace kv {
namespace {
thread_local StorageError tLastError;
}  // namespace

ErrorCode SetLastError(StorageError error) {
  tLastError = std::move(error);
  return tLastError.code;
}

ErrorCode ClearLastError() {
  tLastError = StorageError{};
  return kNoError;
}

const StorageError& LastError() {
  return tLastError;
}

}  // namespace kv
