#pragma once

#include <cstdint>

namespace kv {

// What a procedure is asked to do. A procedure receives it in its thread's GlobalRequest and
// copies it into its window manager's REQUEST; 0 means no request.
using RequestCode = std::uint8_t;

inline constexpr RequestCode InsertRecord = 1;
inline constexpr RequestCode ChangeRecord = 2;
inline constexpr RequestCode DeleteRecord = 3;
inline constexpr RequestCode SelectRecord = 4;
inline constexpr RequestCode ViewRecord = 6;
// Set by the save button of a form; the form stays open after the save.
inline constexpr RequestCode SaveRecord = 7;

// How a procedure ended. A procedure whose RESPONSE is still 0 when it ends answers
// RequestCancelled, so a caller always sees one of the two values.
using ResponseCode = std::uint8_t;

inline constexpr ResponseCode RequestCompleted = 1;
inline constexpr ResponseCode RequestCancelled = 2;

}  // namespace kv
