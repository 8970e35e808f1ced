// The message table loader. Properties: a table that reads whole packs back to the same bytes;
// one that does not still yields only complete rows, which pack to a prefix of the input; the
// error manager loads any table without harm.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "framework/errors/ErrorManager.h"
#include "framework/errors/ErrorStatus.h"
#include "framework/errors/MessageTable.h"
#include "fuzz/FuzzCheck.h"

using kv::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> table(data, size);
  std::vector<kv::MessageRow> rows;
  const bool whole = kv::ParseMessageTable(table, rows);
  const std::vector<std::uint8_t> packed = kv::PackMessageTable(rows);
  Check(!packed.empty(), "rows read from a table do not pack");
  if (whole) {
    // The count and the rows; bytes after the last row are not part of the table.
    Check(packed.size() <= size && std::equal(packed.begin(), packed.end(), data),
          "a whole table packs to other bytes");
  } else if (size >= 2) {
    // The complete rows read before the fault are the input's own.
    Check(std::equal(packed.begin() + 2, packed.end(), data + 2), "rows not from the input");
  }

  kv::ErrorManager errors;
  errors.Init(kv::ErrorStatus::ThisThread());
  (void)errors.LoadMessages(table);
  for (const kv::MessageRow& row : rows) {
    errors.SelectMessage(row.id);
    (void)errors.ExpandMessageText();
  }
  errors.Kill();
  return 0;
}
