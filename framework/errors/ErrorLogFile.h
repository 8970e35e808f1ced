#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/errors/ErrorLogInterface.h"
#include "platform/thread/CriticalSection.h"

namespace kv {

class Table;
class TableDecl;

// The standard error log: a plain text file handled by the runtime's text driver, one line
// per logged message. The error manager creates and owns one (ErrorManager::
// CreateStandardLog) and, while logging is on, calls OpenLog(false), WriteLog(line),
// CloseLog(false) for each message it shows, so the file is open only for the length of one
// message and other programs may read it at any time.
//
// The file is named "RavelError.Log" unless a name is given, resolved against the process's
// current directory at every open, created on the first open when it does not exist, opened
// for reading and writing shared with other processes (deny none), and only ever appended to.
// A line holds at most kLogLineLimit bytes; a longer one is cut (never inside a character)
// and trailing blanks are not written. Lines appended by several threads or processes at once
// never mix: each is one append.
//
// USAGE counts the OpenLog calls that are outstanding. OpenLog opens the file when USAGE is 0
// (or when forced) and counts; CloseLog closes it when USAGE is 1 (or when forced) and sets
// USAGE to 0, otherwise only counts down, never below 0. So after a failed OpenLog nothing is
// counted, WriteLog refuses, and the next message tries to open the file again.
//
// Each operation returns Benign on success and Notify on failure, leaving the runtime's error
// of the failed step as the calling thread's last error (platform/RuntimeError.h). Nothing is
// ever shown.
//
// Thread: any. Every operation takes CRITSECT when one is set (SetCriticalSection); the error
// manager leaves it unset and holds its own lock around each message's three calls instead.
class ErrorLogFile final : public ErrorLogInterface {
 public:
  static constexpr const char* kDefaultFileName = "RavelError.Log";

  explicit ErrorLogFile(std::string fileName = kDefaultFileName);
  // Closes the file when it is still open.
  ~ErrorLogFile() override;
  ErrorLogFile(const ErrorLogFile&) = delete;
  ErrorLogFile& operator=(const ErrorLogFile&) = delete;

  // Closes the file when USAGE is 1 or `force` is set (Notify, USAGE unchanged, when the close
  // fails; a file that is not open needs no closing) and sets USAGE to 0; otherwise counts
  // USAGE down when it is above 0. Benign unless the close failed.
  ResultLevel CloseLog(bool force) override;
  // When USAGE is 0 or `force` is set: creates the file when it does not exist, then opens it
  // for reading and writing, deny none (an open file stays as it is). Notify, counting
  // nothing, when either step fails. Otherwise, and after a successful open, counts USAGE up
  // and returns Benign.
  ResultLevel OpenLog(bool force) override;
  // Appends `line` as one line. Notify, writing nothing, when USAGE is 0 (no successful
  // OpenLog is outstanding) or when the append fails.
  ResultLevel WriteLog(std::string_view line) override;

  // Sets (or, with nullptr, clears) the critical section every operation takes. Not owned; it
  // must outlive its use here.
  void SetCriticalSection(CriticalSection* section);

  std::int32_t Usage() const;
  const std::string& FileName() const { return fileName_; }

 private:
  CriticalSection* CRITSECT = nullptr;  // not owned; unset by the error manager
  std::int32_t USAGE = 0;               // guarded by CRITSECT when set, else by the caller

  std::string fileName_;
  std::unique_ptr<TableDecl> decl_;  // the text table of the file, one instance for all threads
  Table* file_ = nullptr;            // decl_'s instance, made by the first OpenLog
};

}  // namespace kv
