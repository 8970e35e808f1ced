// Record operations of the file manager on every database the suite reaches: adding with
// duplicate detection, automatic numbering, changing with change detection, deleting, reading,
// record images, file states and positions.

#include <gtest/gtest.h>

#include <thread>

#include "DataFixture.h"
#include "platform/thread/LogicalThread.h"

namespace kv::testing {
namespace {

class FileManagerRecords : public DataTest {
 protected:
  std::unique_ptr<TestFileManager> Items(TableDecl& decl) {
    auto fm = std::make_unique<TestFileManager>(
        decl, errors,
        std::vector<TestFileManager::KeySpec>{{1, "Item code", 0}, {2, "", 0}, {3, "", 0}},
        "Items");
    fm->Init();
    EXPECT_EQ(fm->Open(), Benign);
    return fm;
  }
  std::unique_ptr<TestFileManager> Lines(TableDecl& decl) {
    auto fm = std::make_unique<TestFileManager>(
        decl, errors,
        std::vector<TestFileManager::KeySpec>{{1, "Line id", 1}, {2, "Group", 2}, {3, "", 0}},
        "Lines");
    fm->Init();
    EXPECT_EQ(fm->Open(), Benign);
    return fm;
  }
  static ResultLevel Add(TestFileManager& fm, const char* code, const char* name, int provider) {
    ItemRec& r = fm.Rec<ItemRec>();
    fm.FILE->Decl().Layout().Clear(&r);
    r.CODE = code;
    r.NAME = name;
    r.PROVIDER = provider;
    return fm.Insert();
  }
  static std::vector<std::string> Codes(TestFileManager& fm, int key) {
    std::vector<std::string> codes;
    EXPECT_EQ(fm.FILE->SetKey(key), kNoError);
    while (fm.TryNext() == Benign) codes.emplace_back(fm.Rec<ItemRec>().CODE.Clipped());
    EXPECT_TRUE(fm.ATEOF);
    return codes;
  }
};

TEST_P(FileManagerRecords, DuplicateKeyNamesTheKeyInTheMessage) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ASSERT_EQ(Add(*fm, "A", "apple", 1), Benign);
  struct Case {
    const char* code;
    const char* name;
    const char* keyNamed;  // description, or the key's label when the description is blank
  };
  const Case cases[] = {
      {"A", "other", "Item code"}, {"B", "APPLE", "ITM:ByName"},  // case-blind unique key
  };
  for (const Case& c : cases) {
    ScriptedModal local;
    EXPECT_EQ(Add(*fm, c.code, c.name, 2), Notify) << c.code;
    ASSERT_EQ(local.Shown().size(), 1u);
    EXPECT_EQ(local.Shown()[0].caption, "Duplicate Key Error");
    EXPECT_EQ(
        local.Shown()[0].text,
        std::string("Adding this record creates a duplicate entry for the key: ") + c.keyNamed);
    EXPECT_EQ(fm->TryInsert(), Notify);
    EXPECT_EQ(fm->LASTERROR, MsgDuplicateKey);
    EXPECT_EQ(local.Shown().size(), 1u) << "TryInsert shows nothing";
  }
  EXPECT_EQ(Codes(*fm, 1), std::vector<std::string>{"A"});
}

TEST_P(FileManagerRecords, ReadsFollowKeysAndEndOfFileIsSilent) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ASSERT_EQ(Add(*fm, "C", "cherry", 1), Benign);
  ASSERT_EQ(Add(*fm, "A", "apple", 2), Benign);
  ASSERT_EQ(Add(*fm, "B", "banana", 2), Benign);
  EXPECT_EQ(Codes(*fm, 1), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Codes(*fm, 3), (std::vector<std::string>{"A", "B", "C"}))
      << "provider descending, then code";
  ASSERT_EQ(fm->FILE->SetKey(1), kNoError);
  EXPECT_EQ(fm->Previous(), Benign);
  EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped(), "C");
  EXPECT_EQ(fm->Next(), Notify);
  EXPECT_TRUE(fm->ATEOF);
  EXPECT_TRUE(modal.Shown().empty());

  fm->Rec<ItemRec>().CODE = "B";
  EXPECT_EQ(fm->Fetch(1), Benign);
  EXPECT_EQ(fm->Rec<ItemRec>().NAME.Clipped(), "banana");
  fm->Rec<ItemRec>().CODE = "Z";
  fm->Rec<ItemRec>().NAME = "left over";
  EXPECT_EQ(fm->Fetch(1), Notify);
  EXPECT_EQ(fm->Rec<ItemRec>().NAME.Clipped(), "") << "a failed Fetch clears the buffer";
}

