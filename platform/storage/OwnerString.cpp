#include "platform/storage/OwnerString.h"

#include <cctype>

namespace kv {
namespace {

bool Fail(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return false;
}

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 5) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool HasControl(std::string_view s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7f) return true;
  return false;
}

// Splits "host:port" or "[v6]:port" of a PostgreSQL address.
bool SplitPostgresAddress(std::string_view addr, OwnerSpec* out, std::string* why) {
  if (!addr.empty() && addr.back() == '/') addr.remove_suffix(1);
  std::string_view host = addr, port;
  if (!addr.empty() && addr.front() == '[') {
    size_t close = addr.find(']');
    if (close == std::string_view::npos) return Fail(why, "unterminated [ in the server address");
    host = addr.substr(1, close - 1);
    std::string_view rest = addr.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return Fail(why, "unexpected text after the server address");
      port = rest.substr(1);
    }
  } else {
    size_t colon = addr.rfind(':');
    if (colon != std::string_view::npos) {
      host = addr.substr(0, colon);
      port = addr.substr(colon + 1);
    }
  }
  if (host.empty()) return Fail(why, "the PostgreSQL address names no host");
  if (!port.empty() && !AllDigits(port)) return Fail(why, "the port is not a number");
  if (HasControl(host)) return Fail(why, "control characters in the host");
  out->host = std::string(host);
  out->port = std::string(port);
  return true;
}

bool SqliteFileName(std::string_view name, OwnerSpec* out, std::string* why) {
  if (name.empty()) {
    out->database = "Korvandel.sqlite";
    return true;
  }
  if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos ||
      name == "." || name == ".." || HasControl(name) || name.find(':') != std::string_view::npos)
    return Fail(why, "the database name must be a plain file name");
  out->database = std::string(name);
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size())
    out->database += ".sqlite";
  return true;
}

// Reads one part from the front of `rest` (which starts at the part, after its comma): a
// quoted part to its closing quote, or plain text up to the next comma (to the end when
// `toEnd`). Leaves `rest` at the comma after the part, or empty.
bool TakePart(std::string_view& rest, bool toEnd, std::string_view name, std::string* value,
              std::string* why) {
  value->clear();
  if (!rest.empty() && rest.front() == '"') {
    std::size_t at = 1;
    for (;;) {
      std::size_t quote = rest.find('"', at);
      if (quote == std::string_view::npos)
        return Fail(why, "unterminated quote in the " + std::string(name));
      value->append(rest.substr(at, quote - at));
      if (quote + 1 < rest.size() && rest[quote + 1] == '"') {
        *value += '"';
        at = quote + 2;
        continue;
      }
      rest.remove_prefix(quote + 1);
      break;
    }
    if (!rest.empty() && rest.front() != ',')
      return Fail(why, "unexpected text after the quoted " + std::string(name));
    return true;
  }
  std::size_t comma = toEnd ? std::string_view::npos : rest.find(',');
  value->assign(rest.substr(0, comma));
  rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma);
  return true;
}

}  // namespace

