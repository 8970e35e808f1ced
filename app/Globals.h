#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "framework/errors/ErrorManager.h"
#include "framework/window/IniManager.h"

namespace kv {

// The program's process-wide and per-thread objects.
//
// Process-wide (one instance, constructed before program main runs in the order declared
// here: the connection string cleared, then GlobalErrors, then INIMgr; destroyed in reverse
// order after it returns):
//   GlobalErrors     every framework object and procedure reports through it (its own
//                    re-entrant lock); initialised by program main with the main thread's
//                    error status
//   INIMgr           the settings file "Korvandel.INI", shared by all threads and serialised
//                    by its own critical section; initialised by program main, flushed and
//                    killed when Main returns
//   ConnectionOwner  the database connection string, written by the connection dialog and
//                    read by every thread's tables
//
// Per thread (every logical thread has its own, zeroed when the thread starts):
//   GlobalRequest    the request handed to the next procedure called on this thread; each
//                    procedure copies it into its REQUEST in Init and then clears it
//   GlobalResponse   the answer of the last procedure run on this thread
//   VCRRequest       pending toolbar navigation request (kToolbar... values), reached by each
//                    window manager through VCRREQUEST
// The thread's error status is ErrorStatus::ThisThread().

extern ErrorManager GlobalErrors;
extern IniManager INIMgr;

// The connection string. The whole string is kept (a connection string can be longer than the
// 59 characters a fixed field would hold, and cutting it would connect with the wrong
// credentials). Guarded by its own lock because the connection dialog writes it on the main
// thread while browse threads may read it. Thread: any.
class ConnectionString {
 public:
  std::string Get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void Set(std::string_view value) {
    std::lock_guard lock(mutex_);
    value_.assign(value);
  }
  void Clear() { Set({}); }

 private:
  mutable std::mutex mutex_;
  std::string value_;  // guarded by mutex_
};

extern ConnectionString ConnectionOwner;

extern thread_local std::uint8_t GlobalRequest;
extern thread_local std::uint8_t GlobalResponse;
extern thread_local std::int32_t VCRRequest;

// The name of the settings file, without a directory: it is found in the current directory.
inline constexpr std::string_view kSettingsFileName = "Korvandel.INI";

}  // namespace kv