TEST_P(FileManagerRecords, ChangeByAnotherStationIsReportedAndShown) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ASSERT_EQ(Add(*fm, "P1", "original", 1), Benign);
  fm->Rec<ItemRec>().CODE = "P1";
  ASSERT_EQ(fm->Fetch(1), Benign);

  // Another station (its own thread and connection) changes the record meanwhile.
  std::thread other([&] {
    AdoptCurrentThread();
    {
      TestFileManager fm2(*decl, errors, {{1, "Item code", 0}}, "Items");
      fm2.Init();
      ASSERT_EQ(fm2.Open(), Benign);
      fm2.Rec<ItemRec>().CODE = "P1";
      ASSERT_EQ(fm2.Fetch(1), Benign);
      fm2.Rec<ItemRec>().NAME = "theirs";
      fm2.Rec<ItemRec>().PROVIDER = 77;
      EXPECT_EQ(fm2.Update(), Benign);
      fm2.Kill();
    }
    ReleaseCurrentThread();
  });
  other.join();

  fm->Rec<ItemRec>().NAME = "mine";
  EXPECT_EQ(fm->Update(), Notify);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Record Was Not Updated"});
  EXPECT_EQ(fm->Rec<ItemRec>().NAME.Clipped(), "theirs") << "the other station's values";
  EXPECT_EQ(fm->Rec<ItemRec>().PROVIDER, 77);
  // Now that the buffer holds the current version, a change goes through.
  fm->Rec<ItemRec>().NAME = "mine again";
  EXPECT_EQ(fm->Update(), Benign);
  fm->Rec<ItemRec>().CODE = "P1";
  ASSERT_EQ(fm->Fetch(1), Benign);
  EXPECT_EQ(fm->Rec<ItemRec>().NAME.Clipped(), "mine again");
  EXPECT_EQ(fm->TryUpdate(), Benign) << "an unchanged record writes cleanly";
}

TEST_P(FileManagerRecords, UpdateAndInsertRunValidationFirst) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ASSERT_EQ(Add(*fm, "V", "valid", 1), Benign);
  fm->rejectField = 2;
  int failed = 0;
  EXPECT_EQ(fm->ValidateRecord(&failed), User);
  EXPECT_EQ(failed, 2);
  EXPECT_EQ(fm->ValidateFields(3, 4, &failed), Benign);
  fm->Rec<ItemRec>().NAME = "rejected";
  EXPECT_EQ(fm->Update(), User);
  fm->Rec<ItemRec>().CODE = "W";
  EXPECT_EQ(fm->Insert(), Notify);
  fm->rejectField = 0;
  EXPECT_EQ(Codes(*fm, 1), std::vector<std::string>{"V"});
  fm->Rec<ItemRec>().CODE = "V";
  ASSERT_EQ(fm->Fetch(1), Benign);
  EXPECT_EQ(fm->Rec<ItemRec>().NAME.Clipped(), "valid");
  EXPECT_TRUE(modal.Shown().empty()) << "validation hooks report for themselves";
}

