// Locks that another station holds: waits that end, with a message the user goes on from, and
// two program processes opening, reading and saving one table at once without losing a write.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "DataFixture.h"
#include "framework/data/RelationManager.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/TableDecl.h"
#include "tests/support/ChildProcess.h"

namespace kv::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The lock wait of the suite's connections; long enough for a busy machine, short for CI.
constexpr int kLockWaitMs = 300;

class FileManagerLocks : public DataTest {
 protected:
  void SetUp() override {
    SetLockWaitForTests(kLockWaitMs);
    DataTest::SetUp();
  }
  void TearDown() override {
    DataTest::TearDown();
    SetLockWaitForTests(-1);
  }
  std::unique_ptr<TestFileManager> Items(TableDecl& decl) {
    auto fm = std::make_unique<TestFileManager>(
        decl, errors, std::vector<TestFileManager::KeySpec>{{1, "Item code", 0}}, "Items");
    fm->Init();
    EXPECT_EQ(fm->Open(), Benign);
    return fm;
  }
  // Creates the items table with one record "A", through the program (so that it is made the
  // way the program makes tables), and lets go of every connection.
  void CreateItems() {
    auto decl = MakeItems(owner);
    auto fm = Items(*decl);
    ItemRec& r = fm->Rec<ItemRec>();
    decl->Layout().Clear(&r);
    r.CODE = "A";
    r.NAME = "first";
    r.PROVIDER = 0;
    ASSERT_EQ(fm->Insert(), Benign);
    (void)fm->Close();
    fm->Kill();
    ReleaseThreadTables();
    ForgetThreadConnections();
  }
  std::string Quoted() const { return "\"" + ItemsTable() + "\""; }
  bool Sqlite() const { return B().name == "sqlite"; }
};

