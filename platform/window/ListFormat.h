#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// One column of a list control, as its format string declares it.
struct ListColumn {
  int width = 0;       // in dialog units
  char align = 'L';    // L left, R right, C centred, D decimal
  int indent = 0;      // the number in brackets after the alignment
  std::string header;  // text between "~" marks; empty when none
  char headerAlign = 'L';
  int headerIndent = 0;
  std::string picture;       // between "@" marks, without them ("s20", "n-14.2"); may be empty
  bool rightBorder = false;  // "|"
  bool resizable = false;    // "M"
  int editControl = 0;       // control shown in the column's edit slot (0: none)
  int textColor = -1;        // colour of the column's text; -1 the default
};

// Parses a list format string into its columns. Each column is: a width in digits, an
// alignment letter with an optional indent in brackets, flag characters, an optional header
// between "~" with its own optional alignment, and an optional picture between "@" marks:
//   80L(2)|M~Code~L(2)@s20@64R(2)|M~Price~C(0)@n-14.2@
// Unknown flag characters are skipped, with the bracketed number that may follow one
// ("~Message~S(255)"). Returns false (leaving `columns` with the columns read
// so far) when the text is malformed: a column without width, a width or indent above
// 1000000, an unterminated header or picture, or an unclosed bracket. Thread: any.
[[nodiscard]] bool ParseListFormat(std::string_view format, std::vector<ListColumn>* columns);

}  // namespace kv
