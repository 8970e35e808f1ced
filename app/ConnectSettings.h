#pragma once

#include <string>

#include "platform/settings/ProfileFile.h"

namespace kv {

// What the connection dialog reads and writes: the entries of section "MSSQLConnect" of
// "Korvandel.INI" in the current working directory, and the connection string composed from
// them.
//
// Entries, all written together after every successful connection (never after a failed one):
//   "LOC:Server"       server text            "LOC:DBname"       database name
//   "LOC:WindowsAuth"  0 or 1                 "LOC:RemeberUP"    0 or 1
//   "LOC:AutoConnect"  0 or 1
//   "LOC:User"         the user name when "Remember User/Password" is checked, else empty
//   "LOC:Pass"         the password, in plain text, when it is checked, else empty
// The settings file is created owner-readable only, because it may hold a password.
struct ConnectEntries {
  std::string server;
  std::string dbName;
  std::string user;
  std::string pass;
  int windowsAuth = 0;
  int remeberUP = 0;
  int autoConnect = 0;
};

// The section of the entries.
inline constexpr const char* kConnectSection = "MSSQLConnect";

// The settings file's path: the current directory followed by "/Korvandel.INI".
std::string ConnectSettingsFile();

// Reads the entries from `file`; a missing entry (or file) reads as empty text or 0, and a
// numeric entry that is not a number reads as 0. Thread: any.
ConnectEntries LoadConnectEntries(const std::string& file);

// Writes all seven entries to `file` in one rewrite; user and password are written empty
// unless remeberUP is 1. Returns the profile status (kOk, or the file is unchanged).
[[nodiscard]] ProfileStatus SaveConnectEntries(const ConnectEntries& entries,
                                               const std::string& file);

// The connection string (the tables' owner), composed from the entries with trailing blanks
// removed from each text:
//   server part   the server (srv,1433 gives "srv,1433"), then ","
//   database      the database name
//   credentials   when windowsAuth is 0: "," user "," password
// Each part that holds a comma or a double quote is enclosed in double quotes, with its double
// quotes doubled (ComposeOwnerPart), so that every value reaches the storage layer as typed: a
// user do,main stays the user. With Windows authentication the string has exactly two parts:
// srv,db. The whole string is kept, whatever its length: a cut string would connect with a
// wrong password or database.
std::string ComposeConnectionString(const ConnectEntries& entries);

}  // namespace kv
