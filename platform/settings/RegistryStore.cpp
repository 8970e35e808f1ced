#include "platform/settings/RegistryStore.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace kv {
namespace {

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  struct passwd entry {};
  struct passwd* result = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &result) == 0 && result != nullptr &&
      result->pw_dir != nullptr && result->pw_dir[0] == '/') {
    return result->pw_dir;
  }
  return {};
}

// Creates `path` and its missing parents with mode 0700.
bool MakeDirectories(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      std::string prefix = path.substr(0, i);
      if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string RegistryDirectory() {
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else {
    std::string home = HomeDirectory();
    if (home.empty()) return {};
    config = home + "/.config";
  }
  while (config.size() > 1 && config.back() == '/') config.pop_back();
  return config + "/korvandel/registry";
}

std::string RegistryFilePath(std::uint32_t root) {
  std::string dir = RegistryDirectory();
  if (dir.empty()) return {};
  char name[16];
  std::snprintf(name, sizeof name, "%08X.ini", root == 0 ? kDefaultRegistryRoot : root);
  return dir + "/" + name;
}

std::string NormaliseRegistryKeyPath(std::string_view keyPath) {
  std::string out;
  std::size_t start = 0;
  while (start <= keyPath.size()) {
    std::size_t end = keyPath.find('\\', start);
    if (end == std::string_view::npos) end = keyPath.size();
    if (end > start) {
      if (!out.empty()) out += '\\';
      out.append(keyPath.substr(start, end - start));
    }
    start = end + 1;
  }
  return out;
}

std::optional<std::string> RegistryGetValue(std::uint32_t root, std::string_view keyPath,
                                            std::string_view name) {
  std::string file = RegistryFilePath(root);
  if (file.empty()) return std::nullopt;
  return FindProfileString(NormaliseRegistryKeyPath(keyPath), name, file);
}

ProfileStatus RegistrySetValue(std::uint32_t root, std::string_view keyPath, std::string_view name,
                               std::string_view value) {
  std::string key = NormaliseRegistryKeyPath(keyPath);
  if (!IsValidProfileName(key, true) || !IsValidProfileName(name, false)) {
    return ProfileStatus::kInvalidName;
  }
  std::string dir = RegistryDirectory();
  if (dir.empty() || !MakeDirectories(dir)) return ProfileStatus::kIoError;
  return PutProfileString(key, name, value, RegistryFilePath(root));
}

ProfileStatus RegistryDeleteValue(std::uint32_t root, std::string_view keyPath,
                                  std::string_view name) {
  std::string file = RegistryFilePath(root);
  if (file.empty()) return ProfileStatus::kOk;  // no store, so nothing to delete
  return DeleteProfileEntry(NormaliseRegistryKeyPath(keyPath), name, file);
}

}  // namespace kv
