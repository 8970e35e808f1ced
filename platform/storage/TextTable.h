#pragma once

#include <string>
#include <vector>

#include "platform/storage/Table.h"

namespace kv {

// The plain-text driver ("TEXT"): a file of lines, each line one record whose first field holds
// the line's text. The external name is the file's path (relative to the working directory).
//
// Open finds the file (kNoFileError when missing; kAccessDenied when a write mode is asked for
// and the file may not be written, or has no write permission for anyone, which refuses the
// superuser as well); Create makes an empty file when there is none. The file is not held open
// between operations: each Add opens it for appending, writes one line with a single append
// and closes it again, so other programs may read and write it at any time (it is shared, deny
// none) and lines added by several threads or processes at once never mix.
// A line is the field's text clipped of trailing blanks, cut at the field's size without
// splitting a UTF-8 character, line breaks inside replaced by blanks.
// Reading: SetKey(0) then Next/Previous walk the lines as they were when positioned; Position
// is the line number. Put, Delete, Get by key and transactions are kNotSupportedError.
class TextTable final : public Table {
 public:
  explicit TextTable(const TableDecl& decl) : Table(decl) {}
  ~TextTable() override = default;

 private:
  StorageError DoOpen(int mode) override;
  StorageError DoCreate() override;
  StorageError DoClose() override;
  StorageError DoBuildKeys() override { return {}; }
  StorageError DoSetKey(int key) override;
  StorageError DoSetKeyValues(int) override { return StorageError::Of(kNotSupportedError); }
  StorageError DoResetTo(int key, std::string_view position) override;
  StorageError DoRead(bool forward) override;
  StorageError DoGet(int) override { return StorageError::Of(kNotSupportedError); }
  StorageError DoReget(int key, std::string_view position) override;
  StorageError DoAdd() override;
  StorageError DoPut(bool) override { return StorageError::Of(kNotSupportedError); }
  StorageError DoDelete(bool) override { return StorageError::Of(kNotSupportedError); }
  bool DoDuplicates(int) override { return false; }
  std::string DoPosition(int key) const override;
  std::shared_ptr<void> SaveCursor() const override;
  void RestoreCursor(const std::shared_ptr<void>& cursor) override;

  StorageError LoadLines();
  void TakeLine(size_t index);

  std::vector<std::string> lines_;  // the file as of the last positioning
  long current_ = -1;               // index of the line last read; -1 before the first
  bool positioned_ = false;
};

}  // namespace kv
