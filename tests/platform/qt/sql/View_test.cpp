// Views on every database the SQL driver reaches: order and filter texts, joins, positioning,
// and what paging sends to the database.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "StorageFixture.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/LastError.h"
#include "platform/storage/View.h"

namespace kv::testing {
namespace {

struct ProviderRecord {
  Long ID;
  String<30> NAME;
};

const FieldTable& ProviderFields() {
  static const FieldTable table = FieldTable::For<ProviderRecord>({
      KV_FIELD(ProviderRecord, ID, "PRV:ID", "@n-14", "Id"),
      KV_FIELD(ProviderRecord, NAME, "PRV:NAME", "@s30", "Name"),
  });
  return table;
}

const FieldTableLayout& ProviderLayout() {
  static const FieldTableLayout layout(ProviderFields());
  return layout;
}

// Records every statement the connections run while alive.
class StatementLog {
 public:
  StatementLog() {
    SetStatementObserverForTests([this](const Statement& st) { sql_.push_back(st.sql); });
  }
  ~StatementLog() { SetStatementObserverForTests({}); }
  const std::vector<std::string>& Sql() const { return sql_; }
  void Clear() { sql_.clear(); }

 private:
  std::vector<std::string> sql_;
};

class ViewSuite : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    std::string why;
    if (!PrepareBackend(GetParam(), {Items(), Providers()}, &why)) {
      if (GetParam().name.rfind("postgres", 0) == 0 && PostgresRequired())
        FAIL() << "PostgreSQL is required: " << why;
      GTEST_SKIP() << why;
    }
    std::string owner = OwnerFor(GetParam());
    items_ = std::make_unique<TableDecl>("Items", Items(), kSqlDriver, ItemLayout());
    items_->SetOwnerText(owner);
    items_->AddKey({"ITM:PK_Code", "", {{0, true}}, false, false, true});
    items_->AddKey({"ITM:ByProvider", "", {{3, true}, {0, true}}, true, false, false});
    providers_ =
        std::make_unique<TableDecl>("Providers", Providers(), kSqlDriver, ProviderLayout());
    providers_->SetOwnerText(owner);
    providers_->AddKey({"PRV:PK_Id", "", {{0, true}}, false, false, true});
    for (Table* t : {&I(), &P()}) {
      ASSERT_EQ(t->Create(), kNoError) << LastError().driverText;
      ASSERT_EQ(t->Open(), kNoError) << LastError().driverText;
    }
  }

  static std::string Items() { return UniqueName("VItems"); }
  static std::string Providers() { return UniqueName("VProviders"); }
  Table& I() { return items_->Instance(); }
  Table& P() { return providers_->Instance(); }
  ItemRecord& R() { return I().RecordAs<ItemRecord>(); }

  void AddItem(const std::string& code, const std::string& desc, const std::string& price,
               int provider) {
    ItemLayout().Clear(I().Record());
    R().CODE = code;
    R().DESCRIPTION = desc;
    ASSERT_EQ(R().PRICE.SetText(price), ValueStatus::kOk);
    R().PROVIDER = provider;
    ASSERT_EQ(I().Add(), kNoError) << LastError().driverText;
  }
  void AddProvider(int id, const std::string& name) {
    P().RecordAs<ProviderRecord>().ID = id;
    P().RecordAs<ProviderRecord>().NAME = name;
    ASSERT_EQ(P().Add(), kNoError) << LastError().driverText;
  }
  void AddSample() {
    AddItem("A1", "widget", "5.00", 2);
    AddItem("B2", "Gadget", "12.50", 1);
    AddItem("C3", "12' Pipe", "7.25", 2);
    AddItem("D4", "bolt", "0.10", 9);  // provider 9 does not exist
    AddItem("E5", "Anchor", "12.50", 1);
    AddProvider(1, "Zeta");
    AddProvider(2, "Alpha");
  }

  static std::vector<std::string> ReadCodes(View& v, Table& t, bool forward, int max = 1000) {
    std::vector<std::string> codes;
    while (int(codes.size()) < max && (forward ? v.Next() : v.Previous()) == kNoError)
      codes.emplace_back(t.RecordAs<ItemRecord>().CODE.Clipped());
    return codes;
  }

  std::unique_ptr<TableDecl> items_;
  std::unique_ptr<TableDecl> providers_;
};

