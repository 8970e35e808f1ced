#include "platform/expr/ExprError.h"

namespace kv {

std::string ExprError::Describe() const {
  if (ok()) return {};
  return message + " at position " + std::to_string(position + 1);
}

}  // namespace kv
