#pragma once

#include <cstdint>

#include "platform/values/FixedText.h"

namespace kv {

// One queryable column of a query by example: the column's expression and title, its display
// picture, and up to three values the user entered for it. A value may carry its own comparison
// operator ("=", "<", ">", "~" in front) and markers: "^" first compares without regard to
// letter case, "*" first means "contains the rest", "*" last means "begins with the rest".
//
// Plain data; the QueryManager that holds it is the only one that changes it while a filter is
// built. Thread: the query manager's.
struct QueryField {
  // The column as the expression language names it ("PRO:DESCRIPTION"), or wrapped as
  // "UPPER(" ... ")" for a column that is always compared without regard to case.
  String<100> NAME;
  String<100> TITLE;   // the column's title, shown in the entry window
  String<40> PICTURE;  // display picture without the leading "@" ("S40", "N9.2", "D6")
  String<500> LOW;     // lower bound, or in single-value style the value typed
  String<500> MIDDLE;  // the single value; in a range, a non-empty one makes the bounds inclusive
  String<500> HIGH;    // upper bound
  // Set for a column whose picture is not a string picture: values are used as typed, without
  // conversion by the picture.
  std::uint8_t FORCEEDITPICTURE = 0;
};

// One query item a QueryManager added to a pop-up menu: the saved query it stands for and the
// item's name in the pop-up manager.
struct QueryMenuItem {
  String<100> QueryName;
  String<100> ItemName;
};

}  // namespace kv
