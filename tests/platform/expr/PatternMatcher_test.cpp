#include "platform/expr/PatternMatcher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kv {
namespace {

// Pattern that finds a signed field name followed by "," or by the end of an order text.
std::string SignedName(const std::string& name) {
  return "{{{[+-]}{" + name + "}[,]}|{{[+-]}{" + name + "}$}}";
}

struct FindCase {
  std::string pattern;
  std::string text;
  bool ignoreCase;
  long start;  // -1: no match
  std::size_t length;
};

TEST(PatternMatcher, FindsLeftmostMatchWithItsExtent) {
  const FindCase cases[] = {
      // Ordinary characters, including the ones that are plain here: ( ) . :
      {"abc", "xxabcxx", false, 2, 3},
      {"abc", "xxabxx", false, -1, 0},
      {"UPPER(PRO:PCODE)", "+UPPER(PRO:PCODE)", false, 1, 16},
      {"a.c", "abc a.c", false, 4, 3},
      // Classes, ranges, negation, "-" standing for itself at the edges.
      {"[+-]x", "ax -x", false, 3, 2},
      {"[-+]x", "+x", false, 0, 2},
      {"[a-c]+", "zzbcaz", false, 2, 3},
      {"[^a-c]", "abcd", false, 3, 1},
      {"[ |(|~|]SQL", "x~SQL", false, 1, 4},
      {"[ |(|~|]SQL", "x(SQL", false, 1, 4},
      {"[ |(|~|]SQL", "xSQL", false, -1, 0},
      // Any character, repetition, greediness.
      {"a?c", "xabcx", false, 1, 3},
      {"ab*", "abbbc", false, 0, 4},
      {"ab*", "ac", false, 0, 1},
      {"ab+", "ac ab", false, 3, 2},
      {"SQL *(", "SQL   (x)", false, 0, 7},
      {"SQL *(", "SQL(x)", false, 0, 4},
      {"{ab}+", "xababab", false, 1, 6},
      // Anchors.
      {"^SQL *(", "SQL (", false, 0, 5},
      {"^SQL *(", " SQL (", false, -1, 0},
      {"a$", "aaa", false, 2, 1},
      {"{^a}|{b$}", "xab", false, 2, 1},
      {"{^x}|{$}", "abc", false, 3, 0},
      // Alternatives prefer the left side at the same start.
      {"{a}|{ab}", "ab", false, 0, 1},
      {"{ab}|{a}", "ab", false, 0, 2},
      // Escapes.
      {"\\{a\\}", "{a}", false, 0, 3},
      {"a\\*", "aa*", false, 1, 2},
      // Case.
      {"pcode", "PRO:PCODE", false, -1, 0},
      {"pcode", "PRO:PCODE", true, 4, 5},
      {"[a-c]", "XBX", true, 1, 1},
      // UTF-8: one character is one code point.
      {"?x", "\xC3\xB1x", false, 0, 3},
      {"[\xC3\xA0-\xC3\xBF]", "ab\xC3\xB1", false, 2, 2},
      // Empty loops terminate.
      {"{a*}*b", "aab", false, 0, 3},
      {"{}*", "abc", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern + " in " + c.text);
    PatternMatcher m;
    PatternError err;
    ASSERT_TRUE(m.Compile(c.pattern, c.ignoreCase, &err)) << err.message;
    auto found = m.Find(c.text);
    if (c.start < 0) {
      EXPECT_FALSE(found.has_value());
    } else {
      ASSERT_TRUE(found.has_value());
      EXPECT_EQ(found->start, static_cast<std::size_t>(c.start));
      EXPECT_EQ(found->length, c.length);
    }
  }
}

TEST(PatternMatcher, SignedFieldNameInOrderTexts) {
  struct Case {
    std::string order;
    std::string name;
    long start;
    char first;
  };
  const Case cases[] = {
      {"+PRO:PCODE", "PRO:PCODE", 0, '+'},
      {"-PRO:PCODE", "PRO:PCODE", 0, '-'},
      {"+PRO:PCODE,-PRO:PRICE", "PRO:PRICE", 11, '-'},
      {"-PRO:PRICE,+PRO:PCODE", "PRO:PRICE", 0, '-'},
      {"+PRO:PCODEX", "PRO:PCODE", -1, 0},  // a longer name is not the field
      {"PRO:PCODE", "PRO:PCODE", -1, 0},    // unsigned names are not found
      {"+UPPER(PRO:DESCRIPTION)", "UPPER(PRO:DESCRIPTION)", 0, '+'},
      {"+PRO:PCODE,-UPPER(PRO:DESCRIPTION)", "UPPER(PRO:DESCRIPTION)", 11, '-'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.order + " / " + c.name);
    auto found = MatchPattern(SignedName(c.name), c.order);
    if (c.start < 0) {
      EXPECT_FALSE(found.has_value());
    } else {
      ASSERT_TRUE(found.has_value());
      EXPECT_EQ(found->start, static_cast<std::size_t>(c.start));
      EXPECT_EQ(c.order[found->start], c.first);
    }
  }
}

TEST(PatternMatcher, InvalidPatternsAreReportedWithPosition) {
  struct Case {
    std::string pattern;
    std::size_t position;
  };
  const Case cases[] = {
      {"{abc", 4}, {"abc}", 3}, {"[abc", 4},  {"*a", 0},
      {"a|+", 2},  {"ab\\", 3}, {"[z-a]", 4}, {std::string(200, '{'), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    PatternMatcher m;
    PatternError err;
    EXPECT_FALSE(m.Compile(c.pattern, false, &err));
    EXPECT_FALSE(err.message.empty());
    if (c.pattern.size() < 100) {
      EXPECT_EQ(err.position, c.position);
    }
    EXPECT_FALSE(m.IsCompiled());
    EXPECT_FALSE(m.Find("abc").has_value());
  }
  EXPECT_FALSE(MatchPattern("{", "{").has_value());
}

TEST(PatternMatcher, EscapedTextMatchesOnlyItself) {
  const std::string texts[] = {"a*b", "{x}|[y]", "^$?+\\", "PRO:PCODE"};
  for (const auto& t : texts) {
    auto found = MatchPattern(PatternMatcher::Escape(t), "zz" + t + "zz");
    ASSERT_TRUE(found.has_value()) << t;
    EXPECT_EQ(found->start, 2u);
    EXPECT_EQ(found->length, t.size());
  }
}

TEST(PatternMatcher, PathologicalPatternsStayLinear) {
  // A backtracking matcher would need about 2^30 steps here.
  std::string pattern;
  for (int i = 0; i < 30; ++i) pattern += "a*";
  pattern += "b";
  std::string text(3000, 'a');
  EXPECT_FALSE(MatchPattern(pattern, text).has_value());
}

TEST(PatternMatcher, RandomPatternsNeverCrash) {
  std::mt19937 rng(12345);
  const std::string alphabet = "ab{}[]|^$?*+\\-(),";
  for (int i = 0; i < 3000; ++i) {
    std::string p, t;
    int pl = rng() % 12, tl = rng() % 12;
    for (int k = 0; k < pl; ++k) p += alphabet[rng() % alphabet.size()];
    for (int k = 0; k < tl; ++k) t += alphabet[rng() % alphabet.size()];
    PatternMatcher m;
    if (m.Compile(p, rng() % 2 == 0)) {
      auto found = m.Find(t);
      if (found) {
        EXPECT_LE(found->start + found->length, t.size());
      }
    }
  }
}

}  // namespace
}  // namespace kv
