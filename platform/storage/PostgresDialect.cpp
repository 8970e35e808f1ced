#include "platform/storage/PostgresDialect.h"

#include <algorithm>
#include <limits>

#include "platform/storage/DialectSupport.h"
#include "platform/values/Utf8Text.h"

namespace kv {

using dialect::CodeIs;
using dialect::Contains;
using dialect::Join;

std::string PostgresDialect::Placeholder(const SqlValue& value) const {
  switch (value.kind) {
    case SqlValue::Kind::kText:
      return "CAST(? AS TEXT)";
    case SqlValue::Kind::kInteger:
      return value.integer >= std::numeric_limits<std::int32_t>::min() &&
                     value.integer <= std::numeric_limits<std::int32_t>::max()
                 ? "CAST(? AS INTEGER)"
                 : "CAST(? AS BIGINT)";
    case SqlValue::Kind::kDecimal:
      return DecimalParameter(value);
    case SqlValue::Kind::kReal:
      return "CAST(? AS DOUBLE PRECISION)";
    case SqlValue::Kind::kNull:
      break;
  }
  return "?";
}

std::string PostgresDialect::DecimalParameter(const SqlValue&) const {
  return "CAST(? AS NUMERIC)";
}

std::string PostgresDialect::LimitClause(int rows) const {
  return " LIMIT " + std::to_string(rows);
}

std::string PostgresDialect::NullSafeEquals(std::string_view expr, std::string_view marker,
                                            int* binds) const {
  *binds = 1;
  return Join({expr, " IS NOT DISTINCT FROM ", marker});
}

std::string PostgresDialect::ByteOrder(std::string_view expr) const {
  return Join({expr, " COLLATE \"C\""});
}

std::string PostgresDialect::NullsPlacement(bool ascending) const {
  return ascending ? " NULLS FIRST" : " NULLS LAST";
}

std::string PostgresDialect::Concat(std::string_view a, std::string_view b) const {
  return Join({"(CAST(", a, " AS TEXT) || CAST(", b, " AS TEXT))"});
}

std::string PostgresDialect::Substring(std::string_view text, std::string_view start,
                                       std::optional<std::string_view> length) const {
  if (!length) return Join({"SUBSTR(CAST(", text, " AS TEXT), ", start, ")"});
  return Join({"SUBSTR(CAST(", text, " AS TEXT), ", start, ", ", *length, ")"});
}

std::string PostgresDialect::Position(std::string_view needle, std::string_view haystack) const {
  return Join({"STRPOS(CAST(", haystack, " AS TEXT), ", needle, ")"});
}

std::string PostgresDialect::Divide(std::string_view a, std::string_view b) const {
  return Join({"COALESCE(CAST(", a, " AS NUMERIC) / NULLIF(", b, ", 0), 0)"});
}

std::string PostgresDialect::TrimLeft(std::string_view text) const {
  return Join({"LTRIM(CAST(", text, " AS TEXT))"});
}

std::string PostgresDialect::TrimRight(std::string_view text) const {
  return Join({"RTRIM(CAST(", text, " AS TEXT))"});
}

std::string PostgresDialect::TypeName(const ColumnDesc& c) const {
  switch (c.type) {
    // Byte-order collation, so that the table's own indexes serve the keys' orders.
    case ColumnType::kText:
      return "VARCHAR(" + dialect::Width(c) + ") COLLATE \"C\"";
    case ColumnType::kInteger:
      return "INTEGER";
    case ColumnType::kDecimal:
      return dialect::DecimalType("NUMERIC", c);
    case ColumnType::kReal:
      return "DOUBLE PRECISION";
  }
  return "TEXT";
}

std::string PostgresDialect::ByteLengthCheck(std::string_view col, int bytes) const {
  return Join({" CHECK (octet_length(", col, ") <= ", std::to_string(bytes), ")"});
}

std::string PostgresDialect::DecimalSelect(std::string_view col) const {
  return Join({"CAST(", col, " AS TEXT)"});
}

Statement PostgresDialect::NotNullColumns(std::string_view name) const {
  return {
      "SELECT attname FROM pg_attribute WHERE attrelid = CAST(? AS regclass) AND attnum > 0 "
      "AND NOT attisdropped AND attnotnull",
      {SqlValue::Text(QuoteIdentifier(name))}};
}

namespace {

// True for collation `oid` (an SQL expression) when it orders byte by byte.
std::string ByteOrderCollation(std::string_view oid) {
  return Join(
      {"(SELECT c.collname IN ('C', 'POSIX') OR (c.collname = 'default' AND "
       "(SELECT datcollate FROM pg_database WHERE datname = current_database()) IN "
       "('C', 'POSIX')) FROM pg_collation c WHERE c.oid = ",
       oid, ")"});
}

}  // namespace

Statement PostgresDialect::LinguisticColumns(std::string_view name) const {
  return {Join({"SELECT a.attname FROM pg_attribute a WHERE a.attrelid = CAST(? AS regclass) "
                "AND a.attnum > 0 AND NOT a.attisdropped AND a.attcollation <> 0 AND NOT ",
                ByteOrderCollation("a.attcollation")}),
          {SqlValue::Text(QuoteIdentifier(name))}};
}

Statement PostgresDialect::ByteOrderIndexes(std::string_view name) const {
  return {Join({"SELECT i.relname FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid WHERE "
                "x.indrelid = CAST(? AS regclass) AND NOT EXISTS (SELECT 1 FROM "
                "unnest(CAST(x.indcollation AS oid[])) AS u(coll) WHERE u.coll <> 0 AND NOT ",
                ByteOrderCollation("u.coll"), ")"}),
          {SqlValue::Text(QuoteIdentifier(name))}};
}

Statement PostgresDialect::UnfoldedIndexes(std::string_view name) const {
  return {
      "SELECT i.relname FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid WHERE "
      "x.indrelid = CAST(? AS regclass) AND strpos(pg_get_indexdef(x.indexrelid), ?) = 0",
      {SqlValue::Text(QuoteIdentifier(name)), SqlValue::Text(std::string(FoldCapitalLetters()))}};
}

std::string PostgresDialect::LockTimeoutStatement(int seconds) const {
  return "SET LOCAL lock_timeout = " + std::to_string(std::max(0, seconds) * 1000);
}

std::vector<std::string> PostgresDialect::SessionStatements(int lockWaitMs) const {
  return {"SET lock_timeout = " + std::to_string(std::max(0, lockWaitMs))};
}

std::string PostgresDialect::DuplicateIndexName(std::string_view text,
                                                std::vector<std::string>*) const {
  return dialect::QuotedAfter(text, "unique constraint", '"', '"');
}

std::string PostgresDialect::WritePermissionQuery(int* binds) const {
  *binds = 3;
  return "SELECT has_table_privilege(?, 'INSERT') AND has_table_privilege(?, 'UPDATE') AND "
         "has_table_privilege(?, 'DELETE')";
}

// The native code is the SQLSTATE through the PostgreSQL client; through ODBC only the text is
// reliable, so both are looked at.
ErrorCode PostgresDialect::MapError(std::string_view code, std::string_view text) const {
  if (code == "23505" || Contains(text, "duplicate key")) return kDuplicateKeyError;
  if (code == "42P01" || (Contains(text, "relation") && Contains(text, "does not exist")))
    return kNoFileError;
  if (code == "42501" || Contains(text, "permission denied")) return kAccessDenied;
  if (CodeIs(code, {"55P03", "40P01"}) || Contains(text, "lock timeout") ||
      Contains(text, "deadlock detected"))
    return kRecordHeldError;
  return kDriverError;
}

bool PostgresDialect::ConnectionLost(std::string_view code, std::string_view text) const {
  // Class 08 is a connection exception, 57P01-57P03 the server shutting down or restarting;
  // a socket closed under the client has no code, only libpq's text.
  if (code.substr(0, 2) == "08" || CodeIs(code, {"57P01", "57P02", "57P03"})) return true;
  return Contains(text, "server closed the connection") ||
         Contains(text, "no connection to the server") ||
         Contains(text, "terminating connection") || Contains(text, "could not send data") ||
         Contains(text, "could not receive data") || Contains(text, "connection not open");
}

}  // namespace kv
