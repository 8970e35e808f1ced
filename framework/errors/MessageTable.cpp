#include "framework/errors/MessageTable.h"

namespace kv {

std::vector<std::uint8_t> PackMessageTable(std::span<const MessageRow> rows) {
  if (!AllRowsFit(rows)) return {};
  std::vector<std::uint8_t> out(PackedTableSize(rows));
  PackMessageRows(rows, out);
  return out;
}

bool ParseMessageTable(std::span<const std::uint8_t> table, std::vector<MessageRow>& rows) {
  std::size_t at = 0;
  auto has = [&](std::size_t n) { return table.size() - at >= n; };
  auto text = [&](std::size_t n) {
    std::string_view s(reinterpret_cast<const char*>(table.data() + at), n);
    at += n;
    return s;
  };
  if (!has(2)) return false;
  std::size_t count = table[0] | (static_cast<std::size_t>(table[1]) << 8);
  at = 2;
  for (std::size_t i = 0; i < count; ++i) {
    MessageRow row;
    if (!has(4)) return false;
    row.id = static_cast<MessageId>(table[at] | (table[at + 1] << 8));
    row.level = table[at + 2];
    std::size_t titleLength = table[at + 3];
    at += 4;
    if (!has(titleLength + 1)) return false;
    row.title = text(titleLength);
    std::size_t textLength = table[at++];
    if (!has(textLength)) return false;
    row.text = text(textLength);
    rows.push_back(row);
  }
  return true;
}

}  // namespace kv
