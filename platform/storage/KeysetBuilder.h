#pragma once

#include <string>
#include <vector>

#include "platform/storage/Dialect.h"
#include "platform/storage/SqlValue.h"
#include "platform/storage/Statement.h"

namespace kv {

enum class Direction { kForward, kBackward };

// One term of a complete order, as tables and views page along it.
struct OrderTerm {
  // The value expression: a quoted column, a call, or a translated expression in parentheses
  // (it must be atomic, because the collation is written right after it).
  std::string sql;
  std::vector<SqlValue> params;  // bound each time `sql` appears, in order
  bool ascending = true;
  // What the term's values are: the type (text orders in byte order, decimals bind exactly)
  // and whether NULL can occur (NULL sorts first ascending, last descending).
  ColumnDesc column;
  // True when `sql` folds case (UPPER of a column) but the values bound against it are the
  // column's own values: the marker is folded the same way. Local comparisons fold both sides.
  bool foldsValue = false;
  // True when `sql` is a bare column (some servers compare row values only of columns).
  bool isColumn = false;
};

// Where a page starts: nothing (the first rows in the direction of reading), or the values of
// the first values.size() terms, the rows at those values included or not.
struct KeysetBound {
  std::vector<SqlValue> values;
  bool inclusive = false;
};

// The one keyset builder of tables and views. Given the complete order (it must end with
// fields that identify a row, so that every row has its own place), it writes the order and
// the condition "the rows after (or before) this position", so that a page continues exactly
// where the last one ended, in either direction, without OFFSET and without counting or
// reading the rows before it.
//
// The condition takes the form the server serves best from an index on the order: a row value
// ("(a, b) > (?, ?)") where every bound term runs the same way, the server has row values (of
// such terms) and no NULL stands in the way; otherwise a leading bound followed by the
// remaining comparisons ("a >= ? AND (a > ? OR (b >= ? AND (b > ? OR c > ?)))"), whose first
// comparison limits the index range; that leading bound is itself a row value over the
// longest run of leading terms that allows one ("(a, b) >= (?, ?) AND ..."). Either way a page
// reads no more rows than it returns, plus the rows tied with its start on that leading run.
//
// NULL has one place in every order: first when ascending, last when descending, on every
// server; the conditions and CompareOrderValues follow it.
//
// Plain text building; no database, no state beyond the terms. Thread: any; immutable.
class KeysetBuilder {
 public:
  KeysetBuilder(const Dialect& dialect, std::vector<OrderTerm> terms);

  const std::vector<OrderTerm>& Terms() const { return terms_; }

  // Appends term `i` as it is ordered and compared (text in byte order), with its parameters.
  void AppendTerm(Statement* st, size_t i) const;
  // Appends the marker of `value` compared with term `i`, and binds it.
  void AppendValue(Statement* st, size_t i, const SqlValue& value) const;

  // Appends the condition selecting the rows after `bound` in `direction` (kForward: after it
  // along the order; kBackward: before it), or at it too when bound.inclusive. Returns false
  // and appends nothing when the bound is empty (every row qualifies).
  bool AppendBound(Statement* st, Direction direction, const KeysetBound& bound) const;

  // Appends " ORDER BY ..." for reading in `direction` (kBackward reverses every term).
  void AppendOrderBy(Statement* st, Direction direction) const;

 private:
  bool Up(size_t i, bool forward) const { return terms_[i].ascending == forward; }
  // How many leading terms (of `count`) one row value can compare.
  size_t RowValueRun(size_t count, bool forward, const KeysetBound& bound) const;
  void AppendRowValue(Statement* st, size_t count, bool forward, const KeysetBound& bound,
                      bool inclusive) const;
  void AppendAfter(Statement* st, size_t i, size_t count, bool forward, const KeysetBound& bound,
                   bool leadingBound) const;
  // term i is after `v` along the reading (gt), or at or after it (ge).
  void AppendBeyond(Statement* st, size_t i, bool up, const SqlValue& v, bool orEqual) const;

  const Dialect& dialect_;
  std::vector<OrderTerm> terms_;
};

// Compares two rows' values along `terms` (one value per term, as the terms' expressions give
// them) the way the servers order them through KeysetBuilder: NULL first ascending, text byte by
// byte after trailing blanks are dropped (folded first for terms that fold values), numbers by
// value, each term reversed when descending. Negative, 0 or positive.
int CompareOrderValues(const std::vector<OrderTerm>& terms, const std::vector<SqlValue>& a,
                       const std::vector<SqlValue>& b);

}  // namespace kv
