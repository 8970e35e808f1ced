#include "platform/storage/Dialect.h"

#include <algorithm>
#include <cctype>

namespace kv {
namespace {

bool Contains(std::string_view text, std::string_view what) {
  auto it = std::search(text.begin(), text.end(), what.begin(), what.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
  return it != text.end();
}

bool CodeIs(std::string_view code, std::initializer_list<std::string_view> any) {
  for (std::string_view c : any)
    if (code == c) return true;
  return false;
}

// True when `text` holds `number` not as part of a longer number.
bool ContainsNumber(std::string_view text, std::string_view number) {
  for (size_t at = text.find(number); at != std::string_view::npos;
       at = text.find(number, at + 1)) {
    bool before = at > 0 && std::isdigit(static_cast<unsigned char>(text[at - 1]));
    size_t end = at + number.size();
    bool after = end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]));
    if (!before && !after) return true;
  }
  return false;
}

std::string QuoteWith(std::string_view name, char open, char close) {
  std::string out(1, open);
  for (char c : name) {
    out += c;
    if (c == close) out += close;
  }
  out += close;
  return out;
}

std::string Decimal(std::string_view type, const ColumnDesc& c) {
  int p = std::clamp(c.precision, 1, 38);
  int s = std::clamp(c.scale, 0, p);
  return std::string(type) + "(" + std::to_string(p) + "," + std::to_string(s) + ")";
}

std::string Width(const ColumnDesc& c) {
  return std::to_string(std::max(1, c.size));
}

