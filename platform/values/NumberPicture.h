#pragma once

#include <string>
#include <string_view>

#include "platform/values/DecimalValue.h"
#include "platform/values/PictureOptions.h"

namespace kv {

// Formatting and deformatting of numeric (@n) and scientific (@e) pictures; the rules are
// described with Picture. Pure functions, any thread. Picture dispatches to them; they are
// separate so that they can be tested and reused without a Picture object.

// `value` as the @n picture `options` shows it: exactly options.width characters, or options.width
// "#" characters when it does not fit.
std::string FormatNumberPicture(const PictureOptions& options, const DecimalValue& value);

// Typed text read by the @n picture `options`: the number at options.places, or the reason it is
// rejected (kNotANumber, kTooManyPlaces, kTooWide). Blank text is 0 with empty `text`.
Deformatted DeformatNumberPicture(const PictureOptions& options, std::string_view text);

// `value` as the @e picture `options` shows it (options.width characters, or "#"s).
std::string FormatScientificPicture(const PictureOptions& options, const DecimalValue& value);

// Typed text read by the @e picture `options`: plain or exponent notation.
Deformatted DeformatScientificPicture(const PictureOptions& options, std::string_view text);

}  // namespace kv
