#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/errors/ResultLevel.h"

namespace kv {

// Where the error manager writes a line for each message it shows while logging is on
// (ErrorManager::SetLogErrors). For each message the manager calls, under its own lock,
// OpenLog(false), WriteLog(line), CloseLog(false) in this order, whatever the result of the
// previous step; and CloseLog(true) once when it disposes of its standard log. Every operation
// returns Benign on success and Notify on failure; the manager never shows a failure to the
// user and never lets it change the message's result.
//
// Operations are declared in their fixed slot order. An implementation is called with the
// error manager's lock held; it must not show anything or call back into the manager.
class ErrorLogInterface {
 public:
  virtual ~ErrorLogInterface() = default;

  // Closes the log when this is the last outstanding open, or always when `force` is set.
  virtual ResultLevel CloseLog(bool force) = 0;
  // Opens the log (creating it when missing) unless it is open already and `force` is clear;
  // counts the open either way on success.
  virtual ResultLevel OpenLog(bool force) = 0;
  // Appends `line`. Notify, writing nothing, when the log is not open.
  virtual ResultLevel WriteLog(std::string_view line) = 0;
};

// Longest line written to a log; longer lines are cut (never inside a character).
inline constexpr std::size_t kLogLineLimit = 1024;

// The log line for a message shown on day `date` at time `time` (the runtime's date serial
// and time value, platform/values/Calendar.h): the date in the short-date picture @D17, "@",
// the time in the long-time picture @T8, " --> ", then `text`; cut to kLogLineLimit bytes
// (never inside a character) and without trailing blanks. Thread: any.
//   FormatErrorLogLine("There are no records available to process.", DateSerial(2024, 3, 7),
//                      TimeValue(9, 5, 3))
//   -> "03/07/2024@09:05:03 --> There are no records available to process."
std::string FormatErrorLogLine(std::string_view text, std::int32_t date, std::int32_t time);

}  // namespace kv
