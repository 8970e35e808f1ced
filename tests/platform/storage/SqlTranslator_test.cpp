#include "platform/storage/SqlTranslator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/expr/Expression.h"
#include "tests/platform/storage/FoldText.h"

namespace kv {
namespace {

Bindings ProductColumns() {
  Bindings b;
  b.BindColumn("PRO:PCODE", ValueType::kString, "PCODE");
  b.BindColumn("PRO:DESCRIPTION", ValueType::kString, "DESCRIPTION");
  b.BindColumn("PRO:PRICE", ValueType::kDecimal, "PRICE");
  b.BindColumn("PRO:PROVIDERID", ValueType::kLong, "PROVIDERID");
  b.BindColumn("PRO:ODD", ValueType::kString, "we\"ird]name");
  b.BindColumn("PRO:LOCALONLY", ValueType::kString, "");
  return b;
}

using Values = std::vector<SqlValue>;

SqlValue T(std::string s) {
  return SqlValue::Text(std::move(s));
}
SqlValue I(std::int64_t i) {
  return SqlValue::Integer(i);
}
SqlValue D(std::string s) {
  return SqlValue::Decimal(std::move(s));
}

struct Case {
  const char* expression;
  const char* sqlite;
  const char* postgres;  // null: as SQLite with CAST-wrapped markers (checked separately)
  const char* sqlServer;
  Values params;
};

std::string Translate(DatabaseKind kind, const char* text, Values* params, ExprError* err) {
  Expression e;
  if (!e.Parse(text, err)) return "parse error";
  Statement out;
  if (!SqlTranslator::Condition(e, DialectFor(kind), ProductColumns(), &out, err)) return "error";
  *params = out.binds;
  return ReadableFolds(DialectFor(kind), out.sql);
}

TEST(SqlTranslator, ConditionsPerDialectWithParameters) {
  const Case cases[] = {
      {"PRO:PCODE = 'AB'",
       "\"PCODE\" = ?",
       "\"PCODE\" COLLATE \"C\" = CAST(? AS TEXT)",
       "[PCODE] COLLATE Latin1_General_100_BIN2 = ?",
       {T("AB")}},
      {"UPPER(PRO:DESCRIPTION) = UPPER('12'' Pipe')",
       "UPPER(\"DESCRIPTION\") = UPPER(?)",
       "UPPER(\"DESCRIPTION\") COLLATE \"C\" = UPPER(CAST(? AS TEXT))",
       "UPPER([DESCRIPTION]) COLLATE Latin1_General_100_BIN2 = UPPER(?)",
       {T("12' Pipe")}},
      {"(PRO:PRICE >= 10)",
       "\"PRICE\" >= ?",
       "\"PRICE\" >= CAST(? AS INTEGER)",
       "[PRICE] >= ?",
       {I(10)}},
      {"(PRO:PRICE > 5) AND (PRO:PRICE < 9.50)",
       "(\"PRICE\" > ? AND \"PRICE\" < CAST(? AS NUMERIC))",
       "(\"PRICE\" > CAST(? AS INTEGER) AND \"PRICE\" < CAST(? AS NUMERIC))",
       "([PRICE] > ? AND [PRICE] < CAST(? AS DECIMAL(38,1)))",
       {I(5), D("9.5")}},
      {"PRO:PCODE = 5 OR NOT PRO:PROVIDERID <> '7'",
       "(\"PCODE\" = ? OR NOT \"PROVIDERID\" <> ?)",
       "(\"PCODE\" COLLATE \"C\" = CAST(? AS TEXT) OR NOT \"PROVIDERID\" <> CAST(? AS INTEGER))",
       "([PCODE] COLLATE Latin1_General_100_BIN2 = ? OR NOT [PROVIDERID] <> ?)",
       {T("5"), I(7)}},
      {"PRO:PCODE = 'ab   '",
       "\"PCODE\" = ?",
       nullptr,
       "[PCODE] COLLATE Latin1_General_100_BIN2 = ?",
       {T("ab")}},
      {"PRO:PCODE >= 'B'",
       "\"PCODE\" >= ?",
       "\"PCODE\" COLLATE \"C\" >= CAST(? AS TEXT)",
       "[PCODE] COLLATE Latin1_General_100_BIN2 >= ?",
       {T("B")}},
      {"PRO:PCODE ~ 'ab'",
       "UPPER(\"PCODE\") = UPPER(?)",
       nullptr,
       "UPPER([PCODE]) COLLATE Latin1_General_100_BIN2 = UPPER(?)",
       {T("ab")}},
      {"PRO:PCODE ~= 'ab'",
       "\"PCODE\" <> ?",
       nullptr,
       "[PCODE] COLLATE Latin1_General_100_BIN2 <> ?",
       {T("ab")}},
      {"PRO:PRICE ~< 3", "\"PRICE\" >= ?", nullptr, "[PRICE] >= ?", {I(3)}},
      {"INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0",
       "INSTR(\"DESCRIPTION\", ?) <> ?",
       "STRPOS(CAST(\"DESCRIPTION\" AS TEXT), CAST(? AS TEXT)) <> CAST(? AS INTEGER)",
       "CHARINDEX(?, [DESCRIPTION]) <> ?",
       {T("bolt"), I(0)}},
      {"SUB(PRO:DESCRIPTION,1,3) = 'bol'",
       "SUBSTR(\"DESCRIPTION\", ?, ?) = ?",
       "SUBSTR(CAST(\"DESCRIPTION\" AS TEXT), CAST(? AS INTEGER), CAST(? AS INTEGER)) COLLATE "
       "\"C\" = CAST(? AS TEXT)",
       "SUBSTRING([DESCRIPTION], ?, ?) COLLATE Latin1_General_100_BIN2 = ?",
       {I(1), I(3), T("bol")}},
      {"SUB(LEFT(PRO:PRICE),1,2) = '19'",
       "SUBSTR(LTRIM(\"PRICE\"), ?, ?) = ?",
       "SUBSTR(CAST(LTRIM(CAST(\"PRICE\" AS TEXT)) AS TEXT), CAST(? AS INTEGER), CAST(? AS "
       "INTEGER)) COLLATE \"C\" = CAST(? AS TEXT)",
       "SUBSTRING(LTRIM([PRICE]), ?, ?) COLLATE Latin1_General_100_BIN2 = ?",
       {I(1), I(2), T("19")}},
      {"PRO:PCODE & 'x' = 'ABx'",
       "(\"PCODE\" || ?) = ?",
       "(CAST(\"PCODE\" AS TEXT) || CAST(CAST(? AS TEXT) AS TEXT)) COLLATE \"C\" = CAST(? AS TEXT)",
       "CONCAT([PCODE], ?) COLLATE Latin1_General_100_BIN2 = ?",
       {T("x"), T("ABx")}},
      {"PRO:PRICE / 2 > 1",
       "COALESCE(CAST(\"PRICE\" AS REAL) / NULLIF(?, 0), 0) > ?",
       nullptr,
       "COALESCE(CAST([PRICE] AS DECIMAL(38, 10)) / NULLIF(?, 0), 0) > ?",
       {I(2), I(1)}},
      {"-PRO:PRICE + 1.50 < 0",
       "((-\"PRICE\") + CAST(? AS NUMERIC)) < ?",
       nullptr,
       "((-[PRICE]) + CAST(? AS DECIMAL(38,1))) < ?",
       {D("1.5"), I(0)}},
      {"PRO:PCODE", "(RTRIM(\"PCODE\") <> '')", nullptr, "(RTRIM([PCODE]) <> '')", {}},
      {"PRO:PROVIDERID AND PRO:PRICE",
       "((\"PROVIDERID\" <> 0) AND (\"PRICE\" <> 0))",
       nullptr,
       "(([PROVIDERID] <> 0) AND ([PRICE] <> 0))",
       {}},
      {"(PRO:PRICE > 1) + 1 = 2",
       "((CASE WHEN \"PRICE\" > ? THEN 1 ELSE 0 END) + ?) = ?",
       nullptr,
       "((CASE WHEN [PRICE] > ? THEN 1 ELSE 0 END) + ?) = ?",
       {I(1), I(1), I(2)}},
      {"PRO:ODD = 'x'",
       "\"we\"\"ird]name\" = ?",
       nullptr,
       "[we\"ird]]name] COLLATE Latin1_General_100_BIN2 = ?",
       {T("x")}},
      {"FORMAT(PRO:PCODE,@s3) = 'AB-'",
       "SUBSTR(\"PCODE\", 1, 3) = ?",
       nullptr,
       "SUBSTRING([PCODE], 1, 3) COLLATE Latin1_General_100_BIN2 = ?",
       {T("AB-")}},
      // Searching from a later start repeats its operands; parameters follow the text.
      {"INSTRING('b', PRO:PCODE, 1, 3) > 0",
       "(CASE WHEN INSTR(SUBSTR(\"PCODE\", ?), ?) = 0 THEN 0 ELSE INSTR(SUBSTR(\"PCODE\", ?), ?) + "
       "? - 1 END) > ?",
       nullptr,
       "(CASE WHEN CHARINDEX(?, SUBSTRING([PCODE], ?, DATALENGTH([PCODE]))) = 0 THEN 0 ELSE "
       "CHARINDEX(?, SUBSTRING([PCODE], ?, DATALENGTH([PCODE]))) + ? - 1 END) > ?",
       {I(3), T("b"), I(3), T("b"), I(3), I(0)}},
  };
  const DatabaseKind sqlite = DatabaseKind::kSqlite, postgres = DatabaseKind::kPostgres,
                     sqlServer = DatabaseKind::kSqlServer;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression);
    Values params;
    ExprError err;
    EXPECT_EQ(Translate(sqlite, c.expression, &params, &err), c.sqlite) << err.Describe();
    EXPECT_EQ(params, c.params);
    params.clear();
    std::string pg = Translate(postgres, c.expression, &params, &err);
    if (c.postgres) {
      EXPECT_EQ(pg, c.postgres) << err.Describe();
    }
    EXPECT_EQ(params.size(), c.params.size());
    params.clear();
    std::string ms = Translate(sqlServer, c.expression, &params, &err);
    EXPECT_EQ(ms, c.sqlServer) << err.Describe();
    if (std::string(c.expression).find("INSTRING('b', PRO:PCODE, 1, 3)") == std::string::npos) {
      EXPECT_EQ(params, c.params);
    } else {  // SQL Server names the needle first
      EXPECT_EQ(params, (Values{T("b"), I(3), T("b"), I(3), I(3), I(0)}));
    }
  }
}

