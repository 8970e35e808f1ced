#pragma once

#include <cstdint>
#include <string>

#include "framework/errors/ResultLevel.h"

namespace kv {

// The message an error status currently holds: the row last selected, copied. The status owns
// its copies of the text and title, so they stay valid when the row is removed from the list.
struct CurrentMessage {
  std::int32_t ID = 0;
  std::string MESSAGE;
  std::string TITLE;
  ResultLevel FATALITY = Benign;
  std::string CATEGORY;
};

// Everything that belongs to one report on one thread: the names the message will show, the
// runtime error captured when it was raised, and the current and previous message. Each thread
// has its own instance (ThisThread), so reports on different threads never disturb each other;
// values persist on the thread until they are set again (a later "%File" still shows the last
// file name set on that thread).
//
// The error manager writes these fields through its setters, which remove trailing blanks and
// cut at 254 bytes (never inside a character); the fields are public so that derived managers
// and tests can read them. Thread: only the owning thread touches an instance; no lock.
struct ErrorStatus {
  std::string FIELDNAME;                // "%Field"
  std::string FILENAME;                 // "%File"
  std::string KEYNAME;                  // "%Key"
  std::string MESSAGETEXT;              // "%Message"
  std::string SAVEERROR;                // the runtime's last error text, "%Error"
  std::int32_t SAVEERRORCODE = 0;       // the runtime's last error code, "%ErrorCode"
  std::string SAVEFILEERROR;            // the driver's last error text, "%FileError"
  std::string SAVEFILEERRORCODE = "0";  // the driver's last error code, "%FileErrorCode"
  CurrentMessage ERRORBUFFER;           // the current message
  std::int32_t PREVERRORID = 0;         // identifier current before the last SelectMessage

  // Back to the state of a new thread: empty texts, code 0, driver code "0", no current
  // message, previous identifier 0.
  void Reset() { *this = ErrorStatus{}; }

  // The calling thread's own instance, created on first use and destroyed when the thread
  // ends. Thread: any; the reference must not be handed to another thread.
  static ErrorStatus& ThisThread();
};

}  // namespace kv
