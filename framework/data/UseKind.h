#pragma once

#include <cstdint>

namespace kv {

// What a caller declares when it calls FileManager::PrepareUse. Record operations of the
// data-access classes pass UseRecord; a window or browse that starts using a file passes
// UseProcedure; Initialize makes sure the manager is initialised and usable (the derived
// class of a table does its costly set-up, InitFile and AddKey, on the first Initialize).
// UseRecordAlt behaves as UseRecord; UseProcedureUnrecorded behaves as UseProcedure but is not
// noted in the thread's scope list (ManagerRegistry::STATUSQ).
using UseKind = std::uint8_t;

inline constexpr UseKind UseRecordAlt = 1;
inline constexpr UseKind UseRecord = 2;
inline constexpr UseKind UseProcedure = 3;
inline constexpr UseKind UseProcedureUnrecorded = 4;
inline constexpr UseKind Initialize = 5;

}  // namespace kv
