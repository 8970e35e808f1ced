#include "platform/expr/PatternMatcher.h"

#include <memory>
#include <utility>

#include "platform/expr/Utf8.h"

namespace kv {

namespace {

char32_t FoldAscii(char32_t c) {
  return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
}

bool IsSpecial(char32_t c) {
  switch (c) {
    case U'{':
    case U'}':
    case U'|':
    case U'[':
    case U']':
    case U'?':
    case U'*':
    case U'+':
    case U'^':
    case U'$':
    case U'\\':
      return true;
    default:
      return false;
  }
}

}  // namespace

// Turns the pattern into a tree first (repetition wraps the item before it, which is easiest
// on a tree), then emits the instruction program from the tree.
class PatternCompiler {
 public:
  PatternCompiler(PatternMatcher& out, std::string_view pattern)
      : out_(out), chars_(DecodeUtf8(pattern)) {}

  bool Run(PatternError* error) {
    auto root = ParseAlternatives(0);
    if (root && !AtEnd()) Fail("unmatched \"}\"");
    if (!ok_) {
      if (error) {
        error->position = pos_ < chars_.size() ? chars_[pos_].offset : chars_.back().offset;
        error->message = message_;
      }
      return false;
    }
    Emit(*root);
    out_.program_.push_back({PatternMatcher::Op::kMatch});
    return true;
  }

 private:
  enum class Kind { kChar, kAny, kClass, kBegin, kEnd, kAlt, kSeq, kStar, kPlus };
  struct Node {
    Kind kind;
    char32_t ch = 0;
    int cls = 0;
    std::vector<std::unique_ptr<Node>> kids;
  };
  using NodePtr = std::unique_ptr<Node>;

  static NodePtr Make(Kind kind) {
    auto n = std::make_unique<Node>();
    n->kind = kind;
    return n;
  }

  bool AtEnd() const { return pos_ + 1 >= chars_.size(); }  // last entry is the end marker
  char32_t Peek() const { return chars_[pos_].cp; }

  NodePtr Fail(const char* message) {
    if (ok_) {
      ok_ = false;
      message_ = message;
    }
    return nullptr;
  }

  NodePtr ParseAlternatives(int depth) {
    if (depth > PatternMatcher::kMaxNesting) return Fail("groups nested too deeply");
    auto alt = Make(Kind::kAlt);
    for (;;) {
      auto seq = ParseSequence(depth);
      if (!seq) return nullptr;
      alt->kids.push_back(std::move(seq));
      if (AtEnd() || Peek() != U'|') break;
      ++pos_;
    }
    return alt;
  }

  NodePtr ParseSequence(int depth) {
    auto seq = Make(Kind::kSeq);
    while (!AtEnd() && Peek() != U'|' && Peek() != U'}') {
      char32_t c = Peek();
      if (c == U'*' || c == U'+') {
        if (seq->kids.empty()) return Fail("repetition without an item before it");
        auto rep = Make(c == U'*' ? Kind::kStar : Kind::kPlus);
        rep->kids.push_back(std::move(seq->kids.back()));
        seq->kids.back() = std::move(rep);
        ++pos_;
        continue;
      }
      auto item = ParseItem(depth);
      if (!item) return nullptr;
      seq->kids.push_back(std::move(item));
    }
    return seq;
  }

  NodePtr ParseItem(int depth) {
    char32_t c = Peek();
    ++pos_;
    switch (c) {
      case U'{': {
        auto inner = ParseAlternatives(depth + 1);
        if (!inner) return nullptr;
        if (AtEnd() || Peek() != U'}') return Fail("group without its closing \"}\"");
        ++pos_;
        return inner;
      }
      case U'[':
        return ParseClass();
      case U'?':
        return Make(Kind::kAny);
      case U'^':
        return Make(Kind::kBegin);
      case U'$':
        return Make(Kind::kEnd);
      case U'\\': {
        if (AtEnd()) return Fail("\"\\\" at the end of the pattern");
        auto n = Make(Kind::kChar);
        n->ch = Peek();
        ++pos_;
        return n;
      }
      default: {
        auto n = Make(Kind::kChar);
        n->ch = c;
        return n;
      }
    }
  }

  NodePtr ParseClass() {
    PatternMatcher::CharClass cls;
    if (!AtEnd() && Peek() == U'^') {
      cls.negated = true;
      ++pos_;
    }
    bool first = true;
    while (!AtEnd() && (first || Peek() != U']')) {
      char32_t low = Peek();
      ++pos_;
      if (low == U'\\' && !AtEnd()) low = chars_[pos_++].cp;
      char32_t high = low;
      // "a-z" is a range; a "-" just before "]" stands for itself.
      if (!AtEnd() && Peek() == U'-' && pos_ + 2 < chars_.size() && chars_[pos_ + 1].cp != U']') {
        high = chars_[pos_ + 1].cp;
        pos_ += 2;
        if (high == U'\\' && !AtEnd()) high = chars_[pos_++].cp;
        if (high < low) return Fail("class range whose end comes before its start");
      }
      cls.ranges.push_back({low, high});
      first = false;
    }
    if (AtEnd()) return Fail("class without its closing \"]\"");
    ++pos_;
    auto n = Make(Kind::kClass);
    n->cls = static_cast<int>(out_.classes_.size());
    out_.classes_.push_back(std::move(cls));
    return n;
  }

  int Here() const { return static_cast<int>(out_.program_.size()); }
  int Push(PatternMatcher::Op op) {
    out_.program_.push_back({op});
    return Here() - 1;
  }

