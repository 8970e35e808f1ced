#include "platform/values/Value.h"

#include <cstring>

namespace kv {

Value::Value(ValueType type, std::uint32_t size, int digits, int places)
    : bytes_(size == 0 ? 1 : size),  // never empty: empty storage means null
      type_(type),
      size_(size == 0 ? 1 : size),
      digits_(digits),
      places_(places) {
  Ref().Clear();
}

Value Value::ClearedLike(const VarRef& like) {
  if (like.IsNull()) return Value();
  return Value(like.Type(), like.Size(), like.Digits(), like.Places());
}

Value Value::CopyOf(const VarRef& source) {
  Value v = ClearedLike(source);
  if (!v.IsNull()) std::memcpy(v.bytes_.data(), source.Address(), source.Size());
  return v;
}

}  // namespace kv
