// Keyset paging against an in-memory sort: for every order (ascending, descending, mixed,
// case-insensitive, with NULLs, blanks and equal values broken by the primary key), reading
// forward and backward from every position through views and tables gives exactly the rows
// that sorting the table in memory gives, on SQLite and PostgreSQL.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

#include "PageTable.h"
#include "StorageFixture.h"
#include "platform/storage/KeysetBuilder.h"
#include "platform/storage/LastError.h"
#include "platform/storage/View.h"
#include "platform/values/Utf8Text.h"

namespace kv::testing {
namespace {

struct Row {
  int id;
  std::optional<std::string> grp;  // nullopt: NULL (only in tables made elsewhere)
  std::string amt;
  int n;
  std::string name;
  std::optional<std::string> note;
};

// Equal values, blanks, capitals against small letters (accented ones too: écrou, ÉCROU, and ÿ,
// which has no capital), and NULLs in the note.
std::vector<Row> SampleRows(bool nullGroups) {
  const char* groups[] = {"B", "", "a", "A", "b", "B", "A"};
  // clang-format off
  const char* names[] = {"delta", "Alpha", "alpha", "BRAVO", "charlie", "Charlie", "", "bravo",
                         "\xC3\xA9" "crou", "\xC3\x89" "CROU", "\xC3\xBF"};
  // clang-format on
  const char* amounts[] = {"1.50", "-2.00", "10.00", "1.5", "0.00", "99.99"};
  std::vector<Row> rows;
  for (int i = 0; i < 36; ++i) {
    Row r;
    r.id = (i * 17) % 36 + 1;  // not in insertion order
    r.grp = groups[i % 7];
    if (nullGroups && i % 5 == 2) r.grp.reset();
    r.amt = amounts[i % 6];
    r.n = i % 4;
    r.name = names[i % 11];
    if (i % 3 != 0) r.note = i % 9 == 1 ? "" : std::string(1, char('x' - i % 3));
    rows.push_back(r);
  }
  return rows;
}

SqlValue ValueOf(const Row& r, PageField f) {
  switch (f) {
    case kId:
      return SqlValue::Integer(r.id);
    case kGrp:
      return r.grp ? SqlValue::Text(*r.grp) : SqlValue::Null();
    case kAmt:
      return SqlValue::Decimal(r.amt);
    case kN:
      return SqlValue::Integer(r.n);
    case kName:
      return SqlValue::Text(r.name);
    case kNote:
      return r.note ? SqlValue::Text(*r.note) : SqlValue::Null();
  }
  return {};
}

// One component of an order as the test sorts it.
struct Part {
  PageField field;
  bool ascending;
  bool fold;
};

// The ids of `rows` sorted along `parts`, completed by the id.
std::vector<int> SortedIds(std::vector<Row> rows, std::vector<Part> parts,
                           bool idAscending = true) {
  parts.push_back({kId, idAscending, false});
  std::vector<OrderTerm> terms;
  for (const Part& p : parts) {
    OrderTerm t;
    t.ascending = p.ascending;
    t.foldsValue = p.fold;
    terms.push_back(t);
  }
  auto values = [&](const Row& r) {
    std::vector<SqlValue> v;
    for (const Part& p : parts) v.push_back(ValueOf(r, p.field));
    return v;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
    return CompareOrderValues(terms, values(a), values(b)) < 0;
  });
  std::vector<int> ids;
  for (const Row& r : rows) ids.push_back(r.id);
  return ids;
}

class KeysetPaging : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    std::string why;
    if (!PrepareBackend(GetParam(), {TableName()}, &why)) {
      if (GetParam().name.rfind("postgres", 0) == 0 && PostgresRequired())
        FAIL() << "PostgreSQL is required: " << why;
      GTEST_SKIP() << why;
    }
    decl_ = MakePageDecl(TableName(), OwnerFor(GetParam()));
  }

  static std::string TableName() { return UniqueName("KPages"); }
  Table& T() { return decl_->Instance(); }
  PageRecord& R() { return T().RecordAs<PageRecord>(); }

  // A table made elsewhere: the same columns, but nothing NOT NULL, so key columns hold NULL.
  void MakeTableWithoutConstraints() {
    const std::string number = GetParam().name == "sqlite" ? "NUMERIC" : "NUMERIC(9,2)";
    ASSERT_EQ(ExecDirect(GetParam(), "CREATE TABLE \"" + TableName() +
                                         "\" (\"Id\" INTEGER, \"Grp\" VARCHAR(10), \"Amt\" " +
                                         number + ", \"N\" INTEGER, \"Name\" VARCHAR(20), " +
                                         "\"Note\" VARCHAR(10))"),
              "");
  }

  void Load(const std::vector<Row>& rows) {
    ASSERT_EQ(T().Create(), kNoError) << LastError().driverText;
    ErrorCode opened = T().Open();
    if (opened == kRebuildKeysError) {  // a table made elsewhere whose text is not in byte order
      ASSERT_EQ(T().BuildKeys(), kNoError) << LastError().driverText;
      opened = T().Open();
    }
    ASSERT_EQ(opened, kNoError) << LastError().driverText;
    for (const Row& r : rows) {
      PageLayout().Clear(T().Record());
      R().ID = r.id;
      R().GRP = r.grp.value_or("");
      ASSERT_EQ(R().AMT.SetText(r.amt), ValueStatus::kOk);
      R().N = r.n;
      R().NAME = r.name;
      R().NOTE = r.note.value_or("");
      for (int f = 0; f < 6; ++f) T().SetNonNull(f);
      if (!r.grp) T().SetNull(kGrp);
      if (!r.note) T().SetNull(kNote);
      ASSERT_EQ(T().Add(), kNoError) << LastError().driverText;
    }
  }

  // From every position: the rows read forward and backward (up to `count` of them, more than
  // a page) after positioning there, and both whole passes.
  void CheckEveryStart(const std::vector<int>& sorted, const std::function<void()>& toStart,
                       const std::function<bool(bool)>& read,
                       const std::function<void(int id)>& positionAt, int count) {
    auto readIds = [&](bool forward, int max) {
      std::vector<int> ids;
      while (int(ids.size()) < max && read(forward)) ids.push_back(int(R().ID));
      return ids;
    };
    toStart();
    EXPECT_EQ(readIds(true, 1000), sorted) << "forward pass";
    toStart();
    std::vector<int> back(sorted.rbegin(), sorted.rend());
    EXPECT_EQ(readIds(false, 1000), back) << "backward pass";
    for (size_t p = 0; p < sorted.size(); ++p) {
      SCOPED_TRACE("from position " + std::to_string(p));
      std::vector<int> ahead(sorted.begin() + long(p),
                             sorted.begin() + long(std::min(sorted.size(), p + size_t(count))));
      positionAt(sorted[p]);
      EXPECT_EQ(readIds(true, count), ahead);
      std::vector<int> behind;
      for (size_t q = p + 1; q-- > 0 && behind.size() < size_t(count);) behind.push_back(sorted[q]);
      positionAt(sorted[p]);
      EXPECT_EQ(readIds(false, count), behind);
    }
  }

  void CheckViews(const std::vector<Row>& rows) {
    struct Case {
      const char* order;
      std::vector<Part> parts;
      bool idAscending = true;
    } cases[] = {
        {"+KP:GRP", {{kGrp, true, false}}},
        {"-KP:GRP", {{kGrp, false, false}}},
        // A key: ties are broken by the identity running as its last component does.
        {"+KP:GRP,-KP:AMT", {{kGrp, true, false}, {kAmt, false, false}}, false},
        {"-KP:AMT,+KP:N", {{kAmt, false, false}, {kN, true, false}}},
        {"+UPPER(KP:NAME)", {{kName, true, true}}},
        {"-UPPER(KP:NAME),+KP:GRP", {{kName, false, true}, {kGrp, true, false}}},
        {"+KP:NOTE", {{kNote, true, false}}},
        {"-KP:NOTE,-KP:N", {{kNote, false, false}, {kN, false, false}}},
        {"+KP:GRP,+KP:N,+KP:AMT", {{kGrp, true, false}, {kN, true, false}, {kAmt, true, false}}},
        // A key read the other way round: ties are broken the other way too, as in its index.
        {"-KP:GRP,-KP:N,-KP:AMT",
         {{kGrp, false, false}, {kN, false, false}, {kAmt, false, false}},
         false},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.order);
      const std::vector<int> sorted = SortedIds(rows, c.parts, c.idAscending);
      View v(T());
      ASSERT_EQ(v.SetOrder(c.order), kNoError);
      v.SetPaging(4, 1, 0, 60);
      ASSERT_EQ(v.Open(), kNoError) << LastError().driverText;
      std::map<int, std::string> positions;
      (void)v.SetStart();
      while (v.Next() == kNoError) positions[int(R().ID)] = v.Position();
      CheckEveryStart(
          sorted, [&] { ASSERT_EQ(v.SetStart(), kNoError); },
          [&](bool forward) { return (forward ? v.Next() : v.Previous()) == kNoError; },
          [&](int id) { ASSERT_EQ(v.ResetTo(positions[id]), kNoError); }, 6);
    }
  }

  void CheckTableKeys(const std::vector<Row>& rows) {
    struct Case {
      int key;
      std::vector<Part> parts;
      bool idAscending = true;  // the identity runs as the key's last component
    } cases[] = {
        {1, {}},
        {2, {{kGrp, true, false}, {kAmt, false, false}}, false},
        {3, {{kName, true, true}}},
        {4, {{kN, false, false}}, false},
        {5, {{kGrp, true, false}, {kN, true, false}, {kAmt, true, false}}},
    };
    ASSERT_EQ(T().SetProperty(kPropPrefetch, "4"), kNoError);
    for (const Case& c : cases) {
      SCOPED_TRACE("key " + std::to_string(c.key));
      const std::vector<int> sorted = SortedIds(rows, c.parts, c.idAscending);
      std::map<int, std::string> positions;
      ASSERT_EQ(T().SetKey(c.key), kNoError);
      while (T().Next() == kNoError) positions[int(R().ID)] = T().Position(c.key);
      CheckEveryStart(
          sorted, [&] { ASSERT_EQ(T().SetKey(c.key), kNoError); },
          [&](bool forward) { return (forward ? T().Next() : T().Previous()) == kNoError; },
          [&](int id) { ASSERT_EQ(T().ResetTo(c.key, positions[id]), kNoError); }, 6);
    }
  }

  std::unique_ptr<TableDecl> decl_;
};

TEST_P(KeysetPaging, EveryOrderFromEveryPositionMatchesTheSortInMemory) {
  const std::vector<Row> rows = SampleRows(false);
  Load(rows);
  CheckViews(rows);
  CheckTableKeys(rows);
}

// Rows whose order column is NULL have one place (first ascending, last descending) and are
// never lost, whichever way and from wherever a page starts.
TEST_P(KeysetPaging, NullsInKeyColumnsOfATableMadeElsewhereKeepTheirPlace) {
  MakeTableWithoutConstraints();
  const std::vector<Row> rows = SampleRows(true);
  ASSERT_GT(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return !r.grp; }), 5);
  Load(rows);
  CheckViews(rows);
  CheckTableKeys(rows);
}

// Only SQLite and PostgreSQL: the table of cases needs no ODBC variant.
std::vector<Backend> Servers() {
  std::vector<Backend> out;
  for (const Backend& b : AllBackends())
    if (b.name == "sqlite" || b.name == "postgres") out.push_back(b);
  return out;
}

INSTANTIATE_TEST_SUITE_P(Databases, KeysetPaging, ::testing::ValuesIn(Servers()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kv::testing
