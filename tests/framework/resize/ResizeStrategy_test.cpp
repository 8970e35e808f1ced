#include "framework/resize/ResizeStrategy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

std::string Show(const Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

// One control's case: its strategies, its initial rectangle and the rectangle expected inside
// the parent of the table.
struct RectCase {
  const char* name;
  std::uint16_t positional;
  std::uint16_t resize;
  Rect control;
  Rect expected;
};

void Check(const Rect& before, const Rect& after, const std::vector<RectCase>& cases) {
  for (const RectCase& c : cases) {
    SCOPED_TRACE(c.name);
    Rect got = ComputeControlRect(c.positional, c.resize, before, c.control, after);
    EXPECT_EQ(Show(got), Show(c.expected));
  }
}

constexpr Rect kWindow{0, 0, 400, 300};
constexpr Rect kGrown{0, 0, 600, 450};  // both ways by 1.5
constexpr Rect kBox{100, 50, 80, 20};
constexpr std::uint16_t kTopLeft = kFixedToNearEdge | Vertical(kFixedToNearEdge);

// Every horizontal rule, on a window at the origin and on a parent that moved and grew.
TEST(ResizeStrategy, HorizontalRules) {
  Check(kWindow, kGrown,
        {
            {"proportional", kProportional, 0, kBox, {150, 75, 120, 30}},
            {"unknown rule is proportional", 3, 0, kBox, {150, 75, 120, 30}},
            {"rule 64 is proportional", 64, 0, kBox, {150, 75, 120, 30}},
            {"unchanged", kKeepAbsolute, kLockWidth, kBox, {100, 75, 80, 30}},
            {"far edge, width locked", kFixedToFarEdge, kLockWidth, kBox, {300, 75, 80, 30}},
            {"far edge, scaled", kFixedToFarEdge, 0, {300, 0, 50, 10}, {450, 0, 75, 15}},
            {"near edge", kFixedToNearEdge, 0, kBox, {100, 75, 120, 30}},
            {"centred scaled, locked", kCentredScaled, kLockWidth, kBox, {200, 75, 80, 30}},
            {"centred fixed", kCentredFixed, 0, kBox, {200, 75, 120, 30}},
            {"nearest: left gap smaller", kNearestEdge, kLockWidth, kBox, {100, 75, 80, 30}},
            {"nearest: right gap smaller",
             kNearestEdge,
             kLockWidth,
             {300, 50, 50, 20},
             {500, 75, 50, 30}},
            {"nearest: equal gaps go right",
             kNearestEdge,
             kLockWidth,
             {175, 50, 50, 20},
             {375, 75, 50, 30}},
        });
  // A parent that moved right by 20 and grew 1.5 times; the control is 50 from its left edge.
  const Rect small{60, 40, 40, 10};
  Check({10, 20, 200, 100}, {30, 20, 300, 100},
        {
            {"proportional", kProportional, 0, small, {105, 40, 60, 10}},
            {"unchanged", kKeepAbsolute, 0, small, {60, 40, 60, 10}},
            {"far edge", kFixedToFarEdge, kLockWidth, small, {180, 40, 40, 10}},
            {"near edge", kFixedToNearEdge, 0, small, {80, 40, 60, 10}},
            {"centred scaled", kCentredScaled, kLockWidth, small, {130, 40, 40, 10}},
            {"centred fixed", kCentredFixed, 0, small, {130, 40, 60, 10}},
        });
}

// The vertical rules are the horizontal ones in the high byte, applied to y and height.
TEST(ResizeStrategy, VerticalRulesMirrorTheHorizontalOnes) {
  const Rect box{50, 100, 20, 80};
  Check({0, 0, 300, 400}, {0, 0, 450, 600},
        {
            {"proportional", 0, 0, box, {75, 150, 30, 120}},
            {"unchanged", Vertical(kKeepAbsolute), kLockHeight, box, {75, 100, 30, 80}},
            {"bottom edge", Vertical(kFixedToFarEdge), kLockHeight, box, {75, 300, 30, 80}},
            {"top edge", Vertical(kFixedToNearEdge), 0, box, {75, 100, 30, 120}},
            {"centred scaled", Vertical(kCentredScaled), kLockHeight, box, {75, 200, 30, 80}},
            {"nearest: top", Vertical(kNearestEdge), kLockHeight, box, {75, 100, 30, 80}},
            {"nearest: bottom",
             Vertical(kNearestEdge),
             kLockHeight,
             {50, 300, 20, 50},
             {75, 500, 30, 50}},
            {"centred fixed", Vertical(kCentredFixed), 0, box, {75, 200, 30, 120}},
            {"unknown high byte", 3 << 8, 0, box, {75, 150, 30, 120}},
            {"both ways at once",
             kFixedToNearEdge | Vertical(kFixedToFarEdge),
             kLockWidth | kLockHeight,
             box,
             {50, 300, 20, 80}},
        });
}

TEST(ResizeStrategy, ResizeFlags) {
  const std::uint16_t both = kKeepRightMargin | kKeepBottomMargin;
  Check(kWindow, kGrown,
        {
            {"scaled", kTopLeft, 0, kBox, {100, 50, 120, 30}},
            {"width locked", kTopLeft, kLockWidth, kBox, {100, 50, 80, 30}},
            {"height locked", kTopLeft, kLockHeight, kBox, {100, 50, 120, 20}},
            {"right margin kept", kTopLeft, kKeepRightMargin, kBox, {100, 50, 280, 30}},
            {"half right margin", kTopLeft, kHalfRightMargin, kBox, {100, 50, 180, 30}},
            {"right margin wins over half",
             kTopLeft,
             kKeepRightMargin | kHalfRightMargin,
             kBox,
             {100, 50, 280, 30}},
            {"bottom margin kept", kTopLeft, kKeepBottomMargin, kBox, {100, 50, 120, 170}},
            {"half bottom margin", kTopLeft, kHalfBottomMargin, kBox, {100, 50, 120, 95}},
            {"margin with a proportional x", 0, kKeepRightMargin, kBox, {150, 75, 230, 30}},
        });
  Check(kWindow, {0, 0, 350, 290},
        {{"margins when shrinking", kTopLeft, both, kBox, {100, 50, 30, 10}}});
  Check(kWindow, {0, 0, 150, 60},
        {{"a margin that no longer fits gives 0, not a negative size",
          kTopLeft,
          both,
          kBox,
          {100, 50, 0, 0}}});
}

// The cases a user sees first: a list stretches, a button keeps its gap to the right edge, an
// entry moves proportionally and keeps its height (strategy 2 defaults, 400 -> 600 wide).
TEST(ResizeStrategy, StrategyTwoOnAWiderWindow) {
  const ControlStrategies list = DefaultStrategies(2, 14);
  const ControlStrategies button = DefaultStrategies(2, 9);
  const ControlStrategies entry = DefaultStrategies(2, 8);
  Check({0, 0, 400, 300}, {0, 0, 600, 300},
        {
            {"list", list.positional, list.resize, {10, 10, 380, 200}, {10, 10, 580, 200}},
            {"button", button.positional, button.resize, {320, 260, 50, 14}, {520, 260, 50, 14}},
            {"entry", entry.positional, entry.resize, {100, 220, 120, 10}, {150, 220, 180, 10}},
        });
}

// Scales are kept to four decimal places and results rounded to whole units, halves away from
// zero; a parent of size 0 scales by 1.
TEST(ResizeStrategy, ScalesAndRounding) {
  EXPECT_EQ(AxisScale(600, 400), 15000);
  EXPECT_EQ(AxisScale(1, 3), 3333);
  EXPECT_EQ(AxisScale(2, 3), 6667);
  EXPECT_EQ(AxisScale(5, 0), kScaleUnit);
  EXPECT_EQ(AxisScale(0, 7), 0);
  Check({0, 0, 3, 3}, {0, 0, 1, 3},
        {{"scale kept to four places", 0, 0, {0, 0, 30000, 3}, {0, 0, 9999, 3}}});
  Check({0, 0, 3, 3}, {0, 0, 4, 3},
        {
            {"round down", 0, 0, {1, 0, 1, 3}, {1, 0, 1, 3}},
            {"round up", 0, 0, {2, 0, 1, 3}, {3, 0, 1, 3}},
        });
  Check({0, 0, 10, 10}, {0, 0, 11, 10},
        {{"half of the growth rounds up", kCentredFixed, kLockWidth, {0, 0, 2, 2}, {1, 0, 2, 2}}});
  Check({0, 0, 10, 10}, {0, 0, 9, 10},
        {{"half of the shrink rounds away from zero",
          kCentredFixed,
          kLockWidth,
          {0, 0, 2, 2},
          {-1, 0, 2, 2}}});
  Check({0, 0, 0, 0}, {0, 0, 100, 100},
        {{"zero-size parent scales by one", 0, 0, {5, 5, 10, 10}, {5, 5, 10, 10}}});
  Check(kWindow, {0, 0, 0, 0}, {{"a parent shrunk to nothing", 0, 0, kBox, {0, 0, 0, 0}}});
}

TEST(ResizeStrategy, DefaultStrategiesByApplicationStrategyAndType) {
  struct Case {
    std::uint8_t strategy;
    std::vector<std::int32_t> types;
    ControlStrategies expected;
  };
  const std::vector<std::int32_t> buttons{9, 12, 21};
  const std::vector<std::int32_t> prompts{1, 2, 10};
  const std::vector<std::int32_t> lines{8, 15, 16, 34};
  const std::vector<std::int32_t> areas{3, 4, 11, 13, 14, 37, 39};
  const std::vector<std::int32_t> seventeen{17};
  const std::vector<std::int32_t> others{5, 6, 18, 40, 127};
  std::vector<std::int32_t> all;
  for (const auto* group : {&buttons, &prompts, &lines, &areas, &seventeen, &others}) {
    all.insert(all.end(), group->begin(), group->end());
  }
  const std::vector<Case> cases{
      {1, buttons, {4112, 3}}, {1, prompts, {0, 0}},    {1, lines, {0, 2}},
      {1, areas, {0, 0}},      {1, seventeen, {0, 0}},  {1, others, {0, 0}},
      {2, buttons, {4112, 3}}, {2, prompts, {1024, 2}}, {2, lines, {1024, 2}},
      {2, areas, {1028, 12}},  {2, seventeen, {0, 0}},  {2, others, {0, 0}},
      {3, all, {257, 3}},      {4, buttons, {4112, 3}}, {4, prompts, {1028, 3}},
      {4, lines, {1028, 6}},   {4, areas, {1028, 12}},  {4, seventeen, {1028, 12}},
      {4, others, {0, 0}},     {5, all, {2056, 3}},     {0, all, {0, 0}},
      {6, all, {0, 0}},
  };
  for (const Case& c : cases) {
    for (std::int32_t type : c.types) {
      SCOPED_TRACE("strategy " + std::to_string(c.strategy) + " type " + std::to_string(type));
      ControlStrategies got = DefaultStrategies(c.strategy, type);
      EXPECT_EQ(got.positional, c.expected.positional);
      EXPECT_EQ(got.resize, c.expected.resize);
    }
  }
}

}  // namespace
}  // namespace kv
