#include "platform/storage/Dialect.h"

#include "platform/storage/DialectSupport.h"
#include "platform/storage/PostgresDialect.h"
#include "platform/storage/SqlServerDialect.h"
#include "platform/storage/SqliteDialect.h"
#include "platform/values/Utf8Text.h"

namespace kv {

namespace {

std::string Call(std::string_view fn, std::string_view arg) {
  std::string out(fn);
  out += '(';
  out += arg;
  out += ')';
  return out;
}

}  // namespace

std::string Dialect::QuoteIdentifier(std::string_view name) const {
  const char close = QuoteClose();
  std::string out(1, QuoteOpen());
  for (char c : name) {
    out += c;
    if (c == close) out += close;
  }
  out += close;
  return out;
}

std::string Dialect::Placeholder(const SqlValue& value) const {
  return ColumnPlaceholder(value);
}

std::string Dialect::ColumnPlaceholder(const SqlValue& value) const {
  return value.kind == SqlValue::Kind::kDecimal ? DecimalParameter(value) : std::string("?");
}

std::string Dialect::CompareText(std::string_view a, std::string_view op,
                                 std::string_view b) const {
  std::string out = ByteOrder(a);
  out += ' ';
  out += op;
  out += ' ';
  out += b;
  return out;
}

std::string Dialect::Upper(std::string_view text) const {
  return Translate(text, FoldSmallLetters(), FoldCapitalLetters());
}

std::string Dialect::Lower(std::string_view text) const {
  return Translate(text, FoldCapitalLetters(), FoldSmallLetters());
}

std::string Dialect::Translate(std::string_view text, std::string_view from,
                               std::string_view to) const {
  // The lists hold letters only, so no quote needs doubling.
  return dialect::Join({"TRANSLATE(", text, ", '", from, "', '", to, "')"});
}

std::string Dialect::NullsPlacement(bool) const {
  return {};
}

std::string Dialect::TrimLeft(std::string_view text) const {
  return Call("LTRIM", text);
}

std::string Dialect::TrimRight(std::string_view text) const {
  return Call("RTRIM", text);
}

std::string Dialect::BooleanValue(std::string_view condition) const {
  std::string out = "(CASE WHEN ";
  out += condition;
  out += " THEN 1 ELSE 0 END)";
  return out;
}

std::string Dialect::IndexComponent(std::string_view quotedColumn, bool text, bool noCase,
                                    bool ascending, bool nullable) const {
  std::string out = noCase && text ? Upper(quotedColumn) : std::string(quotedColumn);
  if (text) out = ByteOrder(out);
  out += ascending ? " ASC" : " DESC";
  if (nullable) out += NullsPlacement(ascending);
  return out;
}

Statement Dialect::LinguisticColumns(std::string_view) const {
  return {};
}

Statement Dialect::ByteOrderIndexes(std::string_view) const {
  return {};
}

Statement Dialect::UnfoldedIndexes(std::string_view) const {
  return {};
}

std::string Dialect::ByteLengthCheck(std::string_view, int) const {
  return {};
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

bool Dialect::ConnectionLost(std::string_view, std::string_view) const {
  return false;
}

}  // namespace kv
