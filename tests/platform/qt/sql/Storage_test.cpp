// The storage suite: the same cases on every database the SQL driver reaches.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "StorageFixture.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/LastError.h"
#include "platform/storage/Transaction.h"
#include "tests/support/OdbcDrivers.h"

namespace kv::testing {
namespace {

class StorageSuite : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    std::string why;
    if (!PrepareBackend(GetParam(), {Items()}, &why)) {
      if (GetParam().name.rfind("postgres", 0) == 0 && PostgresRequired())
        FAIL() << "PostgreSQL is required: " << why;
      GTEST_SKIP() << why;
    }
    owner_ = OwnerFor(GetParam());
    decl_ = MakeDecl(owner_);
  }

  static std::unique_ptr<TableDecl> MakeDecl(const std::string& owner) {
    auto d = std::make_unique<TableDecl>("Items", Items(), kSqlDriver, ItemLayout());
    d->SetOwnerText(owner);
    d->AddKey({"ITM:PK_Code", "", {{0, true}}, false, false, true});
    d->AddKey({"ITM:ByDescription", "", {{1, true}}, true, true, false});
    d->AddKey({"ITM:ByProvider", "", {{3, false}, {0, true}}, true, false, false});
    return d;
  }

  static std::string Items() { return UniqueName("Items"); }
  static std::string Reader() { return UniqueName("kv_reader"); }
  static std::string Quoted() { return "\"" + Items() + "\""; }
  Table& T() { return decl_->Instance(); }
  ItemRecord& R() { return T().RecordAs<ItemRecord>(); }

  void OpenCreated() {
    ASSERT_EQ(T().Create(), kNoError) << LastError().driverCode << " " << LastError().driverText;
    ASSERT_EQ(T().Open(), kNoError) << LastError().driverText;
  }

  ErrorCode AddItem(std::string code, std::string desc, std::string price, int provider) {
    ItemLayout().Clear(T().Record());
    R().CODE = code;
    R().DESCRIPTION = desc;
    EXPECT_EQ(R().PRICE.SetText(price), ValueStatus::kOk);
    R().PROVIDER = provider;
    return T().Add();
  }

  std::vector<std::string> ReadAll(int key, bool forward) {
    std::vector<std::string> codes;
    EXPECT_EQ(T().SetKey(key), kNoError);
    while ((forward ? T().Next() : T().Previous()) == kNoError)
      codes.emplace_back(R().CODE.Clipped());
    EXPECT_EQ(LastError().code, kNoRecordError);
    return codes;
  }

  std::string owner_;
  std::unique_ptr<TableDecl> decl_;
};

TEST_P(StorageSuite, MissingTableIsReportedThenCreatedAndKeptByLaterCreates) {
  EXPECT_EQ(T().Open(), kNoFileError) << LastError().driverText;
  EXPECT_FALSE(T().IsOpen());
  OpenCreated();
  ASSERT_EQ(AddItem("A1", "first", "1.00", 1), kNoError) << LastError().driverText;
  EXPECT_EQ(T().Open(), kAlreadyOpenError);
  EXPECT_EQ(T().Create(), kNoError) << "creating an existing table must keep it";
  EXPECT_EQ(ReadAll(1, true), std::vector<std::string>{"A1"});
  EXPECT_EQ(T().Close(), kNoError);
  EXPECT_EQ(T().Close(), kNotOpenError);
}

