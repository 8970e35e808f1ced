#include "platform/storage/ViewQuery.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kv {
namespace {

TableShape Items() {
  TableShape s;
  s.name = "Items";
  s.columns = {{"CODE", "ITM:CODE", ColumnType::kText, 20},
               {"PRICE", "ITM:PRICE", ColumnType::kDecimal, 8, 15, 2},
               {"PROV", "ITM:PROV", ColumnType::kInteger, 4}};
  s.keys = {{"ITM:PK", "", {{0, true}}, false, false, true}};
  return s;
}

TableShape Providers() {
  TableShape s;
  s.name = "Prov";
  s.columns = {{"ID", "PRV:ID", ColumnType::kInteger, 4},
               {"NAME", "PRV:NAME", ColumnType::kText, 30}};
  s.keys = {{"PRV:PK", "", {{0, true}}, false, false, true}};
  return s;
}

std::vector<OrderTerm> PriceThenCode() {
  OrderTerm price{"\"t0\".\"PRICE\"", {}, false, Items().columns[1]};
  OrderTerm code{"\"t0\".\"CODE\"", {}, true, Items().columns[0]};
  code.column.nullable = false;
  return {price, code};
}

int Marks(const std::string& s) {
  return int(std::count(s.begin(), s.end(), '?'));
}

TEST(ViewQuery, FilterParametersComeBeforeKeysetValuesAndJoinsUseAliases) {
  TableShape items = Items(), prov = Providers();
  ViewQuery q(DialectFor(DatabaseKind::kPostgres),
              {{&items, "t0", -1, {}, false}, {&prov, "t1", 0, {{2, 0}}, false}});
  std::vector<OrderTerm> order = PriceThenCode();
  Statement filter{"\"t1\".\"NAME\" = CAST(? AS TEXT)", {SqlValue::Text("Zeta")}};
  Statement st = q.Page(order, filter, Direction::kForward, {{SqlValue::Decimal("5")}, false}, 20);
  EXPECT_NE(st.sql.find("FROM \"Items\" \"t0\" LEFT OUTER JOIN \"Prov\" \"t1\" ON \"t1\".\"ID\" = "
                        "\"t0\".\"PROV\""),
            std::string::npos)
      << st.sql;
  ASSERT_EQ(st.binds.size(), 2u);
  EXPECT_EQ(st.binds[0], SqlValue::Text("Zeta"));
  EXPECT_EQ(st.binds[1], SqlValue::Decimal("5"));
  EXPECT_EQ(Marks(st.sql), int(st.binds.size()));
  EXPECT_NE(st.sql.find("COLLATE \"C\""), std::string::npos) << "text orders byte by byte";
  std::vector<ColumnDesc> cols = q.ResultColumns(order);
  EXPECT_EQ(cols.size(), 3u + 2u + 2u);
  EXPECT_EQ(q.FirstColumn(1), 3);

  ViewQuery server(DialectFor(DatabaseKind::kSqlServer), {{&items, "t0", -1, {}, false}});
  Statement top = server.Page(order, {}, Direction::kBackward, {}, 7);
  EXPECT_EQ(top.sql.rfind("SELECT TOP (7) ", 0), 0u) << top.sql;
  EXPECT_EQ(top.sql.find(" WHERE "), std::string::npos) << "the first page has no condition";
}

TEST(ViewQuery, ByIdentityFindsOneRowWithoutFilter) {
  TableShape items = Items();
  ViewQuery q(DialectFor(DatabaseKind::kSqlite), {{&items, "t0", -1, {}, true}});
  Statement st = q.ByIdentity(PriceThenCode(), {0}, {SqlValue::Text("K'1")});
  EXPECT_NE(st.sql.find("WHERE \"t0\".\"CODE\" = ? LIMIT 1"), std::string::npos) << st.sql;
  EXPECT_EQ(st.binds.back(), SqlValue::Text("K'1"));
  EXPECT_EQ(st.sql.find("K'1"), std::string::npos) << "values never become SQL text";
}

}  // namespace
}  // namespace kv
