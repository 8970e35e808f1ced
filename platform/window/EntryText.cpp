#include "platform/window/EntryText.h"

#include "platform/values/Picture.h"
#include "platform/values/Utf8Text.h"

namespace kv {

int EntryByteLimit(const Control& control) {
  if (control.kind != ControlKind::kEntry || control.picture.empty()) return 0;
  Picture picture;
  if (Picture::Parse(control.picture, &picture) != PictureStatus::kOk) return 0;
  return picture.Kind() == PictureKind::kString ? picture.Width() : 0;
}

std::string FitEntryText(const Control& control, std::string_view text) {
  int limit = EntryByteLimit(control);
  if (limit <= 0 || text.size() <= static_cast<std::size_t>(limit)) return std::string(text);
  return std::string(text.substr(0, Utf8CutLength(text, static_cast<std::size_t>(limit))));
}

}  // namespace kv
