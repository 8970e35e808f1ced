#pragma once

#include <string>
#include <string_view>

namespace kv {

// Prepares a view's filter text for local evaluation against one record. An embedded SQL(...)
// call can only be evaluated by the server, and locally it gives the empty text, which as a
// condition is false. Each call is therefore made the right side of a comparison with the
// empty string, which is true locally: "PRO:PRICE > 5 AND SQL(x)" becomes
// "PRO:PRICE > 5 AND  ''=SQL(x)", so a record passes when the rest of the filter passes.
//
// A call is the word SQL in any letter case at the start of the text or after a blank, "|",
// "(" or "~", then optional blanks and "("; the characters from SQL through that parenthesis
// are replaced by " ''=SQL(". String literals ('...', with '' for a quote) are copied
// unchanged, and so is the text inside a call (up to its matching parenthesis, quoted parts
// followed), so neither a literal nor the call's own SQL text is ever rewritten, and a call
// is rewritten once. The result is cut to `maxLength` bytes.
// Thread: any.
std::string RewriteSqlCalls(std::string_view filter, std::size_t maxLength = 2048);

}  // namespace kv
