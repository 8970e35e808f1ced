#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// The column types a record field maps to in a database table.
enum class ColumnType {
  kText,     // STRING / CSTRING: `size` bytes of UTF-8 at most; stored clipped of trailing blanks
  kInteger,  // BYTE, SHORT, USHORT, LONG
  kDecimal,  // DECIMAL(precision, scale): exact; bound and read as text, never as a double
  kReal,     // REAL: 64-bit floating point
};

// One column of a table as the SQL layer sees it: its external name and its type.
struct ColumnDesc {
  std::string name;   // external (SQL) column name
  std::string label;  // the field's label in the program ("PRO:PCODE"), for messages
  ColumnType type = ColumnType::kText;
  int size = 0;       // kText: bytes of the field
  int precision = 0;  // kDecimal: total digits
  int scale = 0;      // kDecimal: digits after the point
  // False when the column cannot hold NULL (declared NOT NULL; learnt from the database when a
  // table is opened). Orders and keyset conditions need no NULL handling for such columns.
  bool nullable = true;
};

// A value travelling between a record field and a statement. Decimals travel as their exact
// decimal text ("-0.05", "12345678901.23"); integers as 64-bit numbers; text as UTF-8.
struct SqlValue {
  enum class Kind { kNull, kText, kInteger, kDecimal, kReal };
  Kind kind = Kind::kNull;
  std::string text;  // kText and kDecimal
  std::int64_t integer = 0;
  double real = 0;

  static SqlValue Null() { return {}; }
  static SqlValue Text(std::string t) { return {Kind::kText, std::move(t), 0, 0}; }
  static SqlValue Integer(std::int64_t i) { return {Kind::kInteger, {}, i, 0}; }
  static SqlValue Decimal(std::string t) { return {Kind::kDecimal, std::move(t), 0, 0}; }
  static SqlValue Real(double r) { return {Kind::kReal, {}, 0, r}; }

  bool IsNull() const { return kind == Kind::kNull; }
  bool operator==(const SqlValue&) const = default;
};

// Canonical text of a decimal number: no "+" sign, no leading zeros before the point, no
// trailing zeros after it, no point when there is no fraction, and "0" for any zero ("-0.00"
// too). Text that is not a decimal number is returned unchanged.
std::string CanonicalDecimal(std::string_view text);

// Number of significant digits of a decimal text (leading and trailing zeros do not count;
// zero has one). 0 for text that is not a decimal number.
int SignificantDigits(std::string_view decimalText);

// The canonical text of a value as used in record positions: text clipped of trailing blanks,
// decimals canonical, numbers in plain decimal form.
std::string CanonicalText(const SqlValue& value);

}  // namespace kv
