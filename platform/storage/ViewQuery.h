#pragma once

#include <string>
#include <vector>

#include "platform/storage/Dialect.h"
#include "platform/storage/KeysetBuilder.h"
#include "platform/storage/SqlBuilder.h"
#include "platform/storage/SqlValue.h"

namespace kv {

// One file of a view as its statements see it: the table's shape, the alias it goes by ("t0"
// for the primary file, "t1"... for the joined ones) and, for a joined file, how it joins.
struct ViewFileShape {
  const TableShape* shape = nullptr;  // not owned; outlives the query
  std::string alias;
  int parent = -1;  // the file it joins to (an earlier one); -1 for the primary file
  // Pairs (field of the parent file, field of this file) that must be equal.
  std::vector<std::pair<int, int>> on;
  bool inner = false;  // true: only rows that have this related record
};

// Builds the statements of a view: plain text over a Dialect, no database, no state beyond
// the shapes. The rows a view statement answers hold every column of every file (in file
// order, each file's columns in field order; decimals as exact text), then one value per
// order term.
//
// Pages are keyset reads (KeysetBuilder): "the rows after this one in this order, at most n of
// them". The order always ends with the primary file's identity fields, so every row has a
// distinct place and a page can continue exactly where the last one ended, in either
// direction, without OFFSET and without counting or reading the rows before it.
// Thread: any; the object is immutable after construction.
class ViewQuery {
 public:
  ViewQuery(const Dialect& dialect, std::vector<ViewFileShape> files);

  const std::vector<ViewFileShape>& Files() const { return files_; }

  // The columns of a result row for `order` (see above), for reading it typed.
  std::vector<ColumnDesc> ResultColumns(const std::vector<OrderTerm>& order) const;
  // Index of file `file`'s first column in a result row.
  int FirstColumn(int file) const;

  // At most `limit` rows along `order` read in `direction` from `bound`, passing the condition
  // `filter` (empty text: every row).
  Statement Page(const std::vector<OrderTerm>& order, const Statement& filter, Direction direction,
                 const KeysetBound& bound, int limit) const;

  // The one row whose primary identity fields (`identityFields`, field numbers of file 0)
  // equal `identity`; filters do not apply.
  Statement ByIdentity(const std::vector<OrderTerm>& order, const std::vector<int>& identityFields,
                       const std::vector<SqlValue>& identity) const;

  // The SQL of column `field` of file `file` ("t0"."CODE").
  std::string Column(int file, int field) const;

 private:
  void AppendSelect(Statement* st, const std::vector<OrderTerm>& order) const;
  void AppendFrom(Statement* st) const;

  const Dialect& dialect_;
  std::vector<ViewFileShape> files_;
};

}  // namespace kv
