#pragma once

#include <string>
#include <vector>

namespace kv {

// One component of a key: a field of the record (0-based field number) and its direction.
struct KeyComponent {
  int field = 0;
  bool ascending = true;
};

// A key of a table declaration. Keys are numbered from 1 in declaration order; key 0 stands for
// the table's own order (its primary key, else its first unique key, else all its columns).
struct KeyDecl {
  std::string label;         // "PRO:PK_Pcode": the name the program and messages use
  std::string externalName;  // the index name in the database; derived from the label if empty
  std::vector<KeyComponent> components;
  bool duplicates = false;  // false: unique key
  bool noCase = false;      // text components compare and sort ignoring case
  bool primary = false;     // the table's primary key (at most one key)
};

}  // namespace kv
