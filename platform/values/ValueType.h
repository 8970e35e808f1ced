#pragma once

#include <cstdint>

namespace kv {

// The kinds of variable the runtime knows. A variable's type, byte size and (for DECIMAL)
// digits and places describe it completely; VarRef and FieldDesc carry these.
enum class ValueType : std::uint8_t {
  kString = 1,   // STRING(n): n bytes of UTF-8, blank padded
  kCString = 2,  // CSTRING(n): NUL-terminated, at most n-1 bytes of text, NUL padded
  kByte = 3,     // BYTE: 8-bit unsigned
  kShort = 4,    // SHORT: 16-bit signed
  kUShort = 5,   // USHORT: 16-bit unsigned
  kLong = 6,     // LONG: 32-bit signed
  kDecimal = 7,  // DECIMAL(digits, places): exact scaled integer
  kReal = 8,     // REAL: 64-bit binary floating point
};

// True for STRING and CSTRING.
constexpr bool IsTextType(ValueType type) {
  return type == ValueType::kString || type == ValueType::kCString;
}

// True for BYTE, SHORT, USHORT and LONG.
constexpr bool IsIntegerType(ValueType type) {
  return type == ValueType::kByte || type == ValueType::kShort || type == ValueType::kUShort ||
         type == ValueType::kLong;
}

// Name of the type as declared in record layouts ("STRING", "DECIMAL", ...).
const char* ValueTypeName(ValueType type);

}  // namespace kv
