#include "platform/values/ValueType.h"

namespace kv {

const char* ValueTypeName(ValueType type) {
  switch (type) {
    case ValueType::kString:
      return "STRING";
    case ValueType::kCString:
      return "CSTRING";
    case ValueType::kByte:
      return "BYTE";
    case ValueType::kShort:
      return "SHORT";
    case ValueType::kUShort:
      return "USHORT";
    case ValueType::kLong:
      return "LONG";
    case ValueType::kDecimal:
      return "DECIMAL";
    case ValueType::kReal:
      return "REAL";
  }
  return "?";
}

}  // namespace kv
