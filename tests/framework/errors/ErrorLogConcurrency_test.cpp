// Several threads and several processes reporting at once: the history loses nothing and the
// log file receives every line whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "framework/errors/ErrorLogFile.h"
#include "platform/thread/LogicalThread.h"
#include "tests/framework/errors/ScriptedModal.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"

namespace kv {
namespace {

constexpr MessageId kLoadMessage = 900;

// The text of report `k` of writer `writer`: long, so that a line written in pieces would
// show, and unique, so that every line can be told apart.
std::string ReportText(int writer, int k) {
  std::string head = "W" + std::to_string(writer) + " R" + std::to_string(k) + " ";
  return head + std::string(240 - head.size(), static_cast<char>('a' + writer));
}

// Reads the log and checks that every line is one whole report: the date and time, the
// arrow, and a text exactly as ReportText made it. Returns the report numbers per writer, in
// the order they appear; `bad` counts the lines that are not whole reports.
std::map<int, std::vector<int>> ReadReports(const std::string& path, int* bad) {
  static const std::regex line(R"(\d\d/\d\d/\d{4}@\d\d:\d\d:\d\d --> W(\d) R(\d+) (.*))");
  std::map<int, std::vector<int>> seen;
  std::ifstream in(path, std::ios::binary);
  *bad = 0;
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    // Each text is four copies of ReportText (the message repeats its %Message token).
    if (std::regex_match(text, m, line)) {
      int writer = std::stoi(m[1]);
      int k = std::stoi(m[2]);
      std::string one = ReportText(writer, k);
      if (text.substr(text.find(" --> ") + 5) == one + one + one + one) {
        seen[writer].push_back(k);
        continue;
      }
    }
    ++*bad;
  }
  return seen;
}

// Reports `count` messages silently (the log and the history take them; nothing is shown).
void Report(ErrorManager& errors, int writer, int count) {
  for (int k = 0; k < count; ++k) {
    errors.SetMessageText(ReportText(writer, k));
    EXPECT_EQ(errors.Raise(kLoadMessage), Notify);
  }
}

std::vector<int> Sequence(int count) {
  std::vector<int> all(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) all[static_cast<std::size_t>(k)] = k;
  return all;
}

class LogConcurrency : public testing::ErrorManagerTest {
 protected:
  void SetUp() override {
    ErrorManagerTest::SetUp();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    ErrorManagerTest::TearDown();
  }
  std::string LogPath() const { return dir_.File(ErrorLogFile::kDefaultFileName); }

 private:
  test::TempDirectory dir_;
  std::filesystem::path old_ = std::filesystem::current_path();
};

TEST_F(LogConcurrency, FourThreadsLoseNoHistoryRecordAndInterleaveNoLogLine) {
  constexpr int kThreads = 4;
  constexpr int kReports = 150;
  ASSERT_TRUE(errors.AddMessage(kLoadMessage, "%Message%Message%Message%Message", Notify, "Load"));
  errors.SetMessageCategory(kLoadMessage, "Load");
  errors.SetSilent(true);
  errors.SetLogErrors(true);
  errors.SetHistoryThreshold(-1);
  std::vector<int> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.push_back(StartThread([&, t] { Report(errors, t, kReports); }, 50000));
  }
  for (int number : threads) JoinThread(number);

  std::map<int, std::vector<int>> history;
  for (const HistoryRecord& r : errors.HistorySnapshot()) {
    EXPECT_EQ(r.ID, kLoadMessage);
    EXPECT_EQ(r.CATEGORY, "Load");
    history[r.TXT[1] - '0'].push_back(std::stoi(r.TXT.substr(4)));
  }
  int bad = 0;
  std::map<int, std::vector<int>> logged = ReadReports(LogPath(), &bad);
  EXPECT_EQ(bad, 0);
  for (int t = 0; t < kThreads; ++t) {
    SCOPED_TRACE(t);
    EXPECT_EQ(history[t], Sequence(kReports)) << "every record, in each thread's order";
    EXPECT_EQ(logged[t], Sequence(kReports)) << "every line, in each thread's order";
  }
  EXPECT_EQ(errors.LastLogDiagnostic(), "");
}

TEST_F(LogConcurrency, TwoProcessesAppendingToOneLogWriteEveryLineWhole) {
  constexpr int kReports = 400;
  // Each child is a program of its own with its own error manager, writing to the same file
  // in the directory both share.
  auto child = [](int writer) {
    return [writer] {
      ErrorStatus status;
      ErrorManager errors;
      errors.Init(status);
      (void)errors.AddMessage(kLoadMessage, "%Message%Message%Message%Message", Notify, "Load");
      errors.SetSilent(true);
      errors.SetLogErrors(true);
      Report(errors, writer, kReports);
      bool failed = !errors.LastLogDiagnostic().empty();
      errors.Kill();
      return failed ? 1 : 0;
    };
  };
  test::ChildProcess first(child(1));
  test::ChildProcess second(child(2));
  ASSERT_TRUE(first.Started() && second.Started());
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);
  int bad = 0;
  std::map<int, std::vector<int>> logged = ReadReports(LogPath(), &bad);
  EXPECT_EQ(bad, 0) << "a line was cut or mixed with another";
  EXPECT_EQ(logged[1], Sequence(kReports));
  EXPECT_EQ(logged[2], Sequence(kReports));
}

}  // namespace
}  // namespace kv
