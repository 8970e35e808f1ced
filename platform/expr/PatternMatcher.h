#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The runtime's pattern matcher: a small compiled matcher used to search order texts (does a
// field sort ascending?) and filter texts (where are the embedded SQL calls?).
//
// Syntax. Every character matches itself except these:
//   {  }     group: the enclosed pattern is one item (it may hold alternatives)
//   |        alternative: the pattern (or group) matches when either side matches
//   [ ]      class: one character out of the set; "a-z" is a range, a leading "^" negates
//            the set, a "-" first or last and every other character stand for themselves
//            ("[ |(|~|]" is the set of blank, bar, parenthesis and tilde)
//   ?        any one character
//   *  +     repetition of the item before: zero or more, one or more (greedy)
//   ^  $     the start and the end of the text (zero width)
//   \        the next character stands for itself
// Parentheses, dots, colons and the like are ordinary characters, so field names and
// "UPPER(" name ")" can be written into a pattern as they are; `Escape` makes any text safe.
//
// Matching. `Find` returns the leftmost match; among matches starting there, alternatives
// are preferred left to right and repetitions take as much as they can (the first match a
// left-to-right backtracking search would report). The search runs in time proportional to
// text length times pattern length, whatever the pattern, and uses no recursion on the text,
// so any input is safe. Texts and patterns are UTF-8; one character is one code point (an
// invalid byte counts as a character of its own). Case-insensitive matching folds ASCII
// letters.
//
// Thread: a compiled matcher is immutable; any thread may call `Find` on it concurrently.

struct PatternMatch {
  std::size_t start = 0;   // byte offset of the match in the text
  std::size_t length = 0;  // byte length of the match
};

struct PatternError {
  std::size_t position = 0;  // byte offset in the pattern where the fault was found
  std::string message;
};

class PatternMatcher {
 public:
  // Longest pattern accepted and deepest nesting of groups; longer or deeper patterns are
  // refused with an error rather than risking unbounded work.
  static constexpr std::size_t kMaxPatternLength = 8192;
  static constexpr int kMaxNesting = 100;

  PatternMatcher() = default;

  // Compiles `pattern`. Returns true on success. On failure returns false, fills `error`
  // when given and leaves the matcher empty (an empty matcher finds nothing).
  [[nodiscard]] bool Compile(std::string_view pattern, bool ignoreCase = false,
                             PatternError* error = nullptr);

  // True after a successful `Compile`.
  bool IsCompiled() const { return !program_.empty(); }

  // Searches `text` for the leftmost match. "^" stands for the start of `text` itself.
  // Returns nothing when there is no match or the matcher is empty.
  std::optional<PatternMatch> Find(std::string_view text) const;

  // `text` with every special character preceded by "\", so that it matches only itself.
  static std::string Escape(std::string_view text);

  // Program instructions; public so that the compiler helper in the source file can build
  // them. Callers have no use for them.
  enum class Op : unsigned char { kChar, kAny, kClass, kBegin, kEnd, kSplit, kJump, kMatch };
  struct Range {
    char32_t low;
    char32_t high;
  };
  struct Inst {
    Op op = Op::kMatch;
    char32_t ch = 0;  // kChar
    int x = 0;        // kSplit: preferred target; kJump: target; kClass: class index
    int y = 0;        // kSplit: other target
  };
  struct CharClass {
    bool negated = false;
    std::vector<Range> ranges;
  };

 private:
  friend class PatternCompiler;
  bool ClassHas(const CharClass& cls, char32_t c) const;

  std::vector<Inst> program_;
  std::vector<CharClass> classes_;
  bool ignoreCase_ = false;
};

// Compiles `pattern` and searches `text` once. An invalid pattern finds nothing.
std::optional<PatternMatch> MatchPattern(std::string_view pattern, std::string_view text,
                                         bool ignoreCase = false);

}  // namespace kv
