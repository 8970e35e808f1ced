#include "platform/thread/LogicalThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <vector>

#include "platform/thread/CriticalSection.h"

namespace kv {
namespace {

thread_local int tCounter = 0;  // zeroed on every new thread

TEST(LogicalThread, NumbersAreDistinctAndPerThreadStateStartsZeroed) {
  std::mutex m;
  std::set<int> numbers;
  std::vector<int> counters;
  std::vector<int> started;
  for (int i = 0; i < 4; ++i) {
    started.push_back(StartThread(
        [&] {
          int before = tCounter;
          tCounter += 41;
          std::lock_guard lock(m);
          numbers.insert(CurrentThread());
          counters.push_back(before);
        },
        50000));
  }
  for (int n : started) JoinThread(n);
  EXPECT_EQ(numbers.size(), 4u);
  EXPECT_EQ(numbers, std::set<int>(started.begin(), started.end()));
  for (int c : counters) EXPECT_EQ(c, 0);
  EXPECT_EQ(CurrentThread(), 0) << "the test's own thread is not a logical thread";
}

TEST(LogicalThread, HooksRunAtStartInOrderAndAtEndInReverse) {
  std::mutex m;
  std::vector<std::string> log;
  auto record = [&](std::string s) {
    std::lock_guard lock(m);
    log.push_back(std::move(s));
  };
  int a = AddThreadHooks([&](int) { record("start A"); }, [&](int) { record("end A"); });
  int b = AddThreadHooks([&](int) { record("start B"); }, [&](int) { record("end B"); });
  int n = StartThread([&] { record("body"); }, 50000);
  JoinThread(n);
  RemoveThreadHooks(a);
  RemoveThreadHooks(b);
  EXPECT_EQ(log, (std::vector<std::string>{"start A", "start B", "body", "end B", "end A"}));
  EXPECT_FALSE(IsThreadRunning(n));
}

TEST(LogicalThread, AdoptedThreadGetsNumberAndHooks) {
  std::vector<int> seen;
  int id = AddThreadHooks([&](int n) { seen.push_back(n); }, [&](int n) { seen.push_back(-n); });
  int n = AdoptCurrentThread();
  EXPECT_EQ(CurrentThread(), n);
  EXPECT_TRUE(IsThreadRunning(n));
  ReleaseCurrentThread();
  RemoveThreadHooks(id);
  EXPECT_EQ(seen, (std::vector<int>{n, -n}));
  EXPECT_EQ(CurrentThread(), 0);
}

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads) {
  CriticalSection section;
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  auto work = [&] {
    for (int i = 0; i < 1000; ++i) {
      CriticalGuard outer(section);
      CriticalGuard inner(section);  // same thread enters again without deadlock
      int now = ++inside;
      maxInside = std::max(maxInside.load(), now);
      --inside;
    }
  };
  int t1 = StartThread(work, 50000);
  int t2 = StartThread(work, 50000);
  JoinThread(t1);
  JoinThread(t2);
  EXPECT_EQ(maxInside.load(), 1);
}

TEST(LogicalThreadDeathTest, HaltEndsTheProcessWithTheCodeFromAnyThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        int n = StartThread([] { Halt(7, "stop"); }, 50000);
        JoinThread(n);
        std::_Exit(99);
      },
      testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace kv
