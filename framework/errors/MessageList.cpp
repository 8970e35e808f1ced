#include "framework/errors/MessageList.h"

#include <utility>

namespace kv {

void MessageList::Add(MessageEntry entry) {
  rows_.push_back(std::move(entry));
}

void MessageList::Add(std::span<const MessageRow> rows) {
  rows_.reserve(rows_.size() + rows.size());
  for (const MessageRow& row : rows) {
    rows_.push_back(MessageEntry{row.id, row.text, row.title, row.level, {}});
  }
}

const MessageEntry* MessageList::Find(MessageId id) const {
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
    if (it->ID == id) return &*it;
  }
  return nullptr;
}

MessageEntry* MessageList::Find(MessageId id) {
  return const_cast<MessageEntry*>(std::as_const(*this).Find(id));
}

bool MessageList::Remove(MessageId id) {
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
    if (it->ID == id) {
      rows_.erase(std::next(it).base());
      return true;
    }
  }
  return false;
}

}  // namespace kv
