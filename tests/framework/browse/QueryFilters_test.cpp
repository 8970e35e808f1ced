// Filters a query builds from typed values, run through a view on SQLite and PostgreSQL and
// evaluated locally: the same rows in all three, and a typed value is never SQL.

#include <set>

#include "framework/query/QueryManager.h"
#include "platform/expr/Expression.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/Statement.h"
#include "tests/framework/browse/BrowseFixture.h"

namespace kv::test {
namespace {

using Codes = std::vector<std::string>;

class QueryFilters : public BrowseTest {
 protected:
  class Style : public QueryVisual {
   public:
    std::int32_t style = SingleValueStyle;
    std::int32_t GetStyle() const override { return style; }
    bool Ask(QueryManager&) override { return true; }
  };

  void SetUp() override {
    BrowseTest::SetUp();
    if (!ready) return;
    Load({
        {"A1", "Hex bolt M8", 10},
        {"A2", "hex BOLT m10", 5},
        {"A3", "Bolt cutter", 25},
        {"A4", "12' Pipe", 7},
        {"A5", "'); DROP TABLE " + ItemsName() + "; --", 1},
        {"A6", "SQL(1=1)", 3},
        {"A7", "Nut, hexagonal", 0},
        {"A8", "Écrou hexagonal", 12},
        {"A9", "écrou M8", 8},
        {"B1", "ÉCROU M10", 9},
        {"B2", "Ñandú de peluche", 4},
        {"B3", "ñandú", 2},
        {"B4", "ÑANDÚ grande", 6},
        {"B5", "Ctl\x01mark", 11},
    });
    query.Init(errors, &visual);
    query.AddItem("BRI:CODE", "Code", "@s20");
    query.AddItem("BRI:NAME", "Name", "@s40");
    query.AddItem("BRI:QTY", "Qty", "@n-7");
  }
  void TearDown() override {
    query.Kill();
    BrowseTest::TearDown();
  }

  // The codes the view reads with `filter`, in code order; `local` tells whether the view had
  // to evaluate the filter itself, `statements` collects every SQL text it sent.
  Codes Server(const std::string& filter, bool* local, std::vector<Statement>* statements) {
    Codes codes;
    SetStatementObserverForTests(
        [statements](const Statement& sql) { statements->push_back(sql); });
    ThreadProcedure reader([&] {
      Table& table = ItemsDecl(D()).Instance();
      if (table.Open() != kNoError) {
        ADD_FAILURE() << "open";
        return;
      }
      {
        View view(table);
        EXPECT_EQ(view.SetOrder("+BRI:CODE"), kNoError);
        EXPECT_EQ(view.SetFilter(filter), kNoError) << filter;
        EXPECT_EQ(view.Open(), kNoError) << filter;
        *local = view.FiltersLocally();
        (void)view.SetStart();
        while (view.Next() == kNoError) {
          codes.push_back(std::string(table.RecordAs<ItemRec>().CODE.Clipped()));
        }
        (void)view.Close();
      }
      (void)table.Close();
      ForgetThreadConnections();
    });
    reader.Join();
    SetStatementObserverForTests({});
    return codes;
  }
  // The codes whose records pass `filter` evaluated here, in code order.
  Codes Local(const std::string& filter) {
    Expression expression;
    ExprError error;
    if (!expression.Parse(filter, &error)) return {"parse error: " + error.message};
    const FieldTable& fields =
        dynamic_cast<const FieldTableLayout&>(ItemsDecl(D()).Layout()).Fields();
    Codes codes;
    for (const auto& [code, item] : items) {
      ItemRec rec;
      rec.CODE = item.code;
      rec.NAME = item.name;
      rec.QTY = item.qty;
      Bindings names;
      names.BindFields(fields, &rec);
      if (expression.IsTrue(names)) codes.push_back(code);
    }
    return codes;
  }

