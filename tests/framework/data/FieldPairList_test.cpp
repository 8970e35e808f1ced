#include "framework/data/FieldPairList.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/data/BufferedPairList.h"
#include "platform/values/Decimal.h"
#include "platform/values/FixedText.h"

namespace kv {
namespace {

// A record on the left, screen variables of other types on the right, as a browse keeps them.
struct Sides {
  String<20> code{"BOLT-10"};
  Decimal<11, 2> price;
  Long provider = 12;
  CString<21> codeShown;
  String<14> priceShown;
  Real providerShown = 0;
};

void AddAll(FieldPairList& list, Sides& s) {
  list.AddPair(s.code, s.codeShown);
  list.AddPair(s.price, s.priceShown);
  list.AddPair(s.provider, s.providerShown);
}

TEST(FieldPairList, EmptyOrMissingListDoesNothingAndComparesEqual) {
  Sides s;
  BufferedPairList empty;
  for (bool initialised : {false, true}) {
    if (initialised) empty.Init();
    EXPECT_EQ(empty.HasList(), initialised);
    EXPECT_EQ(empty.AssignLeftToRight(), ValueStatus::kOk);
    EXPECT_EQ(empty.AssignRightToLeft(), ValueStatus::kOk);
    EXPECT_EQ(empty.AssignLeftToBuffer(), ValueStatus::kOk);
    EXPECT_EQ(empty.AssignBufferToRight(), ValueStatus::kOk);
    empty.ClearLeft();
    empty.ClearRight();
    EXPECT_EQ(empty.EqualLeftRight(), 1);
    EXPECT_EQ(empty.EqualLeftBuffer(), 1);
    EXPECT_EQ(empty.EqualRightBuffer(1), 1);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.HasList(), initialised) << "operations must not create the list";
  }
  EXPECT_TRUE(empty.Left(1).IsNull());
  EXPECT_TRUE(empty.Buffer(0).IsNull());
}

TEST(FieldPairList, CopiesConvertAndGoStraightIntoTheVariables) {
  Sides s;
  ASSERT_EQ(s.price.SetText("1234.5"), ValueStatus::kOk);
  FieldPairList list;
  list.Init();
  AddAll(list, s);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.EqualLeftRight(), 0);
  EXPECT_EQ(list.AssignLeftToRight(), ValueStatus::kOk);
  EXPECT_EQ(s.codeShown.View(), "BOLT-10             ");  // the STRING's padding comes along
  EXPECT_EQ(s.priceShown.Clipped(), "1234.5");
  EXPECT_EQ(s.providerShown, 12.0);
  EXPECT_EQ(list.EqualLeftRight(), 1);

  s.priceShown = "99.999";  // right to left rounds into the DECIMAL
  s.providerShown = 7;
  EXPECT_EQ(list.AssignRightToLeft(), ValueStatus::kOk);
  EXPECT_EQ(s.price.Get().ToText(), "100.00");
  EXPECT_EQ(s.provider, 7);
  EXPECT_EQ(list.EqualLeftRight(), 0);  // "99.999" is not 100.00

  list.ClearRight();
  EXPECT_EQ(s.codeShown.View(), "");
  EXPECT_EQ(s.priceShown.Clipped(), "");
  EXPECT_EQ(s.providerShown, 0.0);
  EXPECT_EQ(s.code.Clipped(), "BOLT-10");  // the other side is untouched
  list.ClearLeft();
  EXPECT_EQ(s.code.Clipped(), "");
  EXPECT_TRUE(s.price.Get().IsZero());
  EXPECT_EQ(list.EqualLeftRight(), 1);
}

TEST(FieldPairList, AFailedCopyIsReportedAndTheOthersStillHappen) {
  Sides s;
  FieldPairList list;
  list.Init();
  AddAll(list, s);
  s.codeShown = "NUT";
  s.priceShown = "123456789012";  // does not fit DECIMAL(11,2)
  s.providerShown = 5;
  ASSERT_EQ(s.price.SetText("3"), ValueStatus::kOk);
  EXPECT_EQ(list.AssignRightToLeft(), ValueStatus::kOverflow);
  EXPECT_EQ(s.code.Clipped(), "NUT");
  EXPECT_EQ(s.price.Get().ToText(), "3.00");  // kept, not wrapped
  EXPECT_EQ(s.provider, 5);
}

TEST(FieldPairList, KillIsSafeTwiceAndInitStartsEmpty) {
  Sides s;
  FieldPairList list;
  list.Kill();  // before Init
  list.Init();
  AddAll(list, s);
  list.Kill();
  EXPECT_FALSE(list.HasList());
  EXPECT_EQ(list.Count(), 0);
  list.Kill();
  EXPECT_FALSE(list.HasList());
  list.Init();
  EXPECT_EQ(list.Count(), 0);
  AddAll(list, s);
  list.Init();  // Init on a filled list drops the old pairs
  EXPECT_EQ(list.Count(), 0);
  // A pair added without Init is kept, not lost.
  FieldPairList fresh;
  fresh.AddPair(s.code, s.codeShown);
  EXPECT_EQ(fresh.Count(), 1);
}

