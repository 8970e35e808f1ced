#include "platform/values/NumberPicture.h"

#include <optional>

#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

using Sign = PictureOptions::Sign;

std::string Hashes(int width) {
  return std::string(static_cast<std::size_t>(width), '#');
}

std::string GroupThousands(const std::string& digits) {
  std::string out;
  int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[static_cast<std::size_t>(i)]);
  }
  return out;
}

// The displayed text of `value` before justification, or nothing when it cannot be shown in
// options.width characters.
std::optional<std::string> ComposeNumber(const PictureOptions& options, const DecimalValue& value) {
  DecimalValue rounded;
  if (value.Rescale(options.places, &rounded) != ValueStatus::kOk) return std::nullopt;
  if (options.blankWhenZero && rounded.IsZero()) {
    return std::string(static_cast<std::size_t>(options.width), ' ');
  }
  bool negative = rounded.Sign() < 0;
  std::string text = rounded.Sign() < 0 ? rounded.Negated().ToText() : rounded.ToText();
  std::string whole = text;
  std::string fraction;
  std::size_t point = text.find('.');
  if (point != std::string::npos) {
    whole = text.substr(0, point);
    fraction = text.substr(point);  // with the point
  }
  std::string prefix, suffix;
  if (negative) {
    switch (options.sign) {
      case Sign::kTrailing:
        suffix = "-";
        break;
      case Sign::kParens:
        prefix = "(";
        suffix = ")";
        break;
      default:
        prefix = "-";
        break;
    }
  } else if (options.sign == Sign::kTrailing || options.sign == Sign::kParens) {
    suffix = " ";  // keep the points of positive and negative values aligned
  }
  if (options.grouping) whole = GroupThousands(whole);
  if (options.zeroFill) {
    int used = static_cast<int>(prefix.size() + whole.size() + fraction.size() + suffix.size());
    if (used < options.width) whole.insert(0, static_cast<std::size_t>(options.width - used), '0');
  }
  std::string body = prefix + whole + fraction + suffix;
  if (static_cast<int>(body.size()) > options.width) return std::nullopt;
  return std::string(static_cast<std::size_t>(options.width) - body.size(), ' ') + body;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Checks the grouping commas of an integer part ("1,234,567") and removes them.
bool StripGrouping(std::string_view whole, std::string* out) {
  out->clear();
  if (whole.find(',') == std::string_view::npos) {
    out->assign(whole);
    return true;
  }
  std::size_t first = whole.find(',');
  if (first == 0 || first > 3) return false;
  std::string_view rest = whole.substr(first);
  if (rest.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < rest.size(); i += 4) {
    if (rest[i] != ',' || !IsDigit(rest[i + 1]) || !IsDigit(rest[i + 2]) || !IsDigit(rest[i + 3])) {
      return false;
    }
  }
  for (char c : whole) {
    if (c != ',') out->push_back(c);
  }
  return true;
}

}  // namespace

std::string FormatNumberPicture(const PictureOptions& options, const DecimalValue& value) {
  std::optional<std::string> text = ComposeNumber(options, value);
  return text ? *text : Hashes(options.width);
}