TEST(SqlTranslator, UserValuesNeverBecomeSqlText) {
  // Values crafted to break out of a literal: they must arrive as parameters, untouched.
  const std::string hostile[] = {"x' OR '1'='1", "'; DROP TABLE Products; --", "a\"b]c",
                                 "\\' OR 1=1 --", "12' Pipe"};
  for (const auto& value : hostile) {
    const std::string filters[] = {
        "PRO:PCODE = " + QuoteExprString(value),
        "INSTRING(" + QuoteExprString(value) + ",UPPER(PRO:DESCRIPTION),1,1) <> 0",
        "SUB(PRO:DESCRIPTION,1,3) = " + QuoteExprString(value),
    };
    for (const auto& filter : filters) {
      for (DatabaseKind kind :
           {DatabaseKind::kSqlite, DatabaseKind::kPostgres, DatabaseKind::kSqlServer}) {
        Expression e;
        ASSERT_TRUE(e.Parse(filter)) << filter;
        Statement out;
        ASSERT_TRUE(SqlTranslator::Condition(e, DialectFor(kind), ProductColumns(), &out))
            << filter;
        // Quotes written by the dialect's case folding are its own letter lists.
        const std::string sql = ReadableFolds(DialectFor(kind), out.sql);
        EXPECT_EQ(sql.find("DROP"), std::string::npos) << sql;
        EXPECT_EQ(sql.find('\''), std::string::npos) << sql;
        bool carried = false;
        for (const auto& p : out.binds) carried = carried || p.text == value;
        EXPECT_TRUE(carried) << filter;
      }
    }
  }
}

