#include "framework/browse/EditQueue.h"

#include <algorithm>

namespace kv {

void EditQueue::Add(EditColumn row) {
  rows_.push_back(std::move(row));
}

EditColumn* EditQueue::Get(int position) {
  if (position < 1 || position > Records()) return nullptr;
  return &rows_[static_cast<std::size_t>(position - 1)];
}

EditColumn* EditQueue::GetByField(std::int32_t field) {
  auto it = std::find_if(rows_.begin(), rows_.end(),
                         [field](const EditColumn& r) { return r.FIELD == field; });
  return it == rows_.end() ? nullptr : &*it;
}

EditColumn* EditQueue::GetByColumn(std::int32_t column) {
  auto it = std::find_if(rows_.begin(), rows_.end(),
                         [column](const EditColumn& r) { return r.COLUMN == column; });
  return it == rows_.end() ? nullptr : &*it;
}

void EditQueue::SortByField() {
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const EditColumn& a, const EditColumn& b) { return a.FIELD < b.FIELD; });
}

void EditQueue::SortByColumn() {
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const EditColumn& a, const EditColumn& b) { return a.COLUMN < b.COLUMN; });
}

}  // namespace kv
