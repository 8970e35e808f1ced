#include "platform/storage/SqlBuilder.h"

#include <gtest/gtest.h>

#include "tests/platform/storage/FoldText.h"

namespace kv {
namespace {

TableShape Products() {
  TableShape s;
  s.name = "Products";
  s.columns = {{"PCODE", "PRO:PCODE", ColumnType::kText, 20},
               {"DESCRIPTION", "PRO:DESCRIPTION", ColumnType::kText, 50},
               {"PRICE", "PRO:PRICE", ColumnType::kDecimal, 6, 11, 2},
               {"PROVIDERID", "PRO:PROVIDERID", ColumnType::kInteger, 4}};
  s.keys = {{"PRO:PK_Pcode", "", {{0, true}}, false, false, true},
            {"PRO:ByDesc", "", {{1, false}}, true, true, false}};
  return s;
}

int Count(const std::string& s, char c) {
  return int(std::count(s.begin(), s.end(), c));
}

TEST(SqlBuilder, SqlServerStatementsUseTopBracketsAndTwoBindNullSafeEquality) {
  TableShape shape = Products();
  SqlBuilder b(shape, DialectFor(DatabaseKind::kSqlServer));
  Statement first = b.Keyset(1, Direction::kForward, {}, false, 5);
  EXPECT_EQ(first.sql,
            "SELECT TOP (5) [PCODE], [DESCRIPTION], CAST([PRICE] AS VARCHAR(48)), [PROVIDERID] "
            "FROM [Products] ORDER BY [PCODE] COLLATE Latin1_General_100_BIN2 ASC");
  Statement upd = b.Update(
      {SqlValue::Text("A"), SqlValue::Null(), SqlValue::Decimal("1.50"), SqlValue::Integer(3)},
      {SqlValue::Text("A"), SqlValue::Null(), SqlValue::Decimal("1.00"), SqlValue::Integer(2)},
      true);
  EXPECT_NE(upd.sql.find("([DESCRIPTION] = ? OR ([DESCRIPTION] IS NULL AND ? IS NULL))"),
            std::string::npos)
      << upd.sql;
  EXPECT_NE(upd.sql.find("CAST(? AS DECIMAL(38,2))"), std::string::npos) << upd.sql;
  EXPECT_EQ(Count(upd.sql, '?'), int(upd.binds.size()));
  EXPECT_EQ(upd.binds.size(), 4u + 8u) << "4 set values, every old value bound twice";
  Statement create = b.CreateTable();
  EXPECT_EQ(create.sql,
            "CREATE TABLE [Products] ([PCODE] NVARCHAR(20) COLLATE Latin1_General_100_BIN2 NOT "
            "NULL, [DESCRIPTION] NVARCHAR(50) COLLATE Latin1_General_100_BIN2 NOT NULL, [PRICE] "
            "DECIMAL(11,2), [PROVIDERID] INT, CONSTRAINT [Products_PK_Pcode] PRIMARY KEY "
            "([PCODE]))");
  std::vector<Statement> idx = b.CreateIndexes();
  ASSERT_EQ(idx.size(), 1u);
  // A key allowing duplicates is completed by the primary key, as its keyset order is: in the
  // direction of the key's last component.
  EXPECT_EQ(idx[0].sql,
            "CREATE INDEX [Products_ByDesc] ON [Products] ([DESCRIPTION] DESC, [PCODE] DESC)");
}

TEST(SqlBuilder, KeysetReadsFollowTheKeyCompletedByTheIdentity) {
  TableShape shape = Products();
  for (ColumnDesc& c : shape.columns) c.nullable = false;
  struct Case {
    DatabaseKind kind;
    int key;
    Direction dir;
    bool inclusive;
    std::string where;
    std::string tail;
  };
  const Case cases[] = {
      {DatabaseKind::kSqlite, 1, Direction::kForward, false, " WHERE \"PCODE\" > ?",
       "ORDER BY \"PCODE\" ASC LIMIT 3"},
      {DatabaseKind::kSqlite, 1, Direction::kBackward, true, " WHERE \"PCODE\" <= ?",
       "ORDER BY \"PCODE\" DESC LIMIT 3"},
      // Descending, case-insensitive key with the primary key as tie-breaker (running the
      // key's way): the values bound are the columns' own, folded like the term.
      {DatabaseKind::kPostgres, 2, Direction::kForward, false,
       " WHERE (UPPER(\"DESCRIPTION\") COLLATE \"C\", \"PCODE\" COLLATE \"C\") < (UPPER(?), ?)",
       "ORDER BY UPPER(\"DESCRIPTION\") COLLATE \"C\" DESC, \"PCODE\" COLLATE \"C\" DESC LIMIT 3"},
      {DatabaseKind::kSqlServer, 2, Direction::kBackward, false,
       " WHERE (UPPER([DESCRIPTION]) COLLATE Latin1_General_100_BIN2 >= UPPER(?) AND "
       "(UPPER([DESCRIPTION]) COLLATE Latin1_General_100_BIN2 > UPPER(?) OR [PCODE] COLLATE "
       "Latin1_General_100_BIN2 > ?))",
       "ORDER BY UPPER([DESCRIPTION]) COLLATE Latin1_General_100_BIN2 ASC, [PCODE] COLLATE "
       "Latin1_General_100_BIN2 ASC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    SqlBuilder b(shape, DialectFor(c.kind));
    std::vector<SqlValue> bound = {SqlValue::Text("x")};
    if (c.key == 2) bound.push_back(SqlValue::Text("k"));
    Statement st = b.Keyset(c.key, c.dir, bound, c.inclusive, 3);
    st.sql = ReadableFolds(DialectFor(c.kind), st.sql);
    EXPECT_NE(st.sql.find(c.where), std::string::npos) << st.sql;
    EXPECT_TRUE(st.sql.ends_with(c.tail)) << st.sql;
    EXPECT_EQ(Count(st.sql, '?'), int(st.binds.size()));
  }
}

TEST(SqlBuilder, UserTextNeverBecomesStatementText) {
  TableShape shape = Products();
  const std::string hostile = "x'); DROP TABLE Products; --";
  for (DatabaseKind kind :
       {DatabaseKind::kSqlite, DatabaseKind::kPostgres, DatabaseKind::kSqlServer}) {
    SqlBuilder b(shape, DialectFor(kind));
    std::vector<SqlValue> row = {SqlValue::Text(hostile), SqlValue::Text(hostile),
                                 SqlValue::Decimal("1"), SqlValue::Integer(1)};
    for (const Statement& st :
         {b.Insert(row), b.Update(row, row, true), b.Delete(row, false), b.GetByKey(1, {row[0]}),
          b.DuplicateCheck(1, row, row), b.Keyset(1, Direction::kForward, {row[0]}, true, 1)}) {
      EXPECT_EQ(st.sql.find("DROP"), std::string::npos) << st.sql;
      EXPECT_EQ(Count(st.sql, '?'), int(st.binds.size())) << st.sql;
    }
  }
  // Identifiers are quoted with their quote characters doubled.
  EXPECT_EQ(DialectFor(DatabaseKind::kPostgres).QuoteIdentifier("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(DialectFor(DatabaseKind::kSqlServer).QuoteIdentifier("a]b"), "[a]]b]");
}

TEST(SqlBuilder, TableWithoutKeysOrdersAndIdentifiesByEveryColumn) {
  TableShape shape = Products();
  shape.keys.clear();
  SqlBuilder b(shape, DialectFor(DatabaseKind::kSqlite));
  EXPECT_EQ(b.IdentityKey(), 0);
  EXPECT_EQ(b.Order(0).size(), 4u);
  Statement del = b.Delete(
      {SqlValue::Text("a"), SqlValue::Null(), SqlValue::Decimal("0"), SqlValue::Integer(0)}, false);
  EXPECT_EQ(del.sql,
            "DELETE FROM \"Products\" WHERE \"PCODE\" IS ? AND \"DESCRIPTION\" IS ? AND \"PRICE\" "
            "IS CAST(? AS NUMERIC) AND \"PROVIDERID\" IS ?")
      << "a stored decimal is compared as an unbounded number: it may be wider than the field";
}

TEST(SqlBuilder, RepeatedExternalColumnNamesBecomeDistinct) {
  std::vector<ColumnDesc> cols;
  for (int i = 1; i <= 4; ++i)
    cols.push_back({"Field01", "SQL:FIELD0" + std::to_string(i), ColumnType::kText, 255});
  cols.push_back({"field02", "SQL:FIELD02", ColumnType::kText, 10});
  cols.push_back({"Other", "NOPREFIX", ColumnType::kText, 10});
  MakeColumnNamesUnique(&cols);
  std::vector<std::string> names;
  for (const ColumnDesc& c : cols) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Field01", "FIELD02", "FIELD03", "FIELD04",
                                             "FIELD02_5", "Other"}));
}

