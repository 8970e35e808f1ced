// Prepared statements kept by a connection: a statement run again is executed without being
// prepared again (PostgreSQL shows one prepared statement executed many times), the number
// kept is bounded, and a failed statement or a rolled-back transaction leaves the connection
// working.

#include <gtest/gtest.h>

#include "platform/qt/sql/SqlConnection.h"
#include "tests/platform/qt/sql/StorageFixture.h"

namespace kv::testing {
namespace {

class PreparedStatements : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    std::string why;
    if (!PrepareBackend(GetParam(), {Table()}, &why)) {
      if (GetParam().name == "postgres" && PostgresRequired())
        FAIL() << "PostgreSQL is required: " << why;
      GTEST_SKIP() << why;
    }
    StorageError e;
    conn = ConnectionFor(OwnerFor(GetParam()), &e);
    ASSERT_TRUE(conn) << e.driverText;
    ASSERT_TRUE(
        Ok(conn->Exec({"CREATE TABLE " + Quoted() + " (k INTEGER PRIMARY KEY, v TEXT)", {}})));
  }
  void TearDown() override {
    conn.reset();
    ForgetThreadConnections();
  }
  static std::string Table() { return UniqueName("Prepared"); }
  static std::string Quoted() { return "\"" + Table() + "\""; }
  static ::testing::AssertionResult Ok(const StorageError& e) {
    if (e.ok()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << e.driverText;
  }
  StorageError Insert(int k) {
    return conn->Exec({"INSERT INTO " + Quoted() + " (k, v) VALUES (?, ?)",
                       {SqlValue::Integer(k), SqlValue::Text("v" + std::to_string(k))}});
  }
  std::vector<std::vector<SqlValue>> Page(int after, int rows) {
    std::vector<std::vector<SqlValue>> out;
    std::vector<ColumnDesc> typed(2);
    typed[0].type = ColumnType::kInteger;
    typed[1].type = ColumnType::kText;
    EXPECT_TRUE(Ok(conn->Exec({"SELECT k, v FROM " + Quoted() + " WHERE k > ? ORDER BY k LIMIT ?",
                               {SqlValue::Integer(after), SqlValue::Integer(rows)}},
                              &typed, &out)));
    return out;
  }

  std::shared_ptr<SqlConnection> conn;
};

TEST_P(PreparedStatements, StatementsRunAgainAreExecutedWithoutPreparingAgain) {
  for (int k = 1; k <= 100; ++k) ASSERT_TRUE(Ok(Insert(k)));
  for (int page = 0; page < 10; ++page) {
    std::vector<std::vector<SqlValue>> rows = Page(page * 10, 10);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0][0].integer, page * 10 + 1) << "the new values are bound each time";
  }
  EXPECT_EQ(conn->PreparedStatements(), 2u) << "the insert and the page";
  if (GetParam().name == "postgres") {
    std::vector<std::vector<SqlValue>> stats;
    std::vector<ColumnDesc> typed(2);
    typed[0].type = typed[1].type = ColumnType::kInteger;
    ASSERT_TRUE(Ok(conn->Exec({"SELECT count(*), sum(generic_plans + custom_plans) FROM "
                               "pg_prepared_statements WHERE statement LIKE $$%SELECT k, v FROM%$$",
                               {}},
                              &typed, &stats)));
    ASSERT_EQ(stats.size(), 1u);
    EXPECT_EQ(stats[0][0].integer, 1) << "the page was prepared once";
    EXPECT_EQ(stats[0][1].integer, 10) << "and executed ten times";
  }
}

TEST_P(PreparedStatements, KeptStatementsAreBoundedAndFailuresLeaveTheConnectionWorking) {
  for (int k = 1; k <= 3 * int(PreparedCache::kMaxStatements); ++k) {
    // Each statement text is new (a different literal limit).
    std::vector<std::vector<SqlValue>> out;
    std::vector<ColumnDesc> typed(1);
    typed[0].type = ColumnType::kInteger;
    ASSERT_TRUE(
        Ok(conn->Exec({"SELECT k FROM " + Quoted() + " WHERE k > ? LIMIT " + std::to_string(k),
                       {SqlValue::Integer(0)}},
                      &typed, &out)));
  }
  EXPECT_EQ(conn->PreparedStatements(), PreparedCache::kMaxStatements);

  ASSERT_TRUE(Ok(Insert(1)));
  EXPECT_EQ(Insert(1).code, kDuplicateKeyError);
  EXPECT_TRUE(Ok(Insert(2))) << "the statement prepared again after its failure";

  ASSERT_TRUE(Ok(conn->Begin(5)));
  ASSERT_TRUE(Ok(Insert(3)));
  EXPECT_EQ(Insert(3).code, kDuplicateKeyError);  // rolls the transaction back
  EXPECT_EQ(conn->PreparedStatements(), 0u);
  EXPECT_TRUE(Ok(Insert(4)));
  ASSERT_TRUE(Ok(conn->Begin(5)));
  ASSERT_TRUE(Ok(Insert(5)));
  ASSERT_TRUE(Ok(conn->Rollback()));
  EXPECT_TRUE(Ok(Insert(6)));
  std::vector<std::vector<SqlValue>> rows = Page(0, 100);
  std::vector<std::int64_t> keys;
  for (const auto& r : rows) keys.push_back(r[0].integer);
  EXPECT_EQ(keys, (std::vector<std::int64_t>{1, 2, 4, 6}));
}

std::vector<Backend> Servers() {
  std::vector<Backend> out;
  for (const Backend& b : AllBackends())
    if (b.name == "sqlite" || b.name == "postgres") out.push_back(b);
  return out;
}

INSTANTIATE_TEST_SUITE_P(Databases, PreparedStatements, ::testing::ValuesIn(Servers()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kv::testing
