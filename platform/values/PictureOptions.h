#pragma once

#include <cstdint>
#include <string>

#include "platform/values/DecimalValue.h"

namespace kv {

// Why a picture or a deformat was refused. kOk = 0; every other value means nothing was
// stored and the caller should treat the input as rejected (controls turn it into a
// "value rejected" event).
enum class PictureStatus : std::uint8_t {
  kOk = 0,
  kBadPicture,      // the picture text itself is not understood
  kTooLong,         // text longer than an @s picture's width
  kBadText,         // not valid UTF-8
  kNotANumber,      // letters, two signs, misplaced grouping, two points, ...
  kTooManyPlaces,   // more non-zero decimals than the picture shows
  kTooWide,         // the number does not fit the picture's width
  kBadDate,         // not a date in the picture's format, or a day that does not exist
  kBadTime,         // not a time in the picture's format, or a part out of range
  kTargetOverflow,  // the value does not fit the variable it was to be stored in
};

// Short name of a status for messages and test output.
const char* PictureStatusName(PictureStatus status);

enum class PictureKind : std::uint8_t { kString, kNumber, kScientific, kDate, kTime };

// Result of Picture::Deformat: the stored form of a displayed value.
struct Deformatted {
  PictureStatus status = PictureStatus::kOk;
  // Numbers, dates (serial day number) and times (hundredths + 1); 0 for @s and for empty
  // input.
  DecimalValue number;
  // @s: the text; otherwise the number written plainly ("1234.5", "80000"), or empty when
  // the input was empty.
  std::string text;
};

// The options of a parsed picture (see Picture for the picture syntax). Plain data, filled by
// Picture::Parse and read by the formatting code of each kind.
struct PictureOptions {
  enum class Sign : std::uint8_t { kNone, kLeading, kTrailing, kParens };

  PictureKind kind = PictureKind::kString;
  int width = 0;   // @s, @n, @e: display width; dates and times: length of their text
  int places = 0;  // @n, @e: decimal places
  int format = 0;  // @d: 1..18, @t: 1..8
  Sign sign = Sign::kNone;
  bool zeroFill = false;       // @n "0": leading zeros
  bool grouping = false;       // @n: group digits by three with ","
  bool blankWhenZero = false;  // "b": zero shows as blanks
  char separator = 0;          // @d, @t: separator character
};

}  // namespace kv
