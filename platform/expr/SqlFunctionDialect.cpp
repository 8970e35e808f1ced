#include "platform/expr/SqlFunctionDialect.h"

namespace kv {

namespace {

std::string Call(std::string_view fn, std::string_view arg) {
  std::string out(fn);
  out += '(';
  out += arg;
  out += ')';
  return out;
}

std::string Quote(std::string_view name, char open, char close) {
  std::string out(1, open);
  for (char c : name) {
    out.push_back(c);
    if (c == close) out.push_back(c);
  }
  out.push_back(close);
  return out;
}

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (auto p : parts) out += p;
  return out;
}

}  // namespace

std::string SqlFunctionDialect::Placeholder(int, SqlParamKind) const {
  return "?";
}
std::string SqlFunctionDialect::Upper(std::string_view t) const {
  return Call("UPPER", t);
}
std::string SqlFunctionDialect::Lower(std::string_view t) const {
  return Call("LOWER", t);
}
std::string SqlFunctionDialect::TrimLeft(std::string_view t) const {
  return Call("LTRIM", t);
}
std::string SqlFunctionDialect::TrimRight(std::string_view t) const {
  return Call("RTRIM", t);
}
std::string SqlFunctionDialect::BooleanValue(std::string_view c) const {
  return Join({"(CASE WHEN ", c, " THEN 1 ELSE 0 END)"});
}

std::string SqlFunctionDialect::CompareText(std::string_view a, std::string_view op,
                                            std::string_view b) const {
  return Join({a, " ", op, " ", b});
}

// --- SQLite ------------------------------------------------------------------------------

std::string SqliteFunctionDialect::QuoteIdentifier(std::string_view name) const {
  return Quote(name, '"', '"');
}
std::string SqliteFunctionDialect::Placeholder(int, SqlParamKind kind) const {
  return kind == SqlParamKind::kDecimal ? "CAST(? AS NUMERIC)" : "?";
}
std::string SqliteFunctionDialect::Concat(std::string_view a, std::string_view b) const {
  return Join({"(", a, " || ", b, ")"});
}
std::string SqliteFunctionDialect::Substring(std::string_view text, std::string_view start,
                                             std::optional<std::string_view> length) const {
  if (!length) return Join({"SUBSTR(", text, ", ", start, ")"});
  return Join({"SUBSTR(", text, ", ", start, ", ", *length, ")"});
}
std::string SqliteFunctionDialect::Position(std::string_view needle,
                                            std::string_view haystack) const {
  return Join({"INSTR(", haystack, ", ", needle, ")"});
}
std::string SqliteFunctionDialect::Divide(std::string_view a, std::string_view b) const {
  // SQLite divides integers as integers; a REAL operand keeps the fraction.
  return Join({"COALESCE(CAST(", a, " AS REAL) / NULLIF(", b, ", 0), 0)"});
}

// --- PostgreSQL --------------------------------------------------------------------------

std::string PostgresFunctionDialect::QuoteIdentifier(std::string_view name) const {
  return Quote(name, '"', '"');
}
std::string PostgresFunctionDialect::Placeholder(int, SqlParamKind kind) const {
  switch (kind) {
    case SqlParamKind::kText:
      return "CAST(? AS TEXT)";
    case SqlParamKind::kInteger:
      return "CAST(? AS INTEGER)";
    case SqlParamKind::kDecimal:
      return "CAST(? AS NUMERIC)";
  }
  return "?";
}
std::string PostgresFunctionDialect::Concat(std::string_view a, std::string_view b) const {
  return Join({"(CAST(", a, " AS TEXT) || CAST(", b, " AS TEXT))"});
}
std::string PostgresFunctionDialect::Substring(std::string_view text, std::string_view start,
                                               std::optional<std::string_view> length) const {
  if (!length) return Join({"SUBSTR(CAST(", text, " AS TEXT), ", start, ")"});
  return Join({"SUBSTR(CAST(", text, " AS TEXT), ", start, ", ", *length, ")"});
}
std::string PostgresFunctionDialect::Position(std::string_view needle,
                                              std::string_view haystack) const {
  return Join({"STRPOS(CAST(", haystack, " AS TEXT), ", needle, ")"});
}
std::string PostgresFunctionDialect::Divide(std::string_view a, std::string_view b) const {
  return Join({"COALESCE(CAST(", a, " AS NUMERIC) / NULLIF(", b, ", 0), 0)"});
}

std::string PostgresFunctionDialect::TrimLeft(std::string_view text) const {
  return Join({"LTRIM(CAST(", text, " AS TEXT))"});
}
std::string PostgresFunctionDialect::TrimRight(std::string_view text) const {
  return Join({"RTRIM(CAST(", text, " AS TEXT))"});
}

std::string PostgresFunctionDialect::CompareText(std::string_view a, std::string_view op,
                                                 std::string_view b) const {
  if (op == "=" || op == "<>") return Join({a, " ", op, " ", b});
  return Join({a, " COLLATE \"C\" ", op, " ", b});
}

// --- SQL Server --------------------------------------------------------------------------

std::string SqlServerFunctionDialect::QuoteIdentifier(std::string_view name) const {
  return Quote(name, '[', ']');
}
std::string SqlServerFunctionDialect::CompareText(std::string_view a, std::string_view op,
                                                  std::string_view b) const {
  return Join({a, " COLLATE Latin1_General_BIN2 ", op, " ", b});
}
std::string SqlServerFunctionDialect::Concat(std::string_view a, std::string_view b) const {
  // CONCAT converts numbers to text, where "+" would add them.
  return Join({"CONCAT(", a, ", ", b, ")"});
}
std::string SqlServerFunctionDialect::Substring(std::string_view text, std::string_view start,
                                                std::optional<std::string_view> length) const {
  // SUBSTRING needs a length; LEN ignores trailing blanks, DATALENGTH covers every byte.
  if (!length) return Join({"SUBSTRING(", text, ", ", start, ", DATALENGTH(", text, "))"});
  return Join({"SUBSTRING(", text, ", ", start, ", ", *length, ")"});
}
std::string SqlServerFunctionDialect::Position(std::string_view needle,
                                               std::string_view haystack) const {
  return Join({"CHARINDEX(", needle, ", ", haystack, ")"});
}
std::string SqlServerFunctionDialect::Divide(std::string_view a, std::string_view b) const {
  return Join({"COALESCE(CAST(", a, " AS DECIMAL(38, 10)) / NULLIF(", b, ", 0), 0)"});
}

}  // namespace kv
