#include "platform/expr/SqlTranslator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/expr/Expression.h"

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

SqlParam T(std::string s) {
  return {SqlParamKind::kText, std::move(s)};
}
SqlParam I(std::string s) {
  return {SqlParamKind::kInteger, std::move(s)};
}
SqlParam D(std::string s) {
  return {SqlParamKind::kDecimal, std::move(s)};
}

struct Case {
  const char* expression;
  const char* sqlite;
  const char* postgres;  // null: as SQLite with CAST-wrapped markers (checked separately)
  const char* sqlServer;
  std::vector<SqlParam> params;
};

std::string Translate(const SqlFunctionDialect& d, const char* text, SqlParams* params,
                      ExprError* err) {
  Expression e;
  if (!e.Parse(text, err)) return "parse error";
  SqlText out;
  if (!e.ToSqlCondition(d, ProductColumns(), &out, err)) return "error";
  *params = out.params;
  return out.sql;
}

TEST(SqlTranslator, ConditionsPerDialectWithParameters) {
  const Case cases[] = {
      {"PRO:PCODE = 'AB'",
       "\"PCODE\" = ?",
       "\"PCODE\" = CAST(? AS TEXT)",
       "[PCODE] COLLATE Latin1_General_BIN2 = ?",
       {T("AB")}},
      {"UPPER(PRO:DESCRIPTION) = UPPER('12'' Pipe')",
       "UPPER(\"DESCRIPTION\") = UPPER(?)",
       "UPPER(\"DESCRIPTION\") = UPPER(CAST(? AS TEXT))",
       "UPPER([DESCRIPTION]) COLLATE Latin1_General_BIN2 = UPPER(?)",
       {T("12' Pipe")}},
      {"(PRO:PRICE >= 10)",
       "\"PRICE\" >= ?",
       "\"PRICE\" >= CAST(? AS INTEGER)",
       "[PRICE] >= ?",
       {I("10")}},
      {"(PRO:PRICE > 5) AND (PRO:PRICE < 9.50)",
       "(\"PRICE\" > ? AND \"PRICE\" < CAST(? AS NUMERIC))",
       "(\"PRICE\" > CAST(? AS INTEGER) AND \"PRICE\" < CAST(? AS NUMERIC))",
       "([PRICE] > ? AND [PRICE] < ?)",
       {I("5"), D("9.5")}},
      {"PRO:PCODE = 5 OR NOT PRO:PROVIDERID <> '7'",
       "(\"PCODE\" = ? OR NOT \"PROVIDERID\" <> ?)",
       "(\"PCODE\" = CAST(? AS TEXT) OR NOT \"PROVIDERID\" <> CAST(? AS INTEGER))",
       "([PCODE] COLLATE Latin1_General_BIN2 = ? OR NOT [PROVIDERID] <> ?)",
       {T("5"), I("7")}},
      {"PRO:PCODE = 'ab   '",
       "\"PCODE\" = ?",
       nullptr,
       "[PCODE] COLLATE Latin1_General_BIN2 = ?",
       {T("ab")}},
      {"PRO:PCODE >= 'B'",
       "\"PCODE\" >= ?",
       "\"PCODE\" COLLATE \"C\" >= CAST(? AS TEXT)",
       "[PCODE] COLLATE Latin1_General_BIN2 >= ?",
       {T("B")}},
      {"PRO:PCODE ~ 'ab'",
       "UPPER(\"PCODE\") = UPPER(?)",
       nullptr,
       "UPPER([PCODE]) COLLATE Latin1_General_BIN2 = UPPER(?)",
       {T("ab")}},
      {"PRO:PCODE ~= 'ab'",
       "\"PCODE\" <> ?",
       nullptr,
       "[PCODE] COLLATE Latin1_General_BIN2 <> ?",
       {T("ab")}},
      {"PRO:PRICE ~< 3", "\"PRICE\" >= ?", nullptr, "[PRICE] >= ?", {I("3")}},
      {"INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0",
       "INSTR(\"DESCRIPTION\", ?) <> ?",
       "STRPOS(CAST(\"DESCRIPTION\" AS TEXT), CAST(? AS TEXT)) <> CAST(? AS INTEGER)",
       "CHARINDEX(?, [DESCRIPTION]) <> ?",
       {T("bolt"), I("0")}},
      {"SUB(PRO:DESCRIPTION,1,3) = 'bol'",
       "SUBSTR(\"DESCRIPTION\", ?, ?) = ?",
       "SUBSTR(CAST(\"DESCRIPTION\" AS TEXT), CAST(? AS INTEGER), CAST(? AS INTEGER)) = CAST(? AS "
       "TEXT)",
       "SUBSTRING([DESCRIPTION], ?, ?) COLLATE Latin1_General_BIN2 = ?",
       {I("1"), I("3"), T("bol")}},
      {"SUB(LEFT(PRO:PRICE),1,2) = '19'",
       "SUBSTR(LTRIM(\"PRICE\"), ?, ?) = ?",
       "SUBSTR(CAST(LTRIM(CAST(\"PRICE\" AS TEXT)) AS TEXT), CAST(? AS INTEGER), CAST(? AS "
       "INTEGER)) = CAST(? AS TEXT)",
       "SUBSTRING(LTRIM([PRICE]), ?, ?) COLLATE Latin1_General_BIN2 = ?",
       {I("1"), I("2"), T("19")}},
      {"PRO:PCODE & 'x' = 'ABx'",
       "(\"PCODE\" || ?) = ?",
       "(CAST(\"PCODE\" AS TEXT) || CAST(CAST(? AS TEXT) AS TEXT)) = CAST(? AS TEXT)",
       "CONCAT([PCODE], ?) COLLATE Latin1_General_BIN2 = ?",
       {T("x"), T("ABx")}},
      {"PRO:PRICE / 2 > 1",
       "COALESCE(CAST(\"PRICE\" AS REAL) / NULLIF(?, 0), 0) > ?",
       nullptr,
       "COALESCE(CAST([PRICE] AS DECIMAL(38, 10)) / NULLIF(?, 0), 0) > ?",
       {I("2"), I("1")}},
      {"-PRO:PRICE + 1.50 < 0",
       "((-\"PRICE\") + CAST(? AS NUMERIC)) < ?",
       nullptr,
       "((-[PRICE]) + ?) < ?",
       {D("1.5"), I("0")}},
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
       {I("1"), I("1"), I("2")}},
      {"PRO:ODD = 'x'",
       "\"we\"\"ird]name\" = ?",
       nullptr,
       "[we\"ird]]name] COLLATE Latin1_General_BIN2 = ?",
       {T("x")}},
      {"FORMAT(PRO:PCODE,@s3) = 'AB-'",
       "SUBSTR(\"PCODE\", 1, 3) = ?",
       nullptr,
       "SUBSTRING([PCODE], 1, 3) COLLATE Latin1_General_BIN2 = ?",
       {T("AB-")}},
      // Searching from a later start repeats its operands; parameters follow the text.
      {"INSTRING('b', PRO:PCODE, 1, 3) > 0",
       "(CASE WHEN INSTR(SUBSTR(\"PCODE\", ?), ?) = 0 THEN 0 ELSE INSTR(SUBSTR(\"PCODE\", ?), ?) + "
       "? - 1 END) > ?",
       nullptr,
       "(CASE WHEN CHARINDEX(?, SUBSTRING([PCODE], ?, DATALENGTH([PCODE]))) = 0 THEN 0 ELSE "
       "CHARINDEX(?, SUBSTRING([PCODE], ?, DATALENGTH([PCODE]))) + ? - 1 END) > ?",
       {I("3"), T("b"), I("3"), T("b"), I("3"), I("0")}},
  };
  SqliteFunctionDialect sqlite;
  PostgresFunctionDialect postgres;
  SqlServerFunctionDialect sqlServer;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression);
    SqlParams params;
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
      EXPECT_EQ(params, (SqlParams{T("b"), I("3"), T("b"), I("3"), I("3"), I("0")}));
    }
  }
}