TEST_P(ViewSuite, OrderAndFilterTextsReadInBothDirections) {
  AddSample();
  struct Case {
    const char* order;
    const char* filter;
    std::vector<std::string> forward;
  } cases[] = {
      {"", "", {"A1", "B2", "C3", "D4", "E5"}},
      {"+ITM:CODE", "", {"A1", "B2", "C3", "D4", "E5"}},
      {"-ITM:PRICE", "", {"B2", "E5", "C3", "A1", "D4"}},  // ties broken by the code
      {"-ITM:PRICE,-ITM:CODE", "", {"E5", "B2", "C3", "A1", "D4"}},
      {"+UPPER(ITM:DESCRIPTION)", "", {"C3", "E5", "D4", "B2", "A1"}},
      {"ITM:DESCRIPTION", "", {"C3", "E5", "B2", "D4", "A1"}},  // byte order: capitals first
      {"+ITM:CODE", "ITM:PRICE >= 7", {"B2", "C3", "E5"}},
      {"+ITM:CODE", "UPPER(ITM:DESCRIPTION) = UPPER('12'' Pipe')", {"C3"}},
      {"-ITM:PROVIDER,+ITM:CODE", "ITM:PROVIDER <> 9 AND ITM:PRICE < 10", {"A1", "C3"}},
      {"+ITM:CODE", "ITM:CODE = 'nothing'", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.order) + " / " + c.filter);
    View v(I());
    ASSERT_EQ(v.SetOrder(c.order), kNoError);
    ASSERT_EQ(v.SetFilter(c.filter), kNoError);
    v.SetPaging(2, 1, 0, 60);  // pages smaller than the result, so paging takes part
    ASSERT_EQ(v.Open(), kNoError) << LastError().driverText;
    EXPECT_EQ(ReadCodes(v, I(), true), c.forward);
    EXPECT_EQ(LastError().code, kNoRecordError);
    std::vector<std::string> back = c.forward;
    std::reverse(back.begin(), back.end());
    ASSERT_EQ(v.SetStart(), kNoError);
    EXPECT_EQ(ReadCodes(v, I(), false), back);
  }
}

TEST_P(ViewSuite, JoinedFilesFillTheirBuffersAndOrderAndFilterByRelatedFields) {
  AddSample();
  View v(I());
  ASSERT_EQ(v.AddJoin(P(), 1, {3}), 1);
  EXPECT_EQ(v.AddJoin(P(), 7, {3}), -1) << "no such key";
  EXPECT_EQ(v.FieldLabel({1, 1}), "PRV:NAME");
  ASSERT_EQ(v.SetOrder("+PRV:NAME,+ITM:CODE"), kNoError);
  ASSERT_EQ(v.Open(), kNoError) << LastError().driverText;
  std::vector<std::string> rows;
  while (v.Next() == kNoError)
    rows.push_back(std::string(R().CODE.Clipped()) + "/" +
                   std::string(P().RecordAs<ProviderRecord>().NAME.Clipped()));
  // The item without a provider has a cleared provider record; an empty name sorts first.
  EXPECT_EQ(rows, (std::vector<std::string>{"D4/", "A1/Alpha", "C3/Alpha", "B2/Zeta", "E5/Zeta"}));
  ASSERT_EQ(v.SetFilter("PRV:NAME = 'Zeta'"), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), false), (std::vector<std::string>{"E5", "B2"}));
}

TEST_P(ViewSuite, PagingReadsPagesByKeysetAndNeverTheWholeTable) {
  for (int i = 0; i < 95; ++i) {
    char code[8];
    std::snprintf(code, sizeof code, "K%03d", i);
    AddItem(code, "item", std::to_string(i % 7) + ".00", i % 3);
  }
  StatementLog log;
  View v(I());
  ASSERT_EQ(v.SetOrder("-ITM:PRICE"), kNoError);
  v.SetPaging(10, 2, 0, 60);
  ASSERT_EQ(v.Open(), kNoError);
  ASSERT_EQ(ReadCodes(v, I(), true).size(), 95u);
  // Ten pages of ten rows (the last one short) and one statement that finds the end.
  EXPECT_EQ(v.Statements(), 11);
  const size_t forwardStatements = log.Sql().size();
  EXPECT_EQ(forwardStatements, 11u);
  // Two pages are kept behind the end: reading back over them runs no statement.
  EXPECT_EQ(ReadCodes(v, I(), false, 20).size(), 20u);
  EXPECT_EQ(log.Sql().size(), forwardStatements);
  // Further back the view pages backwards, a page at a time.
  EXPECT_EQ(ReadCodes(v, I(), false).size(), 75u);
  EXPECT_LE(log.Sql().size(), forwardStatements + 9);

  // Read ahead: a page of 10 with two pages ahead reads 30 rows per statement.
  log.Clear();
  v.SetPaging(10, 0, 2, 60);
  ASSERT_EQ(v.SetStart(), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), true, 31).size(), 31u);
  EXPECT_EQ(log.Sql().size(), 2u);

  const std::regex limit(R"((LIMIT|TOP \() *(\d+))");
  ASSERT_FALSE(log.Sql().empty());
  for (const std::string& sql : log.Sql()) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(sql.find("OFFSET"), std::string::npos);
    EXPECT_EQ(sql.find("COUNT("), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(sql, m, limit)) << "every page statement is limited";
    EXPECT_LE(std::stoi(m[2]), 30);
  }
}

