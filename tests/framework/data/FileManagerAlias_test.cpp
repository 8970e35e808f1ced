// Aliases (a second declaration of the same table whose manager delegates priming and
// validation), row prefetch and the end of a thread's use of a table.

#include <gtest/gtest.h>

#include "DataFixture.h"

namespace kv::testing {
namespace {

class FileManagerAlias : public DataTest {
 protected:
  std::unique_ptr<TestFileManager> Lines(TableDecl& decl, const char* name) {
    auto fm = std::make_unique<TestFileManager>(
        decl, errors,
        std::vector<TestFileManager::KeySpec>{{1, "Line id", 1}, {2, "Group", 2}, {3, "", 0}},
        name);
    fm->Init();
    EXPECT_EQ(fm->Open(), Benign);
    return fm;
  }
  static std::unique_ptr<TableDecl> AliasOfLines(const std::string& owner) {
    auto d = std::make_unique<TableDecl>("FmLinesAlias", LinesTable(), kSqlDriver, LineLayout());
    d->SetOwnerText(owner);
    auto original = MakeLines(owner);
    for (const KeyDecl& k : original->Keys()) d->AddKey(k);
    return d;
  }
};

TEST_P(FileManagerAlias, PrimingThroughTheAliasTakesItsNumberedRecordAndPosition) {
  auto decl = MakeLines(owner);
  auto aliasDecl = AliasOfLines(owner);
  auto lines = Lines(*decl, "Lines");
  auto alias = Lines(*aliasDecl, "LinesAlias");
  alias->ALIASEDFILE = lines.get();

  lines->Rec<LineRec>().TEXT = "the original's own buffer";
  alias->Rec<LineRec>().GRP = "g1";
  ASSERT_EQ(alias->PrimeRecord(true), Benign);
  EXPECT_EQ(alias->Rec<LineRec>().ID, 1);
  EXPECT_EQ(alias->Rec<LineRec>().SEQ, 1);
  EXPECT_EQ(alias->Rec<LineRec>().GRP.Clipped(), "g1") << "keepBuffer carried over";
  EXPECT_TRUE(alias->GetAutoIncDone());
  EXPECT_EQ(lines->Rec<LineRec>().TEXT.Clipped(), "the original's own buffer")
      << "the aliased manager gets its state back";
  EXPECT_TRUE(lines->SAVED.empty());
  EXPECT_TRUE(lines->BUFFERS.empty());

  alias->Rec<LineRec>().TEXT = "completed through the alias";
  ASSERT_EQ(alias->Insert(), Benign) << "the added record is written back by the alias";
  lines->Rec<LineRec>().ID = 1;
  ASSERT_EQ(lines->Fetch(1), Benign);
  EXPECT_EQ(lines->Rec<LineRec>().TEXT.Clipped(), "completed through the alias");
}

TEST_P(FileManagerAlias, ValidationIsDecidedByTheAliasedManager) {
  auto decl = MakeLines(owner);
  auto aliasDecl = AliasOfLines(owner);
  auto lines = Lines(*decl, "Lines");
  auto alias = Lines(*aliasDecl, "LinesAlias");
  alias->ALIASEDFILE = lines.get();
  lines->rejectField = 4;
  lines->Rec<LineRec>().TEXT = "own";
  alias->Rec<LineRec>().TEXT = "checked";
  int failed = 0;
  EXPECT_EQ(alias->ValidateRecord(&failed), User);
  EXPECT_EQ(failed, 4);
  EXPECT_EQ(alias->ValidateField(4), User);
  EXPECT_EQ(alias->TryValidateField(2), Benign);
  EXPECT_EQ(lines->Rec<LineRec>().TEXT.Clipped(), "own");
  EXPECT_TRUE(lines->BUFFERS.empty());
  alias->Rec<LineRec>().GRP = "g";
  EXPECT_EQ(alias->Insert(), Notify) << "the alias's verdict stops the add";
  lines->rejectField = 0;
  EXPECT_EQ(alias->Insert(), Benign);
}

TEST_P(FileManagerAlias, PrefetchIsSetForSequentialReadsAndDroppedOnClose) {
  auto decl = MakeLines(owner);
  auto lines = Lines(*decl, "Lines");
  for (int i = 0; i < 3; ++i) {
    lines->Rec<LineRec>().GRP = "p";
    lines->Rec<LineRec>().TEXT = "row " + std::to_string(i);  // a unique key of its own
    ASSERT_EQ(lines->Insert(), Benign);
  }
  lines->SetUseMrp(true);
  lines->SetMrpSize(5);
  ASSERT_EQ(lines->FILE->SetKey(1), kNoError);
  std::vector<int> ids;
  while (lines->Next() == Benign) ids.push_back(lines->Rec<LineRec>().ID);
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(lines->FILE->Property(kPropPrefetch), "5");
  EXPECT_EQ(lines->Close(), Benign);
  EXPECT_FALSE(lines->GetUseMrp());
  EXPECT_EQ(lines->FILE->Property(kPropPrefetch), "0");
}

TEST_P(FileManagerAlias, EndOfTheTablesUseReleasesTheManager) {
  auto decl = MakeLines(owner);
  auto lines = Lines(*decl, "Lines");
  lines->Rec<LineRec>().GRP = "e";
  ASSERT_EQ(lines->Insert(), Benign);
  const FileLabel label = decl->Instance().InstanceId();
  decl.reset();  // the thread's instance goes away before the manager
  EXPECT_TRUE(lines->CLEANEDUP);
  EXPECT_EQ(lines->OPENED, 0);
  EXPECT_EQ(lines->FILE, nullptr);
  EXPECT_EQ(ManagerRegistry::ThisThread().GetFileManager(label), nullptr);
  lines->Kill();  // must not reach the destroyed instance
  EXPECT_TRUE(lines->KILLED);
}

INSTANTIATE_TEST_SUITE_P(Db, FileManagerAlias, ::testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace kv::testing
