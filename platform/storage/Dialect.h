#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/ErrorCode.h"
#include "platform/storage/OwnerString.h"
#include "platform/storage/SqlValue.h"

namespace kv {

class SqlFunctionDialect;

// Every difference between the SQL databases the drivers reach: identifier quoting, row limits,
// type names, null-safe comparison, case folding, decimal reading, lock time-outs and the
// mapping of native errors to the runtime's codes. Statement builders (SqlBuilder) use only this
// interface, so the same statement logic serves every database and can be tested without one.
// Dialects hold no state; one instance per kind lives for the whole process. Thread: any.
class Dialect {
 public:
  virtual ~Dialect() = default;

  virtual DatabaseKind Kind() const = 0;

  // The same database's differences for translated expressions (filters, order components):
  // one object per kind, living for the whole process (platform/expr/SqlFunctionDialect.h).
  const SqlFunctionDialect& Functions() const;
  virtual std::string_view Name() const = 0;

  // `name` quoted as an identifier; quote characters inside are doubled, so any text is safe.
  virtual std::string QuoteIdentifier(std::string_view name) const = 0;

  // The column type used when a table is created.
  virtual std::string TypeName(const ColumnDesc& column) const = 0;

  // A column constraint (" CHECK (...)") that keeps text column `quotedColumn` to `bytes` bytes
  // of UTF-8, as its field holds; empty where the type already counts bytes or cannot.
  virtual std::string ByteLengthCheck(std::string_view quotedColumn, int bytes) const {
    (void)quotedColumn;
    (void)bytes;
    return {};
  }

  // Row limits: text placed right after SELECT (SQL Server "TOP (n) ") and at the end of the
  // statement (" LIMIT n"). Exactly one of them is non-empty.
  virtual std::string TopClause(int rows) const = 0;
  virtual std::string LimitClause(int rows) const = 0;

  // A condition that is true when `expr` equals the value of the placeholders, NULL matching
  // NULL. `*binds` receives how many times the value must be bound (1 or 2).
  virtual std::string NullSafeEquals(std::string_view expr, int* binds) const = 0;

  // `expr` folded for case-insensitive comparison and ordering.
  virtual std::string CaseFold(std::string_view expr) const {
    return "UPPER(" + std::string(expr) + ")";
  }

  // `expr` (a text) ordered byte by byte, in code point order, as the runtime orders keys.
  // PostgreSQL orders by the database's linguistic collation unless told otherwise; the others
  // order by the column's collation (SQLite: binary; SQL Server: the server's, usually
  // ignoring case, which is left as it is so that its indexes serve the order).
  virtual std::string ByteOrder(std::string_view expr) const { return std::string(expr); }

  // The expression of an index component; SQL Server has no expression indexes (its usual
  // collations ignore case already), so a case-insensitive component stays the plain column.
  virtual std::string IndexComponent(std::string_view quotedColumn, bool noCase) const;

  // Statement dropping index `quotedIndex` of table `quotedTable`.
  virtual std::string DropIndex(std::string_view quotedIndex, std::string_view quotedTable) const;

  // How a decimal column is selected so that it reads as exact text.
  virtual std::string DecimalSelect(std::string_view quotedColumn) const = 0;

  // Significant digits a decimal column keeps exactly. SQLite stores numbers with at most 15
  // significant digits (as 64-bit floating point past the integer range), so the driver refuses
  // to write a longer decimal there rather than let it be rounded.
  virtual int MaxExactDecimalDigits() const { return 38; }

  // Statement that bounds lock waits of the current session/transaction to `seconds`, or empty.
  virtual std::string LockTimeoutStatement(int seconds) const = 0;

  // Statements run on every new connection: a statement waits at most `lockWaitMs` for a lock
  // that another connection holds (then it fails as held, 43), and SQLite keeps its journal in
  // write-ahead mode, so that readers and one writer never block each other.
  virtual std::vector<std::string> SessionStatements(int lockWaitMs) const = 0;

  // The unique index (or constraint) that a duplicate-key error of the database names, from the
  // error's text; empty when the text does not name one. A database that names the columns
  // only (SQLite's "UNIQUE constraint failed: t.a, t.b") gives them in `*columns` instead, and
  // UniqueIndexQuery finds the index.
  virtual std::string DuplicateIndexName(std::string_view errorText,
                                         std::vector<std::string>* columns) const = 0;
  // A query with the table's name bound once, answering (index name, column name) for each
  // column of each unique index of the table, in index then column order; empty when the
  // database's errors name the index.
  virtual std::string UniqueIndexQuery() const { return {}; }

  // Query answering one row with one boolean-ish column: may the current user insert, update and
  // delete in table `quotedName`? The table name is bound `*binds` times. Empty: not checkable.
  virtual std::string WritePermissionQuery(int* binds) const = 0;

  // Maps a native error (the driver's code and text) to the runtime's code: 40 duplicate key,
  // 2 missing table, 5 permission denied, 43 lock time-out, 90 anything else.
  virtual ErrorCode MapError(std::string_view nativeCode, std::string_view text) const = 0;
};

// The dialect of `kind`; the objects live for the whole process.
const Dialect& DialectFor(DatabaseKind kind);

}  // namespace kv
