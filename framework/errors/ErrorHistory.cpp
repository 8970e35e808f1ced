#include "framework/errors/ErrorHistory.h"

#include <utility>

#include "framework/errors/MessageText.h"

namespace kv {

void ErrorHistory::MakeRoom(std::int32_t threshold) {
  if (threshold <= 0) return;
  auto limit = static_cast<std::size_t>(threshold);
  if (records_.size() >= limit) {
    records_.erase(records_.begin(), records_.begin() + (records_.size() - limit + 1));
  }
}

void ErrorHistory::Append(HistoryRecord record) {
  record.TXT.resize(CutUtf8(record.TXT, kHistoryTextLimit).size());
  records_.push_back(std::move(record));
}

}  // namespace kv
