#include "platform/window/ListFormat.h"

#include <cctype>

namespace kv {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  char Next() { return AtEnd() ? '\0' : text_[pos_++]; }
  // Reads a number of at most kMaxNumber; false when there are no digits or more than that.
  bool ReadNumber(int* out) {
    std::size_t start = pos_;
    int value = 0;
    while (!AtEnd() && std::isdigit(static_cast<unsigned char>(Peek()))) {
      const int digit = Next() - '0';
      if (value > (kMaxNumber - digit) / 10) return false;
      value = value * 10 + digit;
    }
    *out = value;
    return pos_ > start;
  }
  static constexpr int kMaxNumber = 1000000;
  // Reads up to `close`; false when the text ends first.
  bool ReadUntil(char close, std::string* out) {
    std::size_t end = text_.find(close, pos_);
    if (end == std::string_view::npos) return false;
    *out = std::string(text_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool IsAlign(char c) {
  return c == 'L' || c == 'R' || c == 'C' || c == 'D';
}

// An alignment letter and its optional "(indent)".
bool ReadAlign(Reader& r, char* align, int* indent) {
  *align = r.Next();
  *indent = 0;
  if (r.Peek() != '(') return true;
  r.Next();
  bool negative = false;
  if (r.Peek() == '-') {
    negative = true;
    r.Next();
  }
  if (!r.ReadNumber(indent) || r.Next() != ')') return false;
  if (negative) *indent = -*indent;
  return true;
}

}  // namespace

bool ParseListFormat(std::string_view format, std::vector<ListColumn>* columns) {
  columns->clear();
  Reader r(format);
  while (!r.AtEnd()) {
    ListColumn col;
    if (!r.ReadNumber(&col.width)) return false;
    if (IsAlign(r.Peek()) && !ReadAlign(r, &col.align, &col.indent)) return false;
    // Flags, header and picture, until the next column's width begins.
    while (!r.AtEnd() && !std::isdigit(static_cast<unsigned char>(r.Peek()))) {
      char c = r.Next();
      if (c == '|') {
        col.rightBorder = true;
      } else if (c == 'M') {
        col.resizable = true;
      } else if (c == '~') {
        if (!r.ReadUntil('~', &col.header)) return false;
        if (IsAlign(r.Peek()) && !ReadAlign(r, &col.headerAlign, &col.headerIndent)) {
          return false;
        }
      } else if (c == '@') {
        if (!r.ReadUntil('@', &col.picture)) return false;
      } else if (c == '(') {
        // The bracketed number of a flag not shown here ("S(255)", a scroll width): skipped
        // whole, so that its digits are not taken for the next column's width.
        std::string ignored;
        if (!r.ReadUntil(')', &ignored)) return false;
      }
    }
    columns->push_back(std::move(col));
  }
  return true;
}

}  // namespace kv
