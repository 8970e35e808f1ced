#include "platform/values/Picture.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/values/Calendar.h"
#include "platform/values/Decimal.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"

namespace kv {
namespace {

Picture P(const char* text) {
  Picture p;
  EXPECT_EQ(Picture::Parse(text, &p), PictureStatus::kOk) << text;
  return p;
}

DecimalValue D(const char* text) {
  DecimalValue v;
  EXPECT_EQ(DecimalValue::Parse(text, &v), ValueStatus::kOk) << text;
  return v;
}

TEST(Picture, ParseTable) {
  struct Case {
    const char* text;
    bool ok;
    PictureKind kind;
    int width;
    int places;
  } cases[] = {
      {"@s20", true, PictureKind::kString, 20, 0},
      {"S40", true, PictureKind::kString, 40, 0},  // the "@" may be left out
      {"@n-14.2", true, PictureKind::kNumber, 14, 2},
      {"@n-14", true, PictureKind::kNumber, 14, 0},
      {"@N9.2", true, PictureKind::kNumber, 9, 2},
      {"@n14.2-", true, PictureKind::kNumber, 14, 2},
      {"@n(10.2)", true, PictureKind::kNumber, 10, 2},
      {"@n09", true, PictureKind::kNumber, 9, 0},
      {"@n_9.2b", true, PictureKind::kNumber, 9, 2},
      {"@e12.4", true, PictureKind::kScientific, 12, 4},
      {"@d6", true, PictureKind::kDate, 10, 0},
      {"@D17", true, PictureKind::kDate, 10, 0},
      {"@d1.", true, PictureKind::kDate, 8, 0},
      {"@t4", true, PictureKind::kTime, 8, 0},
      {"T8", true, PictureKind::kTime, 8, 0},
      {"", false, PictureKind::kString, 0, 0},
      {"@", false, PictureKind::kString, 0, 0},
      {"@s", false, PictureKind::kString, 0, 0},
      {"@s20x", false, PictureKind::kString, 0, 0},
      {"@n", false, PictureKind::kString, 0, 0},
      {"@n-14.", false, PictureKind::kString, 0, 0},
      {"@n-14.2-", false, PictureKind::kString, 0, 0},  // two sign indicators
      {"@n(10.2", false, PictureKind::kString, 0, 0},
      {"@n4.4", false, PictureKind::kString, 0, 0},  // no room for the point
      {"@n999999", false, PictureKind::kString, 0, 0},
      {"@d19", false, PictureKind::kString, 0, 0},
      {"@d0", false, PictureKind::kString, 0, 0},
      {"@t9", false, PictureKind::kString, 0, 0},
      {"@x5", false, PictureKind::kString, 0, 0},
  };
  for (const Case& c : cases) {
    Picture p = P("@s3");
    PictureStatus st = Picture::Parse(c.text, &p);
    EXPECT_EQ(st == PictureStatus::kOk, c.ok) << c.text;
    if (!c.ok) {
      EXPECT_EQ(p.Text(), "@s3") << "unchanged on failure: " << c.text;
      continue;
    }
    EXPECT_EQ(p.Kind(), c.kind) << c.text;
    EXPECT_EQ(p.Width(), c.width) << c.text;
    EXPECT_EQ(p.Places(), c.places) << c.text;
  }
}

// Format, then Deformat the displayed text: the value must come back exactly.
TEST(Picture, NumberFormatsAndRoundTrips) {
  struct Case {
    const char* picture;
    const char* value;
    const char* shown;
  } cases[] = {
      {"@n-14.2", "1234.5", "      1,234.50"},
      {"@n-14.2", "-1234.5", "     -1,234.50"},
      {"@n-14.2", "0", "          0.00"},
      {"@n-14.2", "999999999.99", "999,999,999.99"},
      {"@n-14.2", "-0.05", "         -0.05"},
      {"@n-14", "1234567", "     1,234,567"},
      {"@n-14", "-7", "            -7"},
      {"@N9.2", "1234.5", " 1,234.50"},
      {"@n9.2", "-12.3", "   -12.30"},
      {"@n14.2-", "-1234.5", "     1,234.50-"},
      {"@n14.2-", "1234.5", "     1,234.50 "},
      {"@n(10.2)", "-12.5", "   (12.50)"},
      {"@n09", "1234", "000001234"},
      {"@n-09", "-1234", "-00001234"},
      {"@n_9.2", "1234.5", "  1234.50"},
      {"@n6.2b", "0", "      "},
      {"@n6.2b", "1", "  1.00"},
      {"@e12.4", "1234.5", "  1.2345e+03"},
      {"@e12.4", "-0.000123456", " -1.2346e-04"},
      {"@e10.2", "0", "  0.00e+00"},
      {"@e10.2", "9.999", "  1.00e+01"},
  };
  for (const Case& c : cases) {
    Picture p = P(c.picture);
    EXPECT_EQ(p.FormatDecimal(D(c.value)), c.shown) << c.picture << " " << c.value;
    Deformatted d = p.Deformat(c.shown);
    ASSERT_EQ(d.status, PictureStatus::kOk) << c.picture << " '" << c.shown << "'";
    // Scientific pictures show fewer digits than the value has: they give back what is shown.
    bool lossy = p.Kind() == PictureKind::kScientific;
    DecimalValue expected = lossy ? D(c.shown) : D(c.value);
    EXPECT_EQ(DecimalValue::Compare(d.number, expected), 0)
        << c.picture << " '" << c.shown << "' gave " << d.number.ToText();
  }
}

TEST(Picture, NumberRoundsAndOverflowsVisibly) {
  EXPECT_EQ(P("@n-14.2").FormatDecimal(D("2.345")), "          2.35");
  EXPECT_EQ(P("@n-14.2").FormatDecimal(D("-2.345")), "         -2.35");
  EXPECT_EQ(P("@n-14.2").FormatDecimal(D("-0.004")), "          0.00");  // no "-0.00"
  EXPECT_EQ(P("@n5").FormatDecimal(D("123456")), "#####");
  EXPECT_EQ(P("@n-14.2").FormatDecimal(D("-999999999.99")), "##############");
}

TEST(Picture, DeformatRejectsHostileInput) {
  struct Case {
    const char* picture;
    const char* input;
    PictureStatus status;
    const char* value;  // when ok
  } cases[] = {
      {"@n-14.2", "", PictureStatus::kOk, "0"},
      {"@n-14.2", "   ", PictureStatus::kOk, "0"},
      {"@n-14.2", "12", PictureStatus::kOk, "12"},
      {"@n-14.2", " 1234.5 ", PictureStatus::kOk, "1234.5"},
      {"@n-14.2", "1,234.5", PictureStatus::kOk, "1234.5"},
      {"@n-14.2", "12-", PictureStatus::kOk, "-12"},
      {"@n-14.2", "+12", PictureStatus::kOk, "12"},
      {"@n-14.2", "1.50", PictureStatus::kOk, "1.5"},
      {"@n-14", "12.00", PictureStatus::kOk, "12"},
      {"@n-14.2", "12a", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "abc", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "--12", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "-12-", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "1-2", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "-", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "1.2.3", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "12,34", PictureStatus::kNotANumber, ""},
      {"@n-14.2", ",123", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "1234,567", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "1.5e3", PictureStatus::kNotANumber, ""},
      {"@n-14.2", "1.005", PictureStatus::kTooManyPlaces, ""},
      {"@n-14", "12.5", PictureStatus::kTooManyPlaces, ""},
      {"@n-14.2", "123456789012345", PictureStatus::kTooWide, ""},
      {"@n-14.2", "99999999999999999999999999999999999999999", PictureStatus::kTooWide, ""},
      {"@n-14.2", "-999999999.99", PictureStatus::kTooWide, ""},
      {"@e12.4", "1.5e3", PictureStatus::kOk, "1500"},
      {"@e12.4", "1.5e", PictureStatus::kNotANumber, ""},
      {"@s5", "abcde", PictureStatus::kOk, ""},
      {"@s5", "abcde   ", PictureStatus::kOk, ""},  // trailing blanks do not count
      {"@s5", "abcdef", PictureStatus::kTooLong, ""},
      {"@s5", "abc\xE2\x82\xAC", PictureStatus::kTooLong, ""},  // 6 bytes
      {"@s5", "ab\xC3", PictureStatus::kBadText, ""},
  };
  for (const Case& c : cases) {
    Deformatted d = P(c.picture).Deformat(c.input);
    EXPECT_EQ(d.status, c.status) << c.picture << " '" << c.input
                                  << "': " << PictureStatusName(d.status);
    if (c.status == PictureStatus::kOk && c.value[0] != '\0') {
      EXPECT_EQ(DecimalValue::Compare(d.number, D(c.value)), 0) << c.picture << " " << c.input;
    }
  }
}

TEST(Picture, StringPictureCutsAndPads) {
  Picture s20 = P("@s20");
  String<20> code("ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(s20.Format(VarRef(code)), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(s20.Deformat(s20.Format(VarRef(code))).text, "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(P("@s4").FormatText("ab"), "ab  ");
  EXPECT_EQ(P("@s4").FormatText("abc\xE2\x82\xAC"), "abc ");  // no split character
  Long n = 42;
  EXPECT_EQ(P("@s4").Format(VarRef(n)), "42  ");
}

TEST(Picture, DatesFormatAndRoundTrip) {
  std::int32_t oct31 = DateSerial(1959, 10, 31);
  std::int32_t feb5 = DateSerial(2026, 2, 5);
  struct Case {
    const char* picture;
    std::int32_t serial;
    const char* shown;
  } cases[] = {
      {"@d1", oct31, "10/31/59"},
      {"@d2", oct31, "10/31/1959"},
      {"@d2", feb5, "02/05/2026"},
      {"@d3", feb5, "Feb 05, 2026"},
      {"@d4", feb5, "February 5, 2026"},
      {"@d5", feb5, "05/02/26"},
      {"@d6", feb5, "05/02/2026"},
      {"@d6.", feb5, "05.02.2026"},
      {"@d6-", feb5, "05-02-2026"},
      {"@d6_", feb5, "05 02 2026"},
      {"@d7", feb5, "05 Feb 26"},
      {"@d8", oct31, "31 Oct 1959"},
      {"@d9", feb5, "26/02/05"},
      {"@d10", feb5, "2026/02/05"},
      {"@d10-", feb5, "2026-02-05"},
      {"@d11", feb5, "260205"},
      {"@d12", feb5, "20260205"},
      {"@d14", DateSerial(2026, 2, 1), "02/2026"},
      {"@d16", DateSerial(2026, 2, 1), "2026/02"},
      {"@d17", feb5, "02/05/2026"},
      {"@d18", feb5, "Thursday, February 5, 2026"},
      {"@d6", kFirstDateSerial, "01/01/1801"},
      {"@d6", kLastDateSerial, "31/12/9999"},
      {"@d6", DateSerial(2024, 2, 29), "29/02/2024"},
  };
  for (const Case& c : cases) {
    Picture p = P(c.picture);
    EXPECT_EQ(p.FormatDecimal(DecimalValue::FromInteger(c.serial)), c.shown) << c.picture;
    Deformatted d = p.Deformat(c.shown);
    ASSERT_EQ(d.status, PictureStatus::kOk) << c.picture << " " << c.shown;
    EXPECT_EQ(d.number.ToText(), std::to_string(c.serial)) << c.picture << " " << c.shown;
  }
  EXPECT_EQ(P("@d6").FormatDecimal(DecimalValue()), "          ");  // no date: blank
  EXPECT_EQ(P("@d6").FormatDecimal(DecimalValue::FromInteger(3)), "##########");
}

TEST(Picture, DateSerialsAreTheRuntimes) {
  EXPECT_EQ(DateSerial(1801, 1, 1), 4);
  EXPECT_EQ(DateSerial(1801, 1, 2), 5);
  EXPECT_EQ(DateSerial(1900, 1, 1), 36163);
  EXPECT_EQ(DateSerial(2000, 1, 1), 72687);
  EXPECT_EQ(DateSerial(1800, 12, 31), 0);
  CivilDate date;
  ASSERT_TRUE(SerialToDate(72687, &date));
  EXPECT_EQ(date.year, 2000);
  EXPECT_EQ(date.month, 1);
  EXPECT_EQ(date.day, 1);
  EXPECT_FALSE(SerialToDate(0, &date));
  EXPECT_EQ(DayOfWeek(DateSerial(2026, 12, 7)), 1);  // a Monday
  // Today and now, as the log file shows them, come back through their pictures.
  std::int32_t today = Today();
  ASSERT_GE(today, DateSerial(2024, 1, 1));
  Picture d17 = P("@d17");
  EXPECT_EQ(d17.Deformat(d17.FormatDecimal(DecimalValue::FromInteger(today))).number.ToText(),
            std::to_string(today));
  std::int32_t now = Clock();
  ASSERT_GE(now, 1);
  ASSERT_LE(now, kLastTimeValue);
  Picture t8 = P("@t8");
  std::int32_t shown = static_cast<std::int32_t>(
      std::stol(t8.Deformat(t8.FormatDecimal(DecimalValue::FromInteger(now))).text));
  EXPECT_EQ(shown, (now - 1) / 100 * 100 + 1);  // whole seconds
}

TEST(Picture, DeformatRejectsBadDates) {
  struct Case {
    const char* picture;
    const char* input;
    PictureStatus status;
    int year, month, day;
  } cases[] = {
      {"@d6", "31/01/2026", PictureStatus::kOk, 2026, 1, 31},
      {"@d6", "5/2/2026", PictureStatus::kOk, 2026, 2, 5},
      {"@d6", "5.2.26", PictureStatus::kOk, 2026, 2, 5},
      {"@d6", "05/02/75", PictureStatus::kOk, 1975, 2, 5},
      {"@d2", "2/29/2024", PictureStatus::kOk, 2024, 2, 29},
      {"@d4", "february 5, 2026", PictureStatus::kOk, 2026, 2, 5},
      {"@d4", "Feb 5 2026", PictureStatus::kOk, 2026, 2, 5},
      {"@d18", "February 5, 2026", PictureStatus::kOk, 2026, 2, 5},
      {"@d6", "", PictureStatus::kOk, 0, 0, 0},
      {"@d6", "31/02/2026", PictureStatus::kBadDate, 0, 0, 0},
      {"@d2", "2/29/2023", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "00/01/2026", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "01/13/2026", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "01/01/1800", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "1/1", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "1/1/2026/4", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "aa/bb/cccc", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "01/01/202", PictureStatus::kBadDate, 0, 0, 0},
      {"@d6", "01#01#2026", PictureStatus::kBadDate, 0, 0, 0},
      {"@d4", "Febtember 5, 2026", PictureStatus::kBadDate, 0, 0, 0},
      {"@d12", "20260230", PictureStatus::kBadDate, 0, 0, 0},
      {"@d12", "2026023", PictureStatus::kBadDate, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Deformatted d = P(c.picture).Deformat(c.input);
    EXPECT_EQ(d.status, c.status) << c.picture << " '" << c.input << "'";
    if (c.status == PictureStatus::kOk) {
      EXPECT_EQ(d.number.ToText(), std::to_string(c.year ? DateSerial(c.year, c.month, c.day) : 0))
          << c.input;
    }
  }
}

TEST(Picture, TimesFormatAndRoundTrip) {
  struct Case {
    const char* picture;
    int h, m, s;
    const char* shown;
  } cases[] = {
      {"@t1", 17, 30, 0, "17:30"},   {"@t2", 9, 5, 0, "0905"},
      {"@t3", 17, 30, 0, "05:30PM"}, {"@t3", 0, 15, 0, "12:15AM"},
      {"@t3", 12, 0, 0, "12:00PM"},  {"@t4", 9, 5, 3, "09:05:03"},
      {"@t4", 0, 0, 0, "00:00:00"},  {"@t4", 23, 59, 59, "23:59:59"},
      {"@t5", 23, 59, 59, "235959"}, {"@t6", 13, 1, 2, "01:01:02PM"},
      {"@t7", 8, 0, 0, "08:00"},     {"@t8", 8, 0, 1, "08:00:01"},
      {"@t4.", 8, 0, 1, "08.00.01"},
  };
  for (const Case& c : cases) {
    Picture p = P(c.picture);
    std::int32_t value = TimeValue(c.h, c.m, c.s);
    EXPECT_EQ(p.FormatDecimal(DecimalValue::FromInteger(value)), c.shown) << c.picture;
    Deformatted d = p.Deformat(c.shown);
    ASSERT_EQ(d.status, PictureStatus::kOk) << c.picture << " " << c.shown;
    EXPECT_EQ(d.number.ToText(), std::to_string(value)) << c.picture << " " << c.shown;
  }
  EXPECT_EQ(TimeValue(0, 0, 0), 1);
  EXPECT_EQ(TimeValue(23, 59, 59, 99), kLastTimeValue);
  // Hundredths are not shown and never round up into the next second.
  EXPECT_EQ(P("@t4").FormatDecimal(DecimalValue::FromInteger(TimeValue(9, 5, 3, 99))), "09:05:03");
  EXPECT_EQ(P("@t4").FormatDecimal(DecimalValue()), "        ");
  EXPECT_EQ(P("@t4").FormatDecimal(DecimalValue::FromInteger(kLastTimeValue + 1)), "########");
}

TEST(Picture, DeformatRejectsBadTimes) {
  struct Case {
    const char* input;
    PictureStatus status;
  } cases[] = {
      {"9:05", PictureStatus::kOk},          {"09:05:03", PictureStatus::kOk},
      {"905", PictureStatus::kOk},           {"5:30 pm", PictureStatus::kOk},
      {"24:00", PictureStatus::kBadTime},    {"12:60", PictureStatus::kBadTime},
      {"12:30:60", PictureStatus::kBadTime}, {"13:00PM", PictureStatus::kBadTime},
      {"0:30AM", PictureStatus::kBadTime},   {"9", PictureStatus::kBadTime},
      {"ab:cd", PictureStatus::kBadTime},    {"1:2:3:4", PictureStatus::kBadTime},
      {"123:45", PictureStatus::kBadTime},   {"-1:00", PictureStatus::kBadTime},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(P("@t4").Deformat(c.input).status, c.status) << c.input;
  }
  EXPECT_EQ(P("@t4").Deformat("5:30 pm").number.ToText(), std::to_string(TimeValue(17, 30, 0)));
}

TEST(Picture, DeformatIntoVariables) {
  Decimal<11, 2> price;
  Long provider = 5;
  String<20> code;
  ASSERT_EQ(price.SetText("7"), ValueStatus::kOk);
  struct Case {
    const char* picture;
    VarRef target;
    const char* input;
    PictureStatus status;
    const char* after;  // the target's text afterwards
  } cases[] = {
      {"@n-14.2", price, "1,234.56", PictureStatus::kOk, "1234.56"},
      {"@n-14.2", price, "12x", PictureStatus::kNotANumber, "1234.56"},
      {"@n-14", provider, "-42", PictureStatus::kOk, "-42"},
      {"@n-14", provider, "99,999,999,999", PictureStatus::kTargetOverflow, "-42"},
      {"@s20", code, "ABC", PictureStatus::kOk, "ABC"},
      {"@s20", code, "ABCDEFGHIJKLMNOPQRSTU", PictureStatus::kTooLong, "ABC"},
      {"@s20", provider, "x1", PictureStatus::kNotANumber, "-42"},
      {"@d6", provider, "05/02/2026", PictureStatus::kOk, "82219"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(P(c.picture).DeformatInto(c.input, c.target), c.status) << c.input;
    EXPECT_EQ(c.target.ToClippedText(), c.after) << c.input;
  }
  EXPECT_EQ(DateSerial(2026, 2, 5), 82219);
  // A DECIMAL(5,2) cannot take what the picture allows: the variable refuses it.
  Decimal<5, 2> small;
  EXPECT_EQ(P("@n-14.2").DeformatInto("1000", VarRef(small)), PictureStatus::kTargetOverflow);
  EXPECT_EQ(small.Get().ToText(), "0.00");
  // Formatting straight from variables, including non-numeric text and REAL.
  Real r = -1234.5;
  EXPECT_EQ(P("@n-14.2").Format(VarRef(r)), "     -1,234.50");
  String<5> junk("abc");
  EXPECT_EQ(P("@n5").Format(VarRef(junk)), "    0");
  Real bad = 1.0 / 0.0;
  EXPECT_EQ(P("@n5").Format(VarRef(bad)), "#####");
}

}  // namespace
}  // namespace kv
