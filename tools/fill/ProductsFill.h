#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kv {

// The product number `n` (from 1) as the fill generates it: code a letter (A for 1, B for 2, ...
// Z for 26, A again for 27) and the number in seven digits, so every letter begins a
// twenty-sixth of the codes and a typed letter has somewhere to go; description "Product <n> <one
// of a few words>", a price between 0.01 and 999.99 and a provider from 1 to 500, all derived from
// n.
struct GeneratedProduct {
  std::string code;
  std::string description;
  std::string price;  // exact decimal text
  std::int32_t provider = 0;
};
GeneratedProduct ProductNumber(std::int64_t n);

// Fills the Products table of the database `owner` names (an owner string as the connection
// dialog composes it; ",Korvandel" is the program's own SQLite file in the working directory)
// with products 1..count, after removing every row when `replace` (without it, the numbers
// must not be in the table yet). A missing table is created from the program's declaration.
// All rows go in one transaction, many rows per prepared insert. `progress` (may be empty) is
// called with the rows written so far now and then. Returns an empty text on success, else
// what failed (nothing is kept then). The calling thread must be a logical thread.
std::string FillProducts(const std::string& owner, std::int64_t count, bool replace,
                         const std::function<void(std::int64_t)>& progress = {});

}  // namespace kv
