// A PostgreSQL server that goes away while a table is open through its file manager and a view
// pages through it, and then comes back: each failing action ends within the driver's time-out
// with a message through the error manager, nothing crashes, and once the server is back the
// next action works again on the same objects, without reopening anything.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "DataFixture.h"
#include "platform/storage/LastError.h"
#include "platform/storage/View.h"
#include "platform/thread/LogicalThread.h"
#include "tests/support/PgCluster.h"

namespace kv::testing {
namespace {

using Clock = std::chrono::steady_clock;

class ServerAway : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearLastError();
    ErrorStatus::ThisThread().Reset();
    errors.Init(status);
    if (!cluster.Ok()) {
      if (PostgresRequired()) FAIL() << cluster.Error();
      GTEST_SKIP() << cluster.Error();
    }
    decl = MakeItems(cluster.Owner());
    fm = std::make_unique<TestFileManager>(
        *decl, errors,
        std::vector<TestFileManager::KeySpec>{{1, "ITM:PK_Code", 0}, {2, "ITM:ByName", 0}},
        "Items");
    fm->Init();
  }
  void TearDown() override {
    fm.reset();
    decl.reset();
    errors.Kill();
  }

  ItemRec& R() { return fm->Rec<ItemRec>(); }
  ResultLevel Put(const char* code, const char* name) {
    (void)fm->PrimeRecord(false);
    (void)VarRef(R().CODE).SetText(code);
    (void)VarRef(R().NAME).SetText(name);
    return fm->Insert();
  }
  ResultLevel Get(const char* code) {
    (void)VarRef(R().CODE).SetText(code);
    return fm->Fetch(1);
  }
  // Runs `action`, and records how long it took and the message it showed (if any).
  template <class F>
  std::string Timed(F action, double* seconds) {
    const std::size_t before = modal.Shown().size();
    const auto start = Clock::now();
    action();
    *seconds = std::chrono::duration<double>(Clock::now() - start).count();
    auto shown = modal.Shown();
    return shown.size() > before ? shown.back().caption + ": " + shown.back().text : "";
  }

  ScriptedModal modal;
  ErrorStatus status;
  RecordingErrors errors;
  test::PgCluster cluster;
  std::unique_ptr<TableDecl> decl;
  std::unique_ptr<TestFileManager> fm;
};

// The driver gives up on a server it cannot reach within this many seconds.
constexpr double kDriverTimeOut = 12;

TEST_F(ServerAway, EveryActionFailsWithAMessageAndTheNextOneAfterTheServerIsBackWorks) {
  ASSERT_EQ(fm->Open(), Benign);
  ASSERT_EQ(Put("A1", "first"), Benign);
  ASSERT_EQ(Put("A2", "second"), Benign);
  ASSERT_EQ(Put("A3", "third"), Benign);
  View view(decl->Instance());
  ASSERT_EQ(view.SetOrder("+ITM:CODE"), kNoError);
  view.SetPaging(1, 1, 0, 60);  // one row per page, so every step asks the server
  ASSERT_EQ(view.Open(), kNoError) << LastError().driverText;
  ASSERT_EQ(view.SetStart(), kNoError);
  ASSERT_EQ(view.Next(), kNoError);

  ASSERT_TRUE(cluster.Stop());
  // Fetch and the view's reads are silent by design (their callers report); the others show
  // the message themselves. Each leaves the runtime's error saying what happened.
  struct Step {
    const char* name;
    bool reports;
    std::function<void()> action;
  };
  ResultLevel fetched = Benign, inserted = Benign, updated = Benign;
  ErrorCode stepped = kNoError;
  const Step away[] = {
      {"fetch", false, [&] { fetched = Get("A1"); }},
      {"insert", true, [&] { inserted = Put("A4", "fourth"); }},
      {"update", true,
       [&] {
         (void)VarRef(R().NAME).SetText("changed while away");
         updated = fm->Update();
       }},
      {"view step", false, [&] { stepped = view.Next(); }},
  };
  for (const Step& s : away) {
    SCOPED_TRACE(s.name);
    double seconds = 0;
    const std::string message = Timed(s.action, &seconds);
    EXPECT_LT(seconds, kDriverTimeOut);
    EXPECT_NE(LastError().driverText.find("connection"), std::string::npos)
        << LastError().driverText;
    if (s.reports) {
      // "the connection ... was lost" for the first, "no connection ..." for the later ones.
      EXPECT_NE(message.find("connection to the database server"), std::string::npos) << message;
    } else {
      EXPECT_EQ(message, "");
    }
  }
  EXPECT_NE(fetched, Benign);
  EXPECT_NE(inserted, Benign);
  EXPECT_NE(updated, Benign);
  EXPECT_NE(stepped, kNoError);

  ASSERT_TRUE(cluster.Start());
  // The same manager and view, not reopened.
  EXPECT_EQ(Get("A2"), Benign);
  EXPECT_EQ(R().NAME.Clipped(), "second");
  EXPECT_EQ(Put("A4", "fourth"), Benign);
  ASSERT_EQ(Get("A1"), Benign);
  (void)VarRef(R().NAME).SetText("changed after");
  EXPECT_EQ(fm->Update(), Benign);
  ASSERT_EQ(view.SetStart(), kNoError);
  int rows = 0;
  while (view.Next() == kNoError) ++rows;
  EXPECT_EQ(rows, 4);
  EXPECT_EQ(Get("A1"), Benign);
  EXPECT_EQ(R().NAME.Clipped(), "changed after");
  (void)view.Close();
  (void)fm->Close();
}

}  // namespace
}  // namespace kv::testing
