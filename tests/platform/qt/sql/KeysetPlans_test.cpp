// What the servers' own planners make of the page statements a view sends: a page, wherever
// it starts, is an index range read in order, never a scan from the start. On PostgreSQL the
// executed plan (EXPLAIN ANALYZE) must not read more rows than the page returns plus the rows
// tied with its start on the leading index run; on SQLite the plan (EXPLAIN QUERY PLAN) must
// search the index, not scan it, and must not sort.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

#include "PageTable.h"
#include "StorageFixture.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/LastError.h"
#include "platform/storage/View.h"

namespace kv::testing {
namespace {

constexpr int kRows = 4000;
constexpr int kPage = 10;

// The statement with its values written in as literals: EXPLAIN cannot be prepared.
std::string WithLiterals(const Statement& st) {
  std::string out;
  size_t next = 0;
  for (char c : st.sql) {
    if (c != '?' || next >= st.binds.size()) {
      out += c;
      continue;
    }
    const SqlValue& v = st.binds[next++];
    switch (v.kind) {
      case SqlValue::Kind::kNull:
        out += "NULL";
        break;
      case SqlValue::Kind::kInteger:
        out += std::to_string(v.integer);
        break;
      case SqlValue::Kind::kReal:
        out += std::to_string(v.real);
        break;
      case SqlValue::Kind::kText:
      case SqlValue::Kind::kDecimal:
        out += '\'';
        for (char t : v.text) out += t == '\'' ? std::string("''") : std::string(1, t);
        out += '\'';
        break;
    }
  }
  return out;
}

struct PlanFigures {
  long read = 0;       // rows the table scans produced, those a filter dropped included
  long returned = -1;  // rows the statement returned
  bool fullScan = false;
};

void Walk(const QJsonObject& node, PlanFigures* f) {
  const std::string type = node["Node Type"].toString().toStdString();
  if (type == "Seq Scan") f->fullScan = true;
  if (f->returned < 0) f->returned = node["Actual Rows"].toInt();
  if (type == "Seq Scan" || type == "Index Scan" || type == "Index Only Scan" ||
      type == "Bitmap Heap Scan")
    f->read += node["Actual Rows"].toInt() + node["Rows Removed by Filter"].toInt() +
               node["Rows Removed by Index Recheck"].toInt();
  for (const QJsonValue& child : node["Plans"].toArray()) Walk(child.toObject(), f);
}

class KeysetPlans : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    std::string why;
    if (!PrepareBackend(GetParam(), {TableName()}, &why)) {
      if (GetParam().name.rfind("postgres", 0) == 0 && PostgresRequired())
        FAIL() << "PostgreSQL is required: " << why;
      GTEST_SKIP() << why;
    }
    decl_ = MakePageDecl(TableName(), OwnerFor(GetParam()));
    ASSERT_EQ(decl_->Instance().Create(), kNoError) << LastError().driverText;
    const bool pg = GetParam().name == "postgres";
    // Eight groups (ties of 500), thirteen numbers, 400 names in two cases.
    const std::string rows = pg ? "generate_series(1, " + std::to_string(kRows) + ") i" : "s";
    const std::string with =
        pg ? ""
           : "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
                 std::to_string(kRows) + ") ";
    const std::string chr = pg ? "chr" : "char";
    ASSERT_EQ(
        ExecDirect(GetParam(),
                   with + "INSERT INTO \"" + TableName() +
                       "\" (\"Id\", \"Grp\", \"Amt\", \"N\", \"Name\", \"Note\") SELECT i, " + chr +
                       "(65 + i % 8), (i % 97) / 4.0, i % 13, CASE WHEN i % 2 = 0 "
                       "THEN 'name' ELSE 'NAME' END || (i % 400), NULL FROM " +
                       rows),
        "");
    ASSERT_EQ(ExecDirect(GetParam(), "ANALYZE \"" + TableName() + "\""), "");
    ASSERT_EQ(decl_->Instance().Open(), kNoError) << LastError().driverText;
  }

  static std::string TableName() { return UniqueName("KPlans"); }
  Table& T() { return decl_->Instance(); }

