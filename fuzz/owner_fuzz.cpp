// The owner (connection) string parser, the connection dialog's composer and the ODBC login
// builder. Properties:
// - an owner that parses, written again part by part, parses to the same values;
// - the connection string composed from four typed entries parses back to those entries;
// - the ODBC login, read the way the FreeTDS driver reads a connection string, holds exactly
//   the keys the builder means, each with exactly the owner's value: nothing typed adds a key.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "app/ConnectSettings.h"
#include "fuzz/FuzzCheck.h"
#include "platform/storage/OwnerString.h"

namespace {

using kv::fuzz::Check;

// Reads `text` as FreeTDS reads a connection string: "key=value" pairs separated by ";"; a
// value that starts with "{" runs to the first "}" followed by ";" (then ";" ends the pair),
// or, with no such "}", to the end of the string, closing brace included; any other value
// runs to the next ";". Keys compare in upper case. A key given twice counts twice.
std::multimap<std::string, std::string> ReadAsFreeTds(std::string_view text) {
  std::multimap<std::string, std::string> out;
  while (!text.empty()) {
    if (text.front() == ';') {
      text.remove_prefix(1);
      continue;
    }
    std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
      out.emplace("<no value>", std::string(text));
      break;
    }
    std::string key(text.substr(0, equals));
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    text.remove_prefix(equals + 1);
    std::string value;
    if (!text.empty() && text.front() == '{') {
      std::size_t end = text.find("};", 1);
      if (end == std::string_view::npos) {
        value = std::string(text.substr(1));
        text = {};
      } else {
        value = std::string(text.substr(1, end - 1));
        text.remove_prefix(end + 2);
      }
    } else {
      std::size_t end = text.find(';');
      value = std::string(text.substr(0, end));
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    out.emplace(std::move(key), std::move(value));
  }
  return out;
}

bool SameValues(const kv::OwnerSpec& a, const kv::OwnerSpec& b) {
  return a.kind == b.kind && a.server == b.server && a.host == b.host && a.port == b.port &&
         a.database == b.database && a.user == b.user && a.password == b.password &&
         a.integratedLogin == b.integratedLogin;
}

void CheckOdbcLogin(const kv::OwnerSpec& spec) {
  kv::OdbcLogin login;
  std::string why;
  if (!kv::BuildOdbcLogin(spec, "FreeTDS", &login, &why)) {
    Check(!why.empty(), "a refusal without a reason");
    // The reasons are plain English in ASCII letters and punctuation: a password holding a
    // digit or a byte outside ASCII can appear in one only if the reason quoted it.
    bool distinct = false;
    for (unsigned char c : spec.password) distinct = distinct || c >= 0x80 || std::isdigit(c);
    Check(!distinct || why.find(spec.password) == std::string::npos,
          "the refusal quotes the password");
    return;
  }
  std::string lower = login.connectionString;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Check(lower.find(".dsn") == std::string::npos, "\".dsn\" in the connection string");
  // What the toolkit's ODBC layer hands to the driver.
  std::string full = login.connectionString;
  if (!spec.integratedLogin) full += ";UID=" + login.uid + ";PWD=" + login.pwd + ";";
  std::multimap<std::string, std::string> expected = {
      {"DRIVER", "FreeTDS"},
      {"SERVER", spec.host},
      {"TDS_VERSION", "7.4"},
      {"CLIENTCHARSET", "UTF-8"},
  };
  if (!spec.port.empty()) expected.emplace("PORT", spec.port);
  if (!spec.database.empty()) expected.emplace("DATABASE", spec.database);
  if (spec.integratedLogin) {
    expected.emplace("TRUSTED_CONNECTION", "Yes");
  } else {
    expected.emplace("UID", spec.user);
    expected.emplace("PWD", spec.password);
  }
  Check(ReadAsFreeTds(full) == expected, "the driver reads other keys or values than meant");
}

// Four entries from the input, separated by 0x1F bytes.
kv::ConnectEntries EntriesFrom(std::string_view text, bool windowsAuth) {
  std::string parts[4];
  for (int i = 0; i < 4; ++i) {
    std::size_t cut = i < 3 ? text.find('\x1f') : std::string_view::npos;
    parts[i] = std::string(text.substr(0, cut));
    text.remove_prefix(cut == std::string_view::npos ? text.size() : cut + 1);
  }
  kv::ConnectEntries e;
  e.server = parts[0];
  e.dbName = parts[1];
  e.user = parts[2];
  e.pass = parts[3];
  e.windowsAuth = windowsAuth ? 1 : 0;
  return e;
}

std::string Clipped(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

void CheckComposer(std::string_view text, bool windowsAuth) {
  const kv::ConnectEntries e = EntriesFrom(text, windowsAuth);
  kv::OwnerSpec spec;
  if (!kv::ParseOwner(kv::ComposeConnectionString(e), &spec)) return;  // a bad port, ...
  Check(spec.server == Clipped(e.server), "the server changed on its way");
  Check(spec.integratedLogin == windowsAuth, "windows authentication changed");
  if (spec.kind != kv::DatabaseKind::kSqlite)
    Check(spec.database == Clipped(e.dbName), "the database changed on its way");
  if (!windowsAuth) {
    Check(spec.user == Clipped(e.user), "the user changed on its way");
    Check(spec.password == Clipped(e.pass), "the password changed on its way");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kv::OwnerSpec spec;
  std::string why;
  if (kv::ParseOwner(text, &spec, &why)) {
    std::string again =
        kv::ComposeOwnerPart(spec.server) + "," + kv::ComposeOwnerPart(spec.database);
    if (!spec.integratedLogin)
      again += "," + kv::ComposeOwnerPart(spec.user) + "," + kv::ComposeOwnerPart(spec.password);
    kv::OwnerSpec reread;
    Check(kv::ParseOwner(again, &reread), "a recomposed owner does not parse");
    Check(SameValues(spec, reread), "a recomposed owner parses to other values");
    if (spec.kind == kv::DatabaseKind::kSqlServer) CheckOdbcLogin(spec);
  } else {
    Check(!why.empty(), "a refusal without a reason");
  }
  CheckComposer(text, size > 0 && (data[0] & 1));
  return 0;
}
