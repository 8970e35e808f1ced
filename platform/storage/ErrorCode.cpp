#include "platform/storage/ErrorCode.h"

namespace kv {

std::string_view ErrorCodeText(ErrorCode code) {
  switch (code) {
    case kNoError:
      return "";
    case kNoFileError:
      return "File Not Found";
    case kAccessDenied:
      return "Access Denied";
    case kNoRecordError:
      return "Record Not Available";
    case kNotOpenError:
      return "File Not Open";
    case kDuplicateKeyError:
      return "Creates Duplicate Key";
    case kRecordHeldError:
      return "Record Is Already Held";
    case kRebuildKeysError:
      return "Keys Must Be Rebuilt";
    case kAlreadyOpenError:
      return "File Already Open";
    case kNotSupportedError:
      return "Function Not Supported";
    case kChangedError:
      return "Record Changed By Another Station";
    case kDriverError:
      return "File System Error";
    default:
      return "Unknown Error";
  }
}

StorageError StorageError::Of(ErrorCode code, std::string driverCode, std::string driverText) {
  StorageError e;
  e.code = code;
  e.text = std::string(ErrorCodeText(code));
  e.driverCode = std::move(driverCode);
  e.driverText = std::move(driverText);
  return e;
}

}  // namespace kv
