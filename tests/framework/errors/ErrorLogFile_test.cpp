#include "framework/errors/ErrorLogFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/values/Calendar.h"
#include "tests/framework/errors/ScriptedModal.h"
#include "tests/support/TempDirectory.h"

namespace kv {
namespace {

using Strings = std::vector<std::string>;

Strings FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  Strings lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Runs the test inside a fresh directory, the process's current one, so that the log's
// default name "RavelError.Log" lands there.
class InTempDirectory {
 public:
  InTempDirectory() : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir_.path());
  }
  ~InTempDirectory() { std::filesystem::current_path(old_); }
  std::string File(std::string_view name) const { return dir_.File(name); }

 private:
  test::TempDirectory dir_;
  std::filesystem::path old_;
};

class LogFile : public testing::ErrorManagerTest {
 protected:
  InTempDirectory here;
  const std::string path = here.File(ErrorLogFile::kDefaultFileName);
};

TEST(ErrorLogLine, IsTheShortDateTheLongTimeAndTheTextCutAt1024) {
  std::int32_t date = DateSerial(2024, 3, 7);
  std::int32_t time = TimeValue(9, 5, 3, 99);
  EXPECT_EQ(FormatErrorLogLine("There are no records available to process.", date, time),
            "03/07/2024@09:05:03 --> There are no records available to process.");
  EXPECT_EQ(FormatErrorLogLine("trailing   ", date, time), "03/07/2024@09:05:03 --> trailing");
  std::string longLine = FormatErrorLogLine(std::string(2000, 'y'), date, time);
  EXPECT_EQ(longLine.size(), kLogLineLimit);
  EXPECT_EQ(longLine.substr(0, 24), "03/07/2024@09:05:03 --> ");
}

TEST_F(LogFile, TheFirstLoggedMessageCreatesTheFileAndEachMessageAppendsItsLine) {
  ASSERT_FALSE(std::filesystem::exists(path));
  errors.SetLogErrors(true);
  std::int32_t dayBefore = Today();
  std::int32_t timeBefore = Clock();
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  std::int32_t timeAfter = Clock();
  ASSERT_TRUE(std::filesystem::exists(path)) << "created in the current directory";
  Strings lines = FileLines(path);
  ASSERT_EQ(lines.size(), 1u);
  const std::string text = "There are no records available to process.";
  // The line carries the time it was written: the second before or after the message.
  EXPECT_TRUE(lines[0] == FormatErrorLogLine(text, dayBefore, timeBefore) ||
              lines[0] == FormatErrorLogLine(text, Today(), timeAfter))
      << lines[0];
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d\d/\d\d/\d{4}@\d\d:\d\d:\d\d --> .*)")));

  // Later messages append; a fatal one carries its ending; silence does not stop the log.
  errors.SetSilent(true);
  errors.SetFileName("Products");
  EXPECT_EQ(errors.Raise(MsgReadOnlyAccess), Notify);
  errors.SetSilent(false);
  modal.Answer({kButtonNo});
  EXPECT_EQ(errors.Raise(MsgConfirmDelete), Cancel);
  lines = FileLines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].ends_with(" --> " + text));
  EXPECT_TRUE(
      lines[1].ends_with(" --> Could not get write access to Products so trying read-only."));
  EXPECT_TRUE(lines[2].ends_with(" --> Are you sure you want to delete the highlighted record?"));
  EXPECT_EQ(errors.LastLogDiagnostic(), "");
  // AskQuestion neither logs nor records.
  (void)errors.AskQuestion(MsgSaveRecord, kButtonYes + kButtonNo, kButtonYes);
  EXPECT_EQ(FileLines(path).size(), 3u);
}