TEST_P(StorageSuite, ReadsFollowEveryKeyOrderInBothDirectionsWithAndWithoutPrefetch) {
  OpenCreated();
  struct Row {
    const char* code;
    const char* desc;
    const char* price;
    int provider;
  };
  const Row rows[] = {{"C", "banana", "3", 2},
                      {"A", "Cherry", "1", 1},
                      {"E", "apple", "5", 2},
                      {"B", "date", "2", 3},
                      {"D", "Banana2", "4", 1}};
  for (const Row& r : rows) ASSERT_EQ(AddItem(r.code, r.desc, r.price, r.provider), kNoError);
  for (int prefetch : {0, 2, 10}) {
    SCOPED_TRACE(prefetch);
    ASSERT_EQ(T().SetProperty(kPropPrefetch, std::to_string(prefetch)), kNoError);
    using V = std::vector<std::string>;
    EXPECT_EQ(ReadAll(1, true), (V{"A", "B", "C", "D", "E"}));
    EXPECT_EQ(ReadAll(1, false), (V{"E", "D", "C", "B", "A"}));
    // Case-insensitive key: apple, banana, Banana2, Cherry, date.
    EXPECT_EQ(ReadAll(2, true), (V{"E", "C", "D", "A", "B"}));
    // Provider descending, then code: 3:B, 2:C, 2:E, 1:A, 1:D.
    EXPECT_EQ(ReadAll(3, true), (V{"B", "C", "E", "A", "D"}));
    EXPECT_EQ(ReadAll(0, true), (V{"A", "B", "C", "D", "E"}));
  }
  // Keys order text byte by byte (code point order) on every database, whatever its collation.
  ASSERT_EQ(AddItem("a", "x", "1", 9), kNoError);
  ASSERT_EQ(AddItem("_u", "x", "1", 9), kNoError);
  ASSERT_EQ(AddItem("\xC3\xA9", "x", "1", 9), kNoError);
  EXPECT_EQ(ReadAll(1, true),
            (std::vector<std::string>{"A", "B", "C", "D", "E", "_u", "a", "\xC3\xA9"}));
  EXPECT_EQ(ReadAll(1, false),
            (std::vector<std::string>{"\xC3\xA9", "a", "_u", "E", "D", "C", "B", "A"}));
  // Positioning on key values: Next from "C" reads C, D, E; Previous from "C" reads C, B, A.
  R().CODE = "C";
  ASSERT_EQ(T().SetKeyValues(1), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "C");
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "D");
  ASSERT_EQ(T().Previous(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "C");
  R().CODE = "BB";
  ASSERT_EQ(T().SetKeyValues(1), kNoError);
  ASSERT_EQ(T().Previous(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "B");
  // The last record of a key: SetKey then Previous (how numbering finds the highest value).
  ASSERT_EQ(T().SetKey(3), kNoError);
  ASSERT_EQ(T().Previous(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "D");
  ASSERT_EQ(T().SetKey(1), kNoError);
  ASSERT_EQ(T().Previous(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "\xC3\xA9");
}

TEST_P(StorageSuite, GetPositionAndRegetFindTheSameRecord) {
  OpenCreated();
  ASSERT_EQ(AddItem("K1", "one", "10.50", 7), kNoError);
  ASSERT_EQ(AddItem("K2", "two", "-0.05", 8), kNoError);
  ItemLayout().Clear(T().Record());
  R().CODE = "K2";
  ASSERT_EQ(T().Get(1), kNoError) << LastError().driverText;
  EXPECT_EQ(R().DESCRIPTION.Clipped(), "two");
  std::string pos = T().Position();
  EXPECT_FALSE(pos.empty());
  EXPECT_LE(pos.size(), 1024u);
  // Equal records give equal positions, however they were reached.
  ASSERT_EQ(T().SetKey(1), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_EQ(T().Position(), pos);
  ASSERT_EQ(T().SetKey(1), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_NE(T().Position(), pos);
  ASSERT_EQ(T().Reget(0, pos), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "K2");
  // ResetTo then Next reads the record at the position, then the sequence goes on.
  ASSERT_EQ(T().ResetTo(0, T().Position()), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "K2");
  EXPECT_EQ(T().Next(), kNoRecordError);
  R().CODE = "nothing";
  EXPECT_EQ(T().Get(1), kNoRecordError);
  EXPECT_EQ(T().Reget(0, "garbage"), kNoRecordError);
  EXPECT_EQ(T().Get(9), kDriverError) << "a key that does not exist";
}

TEST_P(StorageSuite, DuplicateKeyIsCode40AndNamesTheDuplicatedKey) {
  OpenCreated();
  ASSERT_EQ(AddItem("DUP", "x", "1", 1), kNoError);
  EXPECT_EQ(AddItem("DUP", "y", "2", 2), kDuplicateKeyError) << LastError().driverText;
  EXPECT_FALSE(LastError().driverText.empty());
  // The first DUP is still the current record, and a record never duplicates itself; a get by
  // the empty position forgets the current record, as the file manager does before asking
  // which key was duplicated.
  EXPECT_FALSE(T().Duplicates(1));
  EXPECT_EQ(T().Reget(0, ""), kNoRecordError);
  EXPECT_EQ(T().Position(), "");
  EXPECT_TRUE(T().Duplicates(1));
  EXPECT_FALSE(T().Duplicates(2)) << "a key allowing duplicates is never duplicated";
  R().CODE = "NEW";
  EXPECT_FALSE(T().Duplicates(1));
  // A record read is not a duplicate of itself; changed onto another's key it is.
  ASSERT_EQ(AddItem("OTHER", "z", "3", 3), kNoError);
  R().CODE = "OTHER";
  ASSERT_EQ(T().Get(1), kNoError);
  EXPECT_FALSE(T().Duplicates(1));
  R().CODE = "DUP";
  EXPECT_TRUE(T().Duplicates(1));
  EXPECT_EQ(T().Put(), kDuplicateKeyError);
}

TEST_P(StorageSuite, ChangeByAnotherStationGives89AndItsValuesCanBeReread) {
  OpenCreated();
  ASSERT_EQ(AddItem("P1", "original", "10.00", 1), kNoError);
  R().CODE = "P1";
  ASSERT_EQ(T().Get(1), kNoError);
  std::string pos = T().Position();

  // Another station (its own thread, so its own connection) changes the record.
  std::thread other([&] {
    Table& t = decl_->Instance();
    ASSERT_EQ(t.Open(), kNoError) << LastError().driverText;
    auto& r = t.RecordAs<ItemRecord>();
    r.CODE = "P1";
    ASSERT_EQ(t.Get(1), kNoError);
    r.DESCRIPTION = "theirs";
    ASSERT_EQ(r.PRICE.SetText("11.25"), ValueStatus::kOk);
    EXPECT_EQ(t.Put(), kNoError) << LastError().driverText;
    EXPECT_EQ(t.Close(), kNoError);
  });
  other.join();

  R().DESCRIPTION = "mine";
  EXPECT_EQ(T().Put(), kChangedError) << LastError().driverText;
  ASSERT_EQ(T().Reget(0, pos), kNoError);
  EXPECT_EQ(R().DESCRIPTION.Clipped(), "theirs");
  EXPECT_EQ(R().PRICE.Get().ToText(), "11.25");
  R().DESCRIPTION = "mine";
  EXPECT_EQ(T().Put(), kNoError) << "after re-reading, the write goes through";
  // A row deleted behind our back cannot be changed or deleted either.
  ASSERT_EQ(ExecDirect(GetParam(), "DELETE FROM " + Quoted()), "");
  EXPECT_EQ(T().Put(), kChangedError);
  EXPECT_EQ(T().Delete(), kChangedError);
}

TEST_P(StorageSuite, ReadOnlyOpenRefusesEveryWrite) {
  ASSERT_EQ(T().Create(), kNoError);
  ASSERT_EQ(T().Open(kOpenReadWrite), kNoError);
  ASSERT_EQ(AddItem("R1", "row", "1", 1), kNoError);
  ASSERT_EQ(T().Close(), kNoError);
  ASSERT_EQ(T().Open(kOpenReadOnly | kShareDenyNone), kNoError);
  R().CODE = "R1";
  ASSERT_EQ(T().Get(1), kNoError);
  EXPECT_EQ(AddItem("R2", "row", "1", 1), kAccessDenied);
  R().CODE = "R1";
  ASSERT_EQ(T().Get(1), kNoError);
  EXPECT_EQ(T().Put(), kAccessDenied);
  EXPECT_EQ(T().Delete(), kAccessDenied);
  EXPECT_EQ(ReadAll(1, true), std::vector<std::string>{"R1"});
}

TEST_P(StorageSuite, HostileTextAndExactDecimalsRoundTrip) {
  OpenCreated();
  struct Case {
    const char* code;
    std::string desc;
    const char* price;
  };
  // 49 ASCII bytes then a 2-byte character: the field (50 bytes) cuts before the character.
  std::string cut = std::string(49, 'x') + "\xC3\xA9";
  const Case cases[] = {
      {"q'1", "it's \"quoted\"; DROP TABLE Items; --", "12345678901.23"},
      {"b{2}", "{braces} = ; } {", "-0.05"},
      {"m\xC3\xA9", "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80", "0"},
      {"cut", cut, "9999999999999.99"},
      {"%|", "100% | pipe", "-9999999999999.99"},
      {"tiny", "smallest step", "0.01"},
  };
  for (const Case& c : cases)
    ASSERT_EQ(AddItem(c.code, c.desc, c.price, 1), kNoError)
        << c.code << ": " << LastError().driverText;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    ItemLayout().Clear(T().Record());
    R().CODE = c.code;
    ASSERT_EQ(T().Get(1), kNoError) << LastError().driverText;
    std::string expected = c.desc == cut ? std::string(49, 'x') : c.desc;
    EXPECT_EQ(R().DESCRIPTION.Clipped(), expected);
    DecimalValue want;
    ASSERT_EQ(DecimalValue::Parse(c.price, &want), ValueStatus::kOk);
    EXPECT_EQ(DecimalValue::Compare(R().PRICE.Get(), want), 0) << R().PRICE.Get().ToText();
    // The position of each such record finds it again.
    std::string pos = T().Position();
    ItemLayout().Clear(T().Record());
    ASSERT_EQ(T().Reget(0, pos), kNoError) << pos;
    EXPECT_EQ(R().CODE.Clipped(), c.code);
  }
}

TEST_P(StorageSuite, TransactionsCommitRollBackAndRollBackAtOnceAfterAnError) {
  OpenCreated();
  ASSERT_EQ(T().SetProperty(kPropEnrolled, "1"), kNoError);
  ASSERT_EQ(BeginTransaction(2), kNoError) << LastError().driverText;
  ASSERT_EQ(AddItem("T1", "rolled back", "1", 1), kNoError);
  ASSERT_EQ(RollbackTransaction(), kNoError);
  EXPECT_EQ(ReadAll(1, true), std::vector<std::string>{});

  ASSERT_EQ(T().SetProperty(kPropEnrolled, "1"), kNoError);
  ASSERT_EQ(BeginTransaction(2), kNoError);
  ASSERT_EQ(AddItem("T2", "kept", "1", 1), kNoError);
  ASSERT_EQ(CommitTransaction(), kNoError) << LastError().driverText;
  EXPECT_EQ(ReadAll(1, true), std::vector<std::string>{"T2"});

  // A failing statement inside the transaction rolls it back at once: the earlier add is gone
  // and the commit says so instead of pretending.
  ASSERT_EQ(T().SetProperty(kPropEnrolled, "1"), kNoError);
  ASSERT_EQ(BeginTransaction(2), kNoError);
  ASSERT_EQ(AddItem("T3", "lost", "1", 1), kNoError);
  EXPECT_EQ(AddItem("T2", "duplicate", "1", 1), kDuplicateKeyError);
  EXPECT_NE(CommitTransaction(), kNoError);
  EXPECT_EQ(ReadAll(1, true), std::vector<std::string>{"T2"});
  EXPECT_EQ(BeginTransaction(2), kNotSupportedError) << "enrolment ends with the transaction";
}

TEST_P(StorageSuite, NullFlagsFollowTheValuesRead) {
  OpenCreated();
  ASSERT_EQ(AddItem("N1", "", "0", 0), kNoError);
  ASSERT_EQ(ExecDirect(GetParam(), "UPDATE " + Quoted() + " SET \"Price\" = NULL"), "");
  R().CODE = "N1";
  ASSERT_EQ(T().Get(1), kNoError);
  EXPECT_TRUE(T().IsNull(2));
  EXPECT_FALSE(T().IsNull(1));
  EXPECT_EQ(T().NullImage(), "0010");
  // A null read stays null when written back, and change detection matches it null-safe.
  EXPECT_EQ(T().Put(), kNoError) << LastError().driverText;
  EXPECT_EQ(ExecDirect(GetParam(), "DELETE FROM " + Quoted() + " WHERE \"Price\" IS NULL"), "");
  ASSERT_EQ(AddItem("N1", "", "0", 0), kNoError);
  ASSERT_EQ(ExecDirect(GetParam(), "UPDATE " + Quoted() + " SET \"Price\" = NULL"), "");
  R().CODE = "N1";
  ASSERT_EQ(T().Get(1), kNoError);
  T().SetNonNull(2);
  ASSERT_EQ(R().PRICE.SetText("2.50"), ValueStatus::kOk);
  EXPECT_EQ(T().Put(), kNoError) << LastError().driverText;
  ASSERT_EQ(T().Get(1), kNoError);
  EXPECT_FALSE(T().IsNull(2));
  EXPECT_EQ(R().PRICE.Get().ToText(), "2.50");
}

TEST_P(StorageSuite, SavedStateBringsBackPositionAndRecord) {
  OpenCreated();
  for (const char* c : {"S1", "S2", "S3"}) ASSERT_EQ(AddItem(c, c, "1", 1), kNoError);
  ASSERT_EQ(T().SetKey(1), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  int state = T().SaveState();
  ASSERT_EQ(T().Next(), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "S3");
  ASSERT_EQ(T().RestoreState(state), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "S1");
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "S2");
  T().FreeState(state);
  EXPECT_EQ(T().RestoreState(state), kDriverError);
}

TEST_P(StorageSuite, UserWhoMayOnlyReadIsDeniedWriteOpensButMayRead) {
  if (GetParam().name.rfind("postgres", 0) != 0) GTEST_SKIP() << "roles are a server feature";
  OpenCreated();
  ASSERT_EQ(AddItem("V1", "visible", "1", 1), kNoError);
  (void)ExecDirect(GetParam(), "DROP OWNED BY " + Reader());
  (void)ExecDirect(GetParam(), "DROP ROLE IF EXISTS " + Reader());
  ASSERT_EQ(ExecDirect(GetParam(), "CREATE ROLE " + Reader() + " LOGIN PASSWORD 'r,e;a}d'"), "");
  ASSERT_EQ(ExecDirect(GetParam(), "GRANT SELECT ON " + Quoted() + " TO " + Reader()), "");
  auto reader = MakeDecl(OwnerFor(GetParam(), Reader(), "r,e;a}d"));
  Table& t = reader->Instance();
  EXPECT_EQ(t.Open(kOpenReadWrite | kShareDenyNone), kAccessDenied) << LastError().driverText;
  ASSERT_EQ(t.Open(kOpenReadOnly | kShareDenyNone), kNoError) << LastError().driverText;
  ASSERT_EQ(t.SetKey(1), kNoError);
  ASSERT_EQ(t.Next(), kNoError);
  EXPECT_EQ(t.RecordAs<ItemRecord>().CODE.Clipped(), "V1");
  EXPECT_EQ(t.Close(), kNoError);
  reader.reset();
  ForgetThreadConnections();
  (void)ExecDirect(GetParam(), "DROP OWNED BY " + Reader());
  (void)ExecDirect(GetParam(), "DROP ROLE " + Reader());
}

TEST_P(StorageSuite, DecimalsPastWhatTheDatabaseKeepsAreRefusedNotRounded) {
  OpenCreated();
  const char* wide = "123456789012345678.91";  // 20 significant digits
  ErrorCode added = AddItem("W", "wide", wide, 1);
  if (GetParam().name.rfind("sqlite", 0) == 0) {
    EXPECT_EQ(added, kDriverError);
    EXPECT_NE(LastError().driverText.find("ITM:PRICE"), std::string::npos)
        << LastError().driverText;
    EXPECT_EQ(ReadAll(1, true), std::vector<std::string>{}) << "nothing half-written";
    return;
  }
  ASSERT_EQ(added, kNoError) << LastError().driverText;
  ItemLayout().Clear(T().Record());
  R().CODE = "W";
  ASSERT_EQ(T().Get(1), kNoError);
  EXPECT_EQ(R().PRICE.Get().ToText(), wide);
  R().DESCRIPTION = "still wide";
  EXPECT_EQ(T().Put(), kNoError) << "change detection compares the exact value";
}

TEST_P(StorageSuite, SharedDeclarationServesEveryThreadAndThreadedOnesEndWithTheirThread) {
  OpenCreated();
  ASSERT_EQ(AddItem("SH", "shared", "1", 1), kNoError);
  TableDecl shared("Items", Items(), kSqlDriver, ItemLayout(), /*threaded=*/false);
  shared.SetOwnerText(owner_);
  shared.AddKey({"ITM:PK_Code", "", {{0, true}}, false, false, true});
  EXPECT_EQ(shared.Instance().Property(kPropThreaded), "0");
  ASSERT_EQ(shared.Instance().Open(), kNoError) << LastError().driverText;

  struct EndWatcher : FileCallback {
    int ends = 0;
    bool BeforeOperation(const OperationInfo& i) override {
      if (i.operation == kOpEndOfUse) ++ends;
      return true;
    }
    bool AfterOperation(const OperationInfo&) override { return true; }
  } watcher;
  Table* sharedSeen = nullptr;
  Table* threadedSeen = nullptr;
  std::string readCode;
  std::thread worker([&] {
    sharedSeen = &shared.Instance();
    // The shared instance works on this thread through this thread's own connection.
    sharedSeen->RecordAs<ItemRecord>().CODE = "SH";
    if (sharedSeen->Get(1) == kNoError)
      readCode = sharedSeen->RecordAs<ItemRecord>().CODE.Clipped();
    threadedSeen = &decl_->Instance();
    threadedSeen->AddCallback(&watcher);
    EXPECT_EQ(threadedSeen->Open(), kNoError);
  });
  worker.join();
  EXPECT_EQ(sharedSeen, &shared.Instance());
  EXPECT_NE(threadedSeen, &T());
  EXPECT_EQ(readCode, "SH");
  EXPECT_EQ(watcher.ends, 1) << "the thread's instance told its callbacks that its use ended";
  EXPECT_EQ(shared.Instance().Close(), kNoError);
}

TEST_P(StorageSuite, OneConnectionPerOwnerPerThread) {
  StorageError e;
  auto a = ConnectionFor(owner_, &e);
  ASSERT_TRUE(a) << e.driverText;
  EXPECT_EQ(ConnectionFor(owner_, &e), a);
  std::shared_ptr<SqlConnection> other;
  std::thread([&] { other = ConnectionFor(owner_, &e); }).join();
  ASSERT_TRUE(other);
  EXPECT_NE(other, a);
}

TEST_P(StorageSuite, RefusedLoginIsADriverErrorWithTheDriversText) {
  if (GetParam().name.rfind("postgres", 0) != 0) GTEST_SKIP() << "no login with SQLite";
  auto wrong = MakeDecl(OwnerFor(GetParam(), "nobody_here", "wrong"));
  EXPECT_EQ(wrong->Instance().Open(), kDriverError);
  EXPECT_FALSE(LastError().driverText.empty());
  EXPECT_FALSE(wrong->Instance().IsOpen());
}

// A key whose columns the database orders linguistically could only be read in byte order by
// sorting the whole table for every page: opening reports that its keys need rebuilding (46),
// and the rebuild gives it an index in byte order, which the reads then use.
TEST_P(StorageSuite, ExistingTableWithLinguisticCollationIsRebuiltAndReadsInByteOrder) {
  if (GetParam().name.rfind("postgres", 0) != 0) GTEST_SKIP() << "collations are a server feature";
  // A table made by someone else, its text in a linguistic (ICU) collation.
  std::string made = ExecDirect(
      GetParam(), "CREATE TABLE " + Quoted() +
                      " (\"Code\" VARCHAR(20) COLLATE \"en-x-icu\" PRIMARY KEY, \"Description\" "
                      "VARCHAR(50) COLLATE \"en-x-icu\" NOT NULL, \"Price\" NUMERIC(20,2), "
                      "\"Provider\" INTEGER NOT NULL)");
  if (!made.empty()) GTEST_SKIP() << "no ICU collation on this server: " << made;
  ASSERT_EQ(ExecDirect(GetParam(), "CREATE INDEX \"" + UniqueName(GetParam().name + "_ling") +
                                       "\" ON " + Quoted() + " (\"Description\")"),
            "");
  EXPECT_EQ(T().Open(), kRebuildKeysError) << LastError().driverText;
  EXPECT_NE(LastError().driverText.find("ITM:PK_Code"), std::string::npos)
      << LastError().driverText;
  ASSERT_EQ(T().BuildKeys(), kNoError) << LastError().driverText;
  ASSERT_EQ(T().Open(), kNoError) << LastError().driverText;
  // The server's own plan: the primary key's order comes from an index, not from a sort.
  ASSERT_EQ(
      ExecDirect(GetParam(), "INSERT INTO " + Quoted() +
                                 " SELECT 'k' || i, 'd', 1, 1 FROM generate_series(1, 3000) i"),
      "");
  ASSERT_EQ(ExecDirect(GetParam(), "ANALYZE " + Quoted()), "");
  std::string plan;
  for (const std::string& line :
       QueryDirect(GetParam(), "EXPLAIN SELECT \"Code\" FROM " + Quoted() +
                                   " ORDER BY \"Code\" COLLATE \"C\" LIMIT 5"))
    plan += line + "\n";
  EXPECT_EQ(plan.find("Sort"), std::string::npos) << plan;
  EXPECT_NE(plan.find("Index"), std::string::npos) << plan;
  ASSERT_EQ(ExecDirect(GetParam(), "DELETE FROM " + Quoted()), "");
  for (const char* code : {"b", "B", "a", "A", "_"})
    ASSERT_EQ(AddItem(code, code, "1", 1), kNoError);
  using V = std::vector<std::string>;
  EXPECT_EQ(ReadAll(1, true), (V{"A", "B", "_", "a", "b"}));
  EXPECT_EQ(ReadAll(1, false), (V{"b", "a", "_", "B", "A"}));
  R().CODE = "B";
  ASSERT_EQ(T().SetKeyValues(1), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  ASSERT_EQ(T().Next(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "_") << "the keyset condition follows the same order";
}

// An index of a case-insensitive key that folds case otherwise than the program does now (as
// an older version's UPPER did) cannot serve the key's order: opening reports that the keys need
// rebuilding, and the rebuild's index folds as the reads do.
TEST_P(StorageSuite, CaseInsensitiveKeyIndexedByAnotherFoldingIsRebuilt) {
  OpenCreated();
  ASSERT_EQ(AddItem("E1",
                    "\xC3\xA9"
                    "crou",
                    "1", 1),
            kNoError);  // écrou
  ASSERT_EQ(AddItem("E2",
                    "\xC3\x89"
                    "CROU",
                    "1", 1),
            kNoError);  // ÉCROU
  ASSERT_EQ(AddItem("E3", "ecrou", "1", 1), kNoError);
  ASSERT_EQ(T().Close(), kNoError);
  const std::string index = "\"" + Items() + "_ByDescription\"";
  ASSERT_EQ(ExecDirect(GetParam(), "DROP INDEX " + index), "");
  ASSERT_EQ(ExecDirect(GetParam(), "CREATE INDEX " + index + " ON " + Quoted() +
                                       " (UPPER(\"Description\"), \"Code\")"),
            "");
  EXPECT_EQ(T().Open(), kRebuildKeysError) << LastError().driverText;
  EXPECT_NE(LastError().driverText.find("ITM:ByDescription"), std::string::npos)
      << LastError().driverText;
  ASSERT_EQ(T().BuildKeys(), kNoError) << LastError().driverText;
  ASSERT_EQ(T().Open(), kNoError) << LastError().driverText;
  // The key's order folds the accented capital: ECROU, then ÉCROU twice in code order.
  using V = std::vector<std::string>;
  EXPECT_EQ(ReadAll(2, true), (V{"E3", "E1", "E2"}));
}

TEST_P(StorageSuite, LockWaitsInsideATransactionEndAtItsTimeOutAsRecordHeld) {
  if (GetParam().name == "sqlite_odbc")
    GTEST_SKIP() << "the SQLite ODBC driver waits by its own connection option, not the session's";
  OpenCreated();
  ASSERT_EQ(AddItem("L1", "locked", "1", 1), kNoError);
  // This thread changes the record inside a transaction and keeps it open.
  ASSERT_EQ(T().SetProperty(kPropEnrolled, "1"), kNoError);
  ASSERT_EQ(BeginTransaction(1), kNoError) << LastError().driverText;
  R().CODE = "L1";
  ASSERT_EQ(T().Get(1), kNoError);
  R().DESCRIPTION = "first station";
  ASSERT_EQ(T().Put(), kNoError) << LastError().driverText;

  ErrorCode otherResult = kNoError;
  double waited = 0;
  std::thread other([&] {
    Table& t = decl_->Instance();
    ASSERT_EQ(t.Open(), kNoError) << LastError().driverText;
    ASSERT_EQ(t.SetProperty(kPropEnrolled, "1"), kNoError);
    // SQLite takes its write lock at the first write, so both begin before either waits.
    ASSERT_EQ(BeginTransaction(1), kNoError) << LastError().driverText;
    auto& r = t.RecordAs<ItemRecord>();
    ItemLayout().Clear(t.Record());
    r.CODE = "L2";
    r.DESCRIPTION = "second station";
    auto start = std::chrono::steady_clock::now();
    otherResult = t.Add();
    if (otherResult == kNoError) {
      r.CODE = "L1";
      if (t.Get(1) == kNoError) {
        r.DESCRIPTION = "second station";
        otherResult = t.Put();
      }
    }
    waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    (void)RollbackTransaction();
    EXPECT_EQ(t.Close(), kNoError);
  });
  other.join();
  EXPECT_EQ(otherResult, kRecordHeldError);
  EXPECT_LT(waited, 4.0) << "the wait ends at the transaction's time-out (1 s)";
  EXPECT_GE(waited, 0.5) << "the other station did wait for the lock";
  ASSERT_EQ(CommitTransaction(), kNoError) << LastError().driverText;
  ASSERT_EQ(T().Get(1), kNoError);
  EXPECT_EQ(R().DESCRIPTION.Clipped(), "first station");
}

INSTANTIATE_TEST_SUITE_P(Databases, StorageSuite, ::testing::ValuesIn(AllBackends()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kv::testing

namespace kv::testing {
namespace {

// The SQL Server path end to end as far as this machine allows: the owner string becomes an
// ODBC connection string that the installed driver accepts and tries; with no server listening
// the open fails as a driver error carrying the driver's own text.
TEST(SqlServerOwner, UnreachableServerIsADriverErrorWithTheDriversText) {
  if (!OdbcDriverInstalled("FreeTDS")) GTEST_SKIP() << "no FreeTDS ODBC driver";
  TableDecl decl("Products", "Products", kSqlDriver, ItemLayout());
  decl.SetOwnerText("\"127.0.0.1,9\",Shop,sa,pa,ss");
  EXPECT_EQ(decl.Instance().Open(), kDriverError);
  EXPECT_FALSE(LastError().driverText.empty());
  // A database name that would end its braced value early is refused before connecting.
  decl.SetOwnerText("\"127.0.0.1,9\",Shop};Driver={x},sa,pw");
  EXPECT_EQ(decl.Instance().Open(), kDriverError);
  EXPECT_NE(LastError().driverText.find("database name holds"), std::string::npos)
      << LastError().driverText;
}

}  // namespace
}  // namespace kv::testing
