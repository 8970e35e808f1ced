#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/ErrorCode.h"
#include "platform/storage/OwnerString.h"
#include "platform/storage/SqlValue.h"
#include "platform/storage/Statement.h"

namespace kv {

// Everything that differs between the SQL servers the drivers reach, in one object per server:
// identifier quoting, parameter markers, row limits, the collation that orders and compares
// text, case folding, the functions translated expressions use, type names, null-safe
// comparison, decimal reading, lock time-outs, catalog queries and the mapping of native errors
// to the runtime's codes. The statement builders (SqlBuilder, KeysetBuilder, ViewQuery) and the
// expression translator (SqlTranslator) use only this interface, so the same statement logic
// serves every server and can be tested without one.
//
// Every function returns SQL text; arguments named `expr`, `text`, `a`, `b` are SQL text
// already (a quoted column, a parameter marker, a translated sub-expression in parentheses)
// that the function only arranges and may repeat. Dialects hold no state; one instance per
// server lives for the whole process (DialectFor). Thread: any, concurrently.
class Dialect {
 public:
  virtual ~Dialect() = default;

  virtual DatabaseKind Kind() const = 0;
  // Short name for messages and tests ("SQLite").
  virtual std::string_view Name() const = 0;

  // ---- Statement text ---------------------------------------------------------------------

  // `name` quoted as an identifier; the closing quote character inside is doubled, so any text
  // is safe.
  std::string QuoteIdentifier(std::string_view name) const;

  // The marker for `value` where nothing around it tells the server its type (operands of
  // translated expressions). Decimals follow DecimalParameter; servers that cannot infer a
  // marker's type from its context wrap the others in a cast.
  virtual std::string Placeholder(const SqlValue& value) const;
  // The marker for `value` written into or compared with a column, whose type the server
  // takes from the column: "?", and for decimals DecimalParameter.
  std::string ColumnPlaceholder(const SqlValue& value) const;
  // The one rule for decimals: they travel as their exact text, and the marker casts that text
  // to an exact number type wide enough for the value itself (never to a column's narrower
  // type, which would round the value before it is compared).
  virtual std::string DecimalParameter(const SqlValue& value) const = 0;

  // Row limits: text placed right after SELECT (SQL Server "TOP (n) ") and at the end of the
  // statement (" LIMIT n"). Exactly one of them is non-empty.
  virtual std::string TopClause(int rows) const = 0;
  virtual std::string LimitClause(int rows) const = 0;

  // True when the server compares row values ("(a, b) > (?, ?)") and serves them from an index;
  // the second, when it does so for row values holding expressions (UPPER of a column) too.
  virtual bool HasRowValues() const = 0;
  virtual bool HasRowValuesOfExpressions() const { return HasRowValues(); }

  // A condition that is true when `expr` equals the value of `marker`, NULL matching NULL.
  // `*binds` receives how many times the value must be bound (the marker appears that often).
  virtual std::string NullSafeEquals(std::string_view expr, std::string_view marker,
                                     int* binds) const = 0;

  // ---- Collation and case -----------------------------------------------------------------

  // The text expression `expr` (atomic: a column, a call, or parenthesised) ordered and
  // compared byte by byte, in code point order, whatever the column's or server's collation.
  // This one rule serves orderings, keyset comparisons and filters alike, so that what a list
  // shows, what a locate finds and what a filter selects agree.
  virtual std::string ByteOrder(std::string_view expr) const = 0;
  // `a op b` for two texts (op is one of = <> < > <= >=), in byte order.
  std::string CompareText(std::string_view a, std::string_view op, std::string_view b) const;

  // `text` upper-cased, respectively lower-cased, for case-insensitive comparison and ordering,
  // exactly as the runtime folds case (UpperText and the lists FoldSmallLetters and
  // FoldCapitalLetters): ASCII and Latin-1 letters, nothing else, whatever the collation or
  // locale of the column, the value or the server. (The servers' own UPPER folds ASCII only on
  // SQLite, depends on the collation on PostgreSQL, and folds far more on SQL Server.) `text`
  // appears once in the result, so a marker in it is bound once; the result can be indexed.
  // Base: Translate by the two lists.
  virtual std::string Upper(std::string_view text) const;
  virtual std::string Lower(std::string_view text) const;

  // Where NULL goes in an order: first in every ascending order and last in every descending
  // one, on every server (as a blank text sorts first). The text to put after "expr ASC" or
  // "expr DESC" (`ascending` is the direction actually read) for an expression that may hold
  // NULL; empty when the server places NULL so by itself.
  virtual std::string NullsPlacement(bool ascending) const;

  // ---- Functions of translated expressions --------------------------------------------------

