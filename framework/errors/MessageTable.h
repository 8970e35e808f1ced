#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "framework/errors/MessageIds.h"
#include "framework/errors/ResultLevel.h"

namespace kv {

// The packed form in which message rows are handed to ErrorManager::LoadMessages. All integers
// are little-endian:
//
//   offset 0: row count, 16-bit unsigned
//   offset 2: the rows, one after another, each
//             identifier (16-bit unsigned), level (1 byte),
//             title length n (1 byte), n bytes of title,
//             text length m (1 byte), m bytes of text.
//
// Titles and texts are UTF-8, at most 255 bytes, without terminator; a "|" in a text starts a
// new line when the message is shown.

// One row, either the source of a packed table or a row read back from one. Read back, `title`
// and `text` point into the table's bytes.
struct MessageRow {
  MessageId id = 0;
  ResultLevel level = Benign;
  std::string_view title;
  std::string_view text;

  friend bool operator==(const MessageRow&, const MessageRow&) = default;
};

inline constexpr std::size_t kMessageFieldLimit = 255;

// True when every title and text fits its one-byte length and the row count fits 16 bits.
constexpr bool AllRowsFit(std::span<const MessageRow> rows) {
  if (rows.size() > 0xFFFF) return false;
  for (const MessageRow& row : rows) {
    if (row.title.size() > kMessageFieldLimit || row.text.size() > kMessageFieldLimit) {
      return false;
    }
  }
  return true;
}

// Number of bytes of the packed form of `rows`.
constexpr std::size_t PackedTableSize(std::span<const MessageRow> rows) {
  std::size_t size = 2;
  for (const MessageRow& row : rows) size += 2 + 1 + 1 + row.title.size() + 1 + row.text.size();
  return size;
}

// Packs `rows` into `out`, which must hold exactly PackedTableSize(rows) bytes, and the rows
// must satisfy AllRowsFit. Usable at compile time, which is how the built-in table is made.
constexpr void PackMessageRows(std::span<const MessageRow> rows, std::span<std::uint8_t> out) {
  std::size_t at = 0;
  auto put = [&](std::size_t value) { out[at++] = static_cast<std::uint8_t>(value & 0xFF); };
  auto putText = [&](std::string_view s) {
    put(s.size());
    for (char c : s) put(static_cast<unsigned char>(c));
  };
  put(rows.size());
  put(rows.size() >> 8);
  for (const MessageRow& row : rows) {
    put(row.id);
    put(row.id >> 8);
    put(row.level);
    putText(row.title);
    putText(row.text);
  }
}

// Compile-time packing of a fixed array of rows:
//   constexpr auto kTable = PackMessageTable<PackedTableSize(kRows)>(kRows);
template <std::size_t Size, std::size_t N>
constexpr std::array<std::uint8_t, Size> PackMessageTable(const std::array<MessageRow, N>& rows) {
  std::array<std::uint8_t, Size> out{};
  PackMessageRows(rows, out);
  return out;
}

// Run-time packing. Returns the packed bytes, or an empty vector when a title or text is longer
// than 255 bytes or there are more than 65535 rows (nothing is cut silently).
std::vector<std::uint8_t> PackMessageTable(std::span<const MessageRow> rows);

// Reads the rows of a packed table into `rows` (appended, in table order); their titles and
// texts point into `table`, which must outlive them. Returns true when the whole table was
// read. A table that ends inside a row, or is shorter than its row count says, returns false;
// the complete rows before the fault have been appended, nothing is read past the end of
// `table`. Thread: any.
[[nodiscard]] bool ParseMessageTable(std::span<const std::uint8_t> table,
                                     std::vector<MessageRow>& rows);

}  // namespace kv
