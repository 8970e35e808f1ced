#include "platform/values/FixedText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/expr/Utf8.h"
#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

static_assert(std::is_trivially_copyable_v<String<20>> && std::is_standard_layout_v<String<20>>);
static_assert(sizeof(String<20>) == 20 && alignof(String<20>) == 1);
static_assert(sizeof(CString<256>) == 256 && std::is_trivially_copyable_v<CString<256>>);

// "é" is 2 bytes, "€" 3 bytes, "😀" 4 bytes.
TEST(Utf8Text, CutNeverSplitsACharacter) {
  struct Case {
    const char* text;
    std::size_t max;
    std::size_t cut;
  } cases[] = {
      {"abc", 5, 3},
      {"abcdef", 3, 3},
      {"ab\xC3\xA9", 3, 2},  // é at 2..3
      {"ab\xC3\xA9", 4, 4},
      {"a\xE2\x82\xAC", 2, 1},
      {"a\xE2\x82\xAC", 3, 1},  // € at 1..3
      {"a\xE2\x82\xAC", 4, 4},
      {"\xF0\x9F\x98\x80x", 1, 0},
      {"\xF0\x9F\x98\x80x", 3, 0},
      {"\xF0\x9F\x98\x80x", 4, 4},
      {"\xF0\x9F\x98\x80x", 0, 0},
      {"a\x80\x80\x80\x80z", 3, 3},  // stray continuation bytes: cut where asked
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8CutLength(c.text, c.max), c.cut) << c.text << " at " << c.max;
  }
}

TEST(FixedText, StringCutsAtCharacterBoundaryAndPadsWithBlanks) {
  struct Case {
    const char* in;
    const char* stored;  // all 4 bytes
  } cases[] = {
      {"", "    "},
      {"ab", "ab  "},
      {"abcd", "abcd"},
      {"abcde", "abcd"},
      {"abc\xC3\xA9", "abc "},                    // 2-byte character across the cut
      {"ab\xE2\x82\xAC", "ab  "},                 // 3-byte character across the cut
      {"a\xF0\x9F\x98\x80", "a   "},              // 4-byte character across the cut
      {"\xF0\x9F\x98\x80z", "\xF0\x9F\x98\x80"},  // exactly fits
  };
  for (const Case& c : cases) {
    String<4> s("zzzz");
    s = c.in;
    EXPECT_EQ(std::string(s.View()), c.stored) << c.in;
  }
  String<20> code("ABCDEFGHIJKLMNOPQRST");  // 20 characters fill the field exactly
  EXPECT_EQ(code.Clipped(), "ABCDEFGHIJKLMNOPQRST");
}

TEST(FixedText, CStringKeepsRoomForNulAndZeroFills) {
  struct Case {
    const char* in;
    const char* text;
  } cases[] = {
      {"", ""}, {"abc", "abc"}, {"abcd", "abc"}, {"ab\xC3\xA9", "ab"}, {"a\xE2\x82\xAC", "a"},
  };
  for (const Case& c : cases) {
    CString<4> s("xyz");
    s = c.in;
    EXPECT_EQ(s.View(), c.text) << c.in;
    for (std::size_t i = s.View().size(); i < 4; ++i) EXPECT_EQ(s.bytes[i], '\0') << c.in;
  }
  // Equal texts give equal images whatever was there before.
  CString<8> a("longtext"), b("x");
  a = "hi";
  b = "hi";
  EXPECT_EQ(std::memcmp(a.bytes, b.bytes, 8), 0);
  // An embedded NUL ends the text.
  a = std::string_view("ab\0cd", 5);
  EXPECT_EQ(a.View(), "ab");
}

TEST(Utf8Text, UpperAndClip) {
  EXPECT_EQ(UpperText("abc \xC3\xA9\xC3\xB1 xyz"), "ABC \xC3\x89\xC3\x91 XYZ");
  EXPECT_EQ(UpperText("\xC3\xB7"), "\xC3\xB7");  // the division sign has no capital
  EXPECT_TRUE(EqualNoCase("Pro:PCode", "PRO:PCODE"));
  EXPECT_FALSE(EqualNoCase("PRO:PCODE", "PRO:PCODEX"));
  EXPECT_EQ(ClipRight("ab  "), "ab");
  EXPECT_EQ(ClipRight("   "), "");
  EXPECT_EQ(TrimBlanks(" \t12 "), "12");
  EXPECT_EQ(Utf8Length("a\xE2\x82\xAC\xF0\x9F\x98\x80"), 3u);
}

}  // namespace
// The servers fold case by the two letter lists, the runtime by UpperText and Utf8Lower: for
// every character up to U+04FF (Latin, Greek, Cyrillic), a fold changes it exactly when the
// lists hold it, and into the character at the same place in the other list.
TEST(Utf8Text, FoldListsHoldExactlyTheLettersTheRuntimeFolds) {
  auto chars = [](std::string_view list) {
    std::vector<std::string> out;
    for (size_t i = 0; i < list.size();) {
      const size_t n = (static_cast<unsigned char>(list[i]) & 0x80) ? 2 : 1;
      out.emplace_back(list.substr(i, n));
      i += n;
    }
    return out;
  };
  const std::vector<std::string> small = chars(FoldSmallLetters());
  const std::vector<std::string> capital = chars(FoldCapitalLetters());
  ASSERT_EQ(small.size(), capital.size());
  auto place = [](const std::vector<std::string>& list, const std::string& c) {
    return std::find(list.begin(), list.end(), c) - list.begin();
  };
  for (unsigned cp = 1; cp < 0x500; ++cp) {
    std::string c;
    if (cp < 0x80) {
      c = std::string(1, char(cp));
    } else {
      c = {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
    }
    SCOPED_TRACE(cp);
    const size_t s = size_t(place(small, c)), k = size_t(place(capital, c));
    EXPECT_EQ(UpperText(c), s < small.size() ? capital[s] : c);
    EXPECT_EQ(Utf8Lower(c), k < capital.size() ? small[k] : c);
  }
}

}  // namespace kv
