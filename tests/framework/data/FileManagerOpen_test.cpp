// Opening, closing, lazy use, recovery steps and the life of the file manager, on every
// database the suite reaches.

#include <gtest/gtest.h>

#include <thread>

#include "DataFixture.h"
#include "framework/data/FileOpener.h"
#include "platform/thread/LogicalThread.h"

namespace kv::testing {
namespace {

class FileManagerOpen : public DataTest {
 protected:
  std::unique_ptr<TestFileManager> Items(TableDecl& decl) {
    auto fm = std::make_unique<TestFileManager>(
        decl, errors, std::vector<TestFileManager::KeySpec>{{1, "Item code", 0}, {2, "", 0}},
        "Items");
    fm->Init();
    return fm;
  }
};

TEST_P(FileManagerOpen, LazyOpenAndCloseWithoutUseNeverReachTheTable) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  EXPECT_EQ(fm->Open(), Benign);
  EXPECT_EQ(fm->Open(), Benign);
  EXPECT_EQ(fm->OPENED, 2);
  // Initialize while logically open does not open either.
  EXPECT_EQ(fm->PrepareUse(Initialize), Benign);
  EXPECT_TRUE(fm->IsOpen());
  EXPECT_FALSE(fm->USED);
  EXPECT_FALSE(decl->Instance().IsOpen());
  EXPECT_EQ(fm->Close(), Benign);
  EXPECT_EQ(fm->Close(), Benign);
  EXPECT_EQ(fm->Close(), Benign) << "closing more often than opening is harmless";
  EXPECT_EQ(fm->OPENED, 0);
  EXPECT_FALSE(decl->Instance().IsOpen());
  EXPECT_TRUE(modal.Shown().empty());
}

TEST_P(FileManagerOpen, FirstRealUseOpensPhysicallyAndLastCloseClosesIt) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ASSERT_EQ(fm->Open(), Benign);
  EXPECT_EQ(fm->Next(), Notify) << "an empty, just created table has no records";
  EXPECT_TRUE(fm->ATEOF);
  EXPECT_TRUE(fm->USED);
  EXPECT_TRUE(decl->Instance().IsOpen());
  EXPECT_EQ(fm->Close(), Benign);
  EXPECT_FALSE(fm->USED);
  EXPECT_FALSE(decl->Instance().IsOpen());
  EXPECT_TRUE(modal.Shown().empty()) << "end of file is never reported";
}

TEST_P(FileManagerOpen, UseWithoutOpenIsAUsageErrorUnlessTheDerivedClassOpensOnDemand) {
  auto decl = MakeItems(owner);
  // A manager set up by hand, without the derived class's Initialize step.
  FileManager plain;
  plain.FILE = &decl->Instance();
  plain.BUFFER = RecordBuffer::Of(*plain.FILE);
  plain.SetErrors(&errors);
  plain.Init();
  plain.InitFile(plain.FILE, &errors);
  EXPECT_EQ(plain.Next(), Fatal);
  EXPECT_EQ(Captions(), std::vector<std::string>{"File Usage Error"});
  EXPECT_FALSE(decl->Instance().IsOpen());

  // The derived manager's Initialize step opens the file instead.
  auto fm = Items(*decl);
  EXPECT_EQ(fm->initFiles, 0) << "set-up waits for the first use";
  EXPECT_EQ(fm->Next(), Notify);
  EXPECT_EQ(fm->initFiles, 1);
  EXPECT_EQ(fm->OPENED, 1);
  EXPECT_TRUE(fm->USED);
  EXPECT_EQ(Captions().size(), 1u);
  plain.Kill();
}