TEST(SqlTranslator, EmbeddedSqlPassesThrough) {
  const Dialect& sqlite = DialectFor(DatabaseKind::kSqlite);
  Expression e;
  ASSERT_TRUE(e.Parse("SQL(A.PCODE IN (SELECT P FROM T WHERE N = 'x)')) AND PRO:PRICE > 1"));
  Statement out;
  ASSERT_TRUE(SqlTranslator::Condition(e, sqlite, ProductColumns(), &out));
  EXPECT_EQ(out.sql, "((A.PCODE IN (SELECT P FROM T WHERE N = 'x)')) AND \"PRICE\" > ?)");
  EXPECT_EQ(out.binds, (Values{I(1)}));
  ASSERT_TRUE(e.Parse("NOT SQL(flag = 1)"));
  ASSERT_TRUE(SqlTranslator::Condition(e, sqlite, ProductColumns(), &out));
  EXPECT_EQ(out.sql, "NOT (flag = 1)");
  EXPECT_TRUE(out.binds.empty());
}

TEST(SqlTranslator, UntranslatableAndUnknownAreReported) {
  const std::pair<const char*, ExprErrorCode> cases[] = {
      {"FORMAT(PRO:PRICE,@N9.2) = '19.90'", ExprErrorCode::kNotTranslatable},
      {"INSTRING('a',PRO:PCODE,2,1) > 0", ExprErrorCode::kNotTranslatable},
      {"INSTRING('a',PRO:PCODE,PRO:PRICE,1) > 0", ExprErrorCode::kNotTranslatable},
      {"PRO:LOCALONLY = 'x'", ExprErrorCode::kNotTranslatable},
      {"PRO:NOSUCH = 'x'", ExprErrorCode::kUnknownName},
      {"SQL(a\x011\x02)", ExprErrorCode::kNotTranslatable},
  };
  for (const auto& [text, code] : cases) {
    Expression e;
    ASSERT_TRUE(e.Parse(text)) << text;
    Statement out{"unchanged", {}};
    ExprError err;
    EXPECT_FALSE(SqlTranslator::Condition(e, DialectFor(DatabaseKind::kSqlite), ProductColumns(),
                                          &out, &err))
        << text;
    EXPECT_EQ(err.code, code) << text;
    EXPECT_EQ(out.sql, "unchanged");
  }
}

TEST(SqlTranslator, QualifiedColumnsAndValues) {
  Bindings b;
  b.BindColumn("PRO:PCODE", ValueType::kString, "PCODE", "A");
  Expression e;
  ASSERT_TRUE(e.Parse("UPPER(PRO:PCODE) & '-' & 1"));
  Statement out;
  ASSERT_TRUE(SqlTranslator::Value(e, DialectFor(DatabaseKind::kSqlServer), b, &out));
  EXPECT_EQ(ReadableFolds(DialectFor(DatabaseKind::kSqlServer), out.sql),
            "CONCAT(CONCAT(UPPER([A].[PCODE]), ?), ?)");
  EXPECT_EQ(out.binds, (Values{T("-"), T("1")}));
}

}  // namespace
}  // namespace kv
