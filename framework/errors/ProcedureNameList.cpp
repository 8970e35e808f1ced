#include "framework/errors/ProcedureNameList.h"

#include "framework/errors/MessageText.h"

namespace kv {

void ProcedureNameList::Push(std::int32_t thread, std::string_view name) {
  rows_.push_back(Row{thread, std::string(ClipBlanks(name))});
}

bool ProcedureNameList::Pop(std::int32_t thread) {
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
    if (it->THREAD == thread) {
      rows_.erase(std::next(it).base());
      return true;
    }
  }
  return false;
}

std::string ProcedureNameList::Current(std::int32_t thread) const {
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) {
    if (it->THREAD == thread) return it->NAME;
  }
  return {};
}

}  // namespace kv
