#pragma once

#include <cstdint>

namespace kv {

// Outcome of a value operation: an assignment, a conversion, an arithmetic step or a parse.
// Operations that can fail return it as a value; nothing in the value layer throws.
enum class ValueStatus : std::uint8_t {
  kOk = 0,
  // The result does not fit the target (digits of a DECIMAL, range of an integer type, the
  // 38 significant digits of a DecimalValue). The target is left unchanged.
  kOverflow = 1,
  // The input is not a value of the kind asked for (text that is not a number where a number
  // is required, NaN or infinity, a null reference). The target is left unchanged.
  kInvalid = 2,
  // Division by zero. The target is left unchanged.
  kDivideByZero = 3,
};

// Short name of a status for messages and test output ("ok", "overflow", ...).
const char* ValueStatusName(ValueStatus status);

}  // namespace kv
