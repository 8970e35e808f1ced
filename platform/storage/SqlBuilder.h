#pragma once

#include <string>
#include <vector>

#include "platform/storage/Dialect.h"
#include "platform/storage/KeyDecl.h"
#include "platform/storage/KeysetBuilder.h"
#include "platform/storage/SqlValue.h"
#include "platform/storage/Statement.h"

namespace kv {

// What the statement builders need to know about a table: its external name, its columns in
// field order and its keys (numbered from 1; key 0 is the table's own order).
struct TableShape {
  std::string name;
  std::vector<ColumnDesc> columns;
  std::vector<KeyDecl> keys;
};

// Makes the external column names of `columns` distinct, ignoring case (databases compare
// unquoted names so): a name already taken by an earlier column is replaced by the field's own
// name (its label without the prefix), and when that is taken too, by that name followed by
// "_" and the field number (from 1). A declaration whose fields all name the same external
// column would otherwise give a table that cannot be created.
void MakeColumnNamesUnique(std::vector<ColumnDesc>* columns);

// One column of an order: field number, direction, case folding.
struct OrderPart {
  int field = 0;
  bool ascending = true;
  bool noCase = false;
};

// Builds the SQL statements of the SQL driver. Plain text building over a Dialect: no database,
// no state beyond the shape; every method may be called from any thread.
class SqlBuilder {
 public:
  SqlBuilder(const TableShape& shape, const Dialect& dialect) : shape_(shape), dialect_(dialect) {}

  // The number of the primary key, else of the first unique key, else 0 (none).
  int IdentityKey() const;

  // The fields that identify a row: the identity key's components, or every field.
  std::vector<int> IdentityFields() const;

  // The complete order of `key` (0: the table's own order): the key's components followed by
  // the identity fields not already among them, so that the order is total.
  std::vector<OrderPart> Order(int key) const;
  // The same order as the keyset builder's terms: the columns (folded for a case-insensitive
  // key's text components, whose bound values are the columns' own values).
  std::vector<OrderTerm> Terms(int key) const;

  // SELECT of every column (decimals as exact text) in `key`'s order read in `direction`.
  // `bound` holds the values of the first bound.size() parts of the order; when not empty
  // only rows after it (or at it, when `inclusive`) in the direction of reading are taken.
  // At most `limit` rows.
  Statement Keyset(int key, Direction direction, const std::vector<SqlValue>& bound, bool inclusive,
                   int limit) const;

  // The first row, in `key`'s order, whose key components equal `values` (one per component).
  Statement GetByKey(int key, const std::vector<SqlValue>& values) const;

  // The row whose identity fields equal those of `row` (a full row in field order).
  Statement GetByIdentity(const std::vector<SqlValue>& row) const;

  Statement Insert(const std::vector<SqlValue>& row) const;

  // Writes `row` over the row last read as `old`: the columns marked in `written` (one flag per
  // field; every column when it is empty). When no column is marked, the first column is set
  // to its value in `old`, so the statement still finds out whether the row is there. Without
  // `watched` the row is found by its identity fields; with it (or without an identity key)
  // every column must still hold the value of `old`, compared null-safe, so a row changed
  // meanwhile is not touched (0 rows affected).
  Statement Update(const std::vector<SqlValue>& row, const std::vector<SqlValue>& old, bool watched,
                   const std::vector<bool>& written = {}) const;
  Statement Delete(const std::vector<SqlValue>& old, bool watched) const;

  // One row when another row than `self` (may be empty: no row excluded) has the key components
  // of `row` on unique key `key`.
  Statement DuplicateCheck(int key, const std::vector<SqlValue>& row,
                           const std::vector<SqlValue>& self) const;

  // No rows, but fails when the table or one of its columns is missing.
  Statement Probe() const;

  Statement CreateTable() const;
  // CREATE [UNIQUE] INDEX for every key except the primary one (which CreateTable declares).
  // Text components are in byte order, NULL placed for columns that may hold it, and a key
  // that allows duplicates is completed by the identity fields (its whole keyset order).
  std::vector<Statement> CreateIndexes() const;
  // The index name of key `key`.
  std::string IndexName(int key) const;
  // The name of the index that serves key `key` in byte order: IndexName, with "_nc" for a
  // case-insensitive primary key and "_bo" for another primary key (whose constraint's own
  // index follows the columns' collation).
  std::string ByteOrderIndexName(int key) const;
  // CREATE UNIQUE INDEX ByteOrderIndexName for the primary key `key` in byte order, for a
  // table whose key columns have another collation.
  Statement CreateByteOrderPrimaryIndex(int key) const;

  std::string SelectList() const;
  std::string QuotedTable() const { return dialect_.QuoteIdentifier(shape_.name); }

 private:
  std::string ColumnExpr(int field, bool noCase) const;
  void AppendNullSafe(Statement* st, int field, const SqlValue& v) const;
  void AppendIdentityWhere(Statement* st, const std::vector<SqlValue>& old, bool all) const;

  const TableShape& shape_;
  const Dialect& dialect_;
};

}  // namespace kv
