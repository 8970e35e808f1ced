// The pattern matcher. The input is a flag byte, a pattern, a NUL byte, then the text.
// Properties: a match lies inside the text; ignoring case, upper-casing the text changes no
// match; any text, escaped, is a pattern that finds that whole text at its start.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "platform/expr/PatternMatcher.h"

using kv::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool ignoreCase = data[0] & 1;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t cut = rest.find('\0');
  const std::string_view pattern = rest.substr(0, cut);
  const std::string_view text =
      cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);

  kv::PatternMatcher matcher;
  kv::PatternError error;
  if (matcher.Compile(pattern, ignoreCase, &error)) {
    std::optional<kv::PatternMatch> m = matcher.Find(text);
    if (m)
      Check(m->start <= text.size() && m->length <= text.size() - m->start,
            "a match outside the text");
    if (ignoreCase) {
      // Ignoring case, the letter case of the text changes nothing.
      std::string upper(text);
      for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      std::optional<kv::PatternMatch> u = matcher.Find(upper);
      Check(u.has_value() == m.has_value() &&
                (!m || (u->start == m->start && u->length == m->length)),
            "ignoring case, the text's letter case changes the match");
    }
  } else {
    Check(error.position <= pattern.size() && !error.message.empty(), "a vague pattern error");
  }

  const std::string escaped = kv::PatternMatcher::Escape(text);
  kv::PatternMatcher literal;
  if (escaped.size() <= kv::PatternMatcher::kMaxPatternLength) {
    Check(literal.Compile(escaped, ignoreCase), "an escaped text does not compile");
    std::optional<kv::PatternMatch> m = literal.Find(text);
    Check(m && m->start == 0 && m->length == text.size(), "an escaped text does not find itself");
  }
  return 0;
}