TEST_P(FileManagerOpen, MissingTableIsCreatedOnlyWhenCreateIsSet) {
  struct Case {
    bool create;
    ResultLevel result;
    std::vector<std::string> captions;
    bool open;
  };
  const Case cases[] = {
      {true, Benign, {}, true},
      {false, Fatal, {"File Access Error"}, false},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ExecDirect(B(), "DROP TABLE IF EXISTS \"" + ItemsTable() + "\""), "");
    ScriptedModal local;
    auto decl = MakeItems(owner);
    auto fm = Items(*decl);
    fm->create = c.create;
    fm->LAZYOPEN = false;
    EXPECT_EQ(fm->Open(), c.result) << c.create;
    EXPECT_EQ(fm->IsOpen(), c.open);
    EXPECT_EQ(fm->USED, c.open);
    std::vector<std::string> captions;
    for (const auto& r : local.Shown()) captions.push_back(r.caption);
    EXPECT_EQ(captions, c.captions);
    if (c.open) {
      fm->Rec<ItemRec>().CODE = "NEW";
      EXPECT_EQ(fm->Insert(), Benign) << "the created table takes records";
    }
  }
}

TEST_P(FileManagerOpen, DeniedWriteOpenFallsBackToReadOnly) {
  if (B().name != "postgres") GTEST_SKIP() << "roles are a server feature";
  const std::string table = "\"" + ItemsTable() + "\"";
  const std::string reader = UniqueName("kv_fm_reader");
  {
    auto decl = MakeItems(owner);
    auto fm = Items(*decl);
    fm->Rec<ItemRec>().CODE = "R1";
    fm->Rec<ItemRec>().NAME = "readable";
    ASSERT_EQ(fm->Insert(), Benign);
  }
  (void)ExecDirect(B(), "DROP OWNED BY " + reader);
  (void)ExecDirect(B(), "DROP ROLE IF EXISTS " + reader);
  ASSERT_EQ(ExecDirect(B(), "CREATE ROLE " + reader + " LOGIN PASSWORD 'pw'"), "");
  ASSERT_EQ(ExecDirect(B(), "GRANT SELECT ON " + table + " TO " + reader), "");

  auto decl = MakeItems(OwnerFor(B(), reader, "pw"));
  auto fm = Items(*decl);
  fm->LAZYOPEN = false;
  EXPECT_EQ(fm->Open(), Benign);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Access Denied"});
  EXPECT_EQ(fm->OPENMODE, 0x40) << "sharing kept, access read-only";
  EXPECT_EQ(decl->Instance().OpenMode() & 0x0F, kOpenReadOnly);
  fm->Rec<ItemRec>().CODE = "R1";
  EXPECT_EQ(fm->Fetch(1), Benign);
  EXPECT_EQ(fm->Rec<ItemRec>().NAME.Clipped(), "readable");
  fm->Rec<ItemRec>().CODE = "R2";
  EXPECT_EQ(fm->TryInsert(), Notify) << "a read-only file takes no records";
  EXPECT_EQ(fm->LASTERROR, MsgInsertFailed);
  fm->Kill();

  // A user who may not even read: the read-only attempt fails too.
  ASSERT_EQ(ExecDirect(B(), "REVOKE SELECT ON " + table + " FROM " + reader), "");
  ScriptedModal local;
  auto denied = MakeItems(OwnerFor(B(), reader, "pw"));
  auto fm2 = Items(*denied);
  fm2->LAZYOPEN = false;
  EXPECT_NE(fm2->Open(), Benign);
  EXPECT_FALSE(fm2->IsOpen());
  EXPECT_FALSE(fm2->USED);
  std::vector<std::string> captions;
  for (const auto& r : local.Shown()) captions.push_back(r.caption);
  ASSERT_FALSE(captions.empty());
  EXPECT_EQ(captions.back(), "File Access Error");
  fm2->Kill();
  (void)ExecDirect(B(), "DROP OWNED BY " + reader);
  (void)ExecDirect(B(), "DROP ROLE IF EXISTS " + reader);
}

