// The browse's small pieces on their own: the SQL-call rewrite of filter texts, the thumb
// steps, the file-loaded re-alignment rule and the row queue.

#include <gtest/gtest.h>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/NumericThumbStep.h"
#include "framework/browse/RowQueue.h"
#include "framework/browse/SqlCallRewrite.h"
#include "framework/browse/TextThumbStep.h"
#include "platform/values/Utf8Text.h"
#include "tests/framework/browse/BrowseFixture.h"

namespace kv::test {
namespace {

TEST(SqlCallRewrite, CallsBecomeComparisonsAndNothingElseChanges) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"SQL(x)", " ''=SQL(x)"},
      {"A = 1 AND SQL(x)", "A = 1 AND  ''=SQL(x)"},
      {"(SQL  (x))", "( ''=SQL(x))"},
      {"~SQL(x)", "~ ''=SQL(x)"},
      {"A|SQL(x)", "A| ''=SQL(x)"},
      // Calls are found in any letter case, as the expression language accepts them.
      {"sql(x) OR Sql(y)", " ''=SQL(x) OR  ''=SQL(y)"},
      // String literals are copied unchanged, quotes doubled inside them included.
      {"N = 'x SQL(' AND SQL(y)", "N = 'x SQL(' AND  ''=SQL(y)"},
      {"N = 'it''s (SQL(z)' ", "N = 'it''s (SQL(z)' "},
      // A call is rewritten once; its own text (literals and parentheses) is left alone.
      {"SQL(x) SQL(y)", " ''=SQL(x)  ''=SQL(y)"},
      {"SQL(a (SQL(b)) ')')", " ''=SQL(a (SQL(b)) ')')"},
      // Not a call: a longer word, no parenthesis, or SQL after another character.
      {"MYSQL(x) AND SQLX(y) AND SQL x AND A=SQL(z)",
       "MYSQL(x) AND SQLX(y) AND SQL x AND A=SQL(z)"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteSqlCalls(c.in), c.out) << c.in;
  EXPECT_EQ(RewriteSqlCalls(std::string(3000, 'a')).size(), 2048u) << "kept to 2048 bytes";
  EXPECT_EQ(RewriteSqlCalls("SQL(x)", 5), " ''=S");
}

TEST(ThumbSteps, NumericStepSpreadsPositionsBetweenTheLimitsInEitherOrder) {
  NumericThumbStep step;
  Long lo, hi, v;
  EXPECT_TRUE(step.ValueAt(50).IsNull()) << "no value before the limits are known";
  EXPECT_EQ(step.NeedsLimits(), 1);
  lo = 10;
  hi = 110;
  step.SetLimits(lo, hi);
  for (auto [value, percentile] : {std::pair{10, 0}, {110, 100}, {60, 50}, {5, 0}, {200, 100}}) {
    v = value;
    EXPECT_EQ(step.Percentile(v), percentile) << value;
  }
  EXPECT_EQ(step.ValueAt(0).Ref().ToLong(), 10);
  EXPECT_EQ(step.ValueAt(33).Ref().ToLong(), 43);
  EXPECT_EQ(step.ValueAt(100).Ref().ToLong(), 110);
  EXPECT_EQ(step.ValueAt(100).Ref().Type(), ValueType::kLong);

  step.SetLimits(hi, lo);  // a descending order: the first record has the greater value
  v = 110;
  EXPECT_EQ(step.Percentile(v), 0);
  v = 35;
  EXPECT_EQ(step.Percentile(v), 75);
  EXPECT_EQ(step.ValueAt(25).Ref().ToLong(), 85);

  Decimal<7, 2> dlo, dhi;
  (void)VarRef(dhi).SetText("1.00");
  step.SetLimits(dlo, dhi);
  EXPECT_EQ(step.ValueAt(33).Ref().ToClippedText(), "0.33");
  step.SetLimits(lo, lo);
  v = 10;
  EXPECT_EQ(step.Percentile(v), 0) << "equal limits";
  EXPECT_EQ(step.ValueAt(70).Ref().ToLong(), 10);
  step.Kill();
  EXPECT_TRUE(step.ValueAt(50).IsNull());
}

