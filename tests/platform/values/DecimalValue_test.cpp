#include "platform/values/DecimalValue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/values/Decimal.h"

namespace kv {
namespace {

DecimalValue D(const char* text) {
  DecimalValue v;
  EXPECT_EQ(DecimalValue::Parse(text, &v), ValueStatus::kOk) << text;
  return v;
}

TEST(DecimalValue, ParseAndTextTable) {
  struct Case {
    const char* in;
    ValueStatus status;
    const char* text;  // ToText when ok
  } cases[] = {
      {"0", ValueStatus::kOk, "0"},
      {"  12.50 ", ValueStatus::kOk, "12.50"},
      {"-0.05", ValueStatus::kOk, "-0.05"},
      {"+7", ValueStatus::kOk, "7"},
      {".5", ValueStatus::kOk, "0.5"},
      {"5.", ValueStatus::kOk, "5"},
      {"1.5e3", ValueStatus::kOk, "1500"},
      {"15E-3", ValueStatus::kOk, "0.015"},
      {"-0", ValueStatus::kOk, "0"},
      {"12345678901.23", ValueStatus::kOk, "12345678901.23"},
      {"99999999999999999999999999999999999999", ValueStatus::kOk,
       "99999999999999999999999999999999999999"},
      {"999999999999999999999999999999999999999", ValueStatus::kOverflow, ""},
      {"1e38", ValueStatus::kOverflow, ""},
      // more than 31 places: rounded half away from zero at 31
      {"0.00000000000000000000000000000015", ValueStatus::kOk, "0.0000000000000000000000000000002"},
      {"-0.00000000000000000000000000000015", ValueStatus::kOk,
       "-0.0000000000000000000000000000002"},
      {"", ValueStatus::kInvalid, ""},
      {"   ", ValueStatus::kInvalid, ""},
      {"-", ValueStatus::kInvalid, ""},
      {".", ValueStatus::kInvalid, ""},
      {"--1", ValueStatus::kInvalid, ""},
      {"1-", ValueStatus::kInvalid, ""},
      {"1.2.3", ValueStatus::kInvalid, ""},
      {"12abc", ValueStatus::kInvalid, ""},
      {"1e", ValueStatus::kInvalid, ""},
      {"nan", ValueStatus::kInvalid, ""},
      {"1 2", ValueStatus::kInvalid, ""},
  };
  for (const Case& c : cases) {
    DecimalValue v = DecimalValue::FromInteger(42);
    ValueStatus st = DecimalValue::Parse(c.in, &v);
    EXPECT_EQ(st, c.status) << "'" << c.in << "'";
    if (st == ValueStatus::kOk) {
      EXPECT_EQ(v.ToText(), c.text) << c.in;
    } else {
      EXPECT_EQ(v.ToText(), "42") << "output must be unchanged on failure: " << c.in;
    }
  }
}

TEST(DecimalValue, PlainTextDropsTrailingZeros) {
  EXPECT_EQ(D("12.50").ToPlainText(), "12.5");
  EXPECT_EQ(D("3.00").ToPlainText(), "3");
  EXPECT_EQ(D("-0.050").ToPlainText(), "-0.05");
  EXPECT_EQ(D("100").ToPlainText(), "100");
}

TEST(DecimalValue, ArithmeticIsExact) {
  struct Case {
    const char* a;
    char op;
    const char* b;
    const char* result;  // ToText of the result
  } cases[] = {
      {"0.1", '+', "0.2", "0.3"},
      {"12345678901.23", '+', "0", "12345678901.23"},
      {"1", '-', "0.001", "0.999"},
      {"-5.5", '+', "5.5", "0.0"},
      {"1.25", '*', "-4", "-5.00"},
      {"0.1", '*', "0.1", "0.01"},
      {"99999999999999999999", '*', "99999999999999999", "9999999999999999899900000000000000001"},
      {"-3", '-', "-3", "0"},
  };
  for (const Case& c : cases) {
    DecimalValue r;
    ValueStatus st = ValueStatus::kOk;
    switch (c.op) {
      case '+':
        st = DecimalValue::Add(D(c.a), D(c.b), &r);
        break;
      case '-':
        st = DecimalValue::Sub(D(c.a), D(c.b), &r);
        break;
      case '*':
        st = DecimalValue::Mul(D(c.a), D(c.b), &r);
        break;
    }
    ASSERT_EQ(st, ValueStatus::kOk) << c.a << c.op << c.b;
    EXPECT_EQ(r.ToText(), c.result) << c.a << c.op << c.b;
  }
  // Ten additions of 0.1 are exactly 1, unlike binary floating point.
  DecimalValue sum;
  for (int i = 0; i < 10; ++i) ASSERT_EQ(DecimalValue::Add(sum, D("0.1"), &sum), ValueStatus::kOk);
  EXPECT_EQ(DecimalValue::Compare(sum, D("1")), 0);
}

TEST(DecimalValue, ProductsBeyond38DigitsDropPlacesNotIntegerDigits) {
  // 31 places each: the exact product has 62 places; it is rounded to 31.
  DecimalValue a = D("1.0000000000000000000000000000005");
  DecimalValue r;
  ASSERT_EQ(DecimalValue::Mul(a, D("1.0000000000000000000000000000005"), &r), ValueStatus::kOk);
  EXPECT_EQ(r.ToText(), "1.0000000000000000000000000000010");
  // An integer part of more than 38 digits cannot be represented.
  EXPECT_EQ(DecimalValue::Mul(D("1e37"), D("100"), &r), ValueStatus::kOverflow);
  // A sum that needs one more digit gives up a place.
  ASSERT_EQ(DecimalValue::Add(D("9999999999999999999999999999999999999.5"), D("0.5"), &r),
            ValueStatus::kOk);
  EXPECT_EQ(r.ToText(), "10000000000000000000000000000000000000");
}

TEST(DecimalValue, DivisionRoundsHalfAwayFromZero) {
  struct Case {
    const char* a;
    const char* b;
    int scale;
    const char* result;
  } cases[] = {
      {"1", "3", 4, "0.3333"},
      {"2", "3", 4, "0.6667"},
      {"-2", "3", 4, "-0.6667"},
      {"1", "8", 2, "0.13"},
      {"-1", "8", 2, "-0.13"},
      {"1", "-8", 2, "-0.13"},
      {"10", "4", 0, "3"},
      {"-10", "4", 0, "-3"},
      {"7.5", "2.5", 0, "3"},
      {"1.00005", "1", 4, "1.0001"},
      {"0.000049", "1", 4, "0.0000"},
      {"1", "0.001", 2, "1000.00"},
      {"123.456", "0.001", 0, "123456"},
  };
  for (const Case& c : cases) {
    DecimalValue r;
    ASSERT_EQ(DecimalValue::Div(D(c.a), D(c.b), c.scale, &r), ValueStatus::kOk)
        << c.a << "/" << c.b;
    EXPECT_EQ(r.ToText(), c.result) << c.a << "/" << c.b;
  }
  DecimalValue r = D("9");
  EXPECT_EQ(DecimalValue::Div(D("1"), D("0"), 2, &r), ValueStatus::kDivideByZero);
  EXPECT_EQ(r.ToText(), "9");
  EXPECT_EQ(DecimalValue::Div(D("1e30"), D("0.0000001"), 10, &r), ValueStatus::kOverflow);
}

TEST(DecimalValue, RescaleRoundsHalfAwayFromZero) {
  struct Case {
    const char* in;
    int places;
    const char* out;
  } cases[] = {
      {"2.345", 2, "2.35"}, {"-2.345", 2, "-2.35"}, {"2.344", 2, "2.34"},    {"-2.344", 2, "-2.34"},
      {"0.5", 0, "1"},      {"-0.5", 0, "-1"},      {"1.5", 0, "2"},         {"2.5", 0, "3"},
      {"-2.5", 0, "-3"},    {"0.49", 0, "0"},       {"99.995", 2, "100.00"}, {"7", 3, "7.000"},
  };
  for (const Case& c : cases) {
    DecimalValue r;
    ASSERT_EQ(D(c.in).Rescale(c.places, &r), ValueStatus::kOk) << c.in;
    EXPECT_EQ(r.ToText(), c.out) << c.in << " at " << c.places;
  }
}

TEST(DecimalValue, CompareIgnoresScale) {
  EXPECT_EQ(DecimalValue::Compare(D("1.50"), D("1.5")), 0);
  EXPECT_LT(DecimalValue::Compare(D("-2"), D("-1.99")), 0);
  EXPECT_GT(DecimalValue::Compare(D("0.0000000000000000000000000000001"), D("0")), 0);
  EXPECT_LT(DecimalValue::Compare(D("99999999999999999999999999999999999998"),
                                  D("99999999999999999999999999999999999999")),
            0);
  EXPECT_TRUE(D("-0.00") == D("0"));
}

TEST(DecimalValue, RealConversionsUseShortestText) {
  DecimalValue v;
  ASSERT_EQ(DecimalValue::FromReal(0.1, &v), ValueStatus::kOk);
  EXPECT_EQ(v.ToText(), "0.1");
  ASSERT_EQ(DecimalValue::FromReal(-1234.5, &v), ValueStatus::kOk);
  EXPECT_EQ(v.ToText(), "-1234.5");
  EXPECT_EQ(DecimalValue::FromReal(1.0 / 0.0, &v), ValueStatus::kInvalid);
  EXPECT_EQ(DecimalValue::FromReal(1e300, &v), ValueStatus::kOverflow);
  EXPECT_EQ(D("12345678901.23").ToReal(), 12345678901.23);
  std::int64_t i = 0;
  ASSERT_EQ(D("-7.5").ToInteger(&i), ValueStatus::kOk);
  EXPECT_EQ(i, -8);
  EXPECT_EQ(D("1e30").ToInteger(&i), ValueStatus::kOverflow);
}

TEST(StoredDecimal, LayoutAndRoundTrip) {
  static_assert(sizeof(Decimal<11, 2>) == 6);
  static_assert(sizeof(Decimal<31, 5>) == 16);
  static_assert(sizeof(Decimal<1, 0>) == 1);
  static_assert(alignof(Decimal<11, 2>) == 1);
  Decimal<11, 2> price;
  EXPECT_EQ(price.Get().ToText(), "0.00");
  struct Case {
    const char* in;
    ValueStatus status;
    const char* stored;
  } cases[] = {
      {"12345678901.23", ValueStatus::kOverflow, ""},  // 13 digits do not fit 11
      {"123456789.01", ValueStatus::kOk, "123456789.01"},
      {"-123456789.01", ValueStatus::kOk, "-123456789.01"},
      {"999999999.99", ValueStatus::kOk, "999999999.99"},
      {"999999999.995", ValueStatus::kOverflow, ""},  // rounds to 1000000000.00
      {"0.005", ValueStatus::kOk, "0.01"},
      {"-0.005", ValueStatus::kOk, "-0.01"},
      {"-0.004", ValueStatus::kOk, "0.00"},
      {"abc", ValueStatus::kInvalid, ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(price.SetText("1.25"), ValueStatus::kOk);
    EXPECT_EQ(price.SetText(c.in), c.status) << c.in;
    EXPECT_EQ(price.Get().ToText(), c.status == ValueStatus::kOk ? c.stored : "1.25") << c.in;
  }
  Decimal<31, 2> big;
  ASSERT_EQ(big.SetText("12345678901234567890123456789.01"), ValueStatus::kOk);
  EXPECT_EQ(big.Get().ToText(), "12345678901234567890123456789.01");
  ASSERT_EQ(big.SetText("-12345678901234567890123456789.01"), ValueStatus::kOk);
  EXPECT_EQ(big.Get().ToText(), "-12345678901234567890123456789.01");
  // Negative zero after rounding is stored as zero: one image per value.
  Decimal<5, 0> a, b;
  ASSERT_EQ(a.SetText("-0.4"), ValueStatus::kOk);
  EXPECT_EQ(std::memcmp(a.bytes, b.bytes, sizeof a.bytes), 0);
}

}  // namespace
}  // namespace kv
