// The filter texts a query builds from typed values, compared exactly.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/errors/ErrorManager.h"
#include "framework/query/QueryManager.h"
#include "platform/expr/Expression.h"
#include "tests/framework/query/QueryFixture.h"

namespace kv::test {
namespace {

struct Typed {
  const char* field;
  const char* low;
  const char* middle;
  const char* high;
};

struct FilterCase {
  const char* what;
  std::int32_t style;
  std::vector<Typed> values;
  const char* filter;
};

TEST(QueryFilter, TypedValuesGiveTheseFilters) {
  const FilterCase cases[] = {
      {"contains",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "*bolt", ""}},
       "INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0"},
      {"contains, any case",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "^*bolt", ""}},
       "INSTRING('BOLT',UPPER(PRO:DESCRIPTION),1,1) <> 0"},
      {"caret after the star",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "*^bolt", ""}},
       "INSTRING('BOLT',UPPER(PRO:DESCRIPTION),1,1) <> 0"},
      {"begins",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "bol*", ""}},
       "SUB(PRO:DESCRIPTION,1,3) = 'bol'"},
      {"begins, any case",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "^bol*", ""}},
       "SUB(UPPER(PRO:DESCRIPTION),1,3) = 'BOL'"},
      {"begins counts characters",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "écr*", ""}},
       "SUB(PRO:DESCRIPTION,1,3) = 'écr'"},
      {"own operator", SingleValueStyle, {{"PRO:PRICE", "", ">=10", ""}}, "(PRO:PRICE >= 10)"},
      {"equality", SingleValueStyle, {{"PRO:PRICE", "", "7", ""}}, "(PRO:PRICE = 7)"},
      {"range", RangeStyle, {{"PRO:PRICE", "5", "", "9"}}, "(PRO:PRICE > 5) AND (PRO:PRICE < 9)"},
      {"inclusive range",
       RangeStyle,
       {{"PRO:PRICE", "5", "x", "9"}},
       "(PRO:PRICE >= 5) AND (PRO:PRICE <= 9)"},
      {"low only", RangeStyle, {{"PRO:PRICE", "5", "", ""}}, "(PRO:PRICE > 5)"},
      {"high only", RangeStyle, {{"PRO:PRICE", "", "", "9"}}, "(PRO:PRICE < 9)"},
      {"middle only in a range", RangeStyle, {{"PRO:PRICE", "", "3", ""}}, "(PRO:PRICE = 3)"},
      {"single value typed in LOW",
       SingleValueStyle,
       {{"PRO:PRICE", "7", "", ""}},
       "(PRO:PRICE = 7)"},
      {"LOW does not replace MIDDLE",
       SingleValueStyle,
       {{"PRO:PRICE", "7", "8", "9"}},
       "(PRO:PRICE = 8)"},
      {"<> alone, number", SingleValueStyle, {{"PRO:PRICE", "", "<>", ""}}, "(PRO:PRICE <> 0)"},
      {"<> alone, text",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "<>", ""}},
       "(PRO:DESCRIPTION <> '')"},
      {"=<", SingleValueStyle, {{"PRO:PRICE", "", "=<5", ""}}, "(PRO:PRICE <= 5)"},
      {"=>", SingleValueStyle, {{"PRO:PRICE", "", "=>5", ""}}, "(PRO:PRICE >= 5)"},
      {"<>=", SingleValueStyle, {{"PRO:PRICE", "", "<>=5", ""}}, "(PRO:PRICE <> 5)"},
      {"~", SingleValueStyle, {{"PRO:DESCRIPTION", "", "~bolt", ""}}, "(PRO:DESCRIPTION ~ 'bolt')"},
      {"own operator alone", SingleValueStyle, {{"PRO:PRICE", "", "<20", ""}}, "(PRO:PRICE < 20)"},
      {"~=", SingleValueStyle, {{"PRO:PRICE", "", "~=20", ""}}, "(PRO:PRICE ~= 20)"},
      {"two fields",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "*bolt", ""}, {"PRO:PRICE", "", "<20", ""}},
       "INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0 AND (PRO:PRICE < 20)"},
      {"list order, not typing order",
       SingleValueStyle,
       {{"PRO:PRICE", "", "1", ""}, {"PRO:PCODE", "", "A1", ""}},
       "(PRO:PCODE = 'A1') AND (PRO:PRICE = 1)"},
      {"nothing typed", SingleValueStyle, {}, ""},
      {"blanks only", SingleValueStyle, {{"PRO:DESCRIPTION", "", "   ", ""}}, ""},
      {"a lone star", SingleValueStyle, {{"PRO:DESCRIPTION", "", "*", ""}}, ""},
      {"quotes doubled",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "12' pipe", ""}},
       "(PRO:DESCRIPTION = '12'' pipe')"},
      {"statement text is data",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "'); DROP TABLE Products; --", ""}},
       "(PRO:DESCRIPTION = '''); DROP TABLE Products; --')"},
      {"SQL( is data",
       SingleValueStyle,
       {{"PRO:DESCRIPTION", "", "*SQL(1=1)", ""}},
       "INSTRING('SQL(1=1)',PRO:DESCRIPTION,1,1) <> 0"},
      {"number as displayed",
       SingleValueStyle,
       {{"PRO:PRICE", "", "1,234.50", ""}},
       "(PRO:PRICE = 1234.5)"},
      {"text where a number belongs stays data",
       SingleValueStyle,
       {{"PRO:PRICE", "", "7 OR 1=1", ""}},
       "(PRO:PRICE = '7 OR 1=1')"},
      {"no picture: text stays data",
       SingleValueStyle,
       {{"PRO:NOPIC", "", "abc", ""}},
       "(PRO:NOPIC = 'abc')"},
      {"no picture: number",
       SingleValueStyle,
       {{"PRO:NOPIC", "", "-12.5", ""}},
       "(PRO:NOPIC = -12.5)"},
      {"date as displayed",
       SingleValueStyle,
       {{"PRO:ADDED", "", ">=25/12/2023", ""}},
       "(PRO:ADDED >= 81446)"},
      {"contains on a number",
       SingleValueStyle,
       {{"PRO:PRICE", "", "*12", ""}},
       "INSTRING('12',FORMAT(PRO:PRICE,@N9.2),1,1) <> 0"},
      {"begins on a number",
       SingleValueStyle,
       {{"PRO:PRICE", "", "12*", ""}},
       "SUB(LEFT(FORMAT(PRO:PRICE,@N9.2)),1,2) = '12'"},
      {"contains on a long date",
       SingleValueStyle,
       {{"PRO:LONGDATE", "", "*dec", ""}},
       "INSTRING('DEC',UPPER(FORMAT(PRO:LONGDATE,@D4)),1,1) <> 0"},
      {"a column always compared in capitals",
       SingleValueStyle,
       {{"UPPER(PRO:NOTE)", "", "abc", ""}},
       "(UPPER(PRO:NOTE) = 'ABC')"},
      {"a lower-case picture is a text picture",
       SingleValueStyle,
       {{"PRO:LOWERPIC", "", "x", ""}},
       "(PRO:LOWERPIC = 'x')"},
      {"values used as typed",
       SingleValueStyle,
       {{"PRO:FORCED", "", "1,5", ""}},
       "(PRO:FORCED = '1,5')"},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.what);
    FixedStyle visual(c.style);
    ErrorManager errors;
    QueryManager query;
    QueryFixture::Setup(query, errors, &visual);
    for (const Typed& t : c.values) {
      QueryField* field = query.FindField(t.field);
      ASSERT_NE(field, nullptr) << t.field;
      field->LOW = t.low;
      field->MIDDLE = t.middle;
      field->HIGH = t.high;
    }
    EXPECT_EQ(query.GetFilter(), c.filter);
    EXPECT_EQ(query.GetFilter(), c.filter) << "a second call builds the same filter";
    if (*c.filter != '\0') {
      Expression parsed;
      ExprError error;
      EXPECT_TRUE(parsed.Parse(c.filter, &error)) << error.message;
    }
  }
}

