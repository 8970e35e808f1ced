#pragma once

#include <string>
#include <string_view>

namespace kv {

// Owner strings name the database a table lives in. The connection dialog composes them as
//   server,database[,user,password]
// A part that holds a comma or a double quote is written in double quotes, with each double
// quote inside doubled: a server with a port ("host,1433"), a user "do,main" or a database
// "a,b" stay one part each. An unquoted password is everything after the third separator (it
// may contain commas). Two parts only (no user and password) ask for the operating system's
// integrated login.
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
// for a string that names no usable database: an unterminated quote or text after a closing
// quote, a port that is not a number, a PostgreSQL address without a host, an SQLite name that
// is not a plain file name (path separators or "..": the file must stay in the working
// directory). Thread: any.
[[nodiscard]] bool ParseOwner(std::string_view owner, OwnerSpec* out, std::string* why = nullptr);

// One part of an owner string as ComposeOwnerPart writes it: `value` itself, or in double quotes
// with every double quote doubled when it holds a comma or a double quote. Thread: any.
std::string ComposeOwnerPart(std::string_view value);

// True when `value` may be written into an ODBC connection string without braces: not empty
// is not required, but none of ; { } = and no control characters.
bool IsSafeOdbcValue(std::string_view value);

// What the ODBC layer needs to reach a SQL Server owner through the FreeTDS driver.
//
// FreeTDS reads a braced value up to the first "}" that is followed by ";" (or, at the very end
// of the string, up to the end, closing brace included) and never turns "}}" back into "}";
// an unbraced value ends at the first ";". So every value is braced and followed by ";", and
// a value holding "};" cannot be carried at all. The toolkit's ODBC layer, for its part, reads
// a connection string that contains ".dsn" anywhere as the name of a data source file, and
// appends the user and the password itself as ";UID=" user ";PWD=" password after that check.
// Hence the split below: the credentials never enter `connectionString`.
struct OdbcLogin {
  // Driver={name};Server=host;Port=port;Database={db};TDS_Version=7.4;ClientCharset=UTF-8
  // (Port and Database only when given; Trusted_Connection=Yes before TDS_Version for the
  // integrated login). No ";" at the end.
  std::string connectionString;
  // The values that follow "UID=" and "PWD=": "{user}" and "{password}". Empty for the
  // integrated login.
  std::string uid;
  std::string pwd;
};

// Builds the ODBC login for a SQL Server owner with the given ODBC driver name. Every value
// reaches the server exactly as given, or the owner is refused before any connection is tried:
// false, `out` untouched, and `why` says which value holds which character that cannot be
// carried and why (it never quotes the value itself, which may be a password). Refused: control
// characters anywhere; ";", "{", "}" or "=" in the host or port; "};" in the database, user or
// password; ".dsn" (any case) in the host or database. Thread: any.
[[nodiscard]] bool BuildOdbcLogin(const OwnerSpec& spec, std::string_view driverName,
                                  OdbcLogin* out, std::string* why = nullptr);

}  // namespace kv