struct MapCase {
  DatabaseKind kind;
  const char* code;
  const char* text;
  ErrorCode expected;
};

TEST(Dialect, NativeErrorsMapToRuntimeCodes) {
  const MapCase cases[] = {
      {DatabaseKind::kSqlite, "2067", "UNIQUE constraint failed: Items.Code", kDuplicateKeyError},
      {DatabaseKind::kSqlite, "1555", "", kDuplicateKeyError},
      {DatabaseKind::kSqlite, "1", "no such table: Items", kNoFileError},
      {DatabaseKind::kSqlite, "5", "database is locked", kRecordHeldError},
      {DatabaseKind::kSqlite, "8", "attempt to write a readonly database", kAccessDenied},
      {DatabaseKind::kSqlite, "1", "near \"x\": syntax error", kDriverError},
      {DatabaseKind::kPostgres, "23505", "", kDuplicateKeyError},
      {DatabaseKind::kPostgres, "", "ERROR: duplicate key value violates unique constraint",
       kDuplicateKeyError},
      {DatabaseKind::kPostgres, "42P01", "", kNoFileError},
      {DatabaseKind::kPostgres, "1", "ERROR: relation \"Items\" does not exist", kNoFileError},
      {DatabaseKind::kPostgres, "42501", "permission denied for table Items", kAccessDenied},
      {DatabaseKind::kPostgres, "55P03", "", kRecordHeldError},
      {DatabaseKind::kPostgres, "42601", "syntax error", kDriverError},
      {DatabaseKind::kSqlServer, "2627", "", kDuplicateKeyError},
      {DatabaseKind::kSqlServer, "3621",
       "[FreeTDS][SQL Server]Violation of PRIMARY KEY constraint 'PK'. (2627) The statement has "
       "been terminated.",
       kDuplicateKeyError},
      {DatabaseKind::kSqlServer, "3621", "Msg 2601, Level 14", kDuplicateKeyError},
      {DatabaseKind::kSqlServer, "3621", "value 26270 out of range", kDriverError},
      {DatabaseKind::kSqlServer, "208", "Invalid object name 'Products'.", kNoFileError},
      {DatabaseKind::kSqlServer, "229", "The INSERT permission was denied", kAccessDenied},
      {DatabaseKind::kSqlServer, "1222", "Lock request time out period exceeded.",
       kRecordHeldError},
      {DatabaseKind::kSqlServer, "18456", "Login failed for user 'sa'.", kDriverError},
  };
  for (const MapCase& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + c.text);
    EXPECT_EQ(DialectFor(c.kind).MapError(c.code, c.text), c.expected);
  }
}