  Style visual;
  QueryManager query;
};

TEST_P(QueryFilters, TypedValuesSelectTheSameRowsOnTheServerAndLocally) {
  struct Case {
    std::int32_t style;
    std::vector<std::pair<const char*, const char*>> middle;  // field, value typed
    const char* low;                                          // range style: the quantity's
    const char* high;
    Codes expected;
    const char* notInSql;  // text that must not reach any statement
  };
  const Case cases[] = {
      {SingleValueStyle, {{"BRI:NAME", "*bolt"}}, "", "", {"A1"}, "bolt"},
      {SingleValueStyle, {{"BRI:NAME", "^*bolt"}}, "", "", {"A1", "A2", "A3"}, "BOLT"},
      {SingleValueStyle, {{"BRI:NAME", "Bol*"}}, "", "", {"A3"}, "Bol"},
      {SingleValueStyle, {{"BRI:NAME", "^hex*"}}, "", "", {"A1", "A2"}, "HEX"},
      {SingleValueStyle, {{"BRI:QTY", ">=10"}}, "", "", {"A1", "A3", "A8", "B5"}, nullptr},
      {SingleValueStyle, {{"BRI:QTY", "7"}}, "", "", {"A4"}, nullptr},
      {SingleValueStyle, {{"BRI:QTY", "<5"}}, "", "", {"A5", "A6", "A7", "B2", "B3"}, nullptr},
      {SingleValueStyle,
       {{"BRI:QTY", "<>"}},
       "",
       "",
       {"A1", "A2", "A3", "A4", "A5", "A6", "A8", "A9", "B1", "B2", "B3", "B4", "B5"},
       nullptr},
      {SingleValueStyle, {{"BRI:NAME", "^*bolt"}, {"BRI:QTY", "<10"}}, "", "", {"A2"}, "BOLT"},
      {SingleValueStyle, {{"BRI:NAME", "12' Pipe"}}, "", "", {"A4"}, "Pipe"},
      {SingleValueStyle, {{"BRI:NAME", "*DROP TABLE"}}, "", "", {"A5"}, "DROP"},
      {SingleValueStyle, {{"BRI:NAME", "*SQL(1"}}, "", "", {"A6"}, "SQL(1"},
      {SingleValueStyle, {{"BRI:NAME", "*, hex"}}, "", "", {"A7"}, ", hex"},
      {SingleValueStyle, {{"BRI:NAME", "*\x01"}}, "", "", {"B5"}, "\x01"},
      {SingleValueStyle, {{"BRI:QTY", "1 OR 1=1"}}, "", "", {}, "OR 1=1"},
      {RangeStyle, {}, "5", "10", {"A4", "A9", "B1", "B4"}, nullptr},
      {RangeStyle, {{"BRI:QTY", "x"}}, "5", "10", {"A2", "A1", "A4", "A9", "B1", "B4"}, nullptr},
  };
  for (const Case& c : cases) {
    visual.style = c.style;
    query.ClearQuery();
    for (const auto& [field, value] : c.middle) query.FindField(field)->MIDDLE = value;
    query.FindField("BRI:QTY")->LOW = c.low;
    query.FindField("BRI:QTY")->HIGH = c.high;
    const std::string filter = query.GetFilter();
    SCOPED_TRACE(filter);
    Codes expected = c.expected;
    std::sort(expected.begin(), expected.end());
    bool local = true;
    std::vector<Statement> statements;
    EXPECT_EQ(Server(filter, &local, &statements), expected);
    EXPECT_FALSE(local) << "the filter runs on the server";
    EXPECT_EQ(Local(filter), expected);
    ASSERT_FALSE(statements.empty());
    if (c.notInSql != nullptr) {
      bool bound = false;
      for (const Statement& st : statements) {
        EXPECT_EQ(st.sql.find(c.notInSql), std::string::npos)
            << "a typed value became SQL: " << st.sql;
        for (const SqlValue& v : st.binds) bound |= v.text.find(c.notInSql) != std::string::npos;
      }
      EXPECT_TRUE(bound) << "the typed value is a bound parameter";
    }
  }
  EXPECT_EQ(ExecOn(D(), "SELECT COUNT(*) FROM " + ItemsName()), "") << "the table is still there";
}

TEST_P(QueryFilters, AccentedLettersMatchInEveryCaseEverywhere) {
  const std::pair<const char*, Codes> cases[] = {
      {"^*écrou", {"A8", "A9", "B1"}}, {"^*ÉCROU", {"A8", "A9", "B1"}},
      {"^*ÑANDÚ", {"B2", "B3", "B4"}}, {"^*ñandú", {"B2", "B3", "B4"}},
      {"^ñandú*", {"B2", "B3", "B4"}}, {"*ñandú", {"B3"}},
  };
  for (const auto& [typed, expected] : cases) {
    query.ClearQuery();
    query.FindField("BRI:NAME")->MIDDLE = typed;
    const std::string filter = query.GetFilter();
    SCOPED_TRACE(filter);
    bool local = true;
    std::vector<Statement> statements;
    EXPECT_EQ(Server(filter, &local, &statements), expected);
    EXPECT_EQ(Local(filter), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Db, QueryFilters, ::testing::ValuesIn(Dbs()), DbName);

}  // namespace
}  // namespace kv::test
