#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/framework/errors/ScriptedModal.h"

namespace kv {
namespace {

using testing::ErrorManagerTest;

// A log that records the calls it gets and fails the steps it is told to fail.
class RecordingLog final : public ErrorLogInterface {
 public:
  ResultLevel CloseLog(bool force) override {
    calls.push_back(force ? "close(force)" : "close");
    if (mirror) mirror->push_back(calls.back());
    return failClose ? Notify : Benign;
  }
  ResultLevel OpenLog(bool force) override {
    calls.push_back(force ? "open(force)" : "open");
    return failOpen ? Notify : Benign;
  }
  ResultLevel WriteLog(std::string_view line) override {
    calls.push_back("write");
    lines.emplace_back(line);
    return failWrite ? Notify : Benign;
  }
  std::vector<std::string> calls;
  std::vector<std::string>* mirror = nullptr;  // also receives the closes; outlives the log
  std::vector<std::string> lines;
  bool failOpen = false;
  bool failWrite = false;
  bool failClose = false;
};

class HistoryAndLog : public ErrorManagerTest {
 protected:
  std::vector<std::string> HistoryTexts() {
    std::vector<std::string> out;
    for (const HistoryRecord& r : errors.HistorySnapshot()) out.push_back(r.TXT);
    return out;
  }
  std::vector<std::string> ShownCaptions() {
    std::vector<std::string> out;
    for (const MessageBoxRequest& box : modal.Shown()) out.push_back(box.caption);
    return out;
  }
};

TEST_F(HistoryAndLog, EachShownMessageIsLoggedAsOneLine) {
  RecordingLog log;
  errors.InitWithLog(&log);
  errors.SetLogErrors(true);
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  modal.Answer({kButtonNo});
  EXPECT_EQ(errors.Raise(MsgConfirmDelete), Cancel);
  (void)errors.AskQuestion(MsgSaveRecord, kButtonYes + kButtonNo, kButtonYes);  // not logged
  errors.SetSilent(true);
  EXPECT_EQ(errors.Raise(MsgDeleteNotAllowed), Notify);  // silent, but still logged
  EXPECT_EQ(log.calls, (std::vector<std::string>{"open", "write", "close", "open", "write", "close",
                                                 "open", "write", "close"}));
  ASSERT_EQ(log.lines.size(), 3u);
  const std::string arrow = " --> There are no records available to process.";
  EXPECT_TRUE(log.lines[0].ends_with(arrow)) << log.lines[0];
  EXPECT_NE(log.lines[0].find('@'), std::string::npos);
  EXPECT_LT(log.lines[0].find('@'), log.lines[0].find(" --> "));
  EXPECT_TRUE(log.lines[2].ends_with(" --> This form cannot be used to delete a record"));
  EXPECT_EQ(errors.LastLogDiagnostic(), "");
  EXPECT_EQ(modal.Shown().size(), 3u);
}

TEST_F(HistoryAndLog, LogFailuresAreNeverShownAndDoNotChangeTheResult) {
  struct Case {
    bool open, write, close;
    const char* diagnostic;
  };
  const Case cases[] = {
      {true, false, false, "Unable to Open error log; "},
      {false, true, false, "Unable to update error log; "},
      {false, false, true, "Unable to close error log; "},
  };
  for (const Case& c : cases) {
    RecordingLog log;
    log.failOpen = c.open;
    log.failWrite = c.write;
    log.failClose = c.close;
    errors.InitWithLog(&log);
    errors.SetLogErrors(true);
    modal.Answer({kButtonYes});
    EXPECT_EQ(errors.Raise(MsgRecordAdded), Benign);
    EXPECT_TRUE(errors.LastLogDiagnostic().starts_with(c.diagnostic)) << c.diagnostic;
    EXPECT_EQ(log.calls.size(), 3u);
    errors.InitWithLog(nullptr);
  }
  EXPECT_EQ(ShownCaptions(), std::vector<std::string>(3, "Record Added"));
}

TEST_F(HistoryAndLog, ThresholdKeepsTheNewestRecords) {
  struct Case {
    std::int32_t threshold;
    int messages;
    std::size_t kept;
  };
  const Case cases[] = {{3, 4, 3}, {1, 3, 1}, {-1, 12, 12}, {5, 2, 2}};
  for (const Case& c : cases) {
    errors.ClearHistory();
    errors.SetHistoryThreshold(c.threshold);
    errors.SetHistoryViewLevel(Fatal);  // nothing here is fatal: nothing is shown
    for (int i = 1; i <= c.messages; ++i) {
      errors.SetFileName("F" + std::to_string(i));
      EXPECT_EQ(errors.Raise(MsgReadOnlyAccess), Notify);
    }
    std::vector<std::string> texts = HistoryTexts();
    ASSERT_EQ(texts.size(), c.kept) << c.threshold;
    for (std::size_t k = 0; k < texts.size(); ++k) {
      std::string file = "F" + std::to_string(c.messages - c.kept + 1 + k);
      EXPECT_EQ(texts[k], "Could not get write access to " + file + " so trying read-only.");
    }
  }
  EXPECT_TRUE(modal.Shown().empty()) << "with the history on, other levels are not shown";
  std::vector<HistoryRecord> records = errors.HistorySnapshot();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().ID, MsgReadOnlyAccess);
  EXPECT_EQ(records.back().CATEGORY, "Ravel");
}

// A manager whose standard log is supplied by the derived class.
class ManagerWithLog : public ErrorManager {
 public:
  explicit ManagerWithLog(RecordingLog*& made) : made_(made) {}

 protected:
  std::unique_ptr<ErrorLogInterface> CreateStandardLog() override {
    auto log = std::make_unique<RecordingLog>();
    made_ = log.get();
    return log;
  }

 private:
  RecordingLog*& made_;
};

TEST(StandardLog, IsCreatedByInitUsedForLoggingAndForceClosedByKill) {
  testing::ScriptedModal modal;
  RecordingLog* log = nullptr;
  std::vector<std::string> calls;
  ErrorStatus status;
  ManagerWithLog errors(log);
  errors.Init(status);
  ASSERT_NE(log, nullptr);
  errors.Init(status);  // a second Init keeps the log and the settings
  errors.SetLogErrors(true);
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  EXPECT_EQ(log->calls, (std::vector<std::string>{"open", "write", "close"}));
  log->mirror = &calls;
  errors.Kill();  // force-closes and frees the log
  errors.Kill();
  EXPECT_EQ(calls, (std::vector<std::string>{"close(force)"}));
  EXPECT_EQ(errors.Raise(MsgNoRecords), Benign);
}

}  // namespace
}  // namespace kv