// Another station writing (its transaction open) keeps nobody from opening and reading; one
// holding the whole table is met with a wait that ends, then "Record not read", which the user
// answers and goes on from; once it lets go, the table opens.
TEST_P(FileManagerLocks, OpeningWhileAnotherStationHoldsLocksEndsWithoutAFatalMessage) {
  CreateItems();
  const std::string writeA = "UPDATE " + Quoted() + " SET \"Name\" = 'other' WHERE \"Code\" = 'A'";
  struct Case {
    const char* name;
    std::vector<std::string> statements;
    bool opens;
  };
  const std::vector<Case> cases = {
      {"a writer", {Sqlite() ? "BEGIN EXCLUSIVE" : "BEGIN", writeA}, true},
      {"the whole table",
       Sqlite()
           ? std::vector<std::string>{"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE", writeA}
           : std::vector<std::string>{"BEGIN",
                                      "LOCK TABLE " + Quoted() + " IN ACCESS EXCLUSIVE MODE"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedModal local;
    auto decl = MakeItems(owner);
    auto fm = Items(*decl);
    ASSERT_EQ(fm->PrepareUse(Initialize), Benign);  // declares the keys, sets LOCKRECOVER
    fm->LOCKRECOVER = 1;
    // SQLite in write-ahead mode can hold a whole file only while no other connection uses
    // it: this station connects afterwards.
    ForgetThreadConnections();
    LockHolder other(B(), c.statements, std::chrono::seconds(8));
    ASSERT_EQ(other.Ready(), "");
    ItemRec& r = fm->Rec<ItemRec>();
    r.CODE = "A";
    const Clock::time_point start = Clock::now();
    const ResultLevel read = fm->Fetch(1);
    const double waited = SecondsSince(start);
    std::vector<std::string> captions;
    for (const MessageBoxRequest& m : local.Shown()) captions.push_back(m.caption);
    if (c.opens) {
      EXPECT_EQ(read, Benign);
      EXPECT_EQ(r.NAME.Clipped(), "first") << "what the other station has not committed";
      EXPECT_TRUE(captions.empty());
      // Waiting for the writer would last until it lets go (8 s), or end in a message.
      EXPECT_LT(waited, 2.0) << "nobody waits for a writer";
    } else {
      EXPECT_NE(read, Benign);
      EXPECT_EQ(captions, std::vector<std::string>{"Record not read"});
      EXPECT_LT(waited, 5.0) << "the wait ends: lock waits and one recovery second";
      other.Release();
      (void)other.Ready();
    }
    if (!c.opens) {
      // The holder has let go once its thread rolled back; the next use opens the table.
      std::this_thread::sleep_for(milliseconds(200));
      r.CODE = "A";  // the failed fetch cleared the buffer
      EXPECT_EQ(fm->Fetch(1), Benign);
      EXPECT_EQ(local.Shown().size(), 1u);
    }
    (void)fm->Close();
  }
}

// An update of a record that another station holds locked waits at most the lock wait, then
// reports "Record was not updated"; the relation manager answers User, on which a form offers
// to save again, and once the lock is gone the same save goes through.
TEST_P(FileManagerLocks, UpdateOfALockedRecordEndsAtTheLockWaitAndCanBeRetried) {
  CreateItems();
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  RelationManager relations;
  relations.Init(*fm, false);
  ItemRec& r = fm->Rec<ItemRec>();
  r.CODE = "A";
  ASSERT_EQ(fm->Fetch(1), Benign);
  const std::vector<std::string> lockA =
      Sqlite() ? std::vector<std::string>{"BEGIN IMMEDIATE",
                                          "UPDATE " + Quoted() +
                                              " SET \"Provider\" = 9 WHERE \"Code\" = 'A'"}
               : std::vector<std::string>{
                     "BEGIN", "SELECT 1 FROM " + Quoted() + " WHERE \"Code\" = 'A' FOR UPDATE"};
  {
    LockHolder other(B(), lockA, std::chrono::seconds(4));
    ASSERT_EQ(other.Ready(), "");
    r.NAME = "mine";
    ScriptedModal local;
    Clock::time_point start = Clock::now();
    EXPECT_EQ(fm->Update(), Notify);
    double waited = SecondsSince(start);
    EXPECT_GE(waited, kLockWaitMs / 1000.0 * 0.8) << "the lock was waited for";
    EXPECT_LT(waited, 2.5) << "and the wait ended";
    start = Clock::now();
    EXPECT_EQ(relations.Update(false), User) << "User: the form asks whether to save again";
    EXPECT_LT(SecondsSince(start), 2.5);
    ASSERT_EQ(local.Shown().size(), 2u);
    EXPECT_EQ(local.Shown()[0].caption, "Record was not updated");
    EXPECT_EQ(local.Shown()[1].caption, "Record was not updated");
  }
  EXPECT_EQ(relations.Update(false), Benign) << "saved again once the lock is gone";
  ASSERT_EQ(QueryDirect(B(), "SELECT \"Name\", \"Provider\" FROM " + Quoted()),
            std::vector<std::string>{"mine|0"});
  relations.Kill();
}

// One station of the two-process test: `rounds` times it connects, opens the table, adds one
// to the shared counter (reading again whenever the other station changed it first), adds a
// record of its own and closes. Answers the number of things that went wrong.
int Station(TableDecl& decl, ErrorManager& errors, const ScriptedModal& modal, int station,
            int rounds) {
  int problems = 0;
  for (int round = 0; round < rounds; ++round) {
    TestFileManager fm(decl, errors, {{1, "Item code", 0}}, "Items");
    fm.Init();
    if (fm.Open() != Benign) ++problems;
    ItemRec& r = fm.Rec<ItemRec>();
    for (int tries = 0;; ++tries) {
      r.CODE = "A";
      if (fm.Fetch(1) != Benign) {
        ++problems;
        break;
      }
      r.PROVIDER = r.PROVIDER + 1;
      if (fm.Update() == Benign) break;
      if (fm.LASTERROR != MsgChangedElsewhere || tries == 200) {
        ++problems;
        break;
      }
    }
    decl.Layout().Clear(&r);
    r.CODE = "S" + std::to_string(station) + "-" + std::to_string(round);
    r.NAME = r.CODE.Clipped();  // the name key is unique too
    r.PROVIDER = round;
    if (fm.Insert() != Benign) ++problems;
    (void)fm.Close();
    fm.Kill();
    ForgetThreadConnections();  // the next round connects again
  }
  for (const MessageBoxRequest& m : modal.Shown())
    if (m.caption != "Record Was Not Updated") {
      std::fprintf(stderr, "station %d: %s: %s\n", station, m.caption.c_str(), m.text.c_str());
      ++problems;
    }
  return std::min(problems, 100);
}

// Two program processes on one table, each opening, reading and saving while the other saves:
// no message but the change of the other station, and no write lost.
TEST_P(FileManagerLocks, TwoProcessesOpenReadAndSaveAtOnceWithoutLosingAWrite) {
  SetLockWaitForTests(-1);  // the program's own lock wait
  CreateItems();
  constexpr int kRounds = 25;
  auto decl = MakeItems(owner);
  {
    // Fork only while no connection is open: each process makes its own.
    test::ChildProcess first([&] { return Station(*decl, errors, modal, 1, kRounds); });
    test::ChildProcess second([&] { return Station(*decl, errors, modal, 2, kRounds); });
    ASSERT_TRUE(first.Started() && second.Started());
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.Wait(), 0);
  }
  EXPECT_EQ(QueryDirect(B(), "SELECT \"Provider\" FROM " + Quoted() + " WHERE \"Code\" = 'A'"),
            std::vector<std::string>{std::to_string(2 * kRounds)})
      << "every increment of both stations is there";
  EXPECT_EQ(QueryDirect(B(), "SELECT COUNT(*) FROM " + Quoted() + " WHERE \"Code\" LIKE 'S%'"),
            std::vector<std::string>{std::to_string(2 * kRounds)})
      << "every record of both stations is there";
}

INSTANTIATE_TEST_SUITE_P(Db, FileManagerLocks, ::testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace kv::testing
