#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/values/Utf8Text.h"
#include "platform/values/VarRef.h"

namespace kv {

// Text conversions of the settings-file manager, the runtime's rules (see VarRef) extended to
// any C++ arithmetic type. A stored value that does not convert to a number converts to 0:
// blanks around the number are allowed, anything else is not ("12", " -3 ", "2.5" and "1e3"
// are numbers; "12abc", "0x10" and "" are not).
double SettingToReal(std::string_view text);
// As SettingToReal, rounded half away from zero and limited to the range of long long; whole
// numbers convert exactly.
long long SettingToInteger(std::string_view text);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 character.
inline std::string_view CutSettingText(std::string_view text, std::size_t maxBytes) {
  return text.substr(0, Utf8CutLength(text, maxBytes));
}

// Saved-list records: the fields of one record joined by ",". A field that holds a "," or
// begins with a double quote is written enclosed in double quotes, each double quote inside it
// doubled ("*a,b" is stored as "\"*a,b\""); every other field is written as it is, so records
// without such fields look exactly as they always did and older files read the same.
std::string JoinListItems(const std::vector<std::string>& items);

// Item n (from 1) of a stored record. An item that begins with a double quote and is a whole
// quoted field (closing quote followed by "," or the end) is unquoted; any other item runs to
// the next "," (with `rest`, to the end of the value: how the last field of a record written
// before fields were quoted keeps its commas). An n of 0 or beyond the last item gives "".
std::string ListItem(std::string_view value, std::size_t n, bool rest = false);

// True for the variable types that the settings-file manager converts itself; every runtime
// type (STRING, CSTRING, DECIMAL, ...) goes through a VarRef instead.
template <class T>
inline constexpr bool kPlainSettingType = std::is_same_v<T, std::string> || std::is_arithmetic_v<T>;

// The text stored for a number: decimal for integers, the shortest text that reads back as the
// same value for floating-point numbers.
template <class T>
requires std::is_arithmetic_v<T> std::string SettingText(T value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Converts stored text to a variable of type T (text kept as it is, numbers as above, clamped to
// the range of T). A runtime variable is set through VarRef::SetText; a value out of its range
// leaves it unchanged.
template <class T>
void AssignSetting(T& target, std::string_view text) {
  if constexpr (std::is_same_v<T, std::string>) {
    target.assign(text);
  } else if constexpr (std::is_same_v<T, bool>) {
    target = SettingToInteger(text) != 0;
  } else if constexpr (std::is_floating_point_v<T>) {
    target = static_cast<T>(SettingToReal(text));
  } else if constexpr (std::is_integral_v<T>) {
    long long v = SettingToInteger(text);
    using Limits = std::numeric_limits<T>;
    if constexpr (std::is_signed_v<T>) {
      if (v < static_cast<long long>(Limits::min())) v = Limits::min();
      if (v > static_cast<long long>(Limits::max())) v = Limits::max();
    } else {
      if (v < 0) v = 0;
      if (static_cast<unsigned long long>(v) > Limits::max())
        v = static_cast<long long>(Limits::max());
    }
    target = static_cast<T>(v);
  } else {
    static_assert(kPlainSettingType<T>, "unsupported setting type");
  }
}
inline void AssignSetting(const VarRef& target, std::string_view text) {
  (void)target.SetText(text);  // out of range: the variable keeps its value
}

// One field of the records of a saved list: how the settings-file manager reads the field as
// text when it saves a list (`get`), and how it sets the field from text when it loads one
// (`set`). Build them with QueueFieldOf for data members, or give both functions for anything
// else (a computed column, a field kept in a nested struct).
template <class R>
struct QueueField {
  std::function<std::string(const R&)> get;
  std::function<void(R&, std::string_view)> set;
};

// The QueueField of data member `member` of R: a std::string member (cut to `maxBytes` bytes when
// loaded, never inside a UTF-8 character), a runtime variable (String<N>, CString<N>, Long,
// Decimal, ...: written clipped of trailing blanks, loaded with the runtime's conversions), or
// another arithmetic member converted as above.
//
//   struct Recent { std::string name; long count; };
//   ini.UpdateQueue("Main", "Recent", list, {QueueFieldOf(&Recent::name),
//                                            QueueFieldOf(&Recent::count)});
template <class R, class T>
QueueField<R> QueueFieldOf(T R::*member,
                           std::size_t maxBytes = std::numeric_limits<std::size_t>::max()) {
  QueueField<R> field;
  if constexpr (std::is_same_v<T, std::string>) {
    field.get = [member](const R& r) { return r.*member; };
    field.set = [member, maxBytes](R& r, std::string_view text) {
      (r.*member).assign(CutSettingText(text, maxBytes));
    };
  } else if constexpr (std::is_constructible_v<VarRef, T&>) {
    field.get = [member](const R& r) {
      return VarRef(const_cast<T&>(r.*member)).ToClippedText();  // read only
    };
    field.set = [member](R& r, std::string_view text) { AssignSetting(VarRef(r.*member), text); };
  } else {
    static_assert(std::is_arithmetic_v<T>, "a list field is text or a number");
    field.get = [member](const R& r) { return SettingText(r.*member); };
    field.set = [member](R& r, std::string_view text) { AssignSetting(r.*member, text); };
  }
  return field;
}

}  // namespace kv
