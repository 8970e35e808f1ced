#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/values/DecimalValue.h"
#include "platform/values/PictureOptions.h"
#include "platform/values/VarRef.h"

namespace kv {

// A display picture, parsed once and then used to format values for display and to turn
// displayed (typed) text back into values. Immutable after Parse; any thread may use it.
//
// Picture texts (the leading "@" is optional; letters are case-insensitive):
//   @sW       text, W bytes. Format cuts at W bytes without splitting a UTF-8 character and
//             pads with blanks to W; Deformat rejects text longer than W (trailing blanks
//             aside) and invalid UTF-8.
//   @n[sign][fill]W[.P][sign][b]
//             number, W characters wide, P decimal places (0 when omitted). Digits are
//             grouped by three with "," unless the fill is "_" (no grouping) or "0" (leading
//             zeros, no grouping). Sign: "-" before W shows a leading minus ("@n-14.2"), "-"
//             after P a trailing minus ("@n14.2-"), "(" before W with ")" after P shows
//             negatives in parentheses; without a sign indicator negatives still get a leading
//             minus (dropping it would show a wrong value). "b" shows zero as blanks. The
//             text is right-justified in W; a value too wide for W shows W "#" characters.
//             Deformat accepts blanks around the number, a sign before or after it (one
//             only), grouping commas only in their proper places, at most P non-zero places;
//             blank text is 0.
//   @eW.P     scientific: a mantissa with one digit before the point and P after, then
//             "e+NN" (at least two exponent digits), right-justified in W ("@e12.4": 1234.5
//             is "  1.2345e+03"). Deformat accepts any plain or exponent number that fits.
//   @d[0]N[s][b]
//             date (serial day number), N = 1..18, s an optional separator: "." "-" "/" or
//             "_" (blank) or "`" (comma); default "/". Zero dates are blank. Formats:
//               D1 mm/dd/yy   D2 mm/dd/yyyy   D3 Mon dd, yyyy   D4 Month d, yyyy
//               D5 dd/mm/yy   D6 dd/mm/yyyy   D7 dd Mon yy      D8 dd Mon yyyy
//               D9 yy/mm/dd   D10 yyyy/mm/dd  D11 yymmdd        D12 yyyymmdd
//               D13 mm/yy     D14 mm/yyyy     D15 yy/mm         D16 yyyy/mm
//               D17 short date (mm/dd/yyyy)   D18 long date (Weekday, Month d, yyyy)
//             Numbers are zero-padded to two digits ("0" is accepted and changes nothing).
//             Two-digit years are 2000..2049 for 00..49 and 1950..1999 for 50..99. Deformat
//             takes the parts in the picture's order, separated by any of / . - , or
//             blanks, month names in English (full or three letters, any case); a day that
//             does not exist (31/02) is rejected.
//   @t[0]N[s][b]
//             time (hundredths of a second since midnight plus 1), N = 1..8, separator
//             default ":". Zero times are blank. Formats:
//               T1 hh:mm   T2 hhmm   T3 hh:mmAM   T4 hh:mm:ss   T5 hhmmss   T6 hh:mm:ssAM
//               T7 short time (hh:mm)   T8 long time (hh:mm:ss)
//             Deformat accepts seconds optionally in the colon formats and AM/PM in any.
class Picture {
 public:
  // An @s picture of width 0 (use Parse).
  Picture() = default;

  // Parses `text`. kOk and *out set, or kBadPicture with *out unchanged.
  [[nodiscard]] static PictureStatus Parse(std::string_view text, Picture* out);

  PictureKind Kind() const { return options_.kind; }
  // The picture as given, with its "@".
  const std::string& Text() const { return text_; }
  // Display width: @s and @n/@e width; for dates and times the length of their text.
  int Width() const { return options_.width; }
  int Places() const { return options_.places; }
  // Date or time format number (1..18, 1..8); 0 for other kinds.
  int FormatNumber() const { return options_.format; }

  // The variable's value as displayed. Numbers, dates and times read the variable as a
  // number (text that is not a number is 0); @s reads it as text.
  std::string Format(const VarRef& value) const;
  // A number (or date serial, or time value) as displayed.
  std::string FormatDecimal(const DecimalValue& value) const;
  // Text as displayed; for non-@s pictures the text is taken as a number first.
  std::string FormatText(std::string_view text) const;

  // The stored form of displayed text; status kOk or the reason it is rejected.
  Deformatted Deformat(std::string_view text) const;
  // Deformats `text` and stores the result into `target`. kOk, or the reason for rejection;
  // on rejection (including kTargetOverflow) the target is unchanged.
  [[nodiscard]] PictureStatus DeformatInto(std::string_view text, const VarRef& target) const;

  // The parsed options, for the per-kind formatting code.
  const PictureOptions& Options() const { return options_; }

 private:
  std::string text_ = "@s0";
  PictureOptions options_;
};

}  // namespace kv