TEST(SqlValue, CanonicalDecimalText) {
  const std::pair<const char*, const char*> cases[] = {
      {"12.50", "12.5"}, {"-0.05", "-0.05"},
      {"+007.00", "7"},  {"-0.00", "0"},
      {".5", "0.5"},     {"12345678901.23", "12345678901.23"},
      {"abc", "abc"},    {"", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(CanonicalDecimal(in), out) << in;
}

// The index a duplicate-key error is about, as each database words the error (SQL Server's
// come through ODBC with its prefixes); SQLite names columns unless the index is on
// expressions.
TEST(Dialect, DuplicateErrorsNameTheirIndexOrItsColumns) {
  struct Case {
    DatabaseKind kind;
    const char* text;
    const char* index;
    std::vector<std::string> columns;
  };
  const Case cases[] = {
      {DatabaseKind::kPostgres,
       "ERROR:  duplicate key value violates unique constraint \"Items_extra\"\nDETAIL:  Key "
       "(\"Provider\")=(1) already exists.",
       "Items_extra",
       {}},
      {DatabaseKind::kSqlServer,
       "[FreeTDS][SQL Server]Cannot insert duplicate key row in object 'dbo.Items' with unique "
       "index 'Items_extra'. The duplicate key value is (1).",
       "Items_extra",
       {}},
      {DatabaseKind::kSqlServer,
       "[FreeTDS][SQL Server]Violation of PRIMARY KEY constraint 'Items_PK'. Cannot insert "
       "duplicate key in object 'dbo.Items'.",
       "Items_PK",
       {}},
      {DatabaseKind::kSqlite, "UNIQUE constraint failed: index 'Items_ByName'", "Items_ByName", {}},
      {DatabaseKind::kSqlite,
       "UNIQUE constraint failed: Items.Grp, Items.Seq (19)",
       "",
       {"Grp", "Seq"}},
      {DatabaseKind::kSqlite, "no such table: Items", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> columns;
    EXPECT_EQ(DialectFor(c.kind).DuplicateIndexName(c.text, &columns), c.index) << c.text;
    EXPECT_EQ(columns, c.columns) << c.text;
  }
}

}  // namespace
}  // namespace kv
