// The profile (INI) reader and rewrite, and the sector parser. The input is a settings file's
// contents, then (after a 0x1E byte) a change: section, entry and value separated by 0x1F; a
// missing value deletes the entry. Properties:
// - after the change the entry reads as the value written (or is gone), and every other entry
//   that read before reads the same after: a write loses nothing else;
// - the same change applied again changes nothing;
// - a sector string built from a family, an item and a type parses back to them.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/window/SectorRecord.h"
#include "fuzz/FuzzCheck.h"
#include "platform/settings/ProfileFile.h"

using kv::fuzz::Check;

namespace {

std::string_view Take(std::string_view& rest, char separator) {
  std::size_t cut = rest.find(separator);
  std::string_view part = rest.substr(0, cut);
  rest.remove_prefix(cut == std::string_view::npos ? rest.size() : cut + 1);
  return part;
}

bool SameName(std::string_view a, std::string_view b) {
  auto trim = [](std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  };
  a = trim(a);
  b = trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Every (section, entry) the file seems to hold, found by a plain scan of its lines.
std::vector<std::pair<std::string, std::string>> Names(std::string_view contents) {
  std::vector<std::pair<std::string, std::string>> out;
  std::string section;
  while (!contents.empty()) {
    std::string_view line = Take(contents, '\n');
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    if (line[first] == '[') {
      std::size_t close = line.find(']', first);
      section = std::string(line.substr(
          first + 1, close == std::string_view::npos ? std::string_view::npos : close - first - 1));
    } else if (std::size_t equals = line.find('='); equals != std::string_view::npos) {
      out.emplace_back(section, std::string(line.substr(0, equals)));
    }
  }
  return out;
}

void CheckSector(std::string_view input) {
  std::string_view rest = input;
  const std::string_view family = Take(rest, '\x1f');
  const std::string_view item = Take(rest, '\x1f');
  const std::string_view type = rest;
  (void)kv::ParseSectorString(input);
  const std::string escaped = kv::EscapeSectorItem(item);
  if (family.find('$') != std::string_view::npos || (!type.empty() && type.front() == '$') ||
      family.size() > kv::kSectorFieldMax || type.size() > kv::kSectorFieldMax ||
      escaped.size() > kv::kSectorFieldMax ||
      escaped.size() != item.size() + 2 * std::count(item.begin(), item.end(), '$'))
    return;
  const kv::SectorRecord record = kv::ParseSectorString(kv::BuildSectorString(family, item, type));
  Check(record.FAMILY == family && record.ITEM == escaped && record.TYPE == type,
        "a sector string parses to other parts");
  Check(kv::UnescapeSectorItem(record.ITEM) == item, "an item does not unescape to itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  CheckSector(rest);
  const std::string_view contents = Take(rest, '\x1e');
  const std::string section(Take(rest, '\x1f'));
  const std::string entry(Take(rest, '\x1f'));
  std::optional<std::string> value;
  if (!rest.empty()) value = std::string(rest.substr(1));  // the first byte only says "store"

  std::vector<std::pair<std::string, std::string>> names = Names(contents);
  std::vector<std::optional<std::string>> before;
  for (const auto& [s, e] : names) before.push_back(kv::FindProfileStringIn(contents, s, e));

  const std::vector<kv::ProfileChange> change = {{section, entry, value}};
  const kv::ProfileRewrite r = kv::RewriteProfileText(contents, change);
  if (r.status != kv::ProfileStatus::kOk) return 0;
  const std::string_view after = r.changed ? std::string_view(r.contents) : contents;
  Check(kv::FindProfileStringIn(after, section, entry) == value,
        "the entry does not read as written");
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameName(names[i].first, section) && SameName(names[i].second, entry)) continue;
    Check(kv::FindProfileStringIn(after, names[i].first, names[i].second) == before[i],
          "a write changed another entry");
  }
  if (r.changed) {
    const kv::ProfileRewrite again = kv::RewriteProfileText(r.contents, change);
    Check(again.status == kv::ProfileStatus::kOk && !again.changed,
          "the same change applied twice changes the file again");
    Check(r.contents.find('\0') == std::string::npos, "a NUL byte survives a rewrite");
  }
  return 0;
}
