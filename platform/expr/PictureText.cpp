#include "platform/expr/PictureText.h"

#include "platform/expr/Utf8.h"
#include "platform/values/Utf8Text.h"

namespace kv {

bool FormatByPicture(const ExprValue& value, std::string_view picture, std::string* out,
                     std::string* message) {
  if (picture.size() >= 2 && (picture[1] == 's' || picture[1] == 'S')) {
    std::size_t width = 0;
    for (std::size_t i = 2;
         i < picture.size() && picture[i] >= '0' && picture[i] <= '9' && width < 100000; ++i)
      width = width * 10 + static_cast<std::size_t>(picture[i] - '0');
    std::string text = value.AsText();
    if (width == 0) {
      *out = text;
      return true;
    }
    // A string picture shows exactly `width` characters: cut, or padded with blanks.
    const std::size_t count = Utf8Length(text);
    *out = count >= width ? Utf8Substr(text, 0, width) : text + std::string(width - count, ' ');
    return true;
  }
  *message = "picture " + std::string(picture) + " is not supported by FORMAT";
  return false;
}

}  // namespace kv