TEST(SqlTranslator, UserValuesNeverBecomeSqlText) {
  // Values crafted to break out of a literal: they must arrive as parameters, untouched.
  const std::string hostile[] = {"x' OR '1'='1", "'; DROP TABLE Products; --", "a\"b]c",
                                 "\\' OR 1=1 --", "12' Pipe"};
  SqliteFunctionDialect sqlite;
  SqlServerFunctionDialect sqlServer;
  for (const auto& value : hostile) {
    const std::string filters[] = {
        "PRO:PCODE = " + QuoteExprString(value),
        "INSTRING(" + QuoteExprString(value) + ",UPPER(PRO:DESCRIPTION),1,1) <> 0",
        "SUB(PRO:DESCRIPTION,1,3) = " + QuoteExprString(value),
    };
    for (const auto& filter : filters) {
      for (const SqlFunctionDialect* d : {static_cast<const SqlFunctionDialect*>(&sqlite),
                                          static_cast<const SqlFunctionDialect*>(&sqlServer)}) {
        Expression e;
        ASSERT_TRUE(e.Parse(filter)) << filter;
        SqlText out;
        ASSERT_TRUE(e.ToSqlCondition(*d, ProductColumns(), &out)) << filter;
        EXPECT_EQ(out.sql.find("DROP"), std::string::npos) << out.sql;
        EXPECT_EQ(out.sql.find('\''), std::string::npos) << out.sql;
        bool carried = false;
        for (const auto& p : out.params) carried = carried || p.text == value;
        EXPECT_TRUE(carried) << filter;
      }
    }
  }
}

