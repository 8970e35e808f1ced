#include "app/ConnectSettings.h"

#include <charconv>
#include <vector>

#include "app/Globals.h"
#include "platform/storage/OwnerString.h"

namespace kv {
namespace {

std::string Clipped(std::string text) {
  std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

int Number(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return 0;
  int value = 0;
  auto [ptr, ec] = std::from_chars(text.data() + first, text.data() + text.size(), value);
  (void)ptr;
  return ec == std::errc() ? value : 0;
}

}  // namespace

std::string ConnectSettingsFile() {
  return ShortCurrentDirectory() + "/" + std::string(kSettingsFileName);
}

ConnectEntries LoadConnectEntries(const std::string& file) {
  auto get = [&](const char* entry) { return GetProfileString(kConnectSection, entry, "", file); };
  ConnectEntries e;
  // The order in which the dialog has always read them.
  e.server = get("LOC:Server");
  e.dbName = get("LOC:DBname");
  e.windowsAuth = Number(get("LOC:WindowsAuth"));
  e.remeberUP = Number(get("LOC:RemeberUP"));
  e.autoConnect = Number(get("LOC:AutoConnect"));
  e.user = get("LOC:User");
  e.pass = get("LOC:Pass");
  return e;
}

ProfileStatus SaveConnectEntries(const ConnectEntries& e, const std::string& file) {
  const bool remember = e.remeberUP == 1;
  auto change = [](const char* entry, std::string value) {
    return ProfileChange{kConnectSection, entry, std::move(value)};
  };
  std::vector<ProfileChange> changes = {
      change("LOC:Server", Clipped(e.server)),
      change("LOC:DBname", Clipped(e.dbName)),
      change("LOC:WindowsAuth", std::to_string(e.windowsAuth)),
      change("LOC:RemeberUP", std::to_string(e.remeberUP)),
      change("LOC:AutoConnect", std::to_string(e.autoConnect)),
      change("LOC:User", remember ? Clipped(e.user) : std::string()),
      change("LOC:Pass", remember ? Clipped(e.pass) : std::string()),
  };
  return ApplyProfileChanges(changes, file);
}

std::string ComposeConnectionString(const ConnectEntries& e) {
  std::string out = ComposeOwnerPart(Clipped(e.server)) + ",";
  out += ComposeOwnerPart(Clipped(e.dbName));
  if (e.windowsAuth == 0)
    out += "," + ComposeOwnerPart(Clipped(e.user)) + "," + ComposeOwnerPart(Clipped(e.pass));
  return out;
}

}  // namespace kv
