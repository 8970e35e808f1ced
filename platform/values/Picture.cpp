#include "platform/values/Picture.h"

#include "platform/values/DatePicture.h"
#include "platform/values/NumberPicture.h"
#include "platform/values/TimePicture.h"
#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

constexpr int kMaxNumberWidth = 64;
constexpr int kMaxStringWidth = 65535;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads a run of digits at *i (at most 5); false when there is none.
bool ReadNumber(std::string_view t, std::size_t* i, int* out) {
  std::size_t start = *i;
  int v = 0;
  while (*i < t.size() && IsDigit(t[*i]) && *i - start < 5) v = v * 10 + (t[(*i)++] - '0');
  *out = v;
  return *i > start && (*i >= t.size() || !IsDigit(t[*i]));
}

bool ParseNumber(std::string_view t, PictureOptions* options) {
  std::size_t i = 0;
  bool noGrouping = false;
  if (i < t.size() && t[i] == '-') {
    options->sign = PictureOptions::Sign::kLeading;
    ++i;
  } else if (i < t.size() && t[i] == '(') {
    options->sign = PictureOptions::Sign::kParens;
    ++i;
  }
  if (i + 1 < t.size() && t[i] == '0' && IsDigit(t[i + 1])) {
    options->zeroFill = true;
    ++i;
  } else if (i < t.size() && t[i] == '_') {
    noGrouping = true;
    ++i;
  }
  if (!ReadNumber(t, &i, &options->width)) return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    if (!ReadNumber(t, &i, &options->places)) return false;
  }
  if (i < t.size() && t[i] == '-' && options->sign == PictureOptions::Sign::kNone) {
    options->sign = PictureOptions::Sign::kTrailing;
    ++i;
  }
  if (options->sign == PictureOptions::Sign::kParens) {
    if (i >= t.size() || t[i] != ')') return false;
    ++i;
  }
  if (i < t.size() && (t[i] == 'b' || t[i] == 'B')) {
    options->blankWhenZero = true;
    ++i;
  }
  options->grouping = !options->zeroFill && !noGrouping;
  return i == t.size() && options->width >= 1 && options->width <= kMaxNumberWidth &&
         options->places <= DecimalValue::kMaxScale && options->places < options->width;
}

bool ParseScientific(std::string_view t, PictureOptions* options) {
  std::size_t i = 0;
  if (!ReadNumber(t, &i, &options->width)) return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    if (!ReadNumber(t, &i, &options->places)) return false;
  }
  if (i < t.size() && (t[i] == 'b' || t[i] == 'B')) {
    options->blankWhenZero = true;
    ++i;
  }
  return i == t.size() && options->width >= 1 && options->width <= kMaxNumberWidth &&
         options->places <= DecimalValue::kMaxScale;
}

// @d and @t: [0]N[separator][b].
bool ParseDateTime(std::string_view t, int maxFormat, std::string_view separators,
                   PictureOptions* options) {
  std::size_t i = 0;
  if (i + 1 < t.size() && t[i] == '0' && IsDigit(t[i + 1])) ++i;  // zero padding: the default
  if (!ReadNumber(t, &i, &options->format)) return false;
  if (i < t.size() && separators.find(t[i]) != std::string_view::npos) {
    char c = t[i++];
    options->separator = c == '_' ? ' ' : (c == '`' ? ',' : c);
  }
  if (i < t.size() && (t[i] == 'b' || t[i] == 'B')) {
    options->blankWhenZero = true;
    ++i;
  }
  return i == t.size() && options->format >= 1 && options->format <= maxFormat;
}

// A date or time number from a decimal, rounded; -1 (shown as "#"s) beyond 64 bits.
std::int64_t WholeOf(const DecimalValue& v) {
  std::int64_t n = 0;
  return v.ToInteger(&n) == ValueStatus::kOk ? n : -1;
}

}  // namespace

const char* PictureStatusName(PictureStatus status) {
  switch (status) {
    case PictureStatus::kOk:
      return "ok";
    case PictureStatus::kBadPicture:
      return "bad picture";
    case PictureStatus::kTooLong:
      return "too long";
    case PictureStatus::kBadText:
      return "bad text";
    case PictureStatus::kNotANumber:
      return "not a number";
    case PictureStatus::kTooManyPlaces:
      return "too many places";
    case PictureStatus::kTooWide:
      return "too wide";
    case PictureStatus::kBadDate:
      return "bad date";
    case PictureStatus::kBadTime:
      return "bad time";
    case PictureStatus::kTargetOverflow:
      return "target overflow";
  }
  return "?";
}