Deformatted DeformatNumberPicture(const PictureOptions& options, std::string_view text) {
  Deformatted r;
  std::string_view t = TrimBlanks(text);
  if (t.empty()) return r;
  bool negative = false;
  int signs = 0;
  if (t.front() == '(' && t.back() == ')' && t.size() >= 2) {
    negative = true;
    ++signs;
    t = TrimBlanks(t.substr(1, t.size() - 2));
  }
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    negative = negative || t.front() == '-';
    ++signs;
    t = TrimBlanks(t.substr(1));
  }
  if (!t.empty() && (t.back() == '-' || t.back() == '+')) {
    negative = negative || t.back() == '-';
    ++signs;
    t = TrimBlanks(t.substr(0, t.size() - 1));
  }
  if (signs > 1 || t.empty()) {
    r.status = PictureStatus::kNotANumber;
    return r;
  }
  for (char c : t) {
    if (!IsDigit(c) && c != '.' && c != ',') {
      r.status = PictureStatus::kNotANumber;
      return r;
    }
  }
  std::size_t point = t.find('.');
  std::string_view fraction = point == std::string_view::npos ? "" : t.substr(point + 1);
  std::string whole;
  if (fraction.find_first_of(".,") != std::string_view::npos ||
      !StripGrouping(t.substr(0, point), &whole)) {
    r.status = PictureStatus::kNotANumber;
    return r;
  }
  std::string plain = (negative ? "-" : "") + whole + "." + std::string(fraction);
  DecimalValue v;
  ValueStatus st = DecimalValue::Parse(plain, &v);
  if (st != ValueStatus::kOk) {
    r.status = st == ValueStatus::kOverflow ? PictureStatus::kTooWide : PictureStatus::kNotANumber;
    return r;
  }
  DecimalValue atPlaces;
  if (v.Rescale(options.places, &atPlaces) != ValueStatus::kOk) {
    r.status = PictureStatus::kTooWide;
    return r;
  }
  if (!(atPlaces == v)) {
    r.status = PictureStatus::kTooManyPlaces;
    return r;
  }
  if (!ComposeNumber(options, atPlaces)) {
    r.status = PictureStatus::kTooWide;
    return r;
  }
  r.number = atPlaces;
  r.text = atPlaces.ToPlainText();
  return r;
}

std::string FormatScientificPicture(const PictureOptions& options, const DecimalValue& value) {
  if (options.blankWhenZero && value.IsZero()) {
    return std::string(static_cast<std::size_t>(options.width), ' ');
  }
  DecimalValue magnitude = value.Sign() < 0 ? value.Negated() : value;
  std::string digits = magnitude.ToText();
  std::size_t point = digits.find('.');
  int scale = 0;
  if (point != std::string::npos) {
    scale = static_cast<int>(digits.size() - point - 1);
    digits.erase(point, 1);
  }
  std::size_t lead = digits.find_first_not_of('0');
  int exponent = 0;
  std::string mantissa;  // places + 1 significant digits
  std::size_t want = static_cast<std::size_t>(options.places) + 1;
  if (lead == std::string::npos) {
    mantissa.assign(want, '0');
  } else {
    digits = digits.substr(lead);
    exponent = static_cast<int>(digits.size()) - 1 - scale;
    if (digits.size() > want) {
      bool up = digits[want] >= '5';  // half away from zero on the magnitude
      mantissa = digits.substr(0, want);
      if (up) {
        int i = static_cast<int>(want) - 1;
        while (i >= 0 && mantissa[static_cast<std::size_t>(i)] == '9') {
          mantissa[static_cast<std::size_t>(i--)] = '0';
        }
        if (i < 0) {
          mantissa.insert(0, "1");
          mantissa.pop_back();
          ++exponent;
        } else {
          ++mantissa[static_cast<std::size_t>(i)];
        }
      }
    } else {
      mantissa = digits + std::string(want - digits.size(), '0');
    }
  }
  std::string body = value.Sign() < 0 ? "-" : "";
  body += mantissa.substr(0, 1);
  if (options.places > 0) body += "." + mantissa.substr(1);
  int absExp = exponent < 0 ? -exponent : exponent;
  body += exponent < 0 ? "e-" : "e+";
  if (absExp < 10) body += "0";
  body += std::to_string(absExp);
  if (static_cast<int>(body.size()) > options.width) return Hashes(options.width);
  return std::string(static_cast<std::size_t>(options.width) - body.size(), ' ') + body;
}

Deformatted DeformatScientificPicture(const PictureOptions& options, std::string_view text) {
  (void)options;
  Deformatted r;
  std::string_view t = TrimBlanks(text);
  if (t.empty()) return r;
  DecimalValue v;
  ValueStatus st = DecimalValue::Parse(t, &v);
  if (st != ValueStatus::kOk) {
    r.status = st == ValueStatus::kOverflow ? PictureStatus::kTooWide : PictureStatus::kNotANumber;
    return r;
  }
  r.number = v;
  r.text = v.ToPlainText();
  return r;
}

}  // namespace kv
