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

}  // namespace

bool ParseOwner(std::string_view owner, OwnerSpec* out, std::string* why) {
  OwnerSpec spec;
  std::string_view rest = owner;
  // Server part: quoted (may hold commas) or up to the first comma.
  if (!rest.empty() && rest.front() == '"') {
    size_t close = rest.find('"', 1);
    if (close == std::string_view::npos) return Fail(why, "unterminated quote in the server");
    spec.server = std::string(rest.substr(1, close - 1));
    rest = rest.substr(close + 1);
    if (!rest.empty() && rest.front() != ',')
      return Fail(why, "unexpected text after the quoted server");
  } else {
    size_t comma = rest.find(',');
    spec.server = std::string(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma);
  }
  // Database, user: one part each; the password is everything after the third separator.
  std::string_view parts[3];
  int count = 0;
  while (!rest.empty() && count < 3) {
    rest.remove_prefix(1);  // the comma
    if (count == 2) {
      parts[count++] = rest;
      rest = {};
      break;
    }
    size_t comma = rest.find(',');
    parts[count++] = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma);
  }
  spec.database = std::string(parts[0]);
  spec.integratedLogin = count < 2;
  if (!spec.integratedLogin) {
    spec.user = std::string(parts[1]);
    spec.password = std::string(parts[2]);
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

bool BuildOdbcConnectionString(const OwnerSpec& spec, std::string_view driverName, std::string* out,
                               std::string* why) {
  struct Checked {
    std::string_view name;
    const std::string& value;
  };
  const Checked checked[] = {
      {"host", spec.host}, {"port", spec.port}, {"database", spec.database}, {"user", spec.user}};
  for (const Checked& c : checked) {
    if (!IsSafeOdbcValue(c.value))
      return Fail(why, "the " + std::string(c.name) + " holds a character that is not allowed");
  }
  if (!IsSafeOdbcValue(driverName)) return Fail(why, "the driver name is not allowed");
  if (HasControl(spec.password)) return Fail(why, "the password holds control characters");
  std::string s = "Driver={" + std::string(driverName) + "};Server=" + spec.host + ";";
  if (!spec.port.empty()) s += "Port=" + spec.port + ";";
  if (!spec.database.empty()) s += "Database=" + spec.database + ";";
  if (spec.integratedLogin) {
    s += "Trusted_Connection=Yes;";
  } else {
    s += "UID=" + spec.user + ";PWD={";
    for (char c : spec.password) {
      s += c;
      if (c == '}') s += '}';
    }
    s += "};";
  }
  s += "TDS_Version=7.4;ClientCharset=UTF-8;";
  *out = std::move(s);
  return true;
}

}  // namespace kv
