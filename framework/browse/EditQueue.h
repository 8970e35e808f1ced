#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kv {

class ColumnEditor;

// One column of a list edited in place: which row field it shows and the editor it gets.
// The editors are shared pointers so that the browse can release the ones the edit-in-place
// manager created (FREEUP) without knowing their class; an owner's own editors stay its own.
struct EditColumn {
  std::int32_t FIELD = 0;   // row-queue field the column shows (from 1)
  std::uint8_t FREEUP = 0;  // made by the edit-in-place manager; released with the browse
  std::shared_ptr<ColumnEditor> CONTROL;  // null: the column is not editable
  std::int32_t COLUMN = 0;                // list column (from 1)
};

// The browse's EDITLIST: the edit columns, kept sorted by one of two keys (FIELD or COLUMN)
// and looked up by either. Positions count from 1, as in every framework list.
//
// An owner configures editing before the first edit:
//   browse.EDITLIST->Add({2, 0, myEditor, 0});       // column showing field 2 gets myEditor
//   browse.EDITLIST->Add({3, 0, nullptr, 0});        // field 3 is shown but never edited
// Columns without a row get an entry editor made by the edit-in-place manager.
//
// Thread: the browse's logical thread; nothing is locked.
class EditQueue {
 public:
  // Appends a row (the queue is then unsorted until the next SortBy...).
  void Add(EditColumn row);
  // Number of rows.
  int Records() const { return static_cast<int>(rows_.size()); }
  // Row `position` (1..Records()), or null.
  EditColumn* Get(int position);
  // The first row whose FIELD / COLUMN equals the value, or null. Both search the rows as
  // they stand, so they work in either order.
  EditColumn* GetByField(std::int32_t field);
  EditColumn* GetByColumn(std::int32_t column);
  // Stable sorts on the key.
  void SortByField();
  void SortByColumn();
  // Removes every row (the editors are released by whoever holds them last).
  void Free() { rows_.clear(); }

  // The rows in their present order.
  std::vector<EditColumn>& Rows() { return rows_; }

 private:
  std::vector<EditColumn> rows_;
};

}  // namespace kv
