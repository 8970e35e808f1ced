#pragma once

#include <string>
#include <string_view>

namespace kv {

// Owner strings name the database a table lives in. The connection dialog composes them as
//   server,database[,user,password]
// where a server that itself contains a comma (a port: host,1433) is written in double quotes,
// and the password is everything after the third separator (it may contain commas). Two parts
// only (no user and password) ask for the operating system's integrated login.
//
// The server part selects the database:
//   empty                      the embedded SQLite database: a file in the working directory
//                              named by the database part, ".sqlite" appended when the name has
//                              no extension, "Korvandel.sqlite" when the part is empty;
//   postgresql://host[:port]   PostgreSQL (an IPv6 host is written in brackets);
//   anything else              SQL Server through ODBC; "host,port" gives host and port.

enum class DatabaseKind { kSqlite, kPostgres, kSqlServer };

struct OwnerSpec {
  DatabaseKind kind = DatabaseKind::kSqlite;
  std::string server;    // the server part as written, quotes removed
  std::string host;      // PostgreSQL and SQL Server: the host (SQL Server: may hold \instance)
  std::string port;      // digits, or empty for the default port
  std::string database;  // the database part; for SQLite the file name actually used
  std::string user;
  std::string password;
  bool integratedLogin = true;  // no user/password part: the driver's integrated login
};

// Parses `owner`. Returns true and fills `out`; false (with the reason in `why`, when given)
// for a string that names no usable database: an unterminated quote, a port that is not a
// number, a PostgreSQL address without a host, an SQLite name that is not a plain file name
// (path separators or "..": the file must stay in the working directory). Thread: any.
[[nodiscard]] bool ParseOwner(std::string_view owner, OwnerSpec* out, std::string* why = nullptr);

// True when `value` may be written into an ODBC connection string without braces: not empty
// is not required, but none of ; { } = and no control characters.
bool IsSafeOdbcValue(std::string_view value);

// Builds the ODBC connection string for a SQL Server owner with the given ODBC driver name:
//   Driver={name};Server=host;Port=port;Database=db;UID=user;PWD={password};
//   TDS_Version=7.4;ClientCharset=UTF-8;
// (Port only when given; Trusted_Connection=Yes instead of UID/PWD for integrated login).
// Host, port, database and user are checked with IsSafeOdbcValue; the password is braced with
// every "}" doubled, so no user text can add keys of its own. Returns false (reason in `why`)
// when a value is refused. Thread: any.
[[nodiscard]] bool BuildOdbcConnectionString(const OwnerSpec& spec, std::string_view driverName,
                                             std::string* out, std::string* why = nullptr);

}  // namespace kv
