#pragma once

#include <string>
#include <vector>

#include "platform/storage/SqlValue.h"

namespace kv {

// SQL text with "?" markers and the values bound to them, in the order of the markers. This is
// the one form in which statements travel: built by SqlBuilder, KeysetBuilder, ViewQuery and
// SqlTranslator, run by the drivers. User data only ever travels in `binds`; the text holds
// nothing but the program's own SQL and quoted identifiers.
struct Statement {
  std::string sql;
  std::vector<SqlValue> binds;

  // Appends `text` to the SQL.
  Statement& operator+=(std::string_view text) {
    sql += text;
    return *this;
  }
  // Appends `other`'s text and its values after this one's.
  void Append(const Statement& other) {
    sql += other.sql;
    binds.insert(binds.end(), other.binds.begin(), other.binds.end());
  }
  // Appends `marker` (a text holding one "?" per value, such as "CAST(? AS NUMERIC)") and
  // binds `value` once for each "?" in it.
  void AppendValue(std::string_view marker, const SqlValue& value) {
    sql += marker;
    for (char c : marker)
      if (c == '?') binds.push_back(value);
  }
};

}  // namespace kv