  // The page statement the view sends for the first read from `position` (empty: the start)
  // in the given direction.
  Statement PageStatement(View& v, const std::string& position, bool forward) {
    Statement page;
    SetStatementObserverForTests([&](const Statement& st) {
      if (st.sql.find(" ORDER BY ") != std::string::npos) page = st;
    });
    if (position.empty())
      EXPECT_EQ(v.SetStart(), kNoError);
    else
      EXPECT_EQ(v.ResetTo(position), kNoError);
    EXPECT_EQ(forward ? v.Next() : v.Previous(), kNoError);
    SetStatementObserverForTests({});
    return page;
  }

  std::unique_ptr<TableDecl> decl_;
};

TEST_P(KeysetPlans, PagesAreIndexRangesFromAnyStart) {
  const bool pg = GetParam().name == "postgres";
  struct Case {
    const char* order;
    // Rows tied with a start on the leading run of terms that one index range can start at
    // (the whole order when it runs one way; a row value of columns only on SQLite).
    int ties;
  } cases[] = {
      {"-KP:N", 0},  // a key: completed by the identity running its way, one row value
      {"+KP:N", 0},  // the same key read the other way round
      {"+UPPER(KP:NAME)", pg ? 0 : kRows / 400},
      {"+KP:GRP,-KP:AMT", kRows / 8},  // mixed directions: ties on the group at most
      {"+KP:GRP,+KP:N,+KP:AMT", 0},
      {"-KP:GRP,-KP:N,-KP:AMT", 0},
  };
  for (const Case& c : cases) {
    View v(T());
    ASSERT_EQ(v.SetOrder(c.order), kNoError);
    v.SetPaging(kPage, 0, 0, 60);
    ASSERT_EQ(v.Open(), kNoError) << LastError().driverText;
    // Positions at the start, a third of the way, the middle and near the end.
    std::vector<std::string> positions = {""};
    int n = 0;
    while (v.Next() == kNoError) {
      ++n;
      if (n == kRows / 3 || n == kRows / 2 || n == kRows - 5) positions.push_back(v.Position());
    }
    ASSERT_EQ(n, kRows);
    for (const std::string& position : positions)
      for (bool forward : {true, false}) {
        SCOPED_TRACE(std::string(c.order) + (forward ? " forward" : " backward") + " from " +
                     (position.empty() ? "the start" : position));
        const std::string sql = WithLiterals(PageStatement(v, position, forward));
        ASSERT_FALSE(sql.empty());
        if (pg) {
          std::vector<std::string> plan =
              QueryDirect(GetParam(), "EXPLAIN (ANALYZE, FORMAT JSON) " + sql);
          ASSERT_EQ(plan.size(), 1u);
          QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(plan[0]));
          ASSERT_TRUE(doc.isArray()) << plan[0];
          PlanFigures f;
          Walk(doc.array()[0].toObject()["Plan"].toObject(), &f);
          EXPECT_FALSE(f.fullScan) << plan[0];
          // A page that starts at a row includes that row and one more, so the reader
          // positioned there still gets a whole page after it.
          EXPECT_LE(f.returned, kPage + (position.empty() ? 0 : 1));
          EXPECT_LE(f.read, f.returned + c.ties) << sql << "\n" << plan[0];
        } else {
          std::string detail;
          for (const std::string& line : QueryDirect(GetParam(), "EXPLAIN QUERY PLAN " + sql))
            detail += line + "\n";
          EXPECT_EQ(detail.find("TEMP B-TREE"), std::string::npos) << sql << "\n" << detail;
          if (!position.empty()) {
            EXPECT_NE(detail.find("SEARCH"), std::string::npos) << sql << "\n" << detail;
          }
        }
      }
    EXPECT_EQ(v.Close(), kNoError);
  }
}

std::vector<Backend> Servers() {
  std::vector<Backend> out;
  for (const Backend& b : AllBackends())
    if (b.name == "sqlite" || b.name == "postgres") out.push_back(b);
  return out;
}

INSTANTIATE_TEST_SUITE_P(Databases, KeysetPlans, ::testing::ValuesIn(Servers()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kv::testing
