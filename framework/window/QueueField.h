#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace kv {

// Text conversions of the settings-file manager. A stored value that does not convert to a
// number converts to 0: blanks around the number are allowed, anything else is not ("12",
// " -3 ", "2.5" and "1e3" are numbers; "12abc" and "" are not).
double SettingToReal(std::string_view text);
// As SettingToReal, truncated toward zero and limited to the range of long long.
long long SettingToInteger(std::string_view text);

// The text stored for a number: decimal for integers, the shortest text that reads back as the
// same value for floating-point numbers.
template <class T>
requires std::is_arithmetic_v<T> std::string SettingText(T value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Converts stored text to a variable of type T (text kept as it is, numbers as above, clamped to
// the range of T).
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
    static_assert(std::is_same_v<T, std::string>, "unsupported setting type");
  }
}

// The longest prefix of `text` of at most `maxBytes` bytes that does not end inside a UTF-8
// character.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

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
// loaded, never inside a UTF-8 character), or an arithmetic member converted as above.
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
      (r.*member).assign(CutUtf8(text, maxBytes));
    };
  } else {
    static_assert(std::is_arithmetic_v<T>, "a list field is text or a number");
    field.get = [member](const R& r) { return SettingText(r.*member); };
    field.set = [member](R& r, std::string_view text) { AssignSetting(r.*member, text); };
  }
  return field;
}

}  // namespace kv
