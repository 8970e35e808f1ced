#pragma once

#include <cstdint>

namespace kv {

// The runtime's plain numeric types. They are the C++ fixed-width types themselves, so record
// structs hold them directly and VarRef recognises them by type.
using Byte = std::uint8_t;     // BYTE
using Short = std::int16_t;    // SHORT
using UShort = std::uint16_t;  // USHORT
using Long = std::int32_t;     // LONG
using Real = double;           // REAL

static_assert(sizeof(Real) == 8, "REAL is 64-bit");

}  // namespace kv