TEST_P(FileManagerRecords, EraseAsksFirstWhenTold) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ASSERT_EQ(Add(*fm, "D", "doomed", 1), Benign);
  struct Case {
    int answer;
    ResultLevel result;
    std::vector<std::string> left;
  };
  const Case cases[] = {{kButtonNo, Cancel, {"D"}}, {kButtonYes, Benign, {}}};
  for (const Case& c : cases) {
    fm->Rec<ItemRec>().CODE = "D";
    ASSERT_EQ(fm->Fetch(1), Benign);
    modal.Answer({c.answer});
    EXPECT_EQ(fm->EraseRecord(true), c.result);
    EXPECT_EQ(Codes(*fm, 1), c.left);
  }
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Confirm Delete", "Confirm Delete"}));
  // Deleting a record that is gone already fails quietly with its message set.
  EXPECT_EQ(fm->EraseRecord(false), Notify);
  EXPECT_EQ(fm->LASTERROR, MsgDeleteFailed);
}

TEST_P(FileManagerRecords, AutoNumberStartsAtOneAndRestartsForEachGroup) {
  auto decl = MakeLines(owner);
  auto fm = Lines(*decl);
  struct Step {
    const char* grp;
    int id;
    int seq;
  };
  const Step steps[] = {{"north", 1, 1}, {"north", 2, 2}, {"south", 3, 1},
                        {"north", 4, 3}, {"south", 5, 2}, {"east", 6, 1}};
  int n = 0;
  for (const Step& s : steps) {
    LineRec& r = fm->Rec<LineRec>();
    fm->FILE->Decl().Layout().Clear(&r);
    r.GRP = s.grp;
    r.TEXT = "line " + std::to_string(++n);
    ASSERT_EQ(fm->Insert(), Benign) << n;
    EXPECT_EQ(r.ID, s.id) << n;
    EXPECT_EQ(r.SEQ, s.seq) << n;
    EXPECT_FALSE(fm->AUTOINCDONE);
  }
  EXPECT_TRUE(modal.Shown().empty());
}

TEST_P(FileManagerRecords, PrimedRecordIsAddedAtOnceThenWrittenBackOrCancelled) {
  auto decl = MakeLines(owner);
  auto fm = Lines(*decl);
  fm->Rec<LineRec>().GRP = "kept";
  ASSERT_EQ(fm->PrimeRecord(true), Benign);
  EXPECT_TRUE(fm->AUTOINCDONE);
  EXPECT_EQ(fm->Rec<LineRec>().ID, 1);
  EXPECT_EQ(fm->Rec<LineRec>().GRP.Clipped(), "kept") << "keepBuffer keeps what was there";
  fm->Rec<LineRec>().TEXT = "completed";
  EXPECT_EQ(fm->Insert(), Benign);
  EXPECT_FALSE(fm->AUTOINCDONE);
  EXPECT_EQ(fm->adds, 1) << "the completed record is written back, not added again";
  EXPECT_EQ(fm->changes, 1);

  ASSERT_EQ(fm->PrimeRecord(), Benign);
  EXPECT_EQ(fm->Rec<LineRec>().ID, 2);
  EXPECT_EQ(fm->Rec<LineRec>().GRP.Clipped(), "") << "a fresh record is cleared first";
  EXPECT_EQ(fm->CancelAutoNumber(), Benign);
  EXPECT_FALSE(fm->AUTOINCDONE);
  EXPECT_EQ(fm->CancelAutoNumber(), Benign) << "nothing left to cancel";
  fm->Rec<LineRec>().ID = 2;
  EXPECT_EQ(fm->TryFetch(1), Notify) << "the cancelled record is gone";
  fm->Rec<LineRec>().ID = 1;
  ASSERT_EQ(fm->TryFetch(1), Benign);
  EXPECT_EQ(fm->Rec<LineRec>().TEXT.Clipped(), "completed");
}