TEST(SqlTranslator, EmbeddedSqlPassesThrough) {
  SqliteFunctionDialect sqlite;
  Expression e;
  ASSERT_TRUE(e.Parse("SQL(A.PCODE IN (SELECT P FROM T WHERE N = 'x)')) AND PRO:PRICE > 1"));
  SqlText out;
  ASSERT_TRUE(e.ToSqlCondition(sqlite, ProductColumns(), &out));
  EXPECT_EQ(out.sql, "((A.PCODE IN (SELECT P FROM T WHERE N = 'x)')) AND \"PRICE\" > ?)");
  EXPECT_EQ(out.params, (SqlParams{I("1")}));
  ASSERT_TRUE(e.Parse("NOT SQL(flag = 1)"));
  ASSERT_TRUE(e.ToSqlCondition(sqlite, ProductColumns(), &out));
  EXPECT_EQ(out.sql, "NOT (flag = 1)");
  EXPECT_TRUE(out.params.empty());
}

TEST(SqlTranslator, UntranslatableAndUnknownAreReported) {
  const std::pair<const char*, ExprErrorCode> cases[] = {
      {"FORMAT(PRO:PRICE,@N9.2) = '19.90'", ExprErrorCode::kNotTranslatable},
      {"INSTRING('a',PRO:PCODE,2,1) > 0", ExprErrorCode::kNotTranslatable},
      {"INSTRING('a',PRO:PCODE,PRO:PRICE,1) > 0", ExprErrorCode::kNotTranslatable},
      {"PRO:LOCALONLY = 'x'", ExprErrorCode::kNotTranslatable},
      {"PRO:NOSUCH = 'x'", ExprErrorCode::kUnknownName},
      {"SQL(a\x01"
       "1\x02)",
       ExprErrorCode::kNotTranslatable},
  };
  SqliteFunctionDialect sqlite;
  for (const auto& [text, code] : cases) {
    Expression e;
    ASSERT_TRUE(e.Parse(text)) << text;
    SqlText out{"unchanged", {}};
    ExprError err;
    EXPECT_FALSE(e.ToSqlCondition(sqlite, ProductColumns(), &out, &err)) << text;
    EXPECT_EQ(err.code, code) << text;
    EXPECT_EQ(out.sql, "unchanged");
  }
}

TEST(SqlTranslator, QualifiedColumnsAndValues) {
  Bindings b;
  b.BindColumn("PRO:PCODE", ValueType::kString, "PCODE", "A");
  SqlServerFunctionDialect sqlServer;
  Expression e;
  ASSERT_TRUE(e.Parse("UPPER(PRO:PCODE) & '-' & 1"));
  SqlText out;
  ASSERT_TRUE(e.ToSqlValue(sqlServer, b, &out));
  EXPECT_EQ(out.sql, "CONCAT(CONCAT(UPPER([A].[PCODE]), ?), ?)");
  EXPECT_EQ(out.params, (SqlParams{T("-"), T("1")}));
}

}  // namespace
}  // namespace kv
