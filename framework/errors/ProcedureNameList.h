#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The names of the running procedures of every thread, innermost last. Each procedure pushes
// its name when it starts and pops it when it ends; "%Procedure" shows the innermost one of the
// reporting thread. Not synchronised: the error manager holds its lock around every call.
class ProcedureNameList {
 public:
  struct Row {
    std::int32_t THREAD = 0;
    std::string NAME;
  };

  // Appends (thread, name without trailing blanks).
  void Push(std::int32_t thread, std::string_view name);

  // Removes the last row of `thread`, if any. Returns false when the thread has none.
  bool Pop(std::int32_t thread);

  // The name of the last row of `thread`; empty when it has none.
  std::string Current(std::int32_t thread) const;

  std::size_t Count() const { return rows_.size(); }

 private:
  std::vector<Row> rows_;
};

}  // namespace kv
