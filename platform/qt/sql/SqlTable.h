#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/SqlBuilder.h"
#include "platform/storage/Table.h"

namespace kv {

// The SQL driver's table ("SQL"): a declared table in a database reached through its owner
// string. Reads page with keyset queries along the key's order (never OFFSET, never the whole
// table): each read asks for the rows after (or before) the current one, as many as the
// row-prefetch property says (at least one). Writes bind every value. Put and Delete find the
// row by every value last read, so a row changed meanwhile is reported (kChangedError) instead
// of overwritten; Put writes only the fields changed since the read, so a stored value that
// the record cannot hold (InexactFields) is left as it is. Positions are the encoded identity
// values of the record.
//
// A threaded instance keeps its thread's connection while open; a shared instance takes the
// calling thread's connection for each operation (Qt SQL connections belong to one thread).
class SqlTable final : public Table {
 public:
  explicit SqlTable(const TableDecl& decl);
  ~SqlTable() override;

  std::uintptr_t TransactionScope() const override;
  StorageError BeginTransactionPart(int timeoutSeconds) override;
  StorageError CommitPart() override;
  StorageError RollbackPart() override;

  const TableShape* ViewShape() const override { return &shape_; }
  const Dialect* ViewDialect() override;
  std::string ViewOwner() const override { return owner_; }
  StorageError ViewSelect(const Statement& st, const std::vector<ColumnDesc>& columns,
                          std::vector<std::vector<SqlValue>>* rows) override;
  void TakeViewRow(const std::vector<SqlValue>& row) override;

 private:
  enum class Mode { kStart, kValues, kAfterRow };
  struct Cursor {
    int key = 0;
    Mode mode = Mode::kStart;
    std::vector<SqlValue> bound;  // kValues: key values; kAfterRow: the row's order values
    std::vector<std::vector<SqlValue>> cache;  // rows fetched ahead in `cacheForward` direction
    size_t cachePos = 0;
    bool cacheForward = true;
  };

  StorageError DoOpen(int mode) override;
  StorageError DoCreate() override;
  StorageError DoClose() override;
  StorageError DoBuildKeys() override;
  StorageError DoSetKey(int key) override;
  StorageError DoSetKeyValues(int key) override;
  StorageError DoResetTo(int key, std::string_view position) override;
  StorageError DoRead(bool forward) override;
  StorageError DoGet(int key) override;
  StorageError DoReget(int key, std::string_view position) override;
  StorageError DoAdd() override;
  StorageError DoPut(bool watched) override;
  StorageError DoDelete(bool watched) override;
  bool DoDuplicates(int key) override;
  std::string DoPosition(int key) const override;
  bool SupportsTransactions() const override { return true; }
  std::shared_ptr<void> SaveCursor() const override;
  void RestoreCursor(const std::shared_ptr<void>& cursor) override;

  // The connection for the calling thread; null with `error` set when there is none.
  std::shared_ptr<SqlConnection> Conn(StorageError* error);
  // Marks the columns the database declares NOT NULL (the others may hold NULL).
  void LearnNullability(SqlConnection& c);
  // The first column of each row `query` answers (none for an empty query or a failure).
  std::vector<std::string> Names(SqlConnection& c, const Statement& query) const;
  // The keys with a text component whose column the database does not order byte by byte.
  std::vector<int> LinguisticKeys(SqlConnection& c) const;
  // The label of the first key that its index cannot serve: one of LinguisticKeys without an
  // index in byte order, or a case-insensitive key whose index folds case otherwise than the
  // dialect (Dialect::UnfoldedIndexes). Empty when none.
  std::string KeyNeedingRebuild(SqlConnection& c) const;
  std::vector<SqlValue> RowFromBuffer() const;
  void LoadRow(const std::vector<SqlValue>& row);
  std::vector<SqlValue> OrderValues(int key, const std::vector<SqlValue>& row) const;
  std::vector<ColumnDesc> OrderColumns(int key) const;
  // kDriverError when a value of `row` (of the fields marked in `written`, all when empty)
  // cannot be stored exactly (decimal digits).
  StorageError CheckStorable(const Dialect& dialect, const std::vector<SqlValue>& row,
                             const std::vector<bool>& written = {}) const;
  // The name of the unique index that the duplicate-key error `e` of `c` is about; empty when
  // the database does not say.
  std::string DuplicatedIndex(SqlConnection& c, const StorageError& e);
  StorageError Select(const Statement& st, std::vector<std::vector<SqlValue>>* rows);

  TableShape shape_;
  std::string owner_;                    // the owner string taken at open
  std::shared_ptr<SqlConnection> conn_;  // threaded instances: the thread's connection
  Cursor cursor_;
  std::vector<SqlValue> lastRow_;  // the record as stored when last read, added or written
  std::vector<SqlValue> heldRow_;  // the buffer's values right after that: Put writes what
                                   // differs from them
  bool haveRow_ = false;
};

}  // namespace kv
