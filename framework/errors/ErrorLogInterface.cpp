#include "framework/errors/ErrorLogInterface.h"

#include "framework/errors/MessageText.h"
#include "platform/values/Picture.h"

namespace kv {
namespace {

std::string FormatWith(std::string_view pictureText, std::int32_t value) {
  Picture picture;
  if (Picture::Parse(pictureText, &picture) != PictureStatus::kOk) return {};
  return picture.FormatDecimal(DecimalValue::FromInteger(value));
}

}  // namespace

std::string FormatErrorLogLine(std::string_view text, std::int32_t date, std::int32_t time) {
  std::string line = FormatWith("@D17", date) + "@" + FormatWith("@T8", time) + " --> ";
  line.append(text);
  return std::string(ClipBlanks(CutUtf8(line, kLogLineLimit)));
}

}  // namespace kv
