#include "platform/expr/OrderText.h"
#include "platform/storage/SqlTranslator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

TEST(OrderText, SplitsSignedComponents) {
  Bindings columns;
  columns.BindColumn("PRO:PCODE", ValueType::kString, "PCODE");
  columns.BindColumn("PRO:DESCRIPTION", ValueType::kString, "DESCRIPTION");
  columns.BindColumn("PRO:PRICE", ValueType::kDecimal, "PRICE");
  const Dialect& sqlite = DialectFor(DatabaseKind::kSqlite);
  struct Case {
    const char* text;
    std::vector<std::string> components;  // "+" or "-", then the component's SQL
  };
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {"+PRO:PCODE", {"+\"PCODE\""}},
      {"-PRO:PCODE", {"-\"PCODE\""}},
      {"+PRO:PCODE,PRO:PRICE", {"+\"PCODE\"", "+\"PRICE\""}},
      {" -UPPER(PRO:DESCRIPTION) , +PRO:PCODE ", {"-KV_UPPER(\"DESCRIPTION\")", "+\"PCODE\""}},
      {"+SUB(PRO:DESCRIPTION,1,3),-PRO:PRICE", {"+SUBSTR(\"DESCRIPTION\", ?, ?)", "-\"PRICE\""}},
      {"+INSTRING(',',PRO:DESCRIPTION)", {"+INSTR(\"DESCRIPTION\", ?)"}},
  };
  for (const auto& c : cases) {
    std::vector<OrderComponent> parts;
    ExprError err;
    ASSERT_TRUE(ParseOrderText(c.text, &parts, &err)) << c.text << ": " << err.Describe();
    std::vector<std::string> got;
    for (const auto& p : parts) {
      Statement sql;
      ASSERT_TRUE(SqlTranslator::Value(p.expression, sqlite, columns, &sql, &err))
          << err.Describe();
      got.push_back((p.ascending ? "+" : "-") + sql.sql);
    }
    EXPECT_EQ(got, c.components) << c.text;
  }
}

TEST(OrderText, FaultsAreReportedAtTheirPlaceInTheWholeText) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"+PRO:PCODE,", 11},
      {"+PRO:PCODE,,PRO:PRICE", 11},
      {"-", 1},
      {"+A,-UPPER(B", 11},
      {"+A, +B C", 7},
      {"+A,'x", 3},
      {"+A,NOSUCH(B)", 3},
  };
  for (const auto& [text, position] : cases) {
    std::vector<OrderComponent> parts(1);
    ExprError err;
    EXPECT_FALSE(ParseOrderText(text, &parts, &err)) << text;
    EXPECT_EQ(err.position, position) << text << ": " << err.Describe();
    EXPECT_EQ(parts.size(), 1u) << text;  // unchanged on failure
  }
}

}  // namespace
}  // namespace kv
