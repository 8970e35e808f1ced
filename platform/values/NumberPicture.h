#pragma once

#include <string>
#include <string_view>

#include "platform/values/DecimalValue.h"
#include "platform/values/PictureSpec.h"

namespace kv {

// Formatting and deformatting of numeric (@n) and scientific (@e) pictures; the rules are
// described with Picture. Pure functions, any thread. Picture dispatches to them; they are
// separate so that they can be tested and reused without a Picture object.

// `value` as the @n picture `spec` shows it: exactly spec.width characters, or spec.width
// "#" characters when it does not fit.
std::string FormatNumberPicture(const PictureSpec& spec, const DecimalValue& value);

// Typed text read by the @n picture `spec`: the number at spec.places, or the reason it is
// rejected (kNotANumber, kTooManyPlaces, kTooWide). Blank text is 0 with empty `text`.
Deformatted DeformatNumberPicture(const PictureSpec& spec, std::string_view text);

// `value` as the @e picture `spec` shows it (spec.width characters, or "#"s).
std::string FormatScientificPicture(const PictureSpec& spec, const DecimalValue& value);

// Typed text read by the @e picture `spec`: plain or exponent notation.
Deformatted DeformatScientificPicture(const PictureSpec& spec, std::string_view text);

}  // namespace kv
