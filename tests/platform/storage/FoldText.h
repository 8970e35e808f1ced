#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/storage/Dialect.h"

namespace kv {

// `sql` with every case folding the dialect wrote (Dialect::Upper and Lower, long TRANSLATE or
// REPLACE chains) shown as UPPER(x) and LOWER(x), so that tests of how statements are arranged
// read plainly. The folding itself is checked against real servers.
inline std::string ReadableFolds(const Dialect& d, std::string sql) {
  const std::string upper = d.Upper("\x01"), lower = d.Lower("\x01");
  for (const auto& [name, fold] :
       {std::pair<std::string_view, std::string_view>{"UPPER", upper}, {"LOWER", lower}}) {
    const size_t cut = fold.find('\x01');
    const std::string_view prefix = fold.substr(0, cut), suffix = fold.substr(cut + 1);
    for (size_t from = 0, end; (end = sql.find(suffix, from)) != std::string::npos;) {
      // The argument ends at `end`; it starts where the prefix ends at its own nesting depth.
      size_t start = end;
      int depth = 0;
      while (start > 0 &&
             !(depth == 0 && start >= prefix.size() &&
               std::string_view(sql).substr(start - prefix.size(), prefix.size()) == prefix)) {
        if (sql[start - 1] == ')') ++depth;
        if (sql[start - 1] == '(') --depth;
        --start;
      }
      if (start < prefix.size() || depth != 0) {  // not the end of a folding
        from = end + 1;
        continue;
      }
      const std::string shown = std::string(name) + "(" + sql.substr(start, end - start) + ")";
      sql = sql.substr(0, start - prefix.size()) + shown + sql.substr(end + suffix.size());
      from = start - prefix.size() + shown.size();
    }
  }
  return sql;
}

}  // namespace kv