TEST(ThumbSteps, TextStepCountsEachPositionInTheLimitsAlphabet) {
  TextThumbStep step;
  String<20> lo, hi, v;
  lo = "K00001";
  hi = "K01000";
  step.SetLimits(lo, hi);
  EXPECT_EQ(step.ValueAt(0).Ref().ToClippedText(), "K00001");
  EXPECT_EQ(step.ValueAt(100).Ref().ToClippedText(), "K01000");
  EXPECT_EQ(step.ValueAt(30).Ref().ToClippedText().substr(0, 6), "K00300");
  for (int p = 0; p <= 100; ++p) {
    Value at = step.ValueAt(std::int16_t(p));
    EXPECT_NEAR(step.Percentile(at.Ref()), p, 1) << "round trip at " << p;
  }
  for (auto [code, percentile] : {std::pair{"K00301", 30}, {"K00000", 0}, {"K9", 100}, {"A", 0}}) {
    v = code;
    EXPECT_EQ(step.Percentile(v), percentile) << code;
  }

  lo = "Zulu";  // descending
  hi = "Alpha";
  step.SetLimits(lo, hi);
  v = "Mike";
  EXPECT_NEAR(step.Percentile(v), 53, 1);
  const std::string mid = step.ValueAt(50).Ref().ToClippedText();
  EXPECT_TRUE(mid >= "M" && mid < "O") << mid;

  // Limits that share a character's first byte only: values stay valid text.
  lo = "\xC3\x84rger";  // Ärger
  hi = "\xC3\x96l";     // Öl
  step.SetLimits(lo, hi);
  for (int p : {0, 10, 50, 90, 100}) {
    const std::string text = step.ValueAt(std::int16_t(p)).Ref().ToClippedText();
    EXPECT_TRUE(IsValidUtf8(text)) << p;
  }
}

TEST(FileLoadedRealignment, HighlightSequenceFollowsTheLineOfTheHighlight) {
  using Rows = std::vector<std::int32_t>;
  // Ten rows shown; the highlight was on the last line, then on line 4.
  EXPECT_EQ(BrowseManager::FileLoadedRealignment(10, 10, 25), (Rows{26, 25}));
  EXPECT_EQ(BrowseManager::FileLoadedRealignment(10, 4, 25), (Rows{25, 19, 25}));
  EXPECT_EQ(BrowseManager::FileLoadedRealignment(10, 1, 25), (Rows{25, 16, 25}));
}

TEST(RowQueue, RowsGoInAndOutThroughTheBufferAndShowWithPictures) {
  ItemRow row{};
  RowQueue q(ItemRowFields(), &row);
  for (const char* code : {"B", "C"}) {
    row.CODE = code;
    row.QTY = 1234;
    q.Add();
  }
  row.CODE = "A";
  q.AddAt(1);
  EXPECT_EQ(q.Records(), 3);
  EXPECT_EQ(q.Get(4), kNoRecordError);
  EXPECT_EQ(row.CODE.Clipped(), "A") << "a failed get leaves the buffer";
  ASSERT_EQ(q.Get(2), kNoError);
  EXPECT_EQ(row.CODE.Clipped(), "B");
  row.CODE = "B2";
  ASSERT_EQ(q.Put(), kNoError);
  EXPECT_EQ(q.Cell(2, 1), "B2                  ");
  EXPECT_EQ(q.Cell(2, 4), "  1,234") << "the field's own picture";
  q.SetColumnPictures({"", "", "", "n_6"});
  EXPECT_EQ(q.Cell(2, 4), "  1234") << "the list column's picture";
  q.SetColumnPictures({"s2"});
  EXPECT_EQ(q.Cell(2, 1), "B2");
  EXPECT_EQ(q.ColumnName(5), "ROW:VIEWPOSITION");
  ASSERT_EQ(q.Delete(), kNoError);
  EXPECT_EQ(q.Records(), 2);
  ASSERT_EQ(q.Get(2), kNoError);
  EXPECT_EQ(row.CODE.Clipped(), "C");
  q.Free();
  EXPECT_EQ(q.Records(), 0);
  EXPECT_EQ(q.Delete(), kNoRecordError);
}

}  // namespace
}  // namespace kv::test