  // Concatenation of two values as text (numbers converted to text).
  virtual std::string Concat(std::string_view a, std::string_view b) const = 0;
  // The characters of `text` from position `start` (from 1), `length` of them or all the
  // rest when no length is given.
  virtual std::string Substring(std::string_view text, std::string_view start,
                                std::optional<std::string_view> length) const = 0;
  // Position (from 1) of the first occurrence of `needle` in `haystack`, 0 when absent.
  virtual std::string Position(std::string_view needle, std::string_view haystack) const = 0;
  // a / b as an exact (or at least non-integer) quotient, 0 when b is 0 (as the runtime's
  // own division gives) instead of a server error.
  virtual std::string Divide(std::string_view a, std::string_view b) const = 0;
  // Without leading, respectively trailing, blanks.
  virtual std::string TrimLeft(std::string_view text) const;
  virtual std::string TrimRight(std::string_view text) const;
  // A condition used where a value is needed: 1 when it holds, else 0.
  virtual std::string BooleanValue(std::string_view condition) const;

  // ---- Tables and indexes -----------------------------------------------------------------

  // The column type used when a table is created.
  virtual std::string TypeName(const ColumnDesc& column) const = 0;
  // A column constraint (" CHECK (...)") that keeps text column `quotedColumn` to `bytes` bytes
  // of UTF-8, as its field holds; empty where the type already counts bytes or cannot.
  virtual std::string ByteLengthCheck(std::string_view quotedColumn, int bytes) const;
  // One component of an index: `quotedColumn`, folded when `noCase`, a `text` column in byte
  // order, in the direction given, with NULL placed as NullsPlacement says when the column may
  // hold NULL: the index then serves the orders and keyset conditions built on ByteOrder.
  virtual std::string IndexComponent(std::string_view quotedColumn, bool text, bool noCase,
                                     bool ascending, bool nullable) const;
  // Statement dropping index `quotedIndex` of table `quotedTable`.
  virtual std::string DropIndex(std::string_view quotedIndex, std::string_view quotedTable) const;

  // How a decimal column is selected so that it reads as exact text.
  virtual std::string DecimalSelect(std::string_view quotedColumn) const = 0;
  // Significant digits a decimal column keeps exactly. SQLite stores numbers with at most 15
  // significant digits (as 64-bit floating point past the integer range), so the driver refuses
  // to write a longer decimal there rather than let it be rounded.
  virtual int MaxExactDecimalDigits() const { return 38; }

  // Query answering one row per column of table `name` (its external name, unquoted) that
  // cannot hold NULL, with the column's name in the first column.
  virtual Statement NotNullColumns(std::string_view name) const = 0;
  // Queries about table `name` for keys that the database cannot serve in byte order: the text
  // columns whose collation is not byte order, and the names of the indexes whose text columns
  // all are (one name per row). Empty statements where the server is not asked.
  virtual Statement LinguisticColumns(std::string_view name) const;
  virtual Statement ByteOrderIndexes(std::string_view name) const;
  // Query answering the names of the indexes of table `name` whose definition does not fold
  // case as Upper does (one per row), such as those an older folding made: a case-insensitive
  // key with such an index would sort the table for every page. Empty where not asked.
  virtual Statement UnfoldedIndexes(std::string_view name) const;

  // ---- Sessions and errors ----------------------------------------------------------------

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
  // delete in the table? The quoted table name is bound `*binds` times. Empty: not checkable.
  virtual std::string WritePermissionQuery(int* binds) const = 0;
  // Maps a native error (the driver's code and text) to the runtime's code: 40 duplicate key,
  // 2 missing table, 5 permission denied, 43 lock time-out, 90 anything else.
  virtual ErrorCode MapError(std::string_view nativeCode, std::string_view text) const = 0;
  // True when a failed statement's native error says that the connection to the server is gone
  // (the server was stopped or restarted, the network dropped it): the statement did not run
  // and the connection has to be made again. False for an embedded database.
  virtual bool ConnectionLost(std::string_view nativeCode, std::string_view text) const;
  // False when the database's text columns cannot hold the NUL character: a value holding one
  // is then refused before the statement is sent (the driver would cut the statement there).
  virtual bool TextHoldsNul() const { return true; }

 protected:
  // `text` with every character of `from` replaced by the character at the same place in `to`
  // (UTF-8 texts of as many characters, letters only), characters compared as they are, whatever
  // the collation. Base: TRANSLATE with both lists as literals.
  virtual std::string Translate(std::string_view text, std::string_view from,
                                std::string_view to) const;
  // The characters that open and close a quoted identifier.
  virtual char QuoteOpen() const { return '"'; }
  virtual char QuoteClose() const { return '"'; }
};

// The dialect of `kind`; the objects live for the whole process.
const Dialect& DialectFor(DatabaseKind kind);

}  // namespace kv