  void Emit(const Node& n) {
    using Op = PatternMatcher::Op;
    auto& prog = out_.program_;
    switch (n.kind) {
      case Kind::kChar:
        prog[Push(Op::kChar)].ch = n.ch;
        break;
      case Kind::kAny:
        Push(Op::kAny);
        break;
      case Kind::kClass:
        prog[Push(Op::kClass)].x = n.cls;
        break;
      case Kind::kBegin:
        Push(Op::kBegin);
        break;
      case Kind::kEnd:
        Push(Op::kEnd);
        break;
      case Kind::kSeq:
        for (const auto& k : n.kids) Emit(*k);
        break;
      case Kind::kAlt: {
        std::vector<int> jumps;
        for (std::size_t i = 0; i < n.kids.size(); ++i) {
          if (i + 1 == n.kids.size()) {
            Emit(*n.kids[i]);
            break;
          }
          int split = Push(Op::kSplit);
          prog[split].x = Here();
          Emit(*n.kids[i]);
          jumps.push_back(Push(Op::kJump));
          prog[split].y = Here();
        }
        for (int j : jumps) prog[j].x = Here();
        break;
      }
      case Kind::kStar: {
        int split = Push(Op::kSplit);
        prog[split].x = Here();
        Emit(*n.kids[0]);
        prog[Push(Op::kJump)].x = split;
        prog[split].y = Here();
        break;
      }
      case Kind::kPlus: {
        int start = Here();
        Emit(*n.kids[0]);
        int split = Push(Op::kSplit);
        prog[split].x = start;
        prog[split].y = Here();
        break;
      }
    }
  }

  PatternMatcher& out_;
  std::vector<Utf8Char> chars_;  // decoded pattern, ending with an end marker
  std::size_t pos_ = 0;
  bool ok_ = true;
  std::string message_;
};

bool PatternMatcher::Compile(std::string_view pattern, bool ignoreCase, PatternError* error) {
  program_.clear();
  classes_.clear();
  ignoreCase_ = ignoreCase;
  if (pattern.size() > kMaxPatternLength) {
    if (error) *error = {kMaxPatternLength, "pattern too long"};
    return false;
  }
  PatternCompiler compiler(*this, pattern);
  if (!compiler.Run(error)) {
    program_.clear();
    classes_.clear();
    return false;
  }
  return true;
}

bool PatternMatcher::ClassHas(const CharClass& cls, char32_t c) const {
  auto inRanges = [&](char32_t v) {
    for (const auto& r : cls.ranges)
      if (v >= r.low && v <= r.high) return true;
    return false;
  };
  bool found = inRanges(c);
  if (!found && ignoreCase_) {
    char32_t lower = FoldAscii(c);
    char32_t upper = (c >= U'a' && c <= U'z') ? c - (U'a' - U'A') : c;
    found = inRanges(lower) || inRanges(upper);
  }
  return found != cls.negated;
}

std::optional<PatternMatch> PatternMatcher::Find(std::string_view text) const {
  if (program_.empty()) return std::nullopt;
  const std::vector<Utf8Char> chars = DecodeUtf8(text);
  const std::size_t n = chars.size() - 1;  // last entry is the end marker

  struct Thread {
    int pc;
    std::size_t start;  // byte offset where this attempt began
  };
  std::vector<Thread> current, next;
  std::vector<std::size_t> mark(program_.size(), static_cast<std::size_t>(-1));
  std::vector<int> stack;

  // Adds the thread at `pc` and everything reachable from it without consuming a character,
  // in priority order, skipping instructions already on the list for this position.
  auto add = [&](std::vector<Thread>& list, int pc, std::size_t start, std::size_t i) {
    stack.assign(1, pc);
    while (!stack.empty()) {
      int p = stack.back();
      stack.pop_back();
      if (mark[p] == i) continue;
      mark[p] = i;
      const Inst& inst = program_[p];
      switch (inst.op) {
        case Op::kJump:
          stack.push_back(inst.x);
          break;
        case Op::kSplit:
          stack.push_back(inst.y);
          stack.push_back(inst.x);
          break;
        case Op::kBegin:
          if (i == 0) stack.push_back(p + 1);
          break;
        case Op::kEnd:
          if (i == n) stack.push_back(p + 1);
          break;
        default:
          list.push_back({p, start});
      }
    }
  };

  std::optional<PatternMatch> best;
  for (std::size_t i = 0; i <= n; ++i) {
    if (!best) add(current, 0, chars[i].offset, i);
    if (current.empty()) {
      if (best) break;
      continue;  // nothing can start here ("^" after the start); later positions may
    }
    next.clear();
    for (const Thread& t : current) {
      const Inst& inst = program_[t.pc];
      if (inst.op == Op::kMatch) {
        best = PatternMatch{t.start, chars[i].offset - t.start};
        break;  // threads after this one have lower priority
      }
      if (i == n) continue;
      char32_t c = chars[i].cp;
      bool ok = false;
      switch (inst.op) {
        case Op::kChar:
          ok = ignoreCase_ ? FoldAscii(c) == FoldAscii(inst.ch) : c == inst.ch;
          break;
        case Op::kAny:
          ok = true;
          break;
        case Op::kClass:
          ok = ClassHas(classes_[inst.x], c);
          break;
        default:
          break;
      }
      if (ok) add(next, t.pc + 1, t.start, i + 1);
    }
    std::swap(current, next);
  }
  return best;
}

std::string PatternMatcher::Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (IsSpecial(static_cast<unsigned char>(c))) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::optional<PatternMatch> MatchPattern(std::string_view pattern, std::string_view text,
                                         bool ignoreCase) {
  PatternMatcher m;
  if (!m.Compile(pattern, ignoreCase)) return std::nullopt;
  return m.Find(text);
}

}  // namespace kv