TEST_P(FileManagerOpen, KillTwiceAndDestroyAfterKillDoNothingMore) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ManagerRegistry& registry = ManagerRegistry::ThisThread();
  EXPECT_EQ(registry.GetFileManager(decl->Instance().InstanceId()), fm.get());
  ASSERT_EQ(fm->Open(), Benign);
  ASSERT_EQ(fm->Next(), Notify);
  fm->Kill();
  EXPECT_TRUE(fm->KILLED);
  EXPECT_FALSE(fm->INITIALIZED);
  EXPECT_EQ(fm->OPENED, 0);
  EXPECT_FALSE(decl->Instance().IsOpen()) << "the release closes what was open";
  EXPECT_EQ(registry.GetFileManager(decl->Instance().InstanceId()), nullptr);
  EXPECT_EQ(fm->OPENER, nullptr);
  fm->Kill();
  fm->Destroy();
  EXPECT_TRUE(fm->KILLED);
}

TEST_P(FileManagerOpen, ManagerNeverUsedLeavesNoRegistryRowBehind) {
  auto decl = MakeItems(owner);
  const FileLabel label = decl->Instance().InstanceId();
  {
    auto fm = Items(*decl);
    EXPECT_EQ(ManagerRegistry::ThisThread().GetFileManager(label), fm.get());
  }
  EXPECT_EQ(ManagerRegistry::ThisThread().GetFileManager(label), nullptr);
}

TEST_P(FileManagerOpen, SharedTableOpenedByTwoThreadsClosesPhysicallyOnce) {
  auto decl = MakeItems(owner, /*threaded=*/false, SharedTable());
  Table& shared = decl->Instance();
  const int openersBefore = SharedOpenerCount();
  auto openAndRead = [&](TestFileManager& fm) {
    EXPECT_EQ(fm.Open(), Benign);
    EXPECT_EQ(fm.Next(), Notify);
    EXPECT_TRUE(fm.USED);
  };
  auto mine = Items(*decl);
  openAndRead(*mine);
  EXPECT_EQ(SharedOpenerCount(), openersBefore + 1);

  std::mutex m;
  std::condition_variable cv;
  int step = 0;  // 1: other thread opened; 2: main closed; 3: other closed
  bool openAfterFirstClose = false, openAfterSecondClose = true;
  std::thread other([&] {
    AdoptCurrentThread();
    {
      ErrorManager& e = errors;
      TestFileManager fm(*decl, e, {{1, "Item code", 0}}, "Items");
      fm.Init();
      openAndRead(fm);
      {
        std::unique_lock lock(m);
        step = 1;
        cv.notify_all();
        cv.wait(lock, [&] { return step == 2; });
      }
      openAfterFirstClose = shared.IsOpen();
      EXPECT_EQ(fm.Close(), Benign);
      openAfterSecondClose = shared.IsOpen();
      fm.Kill();
    }
    ReleaseCurrentThread();
  });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return step == 1; });
  }
  EXPECT_EQ(SharedOpenerCount(), openersBefore + 1) << "both managers share one opener";
  EXPECT_EQ(mine->Close(), Benign);
  {
    std::lock_guard lock(m);
    step = 2;
    cv.notify_all();
  }
  other.join();
  EXPECT_TRUE(openAfterFirstClose) << "the first close must not close the shared table";
  EXPECT_FALSE(openAfterSecondClose) << "the last close closes it";
  mine->Kill();
  EXPECT_EQ(SharedOpenerCount(), openersBefore) << "the last release removes the opener";
}

