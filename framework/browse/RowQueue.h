#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/storage/ErrorCode.h"
#include "platform/values/FieldTable.h"
#include "platform/values/Picture.h"
#include "platform/window/Control.h"

namespace kv {

// An in-memory list of fixed-layout rows: the rows a browse shows. The rows have the layout
// of a record struct described by a FieldTable; the caller owns one instance of that struct,
// the row buffer, through which rows go in and out (Add copies the buffer in, Get copies a row
// out). Positions count from 1.
//
//   struct ProductRow { String<20> PCODE; ...; String<1024> VIEWPOSITION; };
//   ProductRow row;
//   RowQueue queue(ProductRowFields(), &row);
//   row.PCODE = "A1"; queue.Add();           // appended
//   if (queue.Get(1) == kNoError) ... row    // row 1 copied into the buffer
//
// As a ListSource the queue is a list control's data: column n of the list shows field n of
// the rows, formatted with the column's picture (SetColumnPictures, from the list's format)
// or, without one, the field's own picture.
//
// Get sets the current row that Put and Delete act on; Add and AddAt make the new row current.
// Failures are runtime error codes (kNoRecordError for a position outside the list), also left
// as the thread's last error. Thread: the owning logical thread; nothing is locked (the window
// model reads the rows through ListSource on that same thread).
class RowQueue : public ListSource {
 public:
  // `fields` must outlive the queue; `buffer` is the caller's row buffer of
  // fields.RecordSize() bytes, which must outlive it too.
  RowQueue(const FieldTable& fields, void* buffer);

  const FieldTable& Fields() const { return fields_; }
  void* Buffer() const { return buffer_; }
  // Number of rows.
  int Records() const { return static_cast<int>(rows_.size()); }
  // Appends a copy of the buffer.
  void Add();
  // Inserts a copy of the buffer at `position` (1..Records()+1; beyond that it is appended,
  // below 1 it goes first).
  void AddAt(int position);
  // Copies row `position` into the buffer and makes it current; kNoRecordError (buffer
  // unchanged) when there is no such row.
  ErrorCode Get(int position);
  // Writes the buffer over the current row; kNoRecordError when there is none.
  ErrorCode Put();
  // Deletes the current row (the row after it becomes current); kNoRecordError when none.
  ErrorCode Delete();
  // Removes every row.
  void Free();
  // The label of field n ("PRO:PCODE"); empty when there is no such field.
  std::string ColumnName(int n) const;
  // The row last got or added (0: none).
  int Pointer() const { return current_; }

  // Pictures of the list's columns, from 1; an empty text uses the field's picture.
  void SetColumnPictures(const std::vector<std::string>& pictures);

  // ListSource.
  int RowCount() const override { return Records(); }
  std::string Cell(int row, int column) const override;

 private:
  const FieldTable& fields_;
  void* buffer_;
  std::vector<std::vector<std::byte>> rows_;
  int current_ = 0;
  std::vector<Picture> pictures_;  // per column; empty text: the field's
  std::vector<bool> hasPicture_;
  std::vector<Picture> fieldPictures_;  // each field's own picture
};

}  // namespace kv
