#include "platform/values/FieldTable.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kv {
namespace {

// Shaped like the products record: 80 bytes, no padding.
struct ProductRecord {
  String<20> PCODE;
  String<50> DESCRIPTION;
  Decimal<11, 2> PRICE;
  Long PROVIDERID;
};
static_assert(kIsRecordType<ProductRecord>);
static_assert(sizeof(ProductRecord) == 80);

const FieldTable& ProductFields() {
  static const FieldTable table = FieldTable::For<ProductRecord>({
      KV_FIELD(ProductRecord, PCODE, "PRO:PCODE", "@s20"),
      KV_FIELD(ProductRecord, DESCRIPTION, "PRO:DESCRIPTION", "@s50"),
      KV_FIELD(ProductRecord, PRICE, "PRO:PRICE", "@n-14.2"),
      KV_FIELD(ProductRecord, PROVIDERID, "PRO:PROVIDERID", "@n-14", "ProviderId"),
  });
  return table;
}

TEST(FieldTable, DescribesTheRecord) {
  const FieldTable& t = ProductFields();
  EXPECT_EQ(t.RecordSize(), 80u);
  ASSERT_EQ(t.Count(), 4);
  struct Case {
    int n;
    const char* label;
    ValueType type;
    std::size_t offset;
    std::uint32_t size;
    int digits, places;
    const char* picture;
    const char* column;
  } cases[] = {
      {1, "PRO:PCODE", ValueType::kString, 0, 20, 0, 0, "@s20", "PCODE"},
      {2, "PRO:DESCRIPTION", ValueType::kString, 20, 50, 0, 0, "@s50", "DESCRIPTION"},
      {3, "PRO:PRICE", ValueType::kDecimal, 70, 6, 11, 2, "@n-14.2", "PRICE"},
      {4, "PRO:PROVIDERID", ValueType::kLong, 76, 4, 0, 0, "@n-14", "ProviderId"},
  };
  for (const Case& c : cases) {
    const FieldDesc* f = t.Field(c.n);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->label, c.label);
    EXPECT_EQ(f->type, c.type);
    EXPECT_EQ(f->offset, c.offset);
    EXPECT_EQ(f->size, c.size);
    EXPECT_EQ(f->digits, c.digits);
    EXPECT_EQ(f->places, c.places);
    EXPECT_EQ(f->picture, c.picture);
    EXPECT_EQ(f->ColumnName(), c.column);
  }
  EXPECT_EQ(t.Field(0), nullptr);
  EXPECT_EQ(t.Field(5), nullptr);
}

TEST(FieldTable, LookupIgnoresCase) {
  const FieldTable& t = ProductFields();
  struct Case {
    const char* label;
    int n;
    int byName;
  } cases[] = {
      {"PRO:PCODE", 1, 0}, {"pro:pcode", 1, 0},       {" Pro:Price ", 3, 0},
      {"PRO:PCOD", 0, 0},  {"PCODE", 0, 1},           {"providerid", 0, 4},
      {"", 0, 0},          {"PRO:PROVIDERIDX", 0, 0}, {"description", 0, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(t.Find(c.label), c.n) << c.label;
    EXPECT_EQ(t.FindName(c.label), c.byName) << c.label;
  }
}

TEST(FieldTable, RefsReachTheBufferAndImagesAreByteCopies) {
  const FieldTable& t = ProductFields();
  ProductRecord rec;
  t.ClearRecord(&rec);
  EXPECT_EQ(rec.PCODE.Clipped(), "");
  EXPECT_EQ(rec.PROVIDERID, 0);
  ASSERT_EQ(t.Ref(&rec, t.Find("PRO:PCODE")).SetText("BOLT-10"), ValueStatus::kOk);
  ASSERT_EQ(t.Ref(&rec, 3).SetText("1234.565"), ValueStatus::kOk);
  ASSERT_EQ(t.Ref(&rec, 4).SetInteger(77), ValueStatus::kOk);
  EXPECT_EQ(rec.PCODE.Clipped(), "BOLT-10");
  EXPECT_EQ(rec.PRICE.Get().ToText(), "1234.57");
  EXPECT_EQ(rec.PROVIDERID, 77);
  EXPECT_TRUE(t.Ref(&rec, 9).IsNull());
  EXPECT_TRUE(t.Ref(nullptr, 1).IsNull());

  ProductRecord saved;
  std::memcpy(&saved, &rec, sizeof rec);  // a saved record image
  EXPECT_EQ(std::memcmp(&saved, &rec, sizeof rec), 0);
  ASSERT_EQ(t.Ref(&rec, 3).SetText("1234.57"), ValueStatus::kOk);  // same value again
  EXPECT_EQ(std::memcmp(&saved, &rec, sizeof rec), 0);
  ASSERT_EQ(t.Ref(&rec, 2).SetText("x"), ValueStatus::kOk);
  EXPECT_NE(std::memcmp(&saved, &rec, sizeof rec), 0);
  // A failed assignment leaves the record image as it was.
  std::memcpy(&saved, &rec, sizeof rec);
  EXPECT_EQ(t.Ref(&rec, 3).SetText("123456789012"), ValueStatus::kOverflow);
  EXPECT_EQ(std::memcmp(&saved, &rec, sizeof rec), 0);
}

TEST(FieldTableDeathTest, FieldOutsideTheRecordStopsAtStartUp) {
  EXPECT_DEATH(
      {
        FieldTable bad(10, {MakeFieldDesc<String<20>>("X:A", 0)});
        (void)bad;
      },
      "bad field X:A");
}

}  // namespace
}  // namespace kv