TEST_P(FileManagerOpen, ScopesSaveTheEarlierProcedureRecordAndGiveItBack) {
  // Kind 2 (a record operation) starting a new procedure scope saves the file's state; kind 3
  // (a procedure declaring its use) does not.
  struct Case {
    UseKind kind;
    const char* expectedAfterClose;
  };
  const Case cases[] = {{UseRecord, "B"}, {UseProcedure, "C"}};
  for (const Case& c : cases) {
    ASSERT_EQ(ExecDirect(B(), "DROP TABLE IF EXISTS \"" + ItemsTable() + "\""), "");
    auto decl = MakeItems(owner);
    auto fm = Items(*decl);
    errors.PushProcedureName("Browse");
    ASSERT_EQ(fm->Open(), Benign);
    for (const char* code : {"A", "B", "C"}) {
      fm->Rec<ItemRec>().CODE = code;
      fm->Rec<ItemRec>().NAME = std::string("name ") + code;
      ASSERT_EQ(fm->Insert(), Benign);
    }
    ASSERT_EQ(decl->Instance().SetKey(1), kNoError);
    ASSERT_EQ(fm->Next(), Benign);
    ASSERT_EQ(fm->Next(), Benign);
    ASSERT_EQ(fm->Rec<ItemRec>().CODE.Clipped(), "B");

    errors.PushProcedureName("Form");
    EXPECT_EQ(fm->PrepareUse(c.kind), Benign);
    const ManagerRegistry::Scope* scope =
        ManagerRegistry::ThisThread().CurrentScope(decl->Instance().InstanceId());
    ASSERT_NE(scope, nullptr);
    EXPECT_EQ(scope->PROC, "Form");
    EXPECT_EQ(scope->SCOPELEVEL, 2);
    EXPECT_EQ(scope->HOLD != 0, c.kind < UseProcedure);
    ASSERT_EQ(fm->Open(), Benign);
    ASSERT_EQ(fm->Next(), Benign);  // the form moves on to C
    EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped(), "C");
    EXPECT_EQ(fm->Close(), Benign);  // the nested open
    EXPECT_EQ(fm->Close(), Benign);  // ends the form's scope
    errors.PopProcedureName();
    EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped(), c.expectedAfterClose) << int(c.kind);
    scope = ManagerRegistry::ThisThread().CurrentScope(decl->Instance().InstanceId());
    ASSERT_NE(scope, nullptr);
    EXPECT_EQ(scope->PROC, "Browse");
    errors.PopProcedureName();
    fm->Kill();
  }
}

TEST_P(FileManagerOpen, HooksSeeWritesAndMayVetoThem) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ASSERT_EQ(fm->Open(), Benign);
  fm->Rec<ItemRec>().CODE = "K1";
  ASSERT_EQ(fm->Insert(), Benign);
  EXPECT_EQ(fm->adds, 1);
  fm->Rec<ItemRec>().NAME = "changed";
  ASSERT_EQ(fm->Update(), Benign);
  EXPECT_EQ(fm->changes, 1);
  fm->vetoAdds = true;
  fm->Rec<ItemRec>().CODE = "K2";
  EXPECT_EQ(fm->TryInsert(), Notify);
  EXPECT_EQ(fm->LASTERROR, MsgInsertFailed);
  EXPECT_TRUE(modal.Shown().empty()) << "Try operations show nothing";
  ASSERT_EQ(fm->EraseRecord(false), Benign);
  EXPECT_EQ(fm->deletes, 1);

  // Operations issued through a view run the hooks once, not for their nested operations.
  fm->vetoAdds = false;
  fm->SAVEPREVIOUSBUFFER = true;
  decl->Instance().SetThroughView(true);
  fm->Rec<ItemRec>().CODE = "K3";
  ASSERT_EQ(fm->Insert(), Benign);
  decl->Instance().SetThroughView(false);
  EXPECT_EQ(fm->adds, 3);
  EXPECT_FALSE(fm->INVIEW);
  ASSERT_EQ(fm->TryFetch(1), Benign);
  ASSERT_NE(fm->PREVIOUSBUFFER, nullptr);
  EXPECT_EQ(fm->PREVIOUSBUFFER->size(), sizeof(ItemRec));
}

INSTANTIATE_TEST_SUITE_P(Db, FileManagerOpen, ::testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace kv::testing
