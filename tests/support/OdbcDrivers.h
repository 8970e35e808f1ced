#pragma once

#include <string>

namespace kv::testing {

// Registers the ODBC drivers the tests use (SQLite3, PostgreSQL Unicode, FreeTDS) in a
// temporary odbcinst.ini and points unixODBC at it (ODBCSYSINI), so the tests do not depend
// on what the machine registered. Safe to call more than once; call before the first ODBC
// connection. Returns true when the library file of `driver` exists.
bool OdbcDriverInstalled(const std::string& driver);

}  // namespace kv::testing
