#include "platform/storage/SqlServerDialect.h"

#include <algorithm>

#include "platform/storage/DialectSupport.h"

namespace kv {

using dialect::CodeIs;
using dialect::Contains;
using dialect::ContainsNumber;
using dialect::Join;

// The value's own places keep it exact; 38 digits is the widest decimal the server has.
std::string SqlServerDialect::DecimalParameter(const SqlValue& value) const {
  int places = std::clamp(dialect::DecimalPlaces(value.text), 0, 38);
  return "CAST(? AS DECIMAL(38," + std::to_string(places) + "))";
}

std::string SqlServerDialect::TopClause(int rows) const {
  return "TOP (" + std::to_string(rows) + ") ";
}

std::string SqlServerDialect::NullSafeEquals(std::string_view expr, std::string_view marker,
                                             int* binds) const {
  *binds = 2;
  return Join({"(", expr, " = ", marker, " OR (", expr, " IS NULL AND ? IS NULL))"});
}

std::string SqlServerDialect::ByteOrder(std::string_view expr) const {
  return Join({expr, " COLLATE ", kByteOrderCollation});
}

std::string SqlServerDialect::Translate(std::string_view text, std::string_view from,
                                        std::string_view to) const {
  return Join({"TRANSLATE(", ByteOrder(text), ", N'", from, "', N'", to, "')"});
}

std::string SqlServerDialect::Concat(std::string_view a, std::string_view b) const {
  // CONCAT converts numbers to text, where "+" would add them.
  return Join({"CONCAT(", a, ", ", b, ")"});
}

std::string SqlServerDialect::Substring(std::string_view text, std::string_view start,
                                        std::optional<std::string_view> length) const {
  // SUBSTRING needs a length; LEN ignores trailing blanks, DATALENGTH covers every byte.
  if (!length) return Join({"SUBSTRING(", text, ", ", start, ", DATALENGTH(", text, "))"});
  return Join({"SUBSTRING(", text, ", ", start, ", ", *length, ")"});
}

std::string SqlServerDialect::Position(std::string_view needle, std::string_view haystack) const {
  return Join({"CHARINDEX(", needle, ", ", haystack, ")"});
}

std::string SqlServerDialect::Divide(std::string_view a, std::string_view b) const {
  return Join({"COALESCE(CAST(", a, " AS DECIMAL(38, 10)) / NULLIF(", b, ", 0), 0)"});
}

std::string SqlServerDialect::TypeName(const ColumnDesc& c) const {
  switch (c.type) {
    case ColumnType::kText:
      return Join({"NVARCHAR(", dialect::Width(c), ") COLLATE ", kByteOrderCollation});
    case ColumnType::kInteger:
      return "INT";
    case ColumnType::kDecimal:
      return dialect::DecimalType("DECIMAL", c);
    case ColumnType::kReal:
      return "FLOAT";
  }
  return "NVARCHAR(MAX)";
}

std::string SqlServerDialect::IndexComponent(std::string_view col, bool, bool, bool ascending,
                                             bool) const {
  return Join({col, ascending ? " ASC" : " DESC"});
}

std::string SqlServerDialect::DropIndex(std::string_view index, std::string_view table) const {
  return Join({"DROP INDEX ", index, " ON ", table});
}

std::string SqlServerDialect::DecimalSelect(std::string_view col) const {
  return Join({"CAST(", col, " AS VARCHAR(48))"});
}

Statement SqlServerDialect::NotNullColumns(std::string_view name) const {
  return {"SELECT name FROM sys.columns WHERE object_id = OBJECT_ID(?) AND is_nullable = 0",
          {SqlValue::Text(QuoteIdentifier(name))}};
}

std::string SqlServerDialect::LockTimeoutStatement(int seconds) const {
  return "SET LOCK_TIMEOUT " + std::to_string(std::max(0, seconds) * 1000);
}

std::vector<std::string> SqlServerDialect::SessionStatements(int lockWaitMs) const {
  return {"SET LOCK_TIMEOUT " + std::to_string(std::max(0, lockWaitMs))};
}

std::string SqlServerDialect::DuplicateIndexName(std::string_view text,
                                                 std::vector<std::string>*) const {
  std::string name = dialect::QuotedAfter(text, "unique index", '\'', '\'');
  return name.empty() ? dialect::QuotedAfter(text, "constraint", '\'', '\'') : name;
}

std::string SqlServerDialect::WritePermissionQuery(int* binds) const {
  *binds = 3;
  return "SELECT CASE WHEN HAS_PERMS_BY_NAME(?, 'OBJECT', 'INSERT') = 1 AND "
         "HAS_PERMS_BY_NAME(?, 'OBJECT', 'UPDATE') = 1 AND "
         "HAS_PERMS_BY_NAME(?, 'OBJECT', 'DELETE') = 1 THEN 1 ELSE 0 END";
}

// Through ODBC the native code is often that of the closing "statement has been terminated"
// (3621); the server's own number is in the text.
ErrorCode SqlServerDialect::MapError(std::string_view code, std::string_view text) const {
  if (CodeIs(code, {"2627", "2601"}) || ContainsNumber(text, "2627") ||
      ContainsNumber(text, "2601") || Contains(text, "duplicate key"))
    return kDuplicateKeyError;
  if (code == "208" || Contains(text, "Invalid object name")) return kNoFileError;
  if (CodeIs(code, {"229", "230"}) || Contains(text, "permission was denied")) return kAccessDenied;
  if (CodeIs(code, {"1222", "1205"}) || Contains(text, "Lock request time out") ||
      Contains(text, "deadlocked"))
    return kRecordHeldError;
  return kDriverError;
}

bool SqlServerDialect::ConnectionLost(std::string_view code, std::string_view text) const {
  // Class 08 is a connection exception (08S01 communication link failure).
  if (code.substr(0, 2) == "08") return true;
  return Contains(text, "Communication link failure") || Contains(text, "connection is broken") ||
         Contains(text, "Write to the server failed") ||
         Contains(text, "Read from the server failed");
}

}  // namespace kv
