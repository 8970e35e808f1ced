#include "platform/values/VarRef.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/values/Value.h"

namespace kv {
namespace {

// One variable of every type, so that table rows can name source and target by letter.
struct Vars {
  String<10> s;
  CString<6> c;
  Byte b = 0;
  Short sh = 0;
  UShort us = 0;
  Long l = 0;
  Decimal<7, 2> d;
  Real r = 0;

  VarRef Get(char which) {
    switch (which) {
      case 's':
        return s;
      case 'c':
        return c;
      case 'b':
        return b;
      case 'h':
        return sh;
      case 'u':
        return us;
      case 'l':
        return l;
      case 'd':
        return d;
      default:
        return r;
    }
  }
};

TEST(VarRef, ConversionTable) {
  struct Case {
    char target;
    char source;
    const char* sourceText;  // set into the source first through SetText
    ValueStatus status;
    const char* result;  // target's ToText afterwards
  } cases[] = {
      // text := text
      {'s', 'c', "hello", ValueStatus::kOk, "hello     "},
      {'c', 's', "abcdefghij", ValueStatus::kOk, "abcde"},
      // text := number, written plainly
      {'s', 'l', "-42", ValueStatus::kOk, "-42       "},
      {'s', 'd', "12.50", ValueStatus::kOk, "12.5      "},
      {'s', 'd', "3", ValueStatus::kOk, "3         "},
      {'s', 'r', "0.1", ValueStatus::kOk, "0.1       "},
      {'c', 'b', "255", ValueStatus::kOk, "255"},
      // number := text; non-numeric text is 0
      {'l', 's', " 123 ", ValueStatus::kOk, "123"},
      {'l', 's', "12abc", ValueStatus::kOk, "0"},
      {'l', 's', "", ValueStatus::kOk, "0"},
      {'d', 's', "1.005", ValueStatus::kOk, "1.01"},
      {'d', 's', "-1.005", ValueStatus::kOk, "-1.01"},
      {'d', 'c', "abc", ValueStatus::kOk, "0"},
      {'r', 's', "2.5e2", ValueStatus::kOk, "250"},
      {'r', 's', "x", ValueStatus::kOk, "0"},
      // integers := numbers, rounded half away from zero, never wrapped
      {'l', 'd', "2.50", ValueStatus::kOk, "3"},
      {'l', 'd', "-2.50", ValueStatus::kOk, "-3"},
      {'l', 'r', "-0.5", ValueStatus::kOk, "-1"},
      {'b', 'l', "255", ValueStatus::kOk, "255"},
      {'b', 'l', "256", ValueStatus::kOverflow, "7"},
      {'b', 'l', "-1", ValueStatus::kOverflow, "7"},
      {'h', 'l', "-32768", ValueStatus::kOk, "-32768"},
      {'h', 'l', "32768", ValueStatus::kOverflow, "7"},
      {'u', 'l', "65535", ValueStatus::kOk, "65535"},
      {'u', 'h', "-1", ValueStatus::kOverflow, "7"},
      {'l', 's', "2147483648", ValueStatus::kOverflow, "7"},
      {'l', 'r', "1e300", ValueStatus::kOverflow, "7"},
      // DECIMAL := numbers
      {'d', 'l', "12345", ValueStatus::kOk, "12345"},
      {'d', 'l', "123456", ValueStatus::kOverflow, "7"},  // DECIMAL(7,2) holds 5 integer digits
      {'d', 'r', "0.125", ValueStatus::kOk, "0.13"},
      {'d', 'r', "-0.125", ValueStatus::kOk, "-0.13"},
      // REAL := numbers
      {'r', 'd', "12.34", ValueStatus::kOk, "12.34"},
      {'r', 'l', "-7", ValueStatus::kOk, "-7"},
  };
  for (const Case& c : cases) {
    Vars v;
    VarRef target = v.Get(c.target);
    VarRef source = v.Get(c.source);
    ASSERT_EQ(target.SetInteger(7), ValueStatus::kOk);
    if (source.Type() == ValueType::kReal) {
      ASSERT_EQ(source.SetReal(std::stod(c.sourceText)), ValueStatus::kOk);
    } else {
      ASSERT_EQ(source.SetText(c.sourceText), ValueStatus::kOk) << c.sourceText;
    }
    EXPECT_EQ(target.Assign(source), c.status)
        << c.target << " := " << c.source << " " << c.sourceText;
    EXPECT_EQ(target.ToText(), c.result) << c.target << " := " << c.source << " " << c.sourceText;
  }
}

TEST(VarRef, ReadersAndClear) {
  Vars v;
  ASSERT_EQ(VarRef(v.s).SetText("  -12.5 "), ValueStatus::kOk);
  EXPECT_EQ(VarRef(v.s).ToLong(), -13);
  EXPECT_EQ(VarRef(v.s).ToReal(), -12.5);
  EXPECT_EQ(VarRef(v.s).ToDecimal().ToText(), "-12.5");
  EXPECT_EQ(VarRef(v.s).ToClippedText(), "  -12.5");
  ASSERT_EQ(VarRef(v.s).SetText("99999999999"), ValueStatus::kOk);
  EXPECT_EQ(VarRef(v.s).ToLong(), INT32_MAX);  // clamped, not wrapped
  DecimalValue out = DecimalValue::FromInteger(5);
  ASSERT_EQ(VarRef(v.c).SetText("zz"), ValueStatus::kOk);
  EXPECT_EQ(VarRef(v.c).GetDecimal(&out), ValueStatus::kInvalid);
  EXPECT_EQ(out.ToText(), "5");
  EXPECT_EQ(VarRef(v.c).ToDecimal().ToText(), "0");

  for (char t : std::string("schuldr")) {
    VarRef r = v.Get(t);
    ASSERT_EQ(r.SetText("12"), ValueStatus::kOk);
    r.Clear();
    EXPECT_EQ(r.ToClippedText(), r.IsText() ? "" : "0") << t;
  }
  EXPECT_EQ(std::string(v.s.View()), "          ");
  EXPECT_EQ(v.c.bytes[0], '\0');

  VarRef null;
  EXPECT_TRUE(null.IsNull());
  EXPECT_EQ(null.SetText("x"), ValueStatus::kInvalid);
  EXPECT_EQ(VarRef(v.l).Assign(null), ValueStatus::kInvalid);
  EXPECT_EQ(null.ToText(), "");
  null.Clear();  // harmless
}

TEST(VarRef, ComparisonTable) {
  struct Case {
    char a;
    const char* aText;
    char b;
    const char* bText;
    int order;    // Compare(a, b)
    bool noCase;  // EqualNoCase(a, b)
  } cases[] = {
      {'s', "abc", 'c', "abc", 0, true},  // padding is not part of the comparison
      {'s', "abc  ", 'c', "abc", 0, true},
      {'s', "abc", 'c', "ABC", 1, true},  // differ only in case
      {'s', "abc", 's', "abd", -1, false},
      {'s', " abc", 'c', "abc", -1, false},  // leading blanks count
      {'s', "10", 'l', "9", 1, false},       // numeric text compares as a number
      {'s', "5.00", 'd', "5", 0, false},     // texts "5.00" and "5" differ
      {'s', "abc", 'l', "5", 1, false},      // non-numeric text compares as text
      {'l', "5", 'd', "5.00", 0, true},
      {'d', "-1.5", 'r', "-1.5", 0, true},
      {'b', "200", 'h', "-200", 1, false},
      {'d', "0.1", 'd', "0.10", 0, true},
      {'u', "65535", 'l', "65535", 0, true},
  };
  for (const Case& c : cases) {
    Vars v;
    VarRef a = v.Get(c.a);
    Vars w;
    VarRef b = w.Get(c.b);
    ASSERT_EQ(a.SetText(c.aText), ValueStatus::kOk);
    ASSERT_EQ(b.SetText(c.bText), ValueStatus::kOk);
    EXPECT_EQ(VarRef::Compare(a, b), c.order) << c.aText << " vs " << c.bText;
    EXPECT_EQ(VarRef::Compare(b, a), -c.order) << c.bText << " vs " << c.aText;
    EXPECT_EQ(VarRef::Equal(a, b), c.order == 0) << c.aText << " vs " << c.bText;
    EXPECT_EQ(VarRef::EqualNoCase(a, b), c.noCase) << c.aText << " vs " << c.bText;
  }
  Vars v;
  EXPECT_TRUE(VarRef::Equal(VarRef(), VarRef()));
  EXPECT_FALSE(VarRef::Equal(VarRef(), VarRef(v.l)));
  EXPECT_FALSE(VarRef::EqualNoCase(VarRef(v.s), VarRef()));
}

TEST(VarRef, SelfAssignmentAndOverlongText) {
  String<6> s("abcdef");
  VarRef r(s);
  ASSERT_EQ(r.Assign(r), ValueStatus::kOk);
  EXPECT_EQ(std::string(s.View()), "abcdef");
  ASSERT_EQ(r.SetText("x\xE2\x82\xAC\xE2\x82\xAC"), ValueStatus::kOk);  // 7 bytes into 6
  EXPECT_EQ(std::string(s.View()), "x\xE2\x82\xAC  ");
}

TEST(Value, ClearedBufferOfTheSameType) {
  Decimal<11, 2> price;
  ASSERT_EQ(price.SetText("19.99"), ValueStatus::kOk);
  String<20> code("ABC");
  for (VarRef like : {VarRef(price), VarRef(code)}) {
    Value buffer = Value::ClearedLike(like);
    VarRef b = buffer.Ref();
    EXPECT_EQ(b.Type(), like.Type());
    EXPECT_EQ(b.Size(), like.Size());
    EXPECT_EQ(b.Places(), like.Places());
    EXPECT_EQ(b.ToClippedText(), like.IsText() ? "" : "0");
    ASSERT_EQ(b.Assign(like), ValueStatus::kOk);
    EXPECT_TRUE(VarRef::Equal(b, like));
  }
  // References survive moves of the owning value.
  Value v = Value::CopyOf(VarRef(code));
  VarRef before = v.Ref();
  Value moved = std::move(v);
  EXPECT_EQ(moved.Ref().Address(), before.Address());
  EXPECT_EQ(before.ToClippedText(), "ABC");
  EXPECT_TRUE(Value().Ref().IsNull());
  EXPECT_TRUE(Value::ClearedLike(VarRef()).IsNull());
}

}  // namespace
}  // namespace kv
