#pragma once

#include "platform/storage/Dialect.h"

namespace kv {

// SQLite: "double quotes", LIMIT, row values, ||, SUBSTR, INSTR. NULL sorts first ascending by
// itself. Text compares in byte order (BINARY) unless a column was declared with another
// collation, which tables made by the program never are; no COLLATE is written, because SQLite
// searches an index by a row value only when none is. Decimal markers are cast to NUMERIC,
// since SQLite compares a computed number with text as text.
// Use DialectFor(DatabaseKind::kSqlite).
class SqliteDialect final : public Dialect {
 public:
  DatabaseKind Kind() const override { return DatabaseKind::kSqlite; }
  std::string_view Name() const override { return "SQLite"; }

  std::string DecimalParameter(const SqlValue& value) const override;
  std::string TopClause(int) const override { return {}; }
  std::string LimitClause(int rows) const override;
  bool HasRowValues() const override { return true; }
  // SQLite searches an index by a row value of columns only.
  bool HasRowValuesOfExpressions() const override { return false; }
  std::string NullSafeEquals(std::string_view expr, std::string_view marker,
                             int* binds) const override;
  std::string ByteOrder(std::string_view expr) const override;
  // SQLite has neither TRANSLATE nor a collation-independent UPPER beyond ASCII (and nests
  // too few calls for a REPLACE per letter): the program's connections carry the functions
  // KV_UPPER and KV_LOWER, which fold as the runtime does (platform/qt/sql/SqliteFolding.h).
  std::string Upper(std::string_view text) const override;
  std::string Lower(std::string_view text) const override;
  // The indexes whose CREATE INDEX text (kept as written) does not call KV_UPPER.
  Statement UnfoldedIndexes(std::string_view name) const override;

  std::string Concat(std::string_view a, std::string_view b) const override;
  std::string Substring(std::string_view text, std::string_view start,
                        std::optional<std::string_view> length) const override;
  std::string Position(std::string_view needle, std::string_view haystack) const override;
  std::string Divide(std::string_view a, std::string_view b) const override;

  std::string TypeName(const ColumnDesc& column) const override;
  std::string ByteLengthCheck(std::string_view quotedColumn, int bytes) const override;
  std::string DecimalSelect(std::string_view quotedColumn) const override;
  int MaxExactDecimalDigits() const override { return 15; }
  Statement NotNullColumns(std::string_view name) const override;

  std::string LockTimeoutStatement(int seconds) const override;
  std::vector<std::string> SessionStatements(int lockWaitMs) const override;
  // "UNIQUE constraint failed: t.a, t.b", or "... failed: index 'name'" for an index on
  // expressions.
  std::string DuplicateIndexName(std::string_view errorText,
                                 std::vector<std::string>* columns) const override;
  std::string UniqueIndexQuery() const override;
  std::string WritePermissionQuery(int* binds) const override;
  ErrorCode MapError(std::string_view nativeCode, std::string_view text) const override;
};

}  // namespace kv
