#pragma once

#include <cstdint>
#include <vector>

#include "platform/values/ValueType.h"
#include "platform/values/VarRef.h"

namespace kv {

// A variable that owns its storage, of any runtime type: the "cleared buffer of the same
// type" that field pair lists, query fields and saved values need. It hands out VarRefs to
// itself. The storage lives on the heap, so a VarRef stays valid when the Value is moved
// (into a vector, out of a function) and ends when the Value is destroyed; a copy of a Value
// has storage of its own. Not thread-safe, like any variable.
class Value {
 public:
  // A null value: Ref() is a null VarRef.
  Value() = default;
  // A cleared variable of the given description (blank STRING, empty CSTRING, zero).
  // `size` is the byte size; digits and places matter only for DECIMAL.
  Value(ValueType type, std::uint32_t size, int digits = 0, int places = 0);

  // A cleared variable with the type, size, digits and places of `like` (null for null).
  static Value ClearedLike(const VarRef& like);
  // A variable of the same description holding a copy of `source`'s bytes.
  static Value CopyOf(const VarRef& source);

  bool IsNull() const { return bytes_.empty(); }
  // A reference to this variable; null for a null Value.
  VarRef Ref() {
    return bytes_.empty() ? VarRef() : VarRef(bytes_.data(), type_, size_, digits_, places_);
  }

 private:
  std::vector<unsigned char> bytes_;
  ValueType type_ = ValueType::kString;
  std::uint32_t size_ = 0;
  int digits_ = 0;
  int places_ = 0;
};

}  // namespace kv
