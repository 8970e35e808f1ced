#pragma once

#include <string>
#include <string_view>

namespace kv {

// The runtime's "last error" of the calling thread: the outcome of the last runtime operation
// that records one (storage drivers, file operations). Each logical thread has its own; a new
// thread starts cleared (code 0, every text empty). The error manager copies it into the
// thread's error status when a message is raised, so a driver sets it before it returns a
// failure and the framework reports it afterwards.
//
// `code` is the runtime's error code (2 not found, 5 access denied, 33 no record, 40 duplicate
// key, 43 held, 46 keys need rebuilding, 52 already open, 80 not supported, 89 changed by
// another station, 90 driver error, ...), `text` its text. `driverCode` and `driverText` are
// the driver's own code (as text, e.g. an SQLSTATE or a server error number) and message; they
// matter above all for code 90, where the error manager shows them instead of the runtime's.
struct RuntimeError {
  int code = 0;
  std::string text;
  std::string driverCode;
  std::string driverText;
};

// Records an error for the calling thread, replacing the previous one; the driver's part is
// cleared. Thread: any (acts on the calling thread only).
void SetLastError(int code, std::string_view text);

// Records an error with the driver's own code and text (typically code 90, a driver error).
// Thread: any (acts on the calling thread only).
void SetLastError(int code, std::string_view text, std::string_view driverCode,
                  std::string_view driverText);

// Clears the calling thread's error: a successful operation calls this so that a later report
// does not show a stale failure. Thread: any.
void ClearLastError();

// Read accessors for the calling thread's last error. The reference stays valid until the
// calling thread sets or clears its error again. Thread: any (acts on the calling thread only).
const RuntimeError& LastError();
inline int LastErrorCode() {
  return LastError().code;
}
inline const std::string& LastErrorText() {
  return LastError().text;
}
inline const std::string& LastDriverErrorCode() {
  return LastError().driverCode;
}
inline const std::string& LastDriverErrorText() {
  return LastError().driverText;
}

}  // namespace kv
