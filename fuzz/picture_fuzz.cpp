// Picture formatting and deformatting, for every picture kind. The input is a picture text, a
// line break, then the text a user typed. Properties:
// - text an @s or @n picture accepts, formatted and deformatted again, gives the same value
//   (@s: the same text but for trailing blanks);
// - for every kind, a value that came out of Deformat is a fixed point: formatting it and
//   deformatting the result gives it back (dates, times and @e may drop what they do not
//   show, such as seconds, but only once);
// - a number taken at the picture's places and formatted without overflow deformats to itself.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "platform/values/Picture.h"

using kv::fuzz::Check;

namespace {

bool Overflowed(const std::string& shown) {
  return shown.find('#') != std::string::npos;
}

std::string Clipped(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

void CheckFixedPoint(const kv::Picture& picture, const kv::Deformatted& value) {
  const std::string shown = picture.FormatDecimal(value.number);
  if (Overflowed(shown)) return;
  const kv::Deformatted again = picture.Deformat(shown);
  Check(again.status == kv::PictureStatus::kOk, "formatted text is refused by its own picture");
  const std::string shownAgain = picture.FormatDecimal(again.number);
  Check(shownAgain == shown, "formatting is not stable");
  const kv::Deformatted third = picture.Deformat(shownAgain);
  Check(third.status == kv::PictureStatus::kOk && third.number == again.number,
        "deformat(format(x)) is not x for a value deformat gave");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\n');
  const std::string_view pictureText = input.substr(0, cut);
  const std::string_view typed =
      cut == std::string_view::npos ? std::string_view{} : input.substr(cut + 1);
  if (pictureText.size() > 40) return 0;
  kv::Picture picture;
  if (kv::Picture::Parse(pictureText, &picture) != kv::PictureStatus::kOk) return 0;
  if (picture.Width() > 4096) return 0;

  const kv::Deformatted value = picture.Deformat(typed);
  (void)picture.FormatText(typed);
  if (value.status == kv::PictureStatus::kOk) {
    if (picture.Kind() == kv::PictureKind::kString) {
      const std::string shown = picture.FormatText(value.text);
      const kv::Deformatted again = picture.Deformat(shown);
      Check(again.status == kv::PictureStatus::kOk, "formatted text is refused by its picture");
      Check(Clipped(again.text) == Clipped(value.text), "@s text changed on its way");
    } else {
      if (picture.Kind() == kv::PictureKind::kNumber) {
        const std::string shown = picture.FormatDecimal(value.number);
        if (!Overflowed(shown)) {
          const kv::Deformatted again = picture.Deformat(shown);
          Check(again.status == kv::PictureStatus::kOk && again.number == value.number,
                "deformat(format(x)) is not x for a typed number");
        }
      }
      CheckFixedPoint(picture, value);
    }
  }

  // The typed text as a plain number, at the picture's places.
  kv::DecimalValue number, rounded;
  if (picture.Kind() == kv::PictureKind::kNumber &&
      kv::DecimalValue::Parse(typed, &number) == kv::ValueStatus::kOk &&
      number.Rescale(picture.Places(), &rounded) == kv::ValueStatus::kOk) {
    const std::string shown = picture.FormatDecimal(rounded);
    if (!Overflowed(shown)) {
      const kv::Deformatted again = picture.Deformat(shown);
      Check(again.status == kv::PictureStatus::kOk && again.number == rounded,
            "deformat(format(x)) is not x for a number at the picture's places");
    }
  }
  return 0;
}
