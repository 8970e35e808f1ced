#include "platform/RuntimeError.h"

namespace kv {
namespace {

thread_local RuntimeError tLastError;

}  // namespace

void SetLastError(int code, std::string_view text) {
  SetLastError(code, text, {}, {});
}

void SetLastError(int code, std::string_view text, std::string_view driverCode,
                  std::string_view driverText) {
  tLastError.code = code;
  tLastError.text.assign(text);
  tLastError.driverCode.assign(driverCode);
  tLastError.driverText.assign(driverText);
}

void ClearLastError() {
  tLastError = RuntimeError{};
}

const RuntimeError& LastError() {
  return tLastError;
}

}  // namespace kv
