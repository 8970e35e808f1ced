// The form of the keyset conditions (which the servers' own plans depend on) and the local
// comparison of order values. What the conditions select is checked on real databases in
// tests/platform/qt/sql/KeysetPaging_test.cpp.
#include "platform/storage/KeysetBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/platform/storage/FoldText.h"

namespace kv {
namespace {

OrderTerm Term(const char* sql, bool ascending, ColumnType type, bool nullable) {
  OrderTerm t;
  t.sql = sql;
  t.isColumn = true;
  t.ascending = ascending;
  t.column.type = type;
  t.column.nullable = nullable;
  return t;
}

int Marks(const std::string& s) {
  return int(std::count(s.begin(), s.end(), '?'));
}

TEST(KeysetBuilder, RowValuesWhereEveryTermRunsOneWayElseALeadingBound) {
  const OrderTerm a = Term("a", true, ColumnType::kInteger, false);
  const OrderTerm aDesc = Term("a", false, ColumnType::kInteger, false);
  const OrderTerm b = Term("b", true, ColumnType::kInteger, false);
  const OrderTerm bDesc = Term("b", false, ColumnType::kInteger, false);
  const OrderTerm bNull = Term("b", true, ColumnType::kInteger, true);
  const OrderTerm c = Term("c", true, ColumnType::kInteger, false);
  const OrderTerm cDesc = Term("c", false, ColumnType::kInteger, false);
  OrderTerm upperB = Term("UPPER(b)", true, ColumnType::kText, false);
  upperB.isColumn = false;
  const SqlValue one = SqlValue::Integer(1), two = SqlValue::Integer(2),
                 three = SqlValue::Integer(3);
  struct Case {
    DatabaseKind kind;
    std::vector<OrderTerm> terms;
    Direction direction;
    std::vector<SqlValue> values;
    bool inclusive;
    std::string expected;
  } cases[] = {
      {DatabaseKind::kSqlite,
       {a, b, c},
       Direction::kForward,
       {one, two, three},
       false,
       "(a, b, c) > (?, ?, ?)"},
      {DatabaseKind::kPostgres,
       {aDesc, bDesc},
       Direction::kForward,
       {one, two},
       true,
       "(a, b) <= (?, ?)"},
      {DatabaseKind::kPostgres, {a, b}, Direction::kBackward, {one, two}, false, "(a, b) < (?, ?)"},
      // SQLite searches by row values of columns only.
      {DatabaseKind::kSqlite,
       {upperB, a},
       Direction::kForward,
       {SqlValue::Text("x"), one},
       false,
       "(UPPER(b) >= ? AND (UPPER(b) > ? OR a > ?))"},
      {DatabaseKind::kPostgres,
       {upperB, a},
       Direction::kForward,
       {SqlValue::Text("x"), one},
       false,
       "(UPPER(b) COLLATE \"C\", a) > (?, ?)"},
      // One term: a plain comparison.
      {DatabaseKind::kSqlite, {a, b}, Direction::kForward, {one}, true, "a >= ?"},
      // Mixed directions and SQL Server: the leading bound, then the remaining comparisons.
      {DatabaseKind::kPostgres,
       {a, bDesc},
       Direction::kForward,
       {one, two},
       false,
       "(a >= ? AND (a > ? OR b < ?))"},
      {DatabaseKind::kSqlServer,
       {a, b, c},
       Direction::kForward,
       {one, two, three},
       false,
       "(a >= ? AND (a > ? OR (b >= ? AND (b > ? OR c > ?))))"},
      // Reading towards smaller values passes NULLs of a term that may hold them.
      {DatabaseKind::kPostgres,
       {a, bNull},
       Direction::kBackward,
       {one, two},
       false,
       "(a <= ? AND (a < ? OR (b < ? OR b IS NULL)))"},
      // Upwards a row value still serves a nullable term: NULL sorts before any value.
      {DatabaseKind::kPostgres,
       {a, bNull},
       Direction::kForward,
       {one, two},
       false,
       "(a, b) > (?, ?)"},
      // A NULL bound: after it come the rows with a value, and the NULL ties.
      {DatabaseKind::kSqlite,
       {a, bNull},
       Direction::kForward,
       {one, SqlValue::Null()},
       false,
       "(a >= ? AND (a > ? OR b IS NOT NULL))"},
      {DatabaseKind::kSqlite,
       {bNull, a},
       Direction::kBackward,
       {SqlValue::Null(), one},
       true,
       "(b IS NULL AND (a <= ?))"},
      {DatabaseKind::kSqlite,
       {bNull, a},
       Direction::kForward,
       {SqlValue::Null(), one},
       false,
       "(b IS NOT NULL OR a > ?)"},
  };
  for (const Case& k : cases) {
    KeysetBuilder keyset(DialectFor(k.kind), k.terms);
    Statement st;
    ASSERT_TRUE(keyset.AppendBound(&st, k.direction, {k.values, k.inclusive}));
    EXPECT_EQ(st.sql, k.expected);
    EXPECT_EQ(Marks(st.sql), int(st.binds.size())) << st.sql;
    for (const SqlValue& v : st.binds) EXPECT_FALSE(v.IsNull()) << st.sql;
  }
  KeysetBuilder keyset(DialectFor(DatabaseKind::kSqlite), {a});
  Statement none;
  EXPECT_FALSE(keyset.AppendBound(&none, Direction::kForward, {}));
  EXPECT_EQ(none.sql, "");
}

TEST(KeysetBuilder, TextInByteOrderNullsPlacedAndValuesFoldedLikeTheirTerm) {
  OrderTerm name = Term("UPPER(\"NAME\")", false, ColumnType::kText, true);
  name.foldsValue = true;
  OrderTerm price = Term("\"PRICE\"", true, ColumnType::kDecimal, false);
  KeysetBuilder pg(DialectFor(DatabaseKind::kPostgres), {name, price});
  Statement st;
  pg.AppendOrderBy(&st, Direction::kForward);
  EXPECT_EQ(st.sql, " ORDER BY UPPER(\"NAME\") COLLATE \"C\" DESC NULLS LAST, \"PRICE\" ASC");
  st = {};
  pg.AppendOrderBy(&st, Direction::kBackward);
  EXPECT_EQ(st.sql, " ORDER BY UPPER(\"NAME\") COLLATE \"C\" ASC NULLS FIRST, \"PRICE\" DESC");
  st = {};
  ASSERT_TRUE(pg.AppendBound(&st, Direction::kForward,
                             {{SqlValue::Text("Ab"), SqlValue::Decimal("1.25")}, false}));
  EXPECT_EQ(ReadableFolds(DialectFor(DatabaseKind::kPostgres), st.sql),
            "((UPPER(\"NAME\") COLLATE \"C\" <= UPPER(?) OR UPPER(\"NAME\") COLLATE \"C\" IS NULL) "
            "AND ((UPPER(\"NAME\") COLLATE \"C\" < UPPER(?) OR UPPER(\"NAME\") COLLATE \"C\" IS "
            "NULL) OR \"PRICE\" > CAST(? AS NUMERIC)))");
  KeysetBuilder server(DialectFor(DatabaseKind::kSqlServer), {price});
  st = {};
  ASSERT_TRUE(server.AppendBound(&st, Direction::kForward, {{SqlValue::Decimal("-0.125")}, true}));
  EXPECT_EQ(st.sql, "\"PRICE\" >= CAST(? AS DECIMAL(38,3))") << "the value's own places";
}

TEST(KeysetBuilder, LocalComparisonOrdersAsTheServers) {
  std::vector<OrderTerm> terms = {Term("t", true, ColumnType::kText, true),
                                  Term("n", false, ColumnType::kDecimal, true)};
  auto row = [](SqlValue t, SqlValue n) { return std::vector<SqlValue>{t, n}; };
  const SqlValue null = SqlValue::Null();
  // In order: NULL text first, then blank, then byte order (capitals before small letters,
  // accents after both); ties on the text in descending number order with NULL last.
  std::vector<std::vector<SqlValue>> sorted = {
      row(null, SqlValue::Decimal("1")),
      row(SqlValue::Text(""), SqlValue::Decimal("10")),
      row(SqlValue::Text("  "), SqlValue::Decimal("9.5")),  // blanks are clipped: ties with ""
      row(SqlValue::Text("B"), SqlValue::Decimal("2")),
      row(SqlValue::Text("a"), SqlValue::Decimal("10.00")),
      row(SqlValue::Text("a"), SqlValue::Decimal("9.99")),
      row(SqlValue::Text("a"), null),
      row(SqlValue::Text("\xC3\xA9"), SqlValue::Decimal("0")),
  };
  for (size_t i = 0; i < sorted.size(); ++i)
    for (size_t j = 0; j < sorted.size(); ++j) {
      int c = CompareOrderValues(terms, sorted[i], sorted[j]);
      EXPECT_EQ(c < 0, i < j) << i << " " << j;
      EXPECT_EQ(c == 0, i == j) << i << " " << j;
    }
  EXPECT_EQ(CompareOrderValues({Term("x", true, ColumnType::kInteger, false)},
                               {SqlValue::Integer(2)}, {SqlValue::Decimal("10")}),
            -1)
      << "numbers compare by value, not as text";
}

}  // namespace
}  // namespace kv