TEST_P(FileManagerRecords, ThreeFailedAddsAskToTryAgain) {
  auto decl = MakeLines(owner);
  auto fm = Lines(*decl);
  LineRec& r = fm->Rec<LineRec>();
  r.GRP = "g";
  r.TEXT = "taken";
  ASSERT_EQ(fm->Insert(), Benign);
  // Every new number collides on another unique key, so each attempt fails.
  fm->adds = 0;
  r.ID = 0;
  r.TEXT = "taken";
  modal.Answer({kButtonYes, kButtonNo});
  EXPECT_EQ(fm->AutoNumber(), Notify);
  EXPECT_EQ(fm->adds, 6) << "three attempts, then three more after 'Try Again?'";
  EXPECT_FALSE(fm->AUTOINCDONE);
  ASSERT_EQ(Captions(), (std::vector<std::string>{"Auto Increment Error", "Auto Increment Error"}));
  EXPECT_NE(LastText().find("Key: LIN:ByText"), std::string::npos) << LastText();
  EXPECT_NE(LastText().find("Try Again?"), std::string::npos);

  // Silent variants, and a silent error manager (which would answer "Try Again?" with Yes
  // forever), both give up after three attempts.
  ScriptedModal silent;
  fm->adds = 0;
  EXPECT_EQ(fm->TryAutoNumber(), Notify);
  EXPECT_EQ(fm->adds, 3);
  EXPECT_EQ(fm->LASTERROR, MsgAutoNumberFailed);
  errors.SetSilent(true);
  fm->adds = 0;
  EXPECT_EQ(fm->AutoNumber(), Notify);
  EXPECT_EQ(fm->adds, 3);
  errors.SetSilent(false);
  EXPECT_TRUE(silent.Shown().empty());
}

TEST_P(FileManagerRecords, SavedImagesCompareAndRestore) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  ItemRec& r = fm->Rec<ItemRec>();
  r.CODE = "S";
  r.NAME = "saved";
  std::int32_t a = fm->SaveBuffer();
  std::int32_t b = fm->SaveBuffer();
  EXPECT_EQ(b - a, 2) << "record image and null flags";
  EXPECT_TRUE(fm->EqualBuffer(a));
  r.NAME = "changed";
  EXPECT_FALSE(fm->EqualBuffer(a));
  std::int32_t zero = 0;
  fm->RestoreBuffer(zero, false);
  EXPECT_EQ(r.NAME.Clipped(), "changed");
  fm->RestoreBuffer(b, false);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(r.NAME.Clipped(), "changed") << "apply false frees without restoring";
  EXPECT_FALSE(fm->EqualBuffer(3)) << "the freed image is gone";
  fm->RestoreBuffer(a, true);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(r.NAME.Clipped(), "saved");
  EXPECT_TRUE(fm->BUFFERS.empty());
  fm->BLOBCHANGED = true;
  std::int32_t c = fm->SaveBuffer();
  EXPECT_FALSE(fm->EqualBuffer(c)) << "a changed large object makes any record differ";
}

TEST_P(FileManagerRecords, FileStatesAndPositionsBringARecordBack) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  for (const char* code : {"A", "B", "C", "D"}) ASSERT_EQ(Add(*fm, code, code, 1), Benign);
  ASSERT_EQ(fm->FILE->SetKey(1), kNoError);
  ASSERT_EQ(fm->Next(), Benign);
  ASSERT_EQ(fm->Next(), Benign);
  const std::string position = fm->GetPosition();
  EXPECT_FALSE(position.empty());
  std::uint16_t state = fm->SaveFile();
  ASSERT_NE(state, 0);
  ASSERT_EQ(fm->Next(), Benign);
  fm->Rec<ItemRec>().NAME = "scribbled";
  fm->RestoreFile(state, true);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped(), "B");
  EXPECT_EQ(fm->Rec<ItemRec>().NAME.Clipped(), "B");
  ASSERT_EQ(fm->Next(), Benign);
  EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped(), "C") << "reading goes on from the saved place";
  EXPECT_TRUE(fm->SAVED.empty());

  EXPECT_EQ(fm->Reget(position), Benign);
  EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped(), "B");
  EXPECT_EQ(fm->Reget("not a position"), Notify);
}