TEST(QueryFilter, SingleValueStyleMovesLowIntoMiddleAndKeepsTheRest) {
  FixedStyle visual(SingleValueStyle);
  ErrorManager errors;
  QueryManager query;
  QueryFixture::Setup(query, errors, &visual);
  QueryField* price = query.FindField("pro:price");
  QueryField* description = query.FindField("PRO:DESCRIPTION");
  price->LOW = "7";
  price->HIGH = "9";
  description->MIDDLE = "^*Bolt";
  EXPECT_EQ(query.GetFilter(),
            "INSTRING('BOLT',UPPER(PRO:DESCRIPTION),1,1) <> 0 AND (PRO:PRICE = 7)");
  EXPECT_EQ(price->MIDDLE.Clipped(), "7");
  EXPECT_EQ(price->LOW.Clipped(), "");
  EXPECT_EQ(price->HIGH.Clipped(), "");
  EXPECT_EQ(description->MIDDLE.Clipped(), "^*Bolt") << "typed values are not changed";
  EXPECT_EQ(description->NAME.Clipped(), "PRO:DESCRIPTION") << "the column is not wrapped";

  query.ClearQuery();
  EXPECT_EQ(query.GetFilter(), "");
  for (const QueryField& f : *query.Fields) {
    EXPECT_EQ(f.LOW.Clipped().size() + f.MIDDLE.Clipped().size() + f.HIGH.Clipped().size(), 0u);
  }
}

TEST(QueryFilter, OperatorsAreNormalised) {
  struct Case {
    const char* text;
    const char* op;
    const char* result;
    const char* rest;
  };
  const Case cases[] = {
      {"", "=<", "<=", ""},        {"", "=>", ">=", ""},        {"", "NOT =", "<>", ""},
      {"", "<>", "<>", ""},        {"", "<>=", "<>", ""},       {"", "==", "=", ""},
      {"", "~", "~", ""},          {">=5", "=", ">=", "5"},     {"=>5", "", ">=", "5"},
      {"<<>>x", "", "<>", "x"},    {"x", "Contains", "", "*x"}, {"x", "Begins", "", "x*"},
      {"<x", "Begins", "<", "x*"}, {"a=b", "=", "=", "a=b"},
  };
  for (const Case& c : cases) {
    auto [op, rest] = QueryManager::NormalizeOperator(c.text, c.op);
    EXPECT_EQ(op, c.result) << "'" << c.text << "' '" << c.op << "'";
    EXPECT_EQ(rest, c.rest) << "'" << c.text << "' '" << c.op << "'";
  }
  EXPECT_EQ(QueryManager::QuoteValue("it's 'x'"), "'it''s ''x'''");
  EXPECT_EQ(QueryManager::QuoteValue(""), "''");
}

TEST(QueryFilter, LongFiltersAreCutAtTheirLimit) {
  FixedStyle visual(SingleValueStyle);
  QueryManager query;
  ErrorManager errors;
  query.Init(errors, &visual);
  for (int i = 0; i < 12; ++i) {
    query.AddItem("PRO:F" + std::to_string(i), "F", "@s500");
    (*query.Fields)[i].MIDDLE = "*" + std::string(499, 'x');
  }
  std::string filter = query.GetFilter();
  EXPECT_EQ(filter.size(), QueryManager::kFilterMax);
  EXPECT_TRUE(filter.starts_with("INSTRING('xxx"));
}

}  // namespace
}  // namespace kv::test
