#pragma once

#include <string>
#include <string_view>

namespace kv {

// The runtime's error codes for table operations. Every storage operation returns one of these
// (as an `ErrorCode`, 0 on success) and also leaves it, with its text and the driver's own code
// and text, as the calling thread's last error (see platform/storage/LastError.h).
using ErrorCode = int;

inline constexpr ErrorCode kNoError = 0;
inline constexpr ErrorCode kNoFileError = 2;         // the table (or file) does not exist
inline constexpr ErrorCode kAccessDenied = 5;        // the open or the write is not allowed
inline constexpr ErrorCode kNoRecordError = 33;      // no (more) records; no record has the key
inline constexpr ErrorCode kDuplicateKeyError = 40;  // the record duplicates a unique key
inline constexpr ErrorCode kRecordHeldError = 43;    // the record is held by another station
inline constexpr ErrorCode kRebuildKeysError = 46;   // the keys must be rebuilt
inline constexpr ErrorCode kAlreadyOpenError = 52;   // the table is already open
inline constexpr ErrorCode kNotOpenError = 37;       // an operation on a table that is not open
inline constexpr ErrorCode kNotSupportedError = 80;  // the driver does not offer the operation
inline constexpr ErrorCode kChangedError = 89;       // the record was changed by another station
inline constexpr ErrorCode kDriverError = 90;        // any other failure; see the driver's text

// The text the runtime gives for `code` ("" for kNoError). Stable, so messages may show it.
std::string_view ErrorCodeText(ErrorCode code);

// A complete error: the runtime code with its text, plus the driver's own code and text (the
// native error of the database, or empty when the failure did not come from a driver).
struct StorageError {
  ErrorCode code = kNoError;
  std::string text;
  std::string driverCode;
  std::string driverText;

  bool ok() const { return code == kNoError; }

  // An error whose text is the standard text of `code`.
  static StorageError Of(ErrorCode code, std::string driverCode = {}, std::string driverText = {});
};

}  // namespace kv
