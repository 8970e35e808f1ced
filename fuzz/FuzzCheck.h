#pragma once

#include <cstdio>
#include <cstdlib>

namespace kv::fuzz {

// A property a fuzz target checks on every input: when it does not hold, the input is a
// finding like a crash (libFuzzer saves it and stops).
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

}  // namespace kv::fuzz
