#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/errors/MessageIds.h"
#include "framework/errors/MessageTable.h"
#include "framework/errors/ResultLevel.h"

namespace kv {

// One row of the error manager's message list. `MESSAGE` and `TITLE` refer to text owned by
// whoever supplied the row (a packed table, or the caller of AddMessage): that text must live
// as long as the row.
struct MessageEntry {
  std::int32_t ID = 0;  // holds the 16-bit identifier
  std::string_view MESSAGE;
  std::string_view TITLE;
  ResultLevel FATALITY = Benign;
  std::string CATEGORY;  // empty for loaded rows: the default category applies
};

// The rows in the order they were added. Lookups run from the last row backwards, so a row
// added later overrides an earlier one with the same identifier, and removing it uncovers the
// earlier one again. Not synchronised: the error manager holds its lock around every call.
class MessageList {
 public:
  // Appends one row.
  void Add(MessageEntry entry);

  // Appends `rows` in order with empty categories; their texts keep pointing where the rows do.
  void Add(std::span<const MessageRow> rows);

  // The last-added row with identifier `id`, or nullptr. Valid until the list changes.
  const MessageEntry* Find(MessageId id) const;
  MessageEntry* Find(MessageId id);

  // Removes the last-added row with identifier `id`. Returns false when there is none.
  bool Remove(MessageId id);

  std::size_t Count() const { return rows_.size(); }
  const MessageEntry& At(std::size_t index) const { return rows_.at(index); }

 private:
  std::vector<MessageEntry> rows_;
};

}  // namespace kv
