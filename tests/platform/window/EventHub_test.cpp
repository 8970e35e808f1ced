#include "platform/window/EventHub.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/window/EventLoop.h"
#include "tests/support/ThreadProcedure.h"

namespace kv {
namespace {

using test::Settle;
using test::ThreadProcedure;

// Takes events (for no particular window) until one with code `stop` arrives, recording codes.
void TakeUntil(int stop, std::vector<int>* codes, std::mutex* m) {
  while (true) {
    Event e = EventHub::Instance().Take(0);
    std::lock_guard lock(*m);
    codes->push_back(e.code);
    if (e.code == stop) return;
  }
}

TEST(EventHub, TwoThreadsHaveIndependentQueuesInPostingOrder) {
  std::mutex m;
  std::vector<int> a, b;
  ThreadProcedure first([&] { TakeUntil(2000, &a, &m); });
  ThreadProcedure second([&] { TakeUntil(2000, &b, &m); });
  ASSERT_TRUE(Settle());
  EventHub& hub = EventHub::Instance();
  // Posting order is kept per thread; one thread's events never reach the other.
  ASSERT_TRUE(hub.Post(first.Number(), Event{1001}));
  ASSERT_TRUE(hub.Post(second.Number(), Event{1101}));
  ASSERT_TRUE(hub.Post(first.Number(), Event{1002}));
  ASSERT_TRUE(Settle());
  {
    std::lock_guard lock(m);
    EXPECT_EQ(a, (std::vector<int>{1001, 1002}));
    EXPECT_EQ(b, (std::vector<int>{1101}));
  }
  ASSERT_TRUE(hub.Post(first.Number(), Event{2000}));
  ASSERT_TRUE(hub.Post(second.Number(), Event{2000}));
  first.Join();
  second.Join();
  EXPECT_FALSE(hub.Post(first.Number(), Event{1003})) << "an ended thread has no queue";
  EXPECT_FALSE(hub.Post(999999, Event{1003})) << "an unknown thread has no queue";
}

TEST(EventHub, ThreadsPostToEachOtherAndNotifyWithParameters) {
  std::mutex m;
  std::vector<int> got;
  std::atomic<int> code{0}, sender{0};
  std::atomic<std::intptr_t> parameter{0};
  std::atomic<bool> secondNotification{true};
  ThreadProcedure receiver([&] {
    while (true) {
      Event e = EventHub::Instance().Take(0);
      if (e.code == kEventNotify) {
        int c = 0, t = 0;
        std::intptr_t p = 0;
        ASSERT_TRUE(TakeNotification(&c, &t, &p));
        code = c;
        sender = t;
        parameter = p;
        secondNotification = TakeNotification(&c, &t, &p);
        return;
      }
      std::lock_guard lock(m);
      got.push_back(e.code);
    }
  });
  int receiverNumber = receiver.Number();
  ASSERT_TRUE(Settle()) << "the receiver has its queue and waits";
  std::atomic<int> senderNumber{0};
  ThreadProcedure poster([&] {
    senderNumber = CurrentThread();
    ASSERT_TRUE(PostToThread(receiverNumber, 1200));
    ASSERT_TRUE(NotifyThread(receiverNumber, 77, 12345));
  });
  poster.Join();
  receiver.Join();
  EXPECT_EQ(got, std::vector<int>{1200});
  EXPECT_EQ(code.load(), 77);
  EXPECT_EQ(sender.load(), senderNumber.load());
  EXPECT_EQ(parameter.load(), 12345);
  EXPECT_FALSE(secondNotification.load()) << "one notification, fetched once";
}

TEST(EventHub, SettledOnlyWhenEveryThreadWaitsWithNothingToTake) {
  EventHub& hub = EventHub::Instance();
  std::atomic<bool> release{false};
  std::mutex m;
  std::vector<int> codes;
  ThreadProcedure waiter([&] { TakeUntil(2000, &codes, &m); });
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(hub.IsSettled());

  // A thread that is busy (not waiting for events) keeps the process unsettled.
  std::atomic<bool> busyStarted{false};
  {
    ThreadProcedure busy([&] {
      busyStarted = true;
      while (!release.load()) {
      }
    });
    while (!busyStarted.load()) {
    }
    EXPECT_FALSE(hub.IsSettled());
    EXPECT_FALSE(hub.WaitSettled(std::chrono::milliseconds(1)));
    release = true;
  }
  ASSERT_TRUE(Settle()) << "settled again once the busy thread ended";

  // Posting marks the waiting thread busy before it runs, so the state is never settled
  // between the post and the event being handled.
  ASSERT_TRUE(hub.Post(waiter.Number(), Event{1300}));
  ASSERT_TRUE(Settle());
  {
    std::lock_guard lock(m);
    EXPECT_EQ(codes, std::vector<int>{1300});
  }

  // A thread that starts another counts the new one as running before its start hooks run.
  std::atomic<int> child{0};
  ASSERT_TRUE(hub.Post(waiter.Number(), Event{2000}));
  waiter.Join();
  ThreadProcedure parent([&] {
    child = StartThread([&] { TakeUntil(2000, &codes, &m); }, 0);
    TakeUntil(2000, &codes, &m);
  });
  ASSERT_TRUE(Settle());
  ASSERT_NE(child.load(), 0);
  EXPECT_TRUE(IsThreadRunning(child.load()));
  EXPECT_EQ(hub.QueuedCount(child.load()), 0u);
  ASSERT_TRUE(hub.Post(child.load(), Event{2000}));
  JoinThread(child.load());
  ASSERT_TRUE(hub.Post(parent.Number(), Event{2000}));
}

TEST(EventHub, ModalWaitCountsAsBlockedUntilWoken) {
  EventHub& hub = EventHub::Instance();
  bool answered = false;  // guarded by hub.Lock()
  ThreadProcedure asker([&] {
    std::unique_lock lock(hub.Lock());
    hub.WaitIdle(lock, [&] { return answered; });
  });
  ASSERT_TRUE(Settle());
  EXPECT_EQ(hub.ThreadsInModalWait(), std::set<int>{asker.Number()});
  {
    std::lock_guard lock(hub.Lock());
    answered = true;
    hub.WakeIdle(asker.Number());
  }
  asker.Join();
  EXPECT_TRUE(hub.ThreadsInModalWait().empty());
}

}  // namespace
}  // namespace kv
