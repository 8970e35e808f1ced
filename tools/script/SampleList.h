#pragma once

#include <string>

namespace kv {

// A list over a few thousand products, to try scrolling on the desktop: "Sample List" shows
// the products of an embedded SQLite database "listsample" in the working directory (created
// and filled with kSampleListProducts products on first use) in the immediate list ?LIST
// (code, description, price) with a scroll bar, and the button ?CLOSE. The list shows
// kSampleListRows rows in the order of the code; its thumb follows the code through a text
// thumb step, and typed letters move it through a locator on the code without regard to case.
//
// The SQL drivers must be registered first (RegisterSqlDrivers). Runs on the calling logical
// thread until the window closes.
void SampleListProcedure();

inline constexpr int kSampleListProducts = 3000;
inline constexpr int kSampleListRows = 15;

// The code of product `n` (1..kSampleListProducts): a capital letter that cycles through the
// alphabet with n, then n in four digits ("A0001", "B0002", ... "Z0026", "A0027").
std::string SampleListCode(int n);

}  // namespace kv