TEST_P(ViewSuite, PositionsResetAndRegetAgreeWithTheTable) {
  AddSample();
  View v(I());
  ASSERT_EQ(v.SetOrder("+UPPER(ITM:DESCRIPTION)"), kNoError);
  v.SetPaging(2, 0, 0, 60);
  ASSERT_EQ(v.Open(), kNoError);
  ASSERT_EQ(v.Next(), kNoError);
  ASSERT_EQ(v.Next(), kNoError);  // E5 "Anchor"
  std::string pos = v.Position();
  EXPECT_EQ(pos, I().Position(0)) << "a view position is the primary record's position";
  // The record read through the view is current in the table: it can be written back.
  R().DESCRIPTION = "Anchor bolt";
  EXPECT_EQ(I().Put(), kNoError) << LastError().driverText;

  ASSERT_EQ(v.ResetTo(pos), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), true), (std::vector<std::string>{"E5", "D4", "B2", "A1"}));
  ASSERT_EQ(v.ResetTo(pos), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), false), (std::vector<std::string>{"E5", "C3"}));
  ItemLayout().Clear(I().Record());
  ASSERT_EQ(v.Reget(pos), kNoError);
  EXPECT_EQ(R().DESCRIPTION.Clipped(), "Anchor bolt");
  EXPECT_EQ(ReadCodes(v, I(), true, 1), std::vector<std::string>{"D4"});

  // Positioning by the buffer's values of the first order component.
  R().DESCRIPTION = "c";
  ASSERT_EQ(v.SetStart(1), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), true, 1), std::vector<std::string>{"B2"});  // GADGET >= C
  R().DESCRIPTION = "c";
  ASSERT_EQ(v.SetStart(1), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), false, 1), std::vector<std::string>{"D4"});  // BOLT <= C

  ASSERT_EQ(I().Reget(0, pos), kNoError);
  ASSERT_EQ(I().Delete(), kNoError);
  // E5 is still among the rows held: positioning at it needs no statement and, now that it is
  // gone, the reads go on from its place.
  const int before = v.Statements();
  ASSERT_EQ(v.ResetTo(pos), kNoError);
  EXPECT_EQ(v.Statements(), before);
  EXPECT_EQ(ReadCodes(v, I(), true, 1), std::vector<std::string>{"D4"});
  ASSERT_EQ(v.SetStart(0), kNoError);  // nothing held any more
  EXPECT_EQ(v.ResetTo(pos), kNoRecordError);
  EXPECT_EQ(v.Reget(pos), kNoRecordError);
  EXPECT_EQ(v.ResetTo("garbage"), kNoRecordError);

  // In the primary's identity order a position is its order values: no statement either, and
  // a vanished row still has its place.
  ASSERT_EQ(v.SetOrder(""), kNoError);
  const int identityBefore = v.Statements();
  ASSERT_EQ(v.ResetTo(pos), kNoError);
  EXPECT_EQ(v.Statements(), identityBefore);
  EXPECT_TRUE(ReadCodes(v, I(), true, 1).empty()) << "E5 was the last code";
  ASSERT_EQ(v.ResetTo(pos), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), false, 1), std::vector<std::string>{"D4"});
}

