#include "framework/window/SectorRecord.h"

#include <gtest/gtest.h>

#include "framework/window/QueueField.h"

namespace kv {

// Readable failure messages for sector lists.
inline void PrintTo(const SectorRecord& r, std::ostream* os) {
  *os << "{" << r.FAMILY << " | " << r.ITEM << " | " << r.TYPE << "}";
}

namespace {

TEST(SectorRecord, ItemsWithDollarsSurviveBuildAndParse) {
  struct Case {
    const char* item;
    const char* escaped;
  };
  const Case cases[] = {
      {"plain", "plain"}, {"a$b", "a$$$b"},         {"$", "$$$"}, {"$$", "$$$$$$"}, {"a$", "a$$$"},
      {"$a", "$$$a"},     {"a$$$b", "a$$$$$$$$$b"}, {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(EscapeSectorItem(c.item), c.escaped);
    EXPECT_EQ(UnescapeSectorItem(c.escaped), c.item);
    std::string sector = BuildSectorString("Browse", c.item, "Query");
    EXPECT_EQ(sector, std::string("Browse$") + c.escaped + "$$Query");
    SectorRecord parsed = ParseSectorString(sector);
    EXPECT_EQ(parsed.FAMILY, "Browse");
    EXPECT_EQ(parsed.ITEM, c.escaped);
    EXPECT_EQ(parsed.TYPE, "Query");
  }
}

TEST(SectorRecord, ParsingOddStrings) {
  struct Case {
    const char* sector;
    SectorRecord expected;
  };
  const Case cases[] = {
      {"NoDollar", {"NoDollar", "", ""}}, {"Fam$item", {"Fam", "item", ""}},
      {"Fam$$$T", {"Fam", "", "T"}},      {"Fam$$T", {"Fam", "$T", ""}},
      {"$i$$t", {"", "i", "t"}},          {"F$i$$t$x", {"F", "i", "t$x"}},
      {"F$i$$", {"F", "i", ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseSectorString(c.sector), c.expected) << c.sector;
  }
}

TEST(SectorRecord, LimitsCutAtWholeCharactersAndWholeEscapes) {
  // 1023 plain bytes then "$": the escape would need 1026 bytes; no partial "$$$" is kept.
  std::string item(1023, 'x');
  item += '$';
  EXPECT_EQ(EscapeSectorItem(item), std::string(1023, 'x'));
  std::string dollars(400, '$');  // 1200 escaped bytes: 341 whole triples fit
  EXPECT_EQ(EscapeSectorItem(dollars), std::string(1023, '$'));
  std::string wide;
  for (int i = 0; i < 600; ++i) wide += "é";  // 2 bytes each
  std::string cut = EscapeSectorItem("x" + wide);
  EXPECT_EQ(cut.size(), 1023u) << "a cut inside a character";

  std::string longFamily(150, 'f');
  SectorRecord parsed = ParseSectorString(longFamily + "$i$$t");
  EXPECT_EQ(parsed.FAMILY.size(), kSectorFieldMax);
  EXPECT_EQ(CutSettingText("aé", 2), "a");
  EXPECT_EQ(CutSettingText("aé", 3), "aé");
}

TEST(SettingConversion, TextToNumbers) {
  struct Case {
    const char* text;
    long long integer;
    double real;
  };
  const Case cases[] = {
      {"12", 12, 12},
      {" -3 ", -3, -3},
      {"+7", 7, 7},
      {"2.5", 3, 2.5},
      {"-2.9", -3, -2.9},
      {"1e3", 1000, 1000},
      {"", 0, 0},
      {"12abc", 0, 0},
      {"abc", 0, 0},
      {"0x10", 0, 0},
      {"inf", 0, 0},
      {"+-5", 0, 0},
      {"9223372036854775807", 9223372036854775807LL, 9223372036854775807.0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SettingToInteger(c.text), c.integer) << c.text;
    EXPECT_DOUBLE_EQ(SettingToReal(c.text), c.real) << c.text;
  }
  signed char small = 0;
  AssignSetting(small, "1000");
  EXPECT_EQ(small, 127);
  unsigned short u = 5;
  AssignSetting(u, "-1");
  EXPECT_EQ(u, 0);
  EXPECT_EQ(SettingText(0.1), "0.1");
  EXPECT_EQ(SettingText(-42), "-42");
}

}  // namespace
}  // namespace kv
