#pragma once

#include <cstdint>

namespace kv {

// The level of a message in the message table, and the result of the reporting operations and
// of most framework operations. Any value outside 0-5 is treated as `Program` by the error
// manager (it ends the program).
//
//   value  as a message level               as a result
//   0      not shown at all                 go on; for a question: the user answered Yes
//   1      a Yes/No question                -
//   2      handled exactly as Fatal         -
//   3      shown, then the program ends     stop (an event handler leaves its event loop)
//   4      handled exactly as User          the user answered No or declined
//   5      shown with an OK button          the message was shown; the general "failed" result
using ResultLevel = std::uint8_t;

inline constexpr ResultLevel Benign = 0;
inline constexpr ResultLevel User = 1;
inline constexpr ResultLevel Program = 2;
inline constexpr ResultLevel Fatal = 3;
inline constexpr ResultLevel Cancel = 4;
inline constexpr ResultLevel Notify = 5;

}  // namespace kv
