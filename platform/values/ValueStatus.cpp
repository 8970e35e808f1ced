#include "platform/values/ValueStatus.h"

namespace kv {

const char* ValueStatusName(ValueStatus status) {
  switch (status) {
    case ValueStatus::kOk:
      return "ok";
    case ValueStatus::kOverflow:
      return "overflow";
    case ValueStatus::kInvalid:
      return "invalid";
    case ValueStatus::kDivideByZero:
      return "divide by zero";
  }
  return "?";
}

}  // namespace kv
