#include "platform/values/Utf8Text.h"

#include <cstdint>

namespace kv {
namespace {

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Length of the character whose lead byte is `c` (1 for invalid lead bytes).
std::size_t LeadLength(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  // Walk back from the cut to the lead byte of the character that straddles it (at most
  // three continuation bytes), then keep that character only if it ends before the cut.
  std::size_t lead = maxBytes;
  int steps = 0;
  while (lead > 0 && steps < 3 && IsContinuation(static_cast<unsigned char>(text[lead]))) {
    --lead;
    ++steps;
  }
  if (!IsContinuation(static_cast<unsigned char>(text[lead])) && lead < maxBytes) {
    std::size_t len = LeadLength(static_cast<unsigned char>(text[lead]));
    if (lead + len <= maxBytes) return maxBytes;  // the character ends exactly at the cut
    return lead;
  }
  return maxBytes;
}

std::string_view ClipRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

std::string_view TrimBlanks(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return text.substr(b, e - b);
}

std::string UpperText(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 32);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      if (d >= 0xA0 && d <= 0xBE && d != 0xB7) out[i + 1] = static_cast<char>(d - 0x20);
      ++i;
    }
  }
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperText(a) == UpperText(b);
}

namespace {

// The letters of UpperText: ASCII, then the Latin-1 pairs U+00E0.. / U+00C0.. (two bytes each).
std::string FoldLetters(bool small) {
  std::string out;
  for (char c = 'a'; c <= 'z'; ++c) out += small ? c : char(c - 32);
  for (unsigned second = 0xA0; second <= 0xBE; ++second) {
    if (second == 0xB7) continue;  // U+00F7, the division sign
    out += char(0xC3);
    out += char(small ? second : second - 0x20);
  }
  return out;
}

}  // namespace

std::string_view FoldSmallLetters() {
  static const std::string letters = FoldLetters(true);
  return letters;
}

std::string_view FoldCapitalLetters() {
  static const std::string letters = FoldLetters(false);
  return letters;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len = LeadLength(c);
    if (len == 1) {
      if (c >= 0x80) return false;
      ++i;
      continue;
    }
    if (i + len > text.size()) return false;
    std::uint32_t cp = c & (0xFF >> (len + 1));
    for (std::size_t k = 1; k < len; ++k) {
      unsigned char d = static_cast<unsigned char>(text[i + k]);
      if (!IsContinuation(d)) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) {
    if (!IsContinuation(static_cast<unsigned char>(c))) ++n;
  }
  return n;
}

}  // namespace kv
