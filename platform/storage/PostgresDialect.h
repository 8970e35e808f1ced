#pragma once

#include "platform/storage/Dialect.h"

namespace kv {

// PostgreSQL: "double quotes", LIMIT, row values, ||, SUBSTR, STRPOS. Markers in expressions
// carry a cast because the server does not infer types through operators such as "? + ?".
// Text orders and compares under the "C" collation (byte order) whatever the column's, and
// NULL, which the server puts last in ascending orders, is placed first explicitly.
// Use DialectFor(DatabaseKind::kPostgres).
class PostgresDialect final : public Dialect {
 public:
  DatabaseKind Kind() const override { return DatabaseKind::kPostgres; }
  std::string_view Name() const override { return "PostgreSQL"; }

  std::string Placeholder(const SqlValue& value) const override;
  std::string DecimalParameter(const SqlValue& value) const override;
  std::string TopClause(int) const override { return {}; }
  std::string LimitClause(int rows) const override;
  bool HasRowValues() const override { return true; }
  std::string NullSafeEquals(std::string_view expr, std::string_view marker,
                             int* binds) const override;
  std::string ByteOrder(std::string_view expr) const override;
  std::string NullsPlacement(bool ascending) const override;

  std::string Concat(std::string_view a, std::string_view b) const override;
  std::string Substring(std::string_view text, std::string_view start,
                        std::optional<std::string_view> length) const override;
  std::string Position(std::string_view needle, std::string_view haystack) const override;
  std::string Divide(std::string_view a, std::string_view b) const override;
  // The trims take numbers too (LEFT of a numeric column), which the server wants as text.
  std::string TrimLeft(std::string_view text) const override;
  std::string TrimRight(std::string_view text) const override;

  std::string TypeName(const ColumnDesc& column) const override;
  // VARCHAR(n) counts characters; the field counts bytes.
  std::string ByteLengthCheck(std::string_view quotedColumn, int bytes) const override;
  std::string DecimalSelect(std::string_view quotedColumn) const override;
  Statement NotNullColumns(std::string_view name) const override;
  // "C" and "POSIX" are byte order, and so is the database's default when it is one of them.
  Statement LinguisticColumns(std::string_view name) const override;
  Statement ByteOrderIndexes(std::string_view name) const override;
  // The server writes an index's definition back in its own words, but keeps the text of the
  // folding's list of capitals.
  Statement UnfoldedIndexes(std::string_view name) const override;

  std::string LockTimeoutStatement(int seconds) const override;
  std::vector<std::string> SessionStatements(int lockWaitMs) const override;
  // 'duplicate key value violates unique constraint "name"'
  std::string DuplicateIndexName(std::string_view errorText,
                                 std::vector<std::string>* columns) const override;
  std::string WritePermissionQuery(int* binds) const override;
  ErrorCode MapError(std::string_view nativeCode, std::string_view text) const override;
  bool ConnectionLost(std::string_view code, std::string_view text) const override;
  bool TextHoldsNul() const override { return false; }
};

}  // namespace kv
