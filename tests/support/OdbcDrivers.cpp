#include "tests/support/OdbcDrivers.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

namespace kv::testing {
namespace {

namespace fs = std::filesystem;

// The driver libraries, by the names the tests' connection strings use.
const std::map<std::string, std::string>& DriverFiles() {
  static const std::map<std::string, std::string> files = {
      {"SQLite3", "libsqlite3odbc.so"},
      {"PostgreSQL Unicode", "psqlodbcw.so"},
      {"FreeTDS", "libtdsodbc.so"},
  };
  return files;
}

// Where the Debian packages put ODBC drivers: /usr/lib/<multiarch>/odbc.
std::string FindDriver(const std::string& file) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator("/usr/lib", ec)) {
    fs::path p = e.path() / "odbc" / file;
    if (fs::exists(p, ec)) return p.string();
  }
  return {};
}

std::map<std::string, std::string> Register() {
  std::map<std::string, std::string> found;
  for (const auto& [name, file] : DriverFiles()) {
    std::string path = FindDriver(file);
    if (!path.empty()) found[name] = path;
  }
  std::string tmpl = (fs::temp_directory_path() / "kv-odbc-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return found;
  {
    std::ofstream ini(fs::path(tmpl) / "odbcinst.ini");
    for (const auto& [name, path] : found) ini << "[" << name << "]\nDriver=" << path << "\n\n";
  }
  ::setenv("ODBCSYSINI", tmpl.c_str(), 1);
  static std::string toRemove = tmpl;
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(toRemove, ec);
  });
  return found;
}

}  // namespace

bool OdbcDriverInstalled(const std::string& driver) {
  static const std::map<std::string, std::string> found = Register();
  return found.count(driver) > 0;
}

}  // namespace kv::testing
