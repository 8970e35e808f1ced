#include <gtest/gtest.h>

#include <array>
#include <barrier>
#include <chrono>
#include <future>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "platform/thread/LogicalThread.h"
#include "tests/framework/errors/ScriptedModal.h"

namespace kv {
namespace {

using testing::ErrorManagerTest;

class Threads : public ErrorManagerTest {};

TEST_F(Threads, ConcurrentReportsKeepTheirOwnStatus) {
  constexpr int kReports = 40;
  std::barrier sync(2);
  std::array<ErrorStatus, 2> after;
  auto body = [&](int i) {
    errors.SetFileName(i == 0 ? "PRODUCTS" : "SQLINTERFACE");
    if (i == 0) SetLastError(5, "Access Denied");
    if (i == 1) SetLastError(90, "Driver Error", "08S01", "link lost");
    sync.arrive_and_wait();  // both threads hold their values before either reports
    for (int k = 0; k < kReports; ++k) {
      EXPECT_EQ(errors.Raise(MsgCloseFailed), Notify);
      errors.SetKeyName(std::to_string(k));
    }
    after[i] = errors.Status();
  };
  int a = StartThread([&] { body(0); }, 50000);
  int b = StartThread([&] { body(1); }, 50000);
  JoinThread(a);
  JoinThread(b);

  std::map<std::string, int> texts;
  for (const MessageBoxRequest& box : modal.Shown()) ++texts[box.text];
  EXPECT_EQ(texts,
            (std::map<std::string, int>{
                {"File PRODUCTS could not be closed.  Error: Access Denied (5).", kReports},
                {"File SQLINTERFACE could not be closed.  Error: link lost (08S01).", kReports}}));
  EXPECT_EQ(after[0].FILENAME, "PRODUCTS");
  EXPECT_EQ(after[0].SAVEERRORCODE, 5);
  EXPECT_EQ(after[1].FILENAME, "SQLINTERFACE");
  EXPECT_EQ(after[1].SAVEFILEERROR, "link lost");
  EXPECT_EQ(after[1].ERRORBUFFER.ID, MsgCloseFailed);
  EXPECT_EQ(status.FILENAME, "") << "the status bound by Init belongs to the test's thread";
  EXPECT_EQ(status.ERRORBUFFER.ID, 0);
}

TEST_F(Threads, ProcedureNamesArePerThread) {
  std::barrier sync(2);
  std::array<std::vector<std::string>, 2> seen;
  ASSERT_TRUE(errors.AddMessage(800, "in %Procedure", Notify, "Where"));
  auto body = [&](int i) {
    auto note = [&] { seen[i].push_back(errors.CurrentProcedureName()); };
    if (i == 0) errors.PushProcedureName("BrowseArticulos");
    sync.arrive_and_wait();
    if (i == 1) errors.PushProcedureName("BrowseArticulos  ");
    sync.arrive_and_wait();
    if (i == 0) errors.PushProcedureName("UpdateProducts");
    sync.arrive_and_wait();
    note();
    (void)errors.Raise(800);
    sync.arrive_and_wait();
    errors.PopProcedureName();
    sync.arrive_and_wait();
    note();
    errors.PopProcedureName();
    errors.PopProcedureName();  // one pop too many does no harm
    note();
  };
  int a = StartThread([&] { body(0); }, 50000);
  int b = StartThread([&] { body(1); }, 50000);
  JoinThread(a);
  JoinThread(b);
  EXPECT_EQ(seen[0], (std::vector<std::string>{"UpdateProducts", "BrowseArticulos", ""}));
  EXPECT_EQ(seen[1], (std::vector<std::string>{"BrowseArticulos", "", ""}));
  std::multiset<std::string> texts;
  for (const MessageBoxRequest& box : modal.Shown()) texts.insert(box.text);
  EXPECT_EQ(texts, (std::multiset<std::string>{"in UpdateProducts", "in BrowseArticulos"}));
  EXPECT_EQ(errors.CurrentProcedureName(), "");
}

TEST_F(Threads, EmptyProcedureNamesStayPairedWithTheirPops) {
  errors.PushProcedureName("Main");
  errors.PushProcedureName("   ");
  EXPECT_EQ(errors.CurrentProcedureName(), "");
  errors.PopProcedureName();
  EXPECT_EQ(errors.CurrentProcedureName(), "Main");
}

// Runs `work` on another thread and reports whether it finished within a few seconds. Called
// from inside a message box: if the manager still held its lock there, the work would block.
bool FinishesWhileBoxIsOpen(std::function<void()> work) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread worker([work = std::move(work), done] {
    work();
    done->set_value();
  });
  bool ok = finished.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
  if (ok) {
    worker.join();
  } else {
    worker.detach();  // stuck on the lock; the failure is reported below
  }
  return ok;
}

TEST_F(Threads, NoLockIsHeldWhileABoxIsShown) {
  std::vector<bool> results;
  modal.OnShow([&](const MessageBoxRequest&) {
    results.push_back(FinishesWhileBoxIsOpen([&] {
      (void)errors.AddMessage(801, "from another thread", Notify, "Other");
      (void)errors.RemoveMessage(801);
      errors.PushProcedureName("Other");
      errors.PopProcedureName();
      (void)errors.GetMessageCategory(MsgNoRecords);
      errors.SetMsgStyle(0);
      errors.ClearHistory();
      errors.SetFileName("other thread's file");
    }));
  });
  modal.Answer({kButtonOk, kButtonYes, kButtonRetry});
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  EXPECT_EQ(errors.Raise(MsgConfirmDelete), Benign);
  EXPECT_EQ(errors.AskQuestion(MsgRetryUpdate, kButtonRetry + kButtonCancel, kButtonRetry),
            kButtonRetry);
  EXPECT_EQ(results, std::vector<bool>(3, true));
  EXPECT_EQ(errors.Status().FILENAME, "") << "the other thread set its own file name";
}

TEST_F(Threads, ABoxMayReportAgainOnItsOwnThread) {
  ASSERT_TRUE(errors.AddMessage(802, "inner", Notify, "Inner"));
  int depth = 0;
  modal.OnShow([&](const MessageBoxRequest& box) {
    if (box.caption == "No Records" && depth++ == 0) {
      EXPECT_EQ(errors.Raise(802), Notify);
    }
  });
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  ASSERT_EQ(modal.Shown().size(), 2u);
  EXPECT_EQ(modal.Shown()[1].text, "inner");
}

}  // namespace
}  // namespace kv
