// Building the filter expression from the values entered in the query's fields.
#include <cctype>

#include "framework/query/QueryManager.h"
#include "platform/values/Picture.h"
#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

std::string Cut(std::string_view text, std::size_t maxBytes) {
  return std::string(text.substr(0, Utf8CutLength(text, maxBytes)));
}

char FirstUpper(std::string_view text) {
  return text.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
}

// Pictures are case-insensitive: "s40" is a text picture as "S40" is.
bool IsTextPicture(std::string_view picture) {
  return FirstUpper(picture) == 'S';
}

bool HasUpperCall(std::string_view name) {
  return UpperText(name).find("UPPER(") != std::string::npos;
}

// A number as the expression language writes one: an optional sign, digits, at most one
// point. Only such a value is written into a filter without quotes.
bool IsPlainNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

// Removes a leading "^" and upper-cases the rest; true when there was one.
bool TakeCaret(std::string& value) {
  if (!value.starts_with('^')) return false;
  value = UpperText(std::string_view(value).substr(1));
  return true;
}

}  // namespace

std::string QueryManager::GetFilter() {
  std::string filter;
  if (!Fields) return filter;
  for (QueryField& field : *Fields) {
    bool secondPass = false;
    for (;;) {
      Condition c;
      c.name = std::string(field.NAME.Clipped());
      c.picture = Cut(field.PICTURE.Clipped(), kPictureUsed);
      bool more = ExtractCondition(field, c, secondPass);
      if (!c.value.empty() || !c.op.empty()) {
        PrepareColumn(c);
        ApplyCase(c);
        std::string condition = ConditionText(c);
        if (!condition.empty()) {
          if (!filter.empty()) filter += " AND ";
          filter += condition;
        }
      }
      if (!more) break;
      secondPass = true;
    }
  }
  return Cut(filter, kFilterMax);
}

bool QueryManager::ExtractCondition(QueryField& field, Condition& c, bool secondPass) {
  if (!field.LOW.Clipped().empty() && !secondPass) {
    if (Style() == SingleValueStyle) {
      if (field.MIDDLE.Clipped().empty()) field.MIDDLE = field.LOW.Clipped();
      field.LOW = "";
      field.HIGH = "";
      return true;  // the second pass takes the value from MIDDLE
    }
    c.op = ">";
    c.value = Cut(field.LOW.Clipped(), kValueMax);
    ApplyOperators(field, c);
    Deformat(c);
    return !field.HIGH.Clipped().empty();
  }
  if (!field.HIGH.Clipped().empty()) {
    c.op = "<";
    c.value = Cut(field.HIGH.Clipped(), kValueMax);
    ApplyOperators(field, c);
    Deformat(c);
    return false;
  }
  c.value = Cut(field.MIDDLE.Clipped(), kValueMax);
  if (c.value.empty()) return false;
  ApplyOperators(field, c);
  if (c.value.starts_with('*')) {
    c.op = kContains;
    c.value.erase(0, 1);
  } else if (c.value.ends_with('*')) {
    c.op = kBegins;
    c.value.pop_back();
  }
  if (TakeCaret(c.value)) c.noCase = true;
  if (!c.picture.empty() && !field.FORCEEDITPICTURE && c.op != kContains && c.op != kBegins) {
    Deformat(c);
  }
  return false;
}

void QueryManager::ApplyOperators(const QueryField& field, Condition& c) {
  // A MIDDLE entry makes a range inclusive, and a single value compare for equality. A single
  // value that carries its own operator compares with that operator alone: "<20" means less
  // than 20, not "<=".
  bool ownOperator = c.op.empty() && !c.value.empty() &&
                     std::string_view("=<>~").find(c.value[0]) != std::string_view::npos;
  if (!field.MIDDLE.Clipped().empty() && !ownOperator) c.op += '=';
  std::tie(c.op, c.value) = NormalizeOperator(c.value, c.op);
  if (TakeCaret(c.value)) c.noCase = true;
  if (HasUpperCall(c.name)) {
    c.noCase = true;
    c.value = UpperText(c.value);
  }
  if (field.FORCEEDITPICTURE && !IsTextPicture(field.PICTURE.Clipped())) {
    c.noCase = false;
    c.picture.clear();
  }
}

void QueryManager::Deformat(Condition& c) {
  if (c.picture.empty() || IsTextPicture(c.picture)) return;
  if (FirstUpper(c.picture) == 'N' && IsPlainNumber(c.value)) return;
  Picture picture;
  if (!c.value.empty() && Picture::Parse(c.picture, &picture) == PictureStatus::kOk) {
    Deformatted stored = picture.Deformat(c.value);
    // Text the picture cannot read stays as typed; the filter then holds it as a quoted text.
    if (stored.status == PictureStatus::kOk) c.value = stored.text;
  }
  c.noCase = false;
  c.picture.clear();
}

void QueryManager::PrepareColumn(Condition& c) {
  bool wildcard = c.op == kContains || c.op == kBegins;
  if (wildcard && !c.picture.empty() && !IsTextPicture(c.picture)) {
    // Contains and begins compare with the column as it is displayed.
    c.name = "FORMAT(" + c.name + ",@" + c.picture + ")";
    c.noCase = true;
  }
  if (c.op == "<>" && c.value.empty() && !IsTextPicture(c.picture)) c.value = "0";
  if (c.picture.empty()) return;
  char first = FirstUpper(c.picture);
  std::string upper = UpperText(c.picture);
  bool wordyDate = upper == "D4" || upper == "D17" || upper == "D18";
  if (first == 'N' || first == 'E' || first == 'T' || (first == 'D' && !wordyDate)) {
    // Displayed numbers, dates and times have no letters to fold.
    c.noCase = false;
    c.value = UpperText(c.value);
  }
}

void QueryManager::ApplyCase(Condition& c) {
  if (c.noCase) {
    c.value = UpperText(c.value);
    if (c.value.starts_with('^')) c.value.erase(0, 1);
    if (!HasUpperCall(c.name)) c.name = "UPPER(" + c.name + ")";
    return;
  }
  // A column saved as UPPER(x) compares as x when the case matters after all. Only a whole
  // UPPER( ... ) is unwrapped; a column that merely contains a call is left alone.
  std::string_view name = ClipRight(c.name);
  if (UpperText(name).starts_with("UPPER(") && name.ends_with(')')) {
    c.name = std::string(name.substr(6, name.size() - 7));
  }
}

std::string QueryManager::ConditionText(const Condition& c) const {
  if (c.op == kContains) {
    if (c.value.empty()) return {};
    return "INSTRING(" + QuoteValue(c.value) + "," + c.name + ",1,1) <> 0";
  }
  if (c.op == kBegins) {
    if (c.value.empty()) return {};
    std::string length = std::to_string(Utf8Length(c.value));
    std::string column = FirstUpper(c.picture) == 'N' ? "LEFT(" + c.name + ")" : c.name;
    return "SUB(" + column + ",1," + length + ") = " + QuoteValue(c.value);
  }
  // Typed values are data: text is quoted, and only a plain number goes in as it is.
  std::string operand;
  if (IsTextPicture(c.picture)) {
    operand = QuoteValue(c.value);
  } else if (c.value.empty()) {
    operand = "0";
  } else if (IsPlainNumber(c.value)) {
    operand = std::string(TrimBlanks(c.value));
  } else {
    operand = QuoteValue(c.value);
  }
  return "(" + c.name + " " + NormalizeOperator("", c.op).first + " " + operand + ")";
}

}  // namespace kv
