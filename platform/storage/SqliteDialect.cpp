#include "platform/storage/SqliteDialect.h"

#include <algorithm>

#include "platform/storage/DialectSupport.h"

namespace kv {

using dialect::CodeIs;
using dialect::Contains;
using dialect::Join;

std::string SqliteDialect::DecimalParameter(const SqlValue&) const {
  return "CAST(? AS NUMERIC)";
}

std::string SqliteDialect::LimitClause(int rows) const {
  return " LIMIT " + std::to_string(rows);
}

std::string SqliteDialect::NullSafeEquals(std::string_view expr, std::string_view marker,
                                          int* binds) const {
  *binds = 1;
  return Join({expr, " IS ", marker});
}

std::string SqliteDialect::ByteOrder(std::string_view expr) const {
  return std::string(expr);
}

std::string SqliteDialect::Upper(std::string_view text) const {
  return Join({"KV_UPPER(", text, ")"});
}

std::string SqliteDialect::Lower(std::string_view text) const {
  return Join({"KV_LOWER(", text, ")"});
}

Statement SqliteDialect::UnfoldedIndexes(std::string_view name) const {
  return {
      "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ? COLLATE NOCASE "
      "AND sql IS NOT NULL AND instr(upper(sql), 'KV_UPPER(') = 0",
      {SqlValue::Text(std::string(name))}};
}

std::string SqliteDialect::Concat(std::string_view a, std::string_view b) const {
  return Join({"(", a, " || ", b, ")"});
}

std::string SqliteDialect::Substring(std::string_view text, std::string_view start,
                                     std::optional<std::string_view> length) const {
  if (!length) return Join({"SUBSTR(", text, ", ", start, ")"});
  return Join({"SUBSTR(", text, ", ", start, ", ", *length, ")"});
}

std::string SqliteDialect::Position(std::string_view needle, std::string_view haystack) const {
  return Join({"INSTR(", haystack, ", ", needle, ")"});
}

std::string SqliteDialect::Divide(std::string_view a, std::string_view b) const {
  // SQLite divides integers as integers; a REAL operand keeps the fraction.
  return Join({"COALESCE(CAST(", a, " AS REAL) / NULLIF(", b, ", 0), 0)"});
}

std::string SqliteDialect::TypeName(const ColumnDesc& c) const {
  switch (c.type) {
    case ColumnType::kText:
      return "VARCHAR(" + dialect::Width(c) + ")";
    case ColumnType::kInteger:
      return "INTEGER";
    case ColumnType::kDecimal:
      return dialect::DecimalType("DECIMAL", c);
    case ColumnType::kReal:
      return "REAL";
  }
  return "TEXT";
}

// SQLite keeps a decimal with at most 15 significant digits exactly; as text it reads back in
// its shortest exact form.
std::string SqliteDialect::ByteLengthCheck(std::string_view col, int bytes) const {
  return Join({" CHECK (length(CAST(", col, " AS BLOB)) <= ", std::to_string(bytes), ")"});
}

std::string SqliteDialect::DecimalSelect(std::string_view col) const {
  return Join({"CAST(", col, " AS TEXT)"});
}

Statement SqliteDialect::NotNullColumns(std::string_view name) const {
  return {"SELECT name FROM pragma_table_info(?) WHERE \"notnull\" <> 0",
          {SqlValue::Text(std::string(name))}};
}

std::string SqliteDialect::LockTimeoutStatement(int seconds) const {
  return "PRAGMA busy_timeout = " + std::to_string(std::max(0, seconds) * 1000);
}

std::vector<std::string> SqliteDialect::SessionStatements(int lockWaitMs) const {
  return {"PRAGMA busy_timeout = " + std::to_string(std::max(0, lockWaitMs)),
          "PRAGMA journal_mode = WAL"};
}

std::string SqliteDialect::DuplicateIndexName(std::string_view text,
                                              std::vector<std::string>* columns) const {
  std::string name = dialect::QuotedAfter(text, "failed: index", '\'', '\'');
  if (!name.empty()) return name;
  const std::string_view marker = "constraint failed: ";
  std::size_t at = text.find(marker);
  if (at == std::string_view::npos) return {};
  std::string_view list = text.substr(at + marker.size());
  list = list.substr(0, list.find_first_of("(\n"));
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (std::size_t dot = item.rfind('.'); dot != std::string_view::npos)
      item.remove_prefix(dot + 1);
    if (!item.empty()) columns->emplace_back(item);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return {};
}

std::string SqliteDialect::UniqueIndexQuery() const {
  return "SELECT il.name, ii.name FROM pragma_index_list(?) AS il, "
         "pragma_index_info(il.name) AS ii WHERE il.\"unique\" = 1 ORDER BY il.name, ii.seqno";
}

std::string SqliteDialect::WritePermissionQuery(int* binds) const {
  *binds = 0;
  return {};
}

ErrorCode SqliteDialect::MapError(std::string_view code, std::string_view text) const {
  if (CodeIs(code, {"1555", "2067", "1299"}) || Contains(text, "UNIQUE constraint failed"))
    return kDuplicateKeyError;
  if (Contains(text, "no such table")) return kNoFileError;
  if (CodeIs(code, {"5", "6", "261", "262", "517"}) || Contains(text, "database is locked"))
    return kRecordHeldError;
  if (CodeIs(code, {"8", "23", "264", "520", "776", "1032"}) || Contains(text, "readonly database"))
    return kAccessDenied;
  return kDriverError;
}

}  // namespace kv