TEST_F(LogFile, AReadOnlyFileIsNeverWrittenTheMessageIsStillShownAndTheNextOneTriesAgain) {
  { std::ofstream(path) << "kept\n"; }
  std::filesystem::permissions(path, std::filesystem::perms::owner_read,
                               std::filesystem::perm_options::replace);
  errors.SetLogErrors(true);
  SetLastError(5, "Access Denied");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  std::string traced = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(FileLines(path), Strings{"kept"});
  ASSERT_EQ(modal.Shown().size(), 1u) << "the message is shown as if the log had worked";
  EXPECT_EQ(modal.Shown()[0].caption, "No Records");
  EXPECT_NE(traced.find("Unable to Open error log; Access Denied"), std::string::npos) << traced;
  EXPECT_NE(traced.find("Unable to update error log; "), std::string::npos) << traced;
  EXPECT_EQ(traced.find("Unable to close error log"), std::string::npos) << "nothing to close";
  EXPECT_EQ(LastErrorCode(), 5) << "the caller's runtime error is left as it was";
  EXPECT_EQ(LastErrorText(), "Access Denied");

  // The next message tries again, and succeeds once the file may be written.
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
      std::filesystem::perm_options::replace);
  modal.Answer({kButtonYes});
  EXPECT_EQ(errors.Raise(MsgRecordAdded), Benign);
  Strings lines = FileLines(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[1].ends_with(
      " --> This record has been added to the file. Do you want to add another record?"));
}

TEST_F(LogFile, AFileThatCannotBeCreatedFailsQuietlyAndTheResultStands) {
  ErrorLogFile log(here.File("no-such-dir/RavelError.Log"));
  errors.InitWithLog(&log);
  errors.SetLogErrors(true);
  ::testing::internal::CaptureStderr();
  modal.Answer({kButtonNo});
  EXPECT_EQ(errors.Raise(MsgConfirmDelete), Cancel);
  (void)::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(errors.LastLogDiagnostic().starts_with("Unable to update error log; "));
  EXPECT_EQ(log.Usage(), 0);
  errors.InitWithLog(nullptr);
}

TEST_F(LogFile, UsageCountsOutstandingOpensAndNeverGoesBelowZero) {
  ErrorLogFile log;
  struct Step {
    const char* call;
    ResultLevel result;
    std::int32_t usage;
  };
  const Step steps[] = {
      {"write", Notify, 0},  // nothing is open: nothing written
      {"close", Benign, 0},  // never below 0
      {"open", Benign, 1},   // creates and opens
      {"open", Benign, 2},   // only counts
      {"write", Benign, 2},  //
      {"close", Benign, 1},  // only counts down
      {"write", Benign, 1},  //
      {"open(force)", Benign, 2},  {"close(force)", Benign, 0},
      {"close(force)", Benign, 0},  // a closed file needs no closing
      {"write", Notify, 0},
  };
  int written = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.call);
    std::string call = s.call;
    ResultLevel r = Benign;
    if (call == "write") {
      r = log.WriteLog("line " + std::to_string(++written));
    } else if (call.starts_with("open")) {
      r = log.OpenLog(call == "open(force)");
    } else {
      r = log.CloseLog(call == "close(force)");
    }
    EXPECT_EQ(r, s.result);
    EXPECT_EQ(log.Usage(), s.usage);
  }
  EXPECT_EQ(FileLines(path), (Strings{"line 2", "line 3"})) << "the refused writes left nothing";
}

TEST_F(LogFile, LongLinesAreCutAt1024WithoutSplittingACharacter) {
  ErrorLogFile log;
  CriticalSection own;
  log.SetCriticalSection(&own);  // the log's own lock, for callers without one
  ASSERT_EQ(log.OpenLog(false), Benign);
  EXPECT_EQ(log.WriteLog(std::string(1500, 'z')), Benign);
  EXPECT_EQ(log.WriteLog(std::string(1023, 'a') + "\xC3\xA9"), Benign) << "no split character";
  EXPECT_EQ(log.CloseLog(false), Benign);
  log.SetCriticalSection(nullptr);
  EXPECT_EQ(FileLines(path), (Strings{std::string(1024, 'z'), std::string(1023, 'a')}));
}

}  // namespace
}  // namespace kv
