#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/values/PictureOptions.h"

namespace kv {

// Formatting and deformatting of date (@d) pictures over the runtime's date serial numbers
// (see Calendar.h); the formats are described with Picture. Pure functions, any thread.

// Display width of a date picture: the longest text it can produce.
int DatePictureWidth(const PictureOptions& options);

// The date `serial` as displayed: blanks (DatePictureWidth long) for 0, "#"s for a number
// that is not a valid date.
std::string FormatDatePicture(const PictureOptions& options, std::int64_t serial);
// Typed text read as a date: the serial number, 0 with empty `text` for blank input, or
// kBadDate.
Deformatted DeformatDatePicture(const PictureOptions& options, std::string_view text);

}  // namespace kv
