#include "platform/expr/PictureText.h"

#include "platform/values/Picture.h"

namespace kv {

bool FormatByPicture(const ExprValue& value, std::string_view picture, std::string* out,
                     std::string* message) {
  Picture pic;
  if (Picture::Parse(picture, &pic) != PictureStatus::kOk) {
    *message = "picture " + std::string(picture) + " is not understood";
    return false;
  }
  // Text goes through a string picture as text; every other picture shows a number (a date
  // or time serial for @d and @t), so text is taken as a number first.
  *out = pic.Kind() == PictureKind::kString ? pic.FormatText(value.AsText())
                                            : pic.FormatDecimal(value.AsNumber());
  return true;
}

}  // namespace kv