TEST_P(ViewSuite, WatchAndFlushReadChangesMadeElsewhere) {
  AddSample();
  View v(I());
  v.SetPaging(10, 2, 0, 60);
  ASSERT_EQ(v.Open(), kNoError);
  ASSERT_EQ(ReadCodes(v, I(), true, 2).size(), 2u);  // A1, B2 held with the rest of the page
  ASSERT_EQ(ExecDirect(GetParam(), "UPDATE \"" + Items() +
                                       "\" SET \"Description\" = 'changed' WHERE \"Code\" = 'A1'"),
            "");
  ASSERT_EQ(v.Previous(), kNoError);
  EXPECT_EQ(R().DESCRIPTION.Clipped(), "widget") << "a held row is not read again";
  ASSERT_EQ(v.Next(), kNoError);
  v.Watch();
  ASSERT_EQ(v.Previous(), kNoError);
  EXPECT_EQ(R().CODE.Clipped(), "A1");
  EXPECT_EQ(R().DESCRIPTION.Clipped(), "changed");
  ASSERT_EQ(ExecDirect(GetParam(), "DELETE FROM \"" + Items() + "\" WHERE \"Code\" = 'B2'"), "");
  v.Flush();
  EXPECT_EQ(ReadCodes(v, I(), true), (std::vector<std::string>{"C3", "D4", "E5"}));
}

TEST_P(ViewSuite, RowsAddedPastAnEndAreReadNextWithoutSkipping) {
  AddSample();
  View v(I());
  v.SetPaging(2, 1, 0, 60);
  ASSERT_EQ(v.Open(), kNoError);
  EXPECT_EQ(ReadCodes(v, I(), true).size(), 5u);
  AddItem("F6", "late", "1.00", 1);
  AddItem("F7", "later", "1.00", 1);
  EXPECT_EQ(ReadCodes(v, I(), true), (std::vector<std::string>{"F6", "F7"}));
  ASSERT_EQ(v.SetStart(), kNoError);
  ASSERT_EQ(v.Next(), kNoError);
  EXPECT_EQ(v.Previous(), kNoRecordError);
  AddItem("0A", "early", "1.00", 1);
  EXPECT_EQ(ReadCodes(v, I(), false), std::vector<std::string>{"0A"});
}

TEST_P(ViewSuite, FiltersWithoutAServerFormRunOnEachRow) {
  AddSample();
  View v(I());
  ASSERT_EQ(v.SetFilter("FORMAT(ITM:PRICE,@n6.2) = ' 12.50'"), kNoError);
  v.SetPaging(1, 0, 0, 60);
  ASSERT_EQ(v.Open(), kNoError);
  EXPECT_TRUE(v.FiltersLocally());
  EXPECT_EQ(ReadCodes(v, I(), true), (std::vector<std::string>{"B2", "E5"}));
  EXPECT_EQ(R().CODE.Clipped(), "E5") << "the buffers keep the last row that passed";
  // From the end, reading back starts with the last row that passes.
  EXPECT_EQ(ReadCodes(v, I(), false), (std::vector<std::string>{"E5", "B2"}));
}

TEST_P(ViewSuite, ErrorsAreCodesWithTexts) {
  View v(I());
  EXPECT_EQ(v.Next(), kNotOpenError);
  EXPECT_EQ(v.Close(), kNotOpenError);
  ASSERT_EQ(v.SetOrder("+NOSUCH:FIELD"), kNoError);  // checked when opened
  EXPECT_EQ(v.Open(), kDriverError);
  EXPECT_NE(LastError().driverText.find("NOSUCH"), std::string::npos) << LastError().driverText;
  ASSERT_EQ(v.SetOrder("+ITM:CODE"), kNoError);
  ASSERT_EQ(v.Open(), kNoError);
  EXPECT_EQ(v.Open(), kAlreadyOpenError);
  EXPECT_EQ(v.SetOrder("+ITM:CODE,,"), kDriverError);
  EXPECT_EQ(v.Order(), "+ITM:CODE") << "a bad order leaves the old one";
  EXPECT_EQ(v.SetFilter("ITM:PRICE >"), kDriverError);
  EXPECT_EQ(v.Filter(), "");
  EXPECT_EQ(v.Close(), kNoError);
  ASSERT_EQ(P().Close(), kNoError);
  View joined(I());
  ASSERT_EQ(joined.AddJoin(P(), 1, {3}), 1);
  EXPECT_EQ(joined.Open(), kNotOpenError) << "every file must be open";
}

INSTANTIATE_TEST_SUITE_P(Databases, ViewSuite, ::testing::ValuesIn(AllBackends()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kv::testing
