#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/expr/SqlParam.h"

namespace kv {

// The differences between SQL servers that matter when an expression is translated to SQL:
// identifier quoting, parameter markers, string concatenation, substring and position
// functions, exact division and the conversion of a condition into a value. Every argument
// handed to these functions is already SQL text (a quoted column, a parameter marker, or a
// translated sub-expression in parentheses); implementations only arrange it, and may repeat
// or reorder arguments freely: parameters are numbered after the whole text is built. The storage
// layer's dialect object is expected to implement this interface as well, so that one
// object holds every difference of a server.
//
// Implementations are stateless; any thread may use one concurrently.
class SqlFunctionDialect {
 public:
  virtual ~SqlFunctionDialect() = default;

  // Short name for messages and tests ("SQLite").
  virtual std::string_view DialectName() const = 0;

  // `name` quoted as an identifier, with any quote character inside it doubled.
  virtual std::string QuoteIdentifier(std::string_view name) const = 0;

  // The marker for parameter number `index` (from 1) of the given kind. Servers that cannot
  // infer a marker's type from its context wrap it in a cast.
  virtual std::string Placeholder(int index, SqlParamKind kind) const;

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

  virtual std::string Upper(std::string_view text) const;
  virtual std::string Lower(std::string_view text) const;
  // Without leading, respectively trailing, blanks.
  virtual std::string TrimLeft(std::string_view text) const;
  virtual std::string TrimRight(std::string_view text) const;

  // A condition used where a value is needed: 1 when it holds, else 0.
  virtual std::string BooleanValue(std::string_view condition) const;

  // The comparison `a op b` of two texts (op is one of = <> < > <= >=). Texts compare byte by
  // byte (code point order), case-sensitively, as the runtime compares them; a server whose
  // collation would order or match differently forces a binary one here. Default: a op b.
  virtual std::string CompareText(std::string_view a, std::string_view op,
                                  std::string_view b) const;
};

// SQLite: "double quotes", ||, SUBSTR, INSTR. Decimal parameters (bound as exact text) are
// cast to numbers, since SQLite compares a computed number with text as text.
class SqliteFunctionDialect : public SqlFunctionDialect {
 public:
  std::string_view DialectName() const override { return "SQLite"; }
  std::string QuoteIdentifier(std::string_view name) const override;
  std::string Placeholder(int index, SqlParamKind kind) const override;
  std::string Concat(std::string_view a, std::string_view b) const override;
  std::string Substring(std::string_view text, std::string_view start,
                        std::optional<std::string_view> length) const override;
  std::string Position(std::string_view needle, std::string_view haystack) const override;
  std::string Divide(std::string_view a, std::string_view b) const override;
};

// PostgreSQL: "double quotes", ||, SUBSTR, STRPOS; parameter markers carry a cast because
// the server does not infer types through operators such as "? + ?".
class PostgresFunctionDialect : public SqlFunctionDialect {
 public:
  std::string_view DialectName() const override { return "PostgreSQL"; }
  std::string QuoteIdentifier(std::string_view name) const override;
  std::string Placeholder(int index, SqlParamKind kind) const override;
  std::string Concat(std::string_view a, std::string_view b) const override;
  std::string Substring(std::string_view text, std::string_view start,
                        std::optional<std::string_view> length) const override;
  std::string Position(std::string_view needle, std::string_view haystack) const override;
  std::string Divide(std::string_view a, std::string_view b) const override;
  // The trims take numbers too (LEFT of a numeric column), which the server wants as text.
  std::string TrimLeft(std::string_view text) const override;
  std::string TrimRight(std::string_view text) const override;
  // Orderings use the "C" collation (equality is bytewise under any deterministic one).
  std::string CompareText(std::string_view a, std::string_view op,
                          std::string_view b) const override;
};

// SQL Server: [brackets], CONCAT, SUBSTRING (whose length is required), CHARINDEX. Text
// comparisons use a binary collation, since the usual ones ignore case (a filter would then
// pass rows on the server that it rejects locally); trailing blanks stay insignificant.
class SqlServerFunctionDialect : public SqlFunctionDialect {
 public:
  std::string CompareText(std::string_view a, std::string_view op,
                          std::string_view b) const override;
  std::string_view DialectName() const override { return "SQL Server"; }
  std::string QuoteIdentifier(std::string_view name) const override;
  std::string Concat(std::string_view a, std::string_view b) const override;
  std::string Substring(std::string_view text, std::string_view start,
                        std::optional<std::string_view> length) const override;
  std::string Position(std::string_view needle, std::string_view haystack) const override;
  std::string Divide(std::string_view a, std::string_view b) const override;
};

}  // namespace kv