TEST(BufferedPairList, BufferHasRightsTypeAndStartsCleared) {
  String<20> left("abc");
  String<20> right("KEEP");
  Decimal<7, 3> amount;
  Long counter = 4;
  BufferedPairList list;
  list.Init();
  list.AddPair(left, right);
  list.AddPair(counter, amount);
  EXPECT_EQ(right.Clipped(), "KEEP");  // adding does not touch the right side
  VarRef b1 = list.Buffer(1);
  EXPECT_EQ(b1.Type(), ValueType::kString);
  EXPECT_EQ(b1.Size(), 20u);
  EXPECT_EQ(b1.ToText(), std::string(20, ' '));
  VarRef b2 = list.Buffer(2);
  EXPECT_EQ(b2.Type(), ValueType::kDecimal);
  EXPECT_EQ(b2.Places(), 3);
  EXPECT_EQ(b2.ToText(), "0");
  EXPECT_EQ(list.AssignRightToBuffer(), ValueStatus::kOk);
  EXPECT_EQ(list.EqualRightBuffer(), 1);
  EXPECT_EQ(list.EqualRightBuffer(1), 1);
  // Buffers belong to their pairs: adding more pairs keeps earlier buffer references valid.
  for (int i = 0; i < 50; ++i) list.AddPair(left, right);
  EXPECT_EQ(b1.Address(), list.Buffer(1).Address());
  EXPECT_EQ(b1.ToClippedText(), "KEEP");
}

TEST(BufferedPairList, ExactAndCaseInsensitiveComparisons) {
  struct Case {
    const char* left;
    const char* buffer;
    Byte exact;
    Byte noCase;
  } cases[] = {
      {"Bolt", "Bolt", 1, 1},
      {"Bolt", "BOLT", 0, 1},
      {"bolt  ", "BOLT", 0, 1},
      {"bolt", "bolts", 0, 0},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", 0, 1},
      {"", "", 1, 1},
      {" a", "a", 0, 0},
  };
  for (const Case& c : cases) {
    String<10> left(c.left);
    String<10> right;
    BufferedPairList list;
    list.Init();
    list.AddPair(left, right);
    ASSERT_EQ(list.Buffer(1).SetText(c.buffer), ValueStatus::kOk);
    EXPECT_EQ(list.EqualLeftBuffer(1), c.exact) << c.left << " / " << c.buffer;
    EXPECT_EQ(list.EqualLeftBuffer(0), c.noCase) << c.left << " / " << c.buffer;
    EXPECT_EQ(list.EqualLeftBuffer(), c.noCase) << "short form ignores case";
    right = c.left;
    EXPECT_EQ(list.EqualRightBuffer(1), c.exact) << c.left << " / " << c.buffer;
    EXPECT_EQ(list.EqualRightBuffer(), c.noCase) << c.left << " / " << c.buffer;
  }
}

TEST(BufferedPairList, StopsAtFirstDifferenceAcrossPairs) {
  String<8> a("x"), b("y");
  Long n = 3, m = 0;
  BufferedPairList list;
  list.Init();
  list.AddPair(a, b);
  list.AddPair(n, m);
  EXPECT_EQ(list.AssignLeftToBuffer(), ValueStatus::kOk);
  EXPECT_EQ(list.EqualLeftBuffer(1), 1);
  n = 4;  // only the last pair differs
  EXPECT_EQ(list.EqualLeftBuffer(1), 0);
  EXPECT_EQ(list.AssignBufferToRight(), ValueStatus::kOk);
  EXPECT_EQ(b.Clipped(), "x");
  EXPECT_EQ(m, 3);
  EXPECT_EQ(list.AssignBufferToLeft(), ValueStatus::kOk);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(list.EqualLeftRight(), 1);
}

TEST(BufferedPairList, BufferOfTheRightTypeRefusesWhatDoesNotFit) {
  Decimal<5, 2> right;
  String<20> left("123456.78");
  BufferedPairList list;
  list.Init();
  list.AddPair(left, right);
  EXPECT_EQ(list.AssignLeftToBuffer(), ValueStatus::kOverflow);
  EXPECT_EQ(list.Buffer(1).ToText(), "0");
  // A null right side gets a null buffer: copies fail softly, comparisons answer different.
  BufferedPairList odd;
  odd.Init();
  odd.AddPair(left, VarRef());
  EXPECT_TRUE(odd.Buffer(1).IsNull());
  EXPECT_EQ(odd.AssignLeftToBuffer(), ValueStatus::kInvalid);
  EXPECT_EQ(odd.EqualLeftBuffer(), 0);
  odd.Kill();
  odd.Kill();
  EXPECT_TRUE(odd.Buffer(1).IsNull());
}

}  // namespace
}  // namespace kv
