#pragma once

#include <string>
#include <string_view>

#include "platform/expr/ExprValue.h"

namespace kv {

// FORMAT's work: `value` as the picture `picture` (with its "@", e.g. "@s20", "@n-14.2")
// shows it. Returns true with the text in `out`, or false with `message` saying why the
// picture cannot be used. Thread: any.
[[nodiscard]] bool FormatByPicture(const ExprValue& value, std::string_view picture,
                                   std::string* out, std::string* message);

}  // namespace kv