// The text between `open` and the next `close` after the first `marker` in `text`, or empty.
std::string QuotedAfter(std::string_view text, std::string_view marker, char open, char close) {
  auto it = std::search(text.begin(), text.end(), marker.begin(), marker.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
  if (it == text.end()) return {};
  std::size_t from = std::size_t(it - text.begin()) + marker.size();
  while (from < text.size() && text[from] == ' ') ++from;
  if (from >= text.size() || text[from] != open) return {};
  std::size_t end = text.find(close, from + 1);
  if (end == std::string_view::npos) return {};
  return std::string(text.substr(from + 1, end - from - 1));
}

class SqliteDialect final : public Dialect {
 public:
  DatabaseKind Kind() const override { return DatabaseKind::kSqlite; }
  std::string_view Name() const override { return "SQLite"; }
  std::string QuoteIdentifier(std::string_view n) const override { return QuoteWith(n, '"', '"'); }
  std::string TypeName(const ColumnDesc& c) const override {
    switch (c.type) {
      case ColumnType::kText:
        return "VARCHAR(" + Width(c) + ")";
      case ColumnType::kInteger:
        return "INTEGER";
      case ColumnType::kDecimal:
        return Decimal("DECIMAL", c);
      case ColumnType::kReal:
        return "REAL";
    }
    return "TEXT";
  }
  std::string TopClause(int) const override { return {}; }
  std::string LimitClause(int rows) const override { return " LIMIT " + std::to_string(rows); }
  std::string NullSafeEquals(std::string_view e, int* binds) const override {
    *binds = 1;
    return std::string(e) + " IS ?";
  }
  // SQLite keeps a decimal with at most 15 significant digits exactly; as text it reads back
  // in its shortest exact form.
  std::string DecimalSelect(std::string_view col) const override {
    return "CAST(" + std::string(col) + " AS TEXT)";
  }
  int MaxExactDecimalDigits() const override { return 15; }
  std::string ByteLengthCheck(std::string_view col, int bytes) const override {
    return " CHECK (length(CAST(" + std::string(col) + " AS BLOB)) <= " + std::to_string(bytes) +
           ")";
  }
  std::string LockTimeoutStatement(int seconds) const override {
    return "PRAGMA busy_timeout = " + std::to_string(std::max(0, seconds) * 1000);
  }
  std::vector<std::string> SessionStatements(int lockWaitMs) const override {
    return {"PRAGMA busy_timeout = " + std::to_string(std::max(0, lockWaitMs)),
            "PRAGMA journal_mode = WAL"};
  }
  // "UNIQUE constraint failed: t.a, t.b", or "... failed: index 'name'" for an index on
  // expressions.
  std::string DuplicateIndexName(std::string_view text,
                                 std::vector<std::string>* columns) const override {
    std::string name = QuotedAfter(text, "failed: index", '\'', '\'');
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
  std::string UniqueIndexQuery() const override {
    return "SELECT il.name, ii.name FROM pragma_index_list(?) AS il, "
           "pragma_index_info(il.name) AS ii WHERE il.\"unique\" = 1 ORDER BY il.name, ii.seqno";
  }
  std::string WritePermissionQuery(int* binds) const override {
    *binds = 0;
    return {};
  }
  ErrorCode MapError(std::string_view code, std::string_view text) const override {
    if (CodeIs(code, {"1555", "2067", "1299"}) || Contains(text, "UNIQUE constraint failed"))
      return kDuplicateKeyError;
    if (Contains(text, "no such table")) return kNoFileError;
    if (CodeIs(code, {"5", "6", "261", "262", "517"}) || Contains(text, "database is locked"))
      return kRecordHeldError;
    if (CodeIs(code, {"8", "23", "264", "520", "776", "1032"}) ||
        Contains(text, "readonly database"))
      return kAccessDenied;
    return kDriverError;
  }
};

class PostgresDialect final : public Dialect {
 public:
  DatabaseKind Kind() const override { return DatabaseKind::kPostgres; }
  std::string_view Name() const override { return "PostgreSQL"; }
  std::string QuoteIdentifier(std::string_view n) const override { return QuoteWith(n, '"', '"'); }
  std::string TypeName(const ColumnDesc& c) const override {
    switch (c.type) {
      // Byte-order collation, so that the table's own indexes serve the keys' orders.
      case ColumnType::kText:
        return "VARCHAR(" + Width(c) + ") COLLATE \"C\"";
      case ColumnType::kInteger:
        return "INTEGER";
      case ColumnType::kDecimal:
        return Decimal("NUMERIC", c);
      case ColumnType::kReal:
        return "DOUBLE PRECISION";
    }
    return "TEXT";
  }
  std::string TopClause(int) const override { return {}; }
  std::string LimitClause(int rows) const override { return " LIMIT " + std::to_string(rows); }
  std::string NullSafeEquals(std::string_view e, int* binds) const override {
    *binds = 1;
    return std::string(e) + " IS NOT DISTINCT FROM ?";
  }
  std::string ByteOrder(std::string_view expr) const override {
    return std::string(expr) + " COLLATE \"C\"";
  }
  std::string DecimalSelect(std::string_view col) const override {
    return "CAST(" + std::string(col) + " AS TEXT)";
  }
  // VARCHAR(n) counts characters; the field counts bytes.
  std::string ByteLengthCheck(std::string_view col, int bytes) const override {
    return " CHECK (octet_length(" + std::string(col) + ") <= " + std::to_string(bytes) + ")";
  }
  std::string LockTimeoutStatement(int seconds) const override {
    return "SET LOCAL lock_timeout = " + std::to_string(std::max(0, seconds) * 1000);
  }
  std::vector<std::string> SessionStatements(int lockWaitMs) const override {
    return {"SET lock_timeout = " + std::to_string(std::max(0, lockWaitMs))};
  }
  // 'duplicate key value violates unique constraint "name"'
  std::string DuplicateIndexName(std::string_view text, std::vector<std::string>*) const override {
    return QuotedAfter(text, "unique constraint", '"', '"');
  }
  std::string WritePermissionQuery(int* binds) const override {
    *binds = 3;
    return "SELECT has_table_privilege(?, 'INSERT') AND has_table_privilege(?, 'UPDATE') AND "
           "has_table_privilege(?, 'DELETE')";
  }
  // The native code is the SQLSTATE through the PostgreSQL client; through ODBC only the text
  // is reliable, so both are looked at.
  ErrorCode MapError(std::string_view code, std::string_view text) const override {
    if (code == "23505" || Contains(text, "duplicate key")) return kDuplicateKeyError;
    if (code == "42P01" || (Contains(text, "relation") && Contains(text, "does not exist")))
      return kNoFileError;
    if (code == "42501" || Contains(text, "permission denied")) return kAccessDenied;
    if (CodeIs(code, {"55P03", "40P01"}) || Contains(text, "lock timeout") ||
        Contains(text, "deadlock detected"))
      return kRecordHeldError;
    return kDriverError;
  }
};

class SqlServerDialect final : public Dialect {
 public:
  DatabaseKind Kind() const override { return DatabaseKind::kSqlServer; }
  std::string_view Name() const override { return "SQL Server"; }
  std::string QuoteIdentifier(std::string_view n) const override { return QuoteWith(n, '[', ']'); }
  std::string TypeName(const ColumnDesc& c) const override {
    switch (c.type) {
      case ColumnType::kText:
        return "NVARCHAR(" + Width(c) + ")";
      case ColumnType::kInteger:
        return "INT";
      case ColumnType::kDecimal:
        return Decimal("DECIMAL", c);
      case ColumnType::kReal:
        return "FLOAT";
    }
    return "NVARCHAR(MAX)";
  }
  std::string TopClause(int rows) const override { return "TOP (" + std::to_string(rows) + ") "; }
  std::string LimitClause(int) const override { return {}; }
  std::string NullSafeEquals(std::string_view e, int* binds) const override {
    *binds = 2;
    std::string x(e);
    return "(" + x + " = ? OR (" + x + " IS NULL AND ? IS NULL))";
  }
  std::string IndexComponent(std::string_view col, bool) const override { return std::string(col); }
  std::string DropIndex(std::string_view index, std::string_view table) const override {
    return "DROP INDEX " + std::string(index) + " ON " + std::string(table);
  }
  std::string DecimalSelect(std::string_view col) const override {
    return "CAST(" + std::string(col) + " AS VARCHAR(48))";
  }
  std::string LockTimeoutStatement(int seconds) const override {
    return "SET LOCK_TIMEOUT " + std::to_string(std::max(0, seconds) * 1000);
  }
  std::vector<std::string> SessionStatements(int lockWaitMs) const override {
    return {"SET LOCK_TIMEOUT " + std::to_string(std::max(0, lockWaitMs))};
  }
  // "Violation of UNIQUE KEY constraint 'name'." or "Cannot insert duplicate key row in object
  // 'dbo.t' with unique index 'name'."
  std::string DuplicateIndexName(std::string_view text, std::vector<std::string>*) const override {
    std::string name = QuotedAfter(text, "unique index", '\'', '\'');
    return name.empty() ? QuotedAfter(text, "constraint", '\'', '\'') : name;
  }
  std::string WritePermissionQuery(int* binds) const override {
    *binds = 3;
    return "SELECT CASE WHEN HAS_PERMS_BY_NAME(?, 'OBJECT', 'INSERT') = 1 AND "
           "HAS_PERMS_BY_NAME(?, 'OBJECT', 'UPDATE') = 1 AND "
           "HAS_PERMS_BY_NAME(?, 'OBJECT', 'DELETE') = 1 THEN 1 ELSE 0 END";
  }
  // Through ODBC the native code is often that of the closing "statement has been terminated"
  // (3621); the server's own number is in the text.
  ErrorCode MapError(std::string_view code, std::string_view text) const override {
    if (CodeIs(code, {"2627", "2601"}) || ContainsNumber(text, "2627") ||
        ContainsNumber(text, "2601") || Contains(text, "duplicate key"))
      return kDuplicateKeyError;
    if (code == "208" || Contains(text, "Invalid object name")) return kNoFileError;
    if (CodeIs(code, {"229", "230"}) || Contains(text, "permission was denied"))
      return kAccessDenied;
    if (CodeIs(code, {"1222", "1205"}) || Contains(text, "Lock request time out") ||
        Contains(text, "deadlocked"))
      return kRecordHeldError;
    return kDriverError;
  }
};

}  // namespace

std::string Dialect::IndexComponent(std::string_view quotedColumn, bool noCase) const {
  return noCase ? CaseFold(quotedColumn) : std::string(quotedColumn);
}

std::string Dialect::DropIndex(std::string_view quotedIndex, std::string_view) const {
  return "DROP INDEX " + std::string(quotedIndex);
}

const Dialect& DialectFor(DatabaseKind kind) {
  static const SqliteDialect sqlite;
  static const PostgresDialect postgres;
  static const SqlServerDialect sqlServer;
  switch (kind) {
    case DatabaseKind::kSqlite:
      return sqlite;
    case DatabaseKind::kPostgres:
      return postgres;
    case DatabaseKind::kSqlServer:
      return sqlServer;
  }
  return sqlite;
}

}  // namespace kv
