#include "platform/storage/RecordPosition.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

const std::vector<ColumnDesc> kColumns = {{"Code", "T:CODE", ColumnType::kText, 20},
                                          {"Price", "T:PRICE", ColumnType::kDecimal, 6, 11, 2},
                                          {"N", "T:N", ColumnType::kInteger, 4},
                                          {"R", "T:R", ColumnType::kReal, 8}};

TEST(RecordPosition, EncodesEqualRecordsEquallyAndDecodesBack) {
  struct Case {
    std::vector<SqlValue> values;
    std::vector<SqlValue> equalTo;  // written differently, same record
  };
  const Case cases[] = {
      {{SqlValue::Text("A|B%C"), SqlValue::Decimal("12.50"), SqlValue::Integer(-7),
        SqlValue::Real(0.1)},
       {SqlValue::Text("A|B%C   "), SqlValue::Decimal("12.5"), SqlValue::Integer(-7),
        SqlValue::Real(0.1)}},
      {{SqlValue::Null(), SqlValue::Decimal("-0.00"), SqlValue::Integer(0),
        SqlValue::Real(-2.5e300)},
       {SqlValue::Null(), SqlValue::Decimal("0"), SqlValue::Integer(0), SqlValue::Real(-2.5e300)}},
      {{SqlValue::Text("caf\xC3\xA9 %7C"), SqlValue::Decimal("12345678901.23"),
        SqlValue::Integer(2147483647), SqlValue::Real(1)},
       {SqlValue::Text("caf\xC3\xA9 %7C"), SqlValue::Decimal("+12345678901.230"),
        SqlValue::Integer(2147483647), SqlValue::Real(1.0)}},
  };
  for (const Case& c : cases) {
    std::string text = EncodePosition(c.values);
    SCOPED_TRACE(text);
    EXPECT_EQ(EncodePosition(c.equalTo), text);
    std::vector<SqlValue> back;
    ASSERT_TRUE(DecodePosition(text, kColumns, &back));
    EXPECT_EQ(EncodePosition(back), text);
    EXPECT_EQ(back[0],
              c.values[0].IsNull() ? SqlValue::Null() : SqlValue::Text(CanonicalText(c.values[0])));
    EXPECT_EQ(back[3], c.values[3]);
  }
  EXPECT_NE(EncodePosition({SqlValue::Text("a|b")}),
            EncodePosition({SqlValue::Text("a"), SqlValue::Text("b")}));
  EXPECT_NE(EncodePosition({SqlValue::Null()}), EncodePosition({SqlValue::Text("")}));
}

TEST(RecordPosition, RefusesTextsThatAreNoPositionAndKeepsTheLengthLimit) {
  const char* bad[] = {"",
                       "Vx",
                       "Vx|V1|V2",
                       "Vx|V1|V2|V3|V4",
                       "Q|V1|V2|V3",
                       "Vx|V1|Vtwo|V3",
                       "Vx|V1|V2|V3e",
                       "V%zz|V1|V2|V3"};
  for (const char* text : bad) {
    std::vector<SqlValue> out;
    EXPECT_FALSE(DecodePosition(text, kColumns, &out)) << text;
  }
  EXPECT_EQ(EncodePosition({SqlValue::Text(std::string(1023, 'x'))}).size(), 1024u);
  EXPECT_EQ(EncodePosition({SqlValue::Text(std::string(1024, 'x'))}), "")
      << "a position longer than 1024 characters is not handed out";
  EXPECT_EQ(EncodePosition({SqlValue::Text(std::string(400, '|'))}), "")
      << "escaping counts against the limit";
}

}  // namespace
}  // namespace kv
