#include "platform/storage/LastError.h"

namespace kv {

ErrorCode ReportStorageError(const StorageError& error) {
  if (error.code == kNoError) {
    ClearLastError();
    return kNoError;
  }
  SetLastError(error.code, error.text, error.driverCode, error.driverText);
  return error.code;
}

ErrorCode ReportSuccess() {
  ClearLastError();
  return kNoError;
}

}  // namespace kv
