#include "platform/storage/FieldTableLayout.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

struct MixedRecord {
  String<6> CODE;
  CString<5> SHORTTEXT;
  Decimal<5, 2> AMOUNT;
  Long COUNT;
  UShort SMALL;
  Real RATIO;
};

const FieldTable& MixedFields() {
  static const FieldTable t = FieldTable::For<MixedRecord>({
      KV_FIELD(MixedRecord, CODE, "MIX:CODE", "@s6", "Code"),
      KV_FIELD(MixedRecord, SHORTTEXT, "MIX:SHORTTEXT"),
      KV_FIELD(MixedRecord, AMOUNT, "MIX:AMOUNT"),
      KV_FIELD(MixedRecord, COUNT, "MIX:COUNT"),
      KV_FIELD(MixedRecord, SMALL, "MIX:SMALL"),
      KV_FIELD(MixedRecord, RATIO, "MIX:RATIO"),
  });
  return t;
}

TEST(FieldTableLayout, ColumnsFollowTheFieldTypes) {
  FieldTableLayout layout(MixedFields());
  ASSERT_EQ(layout.FieldCount(), 6);
  EXPECT_EQ(layout.RecordSize(), sizeof(MixedRecord));
  struct Want {
    const char* name;
    ColumnType type;
    int size, precision, scale;
  };
  const Want want[] = {{"Code", ColumnType::kText, 6, 0, 0},
                       {"SHORTTEXT", ColumnType::kText, 4, 0, 0},  // CSTRING(5): 4 characters
                       {"AMOUNT", ColumnType::kDecimal, 0, 5, 2},
                       {"COUNT", ColumnType::kInteger, 0, 0, 0},
                       {"SMALL", ColumnType::kInteger, 0, 0, 0},
                       {"RATIO", ColumnType::kReal, 0, 0, 0}};
  for (int f = 0; f < 6; ++f) {
    SCOPED_TRACE(want[f].name);
    const ColumnDesc& c = layout.Column(f);
    EXPECT_EQ(c.name, want[f].name);
    EXPECT_EQ(c.type, want[f].type);
    if (c.type == ColumnType::kText) {
      EXPECT_EQ(c.size, want[f].size);
    }
    EXPECT_EQ(c.precision, want[f].precision);
    EXPECT_EQ(c.scale, want[f].scale);
  }
  EXPECT_EQ(layout.Column(0).label, "MIX:CODE");
}

TEST(FieldTableLayout, ValuesCrossExactlyAndBadValuesLeaveTheFieldCleared) {
  FieldTableLayout layout(MixedFields());
  MixedRecord r;
  layout.Clear(&r);
  struct Case {
    int field;
    SqlValue in;
    SqlValue out;  // what Get gives back afterwards
  };
  const Case cases[] = {
      {0, SqlValue::Text("ab  "), SqlValue::Text("ab")},
      {0, SqlValue::Text("abcde\xC3\xA9"), SqlValue::Text("abcde")},  // no half character
      {1, SqlValue::Text("wxyz!"), SqlValue::Text("wxyz")},
      {2, SqlValue::Decimal("-0.05"), SqlValue::Decimal("-0.05")},
      {2, SqlValue::Decimal("999.99"), SqlValue::Decimal("999.99")},
      {2, SqlValue::Decimal("1000.00"), SqlValue::Decimal("0.00")},  // past DECIMAL(5,2)
      {2, SqlValue::Decimal("not a number"), SqlValue::Decimal("0.00")},
      {2, SqlValue::Text("12.5"), SqlValue::Decimal("12.50")},
      {3, SqlValue::Integer(-2147483647 - 1), SqlValue::Integer(-2147483647 - 1)},
      {3, SqlValue::Integer(4294967296LL), SqlValue::Integer(0)},  // past LONG
      {4, SqlValue::Integer(65535), SqlValue::Integer(65535)},
      {4, SqlValue::Integer(-1), SqlValue::Integer(0)},
      {5, SqlValue::Real(0.1), SqlValue::Real(0.1)},
      {5, SqlValue::Null(), SqlValue::Real(0)},
      {0, SqlValue::Null(), SqlValue::Text("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.field) + ": " + c.in.text);
    layout.Set(&r, c.field, c.in);
    EXPECT_EQ(layout.Get(&r, c.field), c.out);
  }
}

}  // namespace
}  // namespace kv