std::string ComposeOwnerPart(std::string_view value) {
  if (value.find_first_of(",\"") == std::string_view::npos) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

bool ParseOwner(std::string_view owner, OwnerSpec* out, std::string* why) {
  OwnerSpec spec;
  std::string_view rest = owner;
  if (!TakePart(rest, false, "server", &spec.server, why)) return false;
  // Database, user and password: one part each; an unquoted password runs to the end.
  static constexpr std::string_view kNames[3] = {"database", "user", "password"};
  std::string parts[3];
  int count = 0;
  while (!rest.empty() && count < 3) {
    rest.remove_prefix(1);  // the comma
    if (!TakePart(rest, count == 2, kNames[count], &parts[count], why)) return false;
    ++count;
  }
  if (!rest.empty()) return Fail(why, "unexpected text after the quoted password");
  spec.database = parts[0];
  spec.integratedLogin = count < 2;
  if (!spec.integratedLogin) {
    spec.user = parts[1];
    spec.password = parts[2];
  }

  constexpr std::string_view kPg = "postgresql://";
  if (spec.server.empty()) {
    spec.kind = DatabaseKind::kSqlite;
    if (!SqliteFileName(parts[0], &spec, why)) return false;
  } else if (spec.server.compare(0, kPg.size(), kPg) == 0) {
    spec.kind = DatabaseKind::kPostgres;
    if (!SplitPostgresAddress(std::string_view(spec.server).substr(kPg.size()), &spec, why))
      return false;
  } else {
    spec.kind = DatabaseKind::kSqlServer;
    std::string_view server = spec.server;
    size_t comma = server.find(',');
    spec.host = std::string(server.substr(0, comma));
    if (comma != std::string_view::npos) {
      std::string_view port = server.substr(comma + 1);
      while (!port.empty() && port.front() == ' ') port.remove_prefix(1);
      if (!AllDigits(port)) return Fail(why, "the port is not a number");
      spec.port = std::string(port);
    }
    if (spec.host.empty()) return Fail(why, "the server names no host");
  }
  *out = std::move(spec);
  return true;
}

bool IsSafeOdbcValue(std::string_view value) {
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7f || c == ';' || c == '{' || c == '}' || c == '=') return false;
  }
  return true;
}

namespace {

bool ContainsNoCase(std::string_view text, std::string_view lowerNeedle) {
  if (lowerNeedle.size() > text.size()) return false;
  for (std::size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < lowerNeedle.size() &&
           std::tolower(static_cast<unsigned char>(text[i + k])) == lowerNeedle[k])
      ++k;
    if (k == lowerNeedle.size()) return true;
  }
  return false;
}

// Why `value` (the `name` of the owner) cannot be carried, or empty when it can. `braced`: the
// value goes between braces; otherwise it stands bare. `dsnChecked`: the value enters the
// connection string that the toolkit's ODBC layer searches for ".dsn".
std::string RefusalOf(std::string_view name, std::string_view value, bool braced, bool dsnChecked) {
  const std::string n(name);
  if (HasControl(value))
    return "the " + n + " holds a control character, which a connection string cannot carry";
  if (braced && value.find("};") != std::string_view::npos)
    return "the " + n +
           " holds \"}\" followed by \";\": the SQL Server driver ends the value there and "
           "would read the rest as further settings";
  if (!braced) {
    for (char c : value) {
      if (c == ';' || c == '{' || c == '}' || c == '=')
        return "the " + n + " holds \"" + std::string(1, c) +
               "\", which the SQL Server driver reads as connection-string syntax";
    }
  }
  if (dsnChecked && ContainsNoCase(value, ".dsn"))
    return "the " + n +
           " holds \".dsn\": the ODBC layer would take the whole connection string for the name "
           "of a data source file";
  return {};
}

}  // namespace

bool BuildOdbcLogin(const OwnerSpec& spec, std::string_view driverName, OdbcLogin* out,
                    std::string* why) {
  struct Checked {
    std::string_view name;
    std::string_view value;
    bool braced;
    bool dsnChecked;
  };
  const Checked checked[] = {
      {"driver name", driverName, false, true}, {"server name", spec.host, false, true},
      {"port", spec.port, false, true},         {"database name", spec.database, true, true},
      {"user name", spec.user, true, false},    {"password", spec.password, true, false},
  };
  for (const Checked& c : checked) {
    std::string refusal = RefusalOf(c.name, c.value, c.braced, c.dsnChecked);
    if (!refusal.empty()) return Fail(why, std::move(refusal));
  }
  OdbcLogin login;
  std::string& s = login.connectionString;
  s = "Driver={" + std::string(driverName) + "};Server=" + spec.host + ";";
  if (!spec.port.empty()) s += "Port=" + spec.port + ";";
  if (!spec.database.empty()) s += "Database={" + spec.database + "};";
  if (spec.integratedLogin) {
    s += "Trusted_Connection=Yes;";
  } else {
    login.uid = "{" + spec.user + "}";
    login.pwd = "{" + spec.password + "}";
  }
  s += "TDS_Version=7.4;ClientCharset=UTF-8";
  *out = std::move(login);
  return true;
}

}  // namespace kv
