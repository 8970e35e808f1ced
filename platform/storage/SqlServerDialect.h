#pragma once

#include "platform/storage/Dialect.h"

namespace kv {

// SQL Server: [brackets], TOP, no row values, CONCAT, SUBSTRING (whose length is required),
// CHARINDEX. Its usual collations ignore case, so text orders and compares under a binary
// collation (kByteOrderCollation), which tables created by the program also use for their text
// columns so that their indexes serve the orders. NULL sorts first ascending by itself.
// Use DialectFor(DatabaseKind::kSqlServer).
class SqlServerDialect final : public Dialect {
 public:
  // The binary collation of byte-order text. It compares UTF-16 code units, which is code point
  // order except for characters beyond U+FFFF against U+E000..U+FFFF.
  static constexpr std::string_view kByteOrderCollation = "Latin1_General_100_BIN2";

  DatabaseKind Kind() const override { return DatabaseKind::kSqlServer; }
  std::string_view Name() const override { return "SQL Server"; }

  std::string DecimalParameter(const SqlValue& value) const override;
  std::string TopClause(int rows) const override;
  std::string LimitClause(int) const override { return {}; }
  bool HasRowValues() const override { return false; }
  std::string NullSafeEquals(std::string_view expr, std::string_view marker,
                             int* binds) const override;
  std::string ByteOrder(std::string_view expr) const override;

  std::string Concat(std::string_view a, std::string_view b) const override;
  std::string Substring(std::string_view text, std::string_view start,
                        std::optional<std::string_view> length) const override;
  std::string Position(std::string_view needle, std::string_view haystack) const override;
  std::string Divide(std::string_view a, std::string_view b) const override;

  std::string TypeName(const ColumnDesc& column) const override;
  // Indexes take no collation and no expressions here: the component is the plain column,
  // which serves byte order when the column has the binary collation.
  std::string IndexComponent(std::string_view quotedColumn, bool text, bool noCase, bool ascending,
                             bool nullable) const override;
  std::string DropIndex(std::string_view quotedIndex, std::string_view quotedTable) const override;
  std::string DecimalSelect(std::string_view quotedColumn) const override;
  Statement NotNullColumns(std::string_view name) const override;

  std::string LockTimeoutStatement(int seconds) const override;
  std::vector<std::string> SessionStatements(int lockWaitMs) const override;
  // "Violation of UNIQUE KEY constraint 'name'." or "Cannot insert duplicate key row in object
  // 'dbo.t' with unique index 'name'."
  std::string DuplicateIndexName(std::string_view errorText,
                                 std::vector<std::string>* columns) const override;
  std::string WritePermissionQuery(int* binds) const override;
  ErrorCode MapError(std::string_view nativeCode, std::string_view text) const override;
  bool ConnectionLost(std::string_view code, std::string_view text) const override;

 protected:
  // TRANSLATE (SQL Server 2017 and later) of the text under the binary collation, where it
  // compares characters exactly, with Unicode literals.
  std::string Translate(std::string_view text, std::string_view from,
                        std::string_view to) const override;
  char QuoteOpen() const override { return '['; }
  char QuoteClose() const override { return ']'; }
};

}  // namespace kv