TEST_P(FileManagerRecords, HostileTextIsStoredAndReadBackIntact) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  const std::string texts[] = {
      "'; DROP TABLE \"" + ItemsTable() + "\"; --",
      "%File %Key %Message %%",
      "\"quoted\" \\back\\slash",
      "tab\there, line\nbreak",
      "ñandú € 中文 🙂",
      "   leading blanks",
      "",
      "?1 ?2 :name $1 @p",
  };
  int n = 0;
  for (const std::string& t : texts) {
    const std::string code = "H" + std::to_string(++n);
    ItemRec& r = fm->Rec<ItemRec>();
    fm->FILE->Decl().Layout().Clear(&r);
    r.CODE = code;
    r.NAME = t;
    ASSERT_EQ(fm->Insert(), Benign) << t;
    fm->FILE->Decl().Layout().Clear(&r);
    r.CODE = code;
    ASSERT_EQ(fm->Fetch(1), Benign) << t;
    EXPECT_EQ(std::string(r.NAME.Clipped()), t);
  }
  // Hostile text in the key itself, used to read the record back.
  ItemRec& r = fm->Rec<ItemRec>();
  fm->FILE->Decl().Layout().Clear(&r);
  r.CODE = "x' OR '1'='1";
  r.NAME = "keyed";
  ASSERT_EQ(fm->Insert(), Benign);
  r.NAME = "";
  ASSERT_EQ(fm->Fetch(1), Benign);
  EXPECT_EQ(r.NAME.Clipped(), "keyed");
  r.CODE = "x";
  EXPECT_EQ(fm->Fetch(1), Notify) << "the quote does not widen the search";
  EXPECT_TRUE(modal.Shown().empty());
}

TEST_P(FileManagerRecords, KeyDescriptionsAnswerTheQueriesOfViews) {
  auto decl = MakeItems(owner);
  auto fm = Items(*decl);
  EXPECT_EQ(fm->GetComponents(3), 0) << "keys are declared on first use";
  ASSERT_EQ(fm->PrepareUse(UseRecord), Benign);
  EXPECT_EQ(fm->PRIMARYKEY, 1);
  EXPECT_EQ(fm->GetComponents(3), 2);
  EXPECT_EQ(fm->GetComponents(9), 0);
  EXPECT_EQ(fm->GetFieldName(2, 1), "UPPER(ITM:NAME)") << "a case-blind key compares upper case";
  EXPECT_EQ(fm->KeyOrderText(3), "-ITM:PROVIDER,ITM:CODE");
  EXPECT_EQ(fm->KeyOrderText(3, 2), "ITM:CODE");
  EXPECT_FALSE(fm->IsAscending(3, 1));
  EXPECT_TRUE(fm->GetField(3, 3).IsNull());
  EXPECT_EQ(fm->GetField(3, 1).Address(), &fm->Rec<ItemRec>().PROVIDER);

  struct Case {
    bool high;
    Long provider;
    bool codeHigh;
  };
  const Case cases[] = {{false, 2147483647, false}, {true, -2147483647 - 1, true}};
  for (const Case& c : cases) {
    fm->Rec<ItemRec>().CODE = "middle";
    fm->ClearKeyComponents(3, 1, 5, c.high);
    EXPECT_EQ(fm->Rec<ItemRec>().PROVIDER, c.provider) << c.high;
    EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped() > std::string_view("zzzz"), c.codeHigh);
    EXPECT_EQ(fm->Rec<ItemRec>().CODE.Clipped().empty(), !c.codeHigh);
  }
}

INSTANTIATE_TEST_SUITE_P(Db, FileManagerRecords, ::testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace kv::testing
