#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/values/PictureOptions.h"

namespace kv {

// Formatting and deformatting of time (@t) pictures over the runtime's time values
// (hundredths of a second since midnight plus one, see Calendar.h); the formats are
// described with Picture. Pure functions, any thread.

// Display width of a time picture.
int TimePictureWidth(const PictureOptions& options);

// The time `value` as displayed: blanks for 0, "#"s outside 1..8640000. Hundredths are not
// shown; seconds are truncated, never rounded up into the next minute.
std::string FormatTimePicture(const PictureOptions& options, std::int64_t value);

// Typed text read as a time: the time value, 0 with empty `text` for blank input, or
// kBadTime (hour above 23, minute or second above 59, 13PM, letters, ...).
Deformatted DeformatTimePicture(const PictureOptions& options, std::string_view text);

}  // namespace kv
