#include "framework/errors/ErrorLogFile.h"

#include <utility>

#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/Table.h"
#include "platform/storage/TableDecl.h"
#include "platform/values/FieldTable.h"
#include "platform/values/FixedText.h"

namespace kv {
namespace {

// One line of the log file: a single text field as wide as the longest line.
struct ErrorLogRecord {
  String<kLogLineLimit> TXT;
};

const FieldTableLayout& ErrorLogLayout() {
  static const FieldTable fields =
      FieldTable::For<ErrorLogRecord>({KV_FIELD(ErrorLogRecord, TXT, "ERR:TXT", "@s1024")});
  static const FieldTableLayout layout(fields);
  return layout;
}

constexpr int kLogOpenMode = kOpenReadWrite | kShareDenyNone;

// Holds the log's critical section for one operation when one is set.
class OptionalGuard {
 public:
  explicit OptionalGuard(CriticalSection* section) : section_(section) {
    if (section_) section_->Enter();
  }
  ~OptionalGuard() {
    if (section_) section_->Leave();
  }
  OptionalGuard(const OptionalGuard&) = delete;
  OptionalGuard& operator=(const OptionalGuard&) = delete;

 private:
  CriticalSection* section_;
};

}  // namespace

ErrorLogFile::ErrorLogFile(std::string fileName)
    : fileName_(std::move(fileName)),
      // One instance shared by every thread: the usage count is the manager's, not a thread's,
      // and a forced close from any thread must reach the file that is open.
      decl_(std::make_unique<TableDecl>("ErrorLog", fileName_, kTextDriver, ErrorLogLayout(),
                                        /*threaded=*/false)) {}

ErrorLogFile::~ErrorLogFile() {
  (void)CloseLog(true);
}

void ErrorLogFile::SetCriticalSection(CriticalSection* section) {
  CRITSECT = section;
}

std::int32_t ErrorLogFile::Usage() const {
  OptionalGuard guard(CRITSECT);
  return USAGE;
}

ResultLevel ErrorLogFile::OpenLog(bool force) {
  OptionalGuard guard(CRITSECT);
  if (USAGE == 0 || force) {
    // The table instance is made on the first open only: a log that never opened (logging
    // off) touches no driver, not even when it is destroyed at the end of the process.
    if (file_ == nullptr) file_ = &decl_->Instance();
    Table& file = *file_;
    if (!file.IsOpen()) {
      ErrorCode code = file.Open(kLogOpenMode);
      if (code == kNoFileError) {
        if (file.Create() != kNoError) return Notify;
        code = file.Open(kLogOpenMode);
      }
      if (code != kNoError) return Notify;
    }
  }
  ++USAGE;
  return Benign;
}

ResultLevel ErrorLogFile::WriteLog(std::string_view line) {
  OptionalGuard guard(CRITSECT);
  if (USAGE == 0 || file_ == nullptr) return Notify;
  Table& file = *file_;
  file.RecordAs<ErrorLogRecord>().TXT = line;
  return file.Add() == kNoError ? Benign : Notify;
}

ResultLevel ErrorLogFile::CloseLog(bool force) {
  OptionalGuard guard(CRITSECT);
  if (USAGE == 1 || force) {
    if (file_ != nullptr && file_->IsOpen() && file_->Close() != kNoError) return Notify;
    USAGE = 0;
    return Benign;
  }
  if (USAGE > 0) --USAGE;
  return Benign;
}

}  // namespace kv
