#include "app/Globals.h"

namespace kv {

// Definition order is construction order: the connection string first (empty), then the
// error manager, then the settings manager, whose tear-down after program main therefore runs
// before the error manager's.
ConnectionString ConnectionOwner;
ErrorManager GlobalErrors;
IniManager INIMgr;

thread_local std::uint8_t GlobalRequest = 0;
thread_local std::uint8_t GlobalResponse = 0;
thread_local std::int32_t VCRRequest = 0;

}  // namespace kv