PictureStatus Picture::Parse(std::string_view text, Picture* out) {
  std::string_view t = TrimBlanks(text);
  if (!t.empty() && t[0] == '@') t.remove_prefix(1);
  if (t.empty()) return PictureStatus::kBadPicture;
  PictureOptions options;
  std::string_view rest = t.substr(1);
  bool ok = false;
  switch (t[0]) {
    case 's':
    case 'S': {
      options.kind = PictureKind::kString;
      std::size_t i = 0;
      ok = ReadNumber(rest, &i, &options.width) && i == rest.size() && options.width >= 1 &&
           options.width <= kMaxStringWidth;
      break;
    }
    case 'n':
    case 'N':
      options.kind = PictureKind::kNumber;
      ok = ParseNumber(rest, &options);
      break;
    case 'e':
    case 'E':
      options.kind = PictureKind::kScientific;
      ok = ParseScientific(rest, &options);
      break;
    case 'd':
    case 'D':
      options.kind = PictureKind::kDate;
      ok = ParseDateTime(rest, 18, "./-_`", &options);
      if (ok) options.width = DatePictureWidth(options);
      break;
    case 't':
    case 'T':
      options.kind = PictureKind::kTime;
      ok = ParseDateTime(rest, 8, ".:-_`", &options);
      if (ok) options.width = TimePictureWidth(options);
      break;
    default:
      break;
  }
  if (!ok) return PictureStatus::kBadPicture;
  out->options_ = options;
  out->text_ = "@" + std::string(t);
  return PictureStatus::kOk;
}

std::string Picture::FormatDecimal(const DecimalValue& value) const {
  switch (options_.kind) {
    case PictureKind::kString:
      return FormatText(value.ToPlainText());
    case PictureKind::kNumber:
      return FormatNumberPicture(options_, value);
    case PictureKind::kScientific:
      return FormatScientificPicture(options_, value);
    case PictureKind::kDate:
      return FormatDatePicture(options_, WholeOf(value));
    case PictureKind::kTime:
      return FormatTimePicture(options_, WholeOf(value));
  }
  return std::string();
}

std::string Picture::FormatText(std::string_view text) const {
  if (options_.kind == PictureKind::kString) {
    std::string out(text.substr(0, Utf8CutLength(text, static_cast<std::size_t>(options_.width))));
    out.resize(static_cast<std::size_t>(options_.width), ' ');
    return out;
  }
  DecimalValue v;
  if (DecimalValue::Parse(text, &v) == ValueStatus::kOverflow) {
    return std::string(static_cast<std::size_t>(options_.width), '#');
  }
  return FormatDecimal(v);  // text that is not a number shows as 0
}

std::string Picture::Format(const VarRef& value) const {
  if (options_.kind == PictureKind::kString) return FormatText(value.ToText());
  DecimalValue v;
  ValueStatus st = value.GetDecimal(&v);
  if (st == ValueStatus::kOverflow || (st == ValueStatus::kInvalid && !value.IsText())) {
    return std::string(static_cast<std::size_t>(options_.width), '#');  // NaN, infinity, huge
  }
  return FormatDecimal(st == ValueStatus::kOk ? v : DecimalValue());
}

Deformatted Picture::Deformat(std::string_view text) const {
  switch (options_.kind) {
    case PictureKind::kString: {
      Deformatted r;
      std::string_view clipped = ClipRight(text);
      if (!IsValidUtf8(clipped)) {
        r.status = PictureStatus::kBadText;
      } else if (clipped.size() > static_cast<std::size_t>(options_.width)) {
        r.status = PictureStatus::kTooLong;
      } else {
        r.text = std::string(clipped);
      }
      return r;
    }
    case PictureKind::kNumber:
      return DeformatNumberPicture(options_, text);
    case PictureKind::kScientific:
      return DeformatScientificPicture(options_, text);
    case PictureKind::kDate:
      return DeformatDatePicture(options_, text);
    case PictureKind::kTime:
      return DeformatTimePicture(options_, text);
  }
  return Deformatted();
}

PictureStatus Picture::DeformatInto(std::string_view text, const VarRef& target) const {
  if (target.IsNull()) return PictureStatus::kTargetOverflow;
  Deformatted d = Deformat(text);
  if (d.status != PictureStatus::kOk) return d.status;
  ValueStatus st;
  if (options_.kind == PictureKind::kString) {
    if (!target.IsText() && !d.text.empty()) {
      // Text typed for a numeric variable must be a number, not silently become 0.
      DecimalValue v;
      if (DecimalValue::Parse(d.text, &v) != ValueStatus::kOk) return PictureStatus::kNotANumber;
    }
    st = target.SetText(d.text);
  } else {
    st = target.SetDecimal(d.number);
  }
  return st == ValueStatus::kOk ? PictureStatus::kOk : PictureStatus::kTargetOverflow;
}

}  // namespace kv
