// REAL fields: stored and read back bit for bit, so change detection (which compares every
// column with the value last read) never mistakes an untouched floating-point value for a
// change made by another station.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "StorageFixture.h"
#include "platform/storage/LastError.h"

namespace kv::testing {
namespace {

struct MeasureRecord {
  Long ID;
  Real VALUE;
  Short SMALL;
  Byte FLAG;
};

const FieldTableLayout& MeasureLayout() {
  static const FieldTable fields = FieldTable::For<MeasureRecord>({
      KV_FIELD(MeasureRecord, ID, "MEA:ID"),
      KV_FIELD(MeasureRecord, VALUE, "MEA:VALUE"),
      KV_FIELD(MeasureRecord, SMALL, "MEA:SMALL"),
      KV_FIELD(MeasureRecord, FLAG, "MEA:FLAG"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

class RealColumns : public ::testing::TestWithParam<Backend> {};

TEST_P(RealColumns, ValuesRoundTripExactlyAndPutsDetectNoFalseChange) {
  if (GetParam().name == "sqlite_odbc")
    GTEST_SKIP() << "the SQLite ODBC driver hands out REAL values through 15-digit text";
  const std::string name = UniqueName("Measures");
  std::string why;
  if (!PrepareBackend(GetParam(), {name}, &why)) {
    if (GetParam().name.rfind("postgres", 0) == 0 && PostgresRequired())
      FAIL() << "PostgreSQL is required: " << why;
    GTEST_SKIP() << why;
  }
  TableDecl decl("Measures", name, kSqlDriver, MeasureLayout());
  decl.SetOwnerText(OwnerFor(GetParam()));
  decl.AddKey({"MEA:PK_Id", "", {{0, true}}, false, false, true});
  Table& t = decl.Instance();
  ASSERT_EQ(t.Create(), kNoError) << LastError().driverText;
  ASSERT_EQ(t.Open(), kNoError) << LastError().driverText;
  auto& r = t.RecordAs<MeasureRecord>();

  const double values[] = {
      0.1, 1.0 / 3.0, -2.5e300, 1e-300, 123456789.123456789, std::nextafter(1.0, 2.0), -0.0, 0};
  int id = 0;
  for (double v : values) {
    SCOPED_TRACE(v);
    MeasureLayout().Clear(t.Record());
    r.ID = ++id;
    r.VALUE = v;
    r.SMALL = Short(-32768 + id);
    r.FLAG = Byte(255 - id);
    ASSERT_EQ(t.Add(), kNoError) << LastError().driverText;
    MeasureLayout().Clear(t.Record());
    r.ID = id;
    ASSERT_EQ(t.Get(1), kNoError) << LastError().driverText;
    EXPECT_EQ(r.VALUE, v);
    EXPECT_EQ(r.SMALL, Short(-32768 + id));
    EXPECT_EQ(r.FLAG, Byte(255 - id));
    r.FLAG = 7;
    EXPECT_EQ(t.Put(), kNoError) << "an untouched REAL must not look changed: "
                                 << LastError().driverText;
    std::string pos = t.Position();
    ASSERT_EQ(t.Reget(0, pos), kNoError) << pos;
    EXPECT_EQ(r.FLAG, 7);
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, RealColumns, ::testing::ValuesIn(AllBackends()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kv::testing
