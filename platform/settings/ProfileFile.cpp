#include "platform/settings/ProfileFile.h"

#include <unistd.h>

#include <climits>
#include <memory>

#include "platform/settings/LockedFile.h"
#include "platform/values/Utf8Text.h"

// The INI parser is used byte for byte: no character-set conversion, ASCII case folding for
// names. Its implementation is compiled here, so nothing needs to be linked.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace kv {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A value is quoted when the parser would otherwise lose its outer blanks, or when reading
// would otherwise take its own outer quotes for the stored form's quotes.
std::string EncodeValue(std::string_view value) {
  bool outerBlanks = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  bool outerQuotes = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  std::string out;
  out.reserve(value.size() + 2);
  if (outerBlanks || outerQuotes) out += '"';
  out.append(value);
  if (outerBlanks || outerQuotes) out += '"';
  return out;
}

std::string DecodeValue(std::string_view stored) {
  if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"') {
    stored = stored.substr(1, stored.size() - 2);
  }
  return std::string(stored);
}

bool IsTrailingLine(std::string_view line) {
  std::size_t first = line.find_first_not_of(" \t\r");
  return first == std::string_view::npos || line[first] == ';' || line[first] == '#';
}

// One settings file taken apart for a change. The parser keeps comments that stand before a
// section or an entry; the comment lines after the last entry are set aside here and put back
// at the end, and so are the byte order mark and the "\r\n" line ends.
class ProfileDocument {
 public:
  ProfileDocument() : ini_(/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false) {
    ini_.SetSpaces(false);
    ini_.SetQuotes(false);  // quotes are handled by EncodeValue/DecodeValue
  }

  bool Load(std::string_view contents) {
    if (contents.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
      bom_ = true;
      contents.remove_prefix(kUtf8Bom.size());
    }
    crlf_ = contents.find("\r\n") != std::string_view::npos;
    std::size_t bodyEnd = contents.size();
    while (bodyEnd > 0) {
      // The last line of the body, without its line break.
      std::size_t end = contents[bodyEnd - 1] == '\n' ? bodyEnd - 1 : bodyEnd;
      std::size_t lineBreak = end == 0 ? std::string_view::npos : contents.rfind('\n', end - 1);
      std::size_t lineStart = lineBreak == std::string_view::npos ? 0 : lineBreak + 1;
      if (!IsTrailingLine(contents.substr(lineStart, end - lineStart))) break;
      bodyEnd = lineStart;
    }
    trailing_ = contents.substr(bodyEnd);
    if (trailing_.find_first_of(";#") == std::string::npos) trailing_.clear();
    std::string_view body = contents.substr(0, bodyEnd);
    return ini_.LoadData(body.data(), body.size()) >= 0;
  }

  std::string Save() const {
    std::string out;
    if (ini_.Save(out, /*addSignature=*/false) < 0) return {};
    std::string tail;
    for (char c : trailing_) {
      if (c != '\r') tail += c;
    }
    if (!tail.empty()) {
      if (!out.empty() && out.back() != '\n') out += '\n';
      out += tail;
      if (out.back() != '\n') out += '\n';
    }
    if (crlf_) {
      std::string converted;
      converted.reserve(out.size() + out.size() / 16);
      for (char c : out) {
        if (c == '\n') converted += '\r';
        converted += c;
      }
      out.swap(converted);
    }
    return bom_ ? std::string(kUtf8Bom) + out : out;
  }

  CSimpleIniA& ini() { return ini_; }

 private:
  CSimpleIniA ini_;
  bool bom_ = false;
  bool crlf_ = false;
  std::string trailing_;
};

struct Names {
  std::string section;
  std::string entry;
};

std::optional<Names> CheckNames(std::string_view section, std::string_view entry) {
  if (!IsValidProfileName(section, true) || !IsValidProfileName(entry, false)) return {};
  return Names{std::string(TrimBlanks(section)), std::string(TrimBlanks(entry))};
}

ProfileStatus FromFileStatus(FileStatus status) {
  return status == FileStatus::kOk ? ProfileStatus::kOk : ProfileStatus::kIoError;
}

}  // namespace

bool IsValidProfileName(std::string_view name, bool isSection) {
  name = TrimBlanks(name);
  if (name.empty() || HasLineBreakOrNul(name)) return false;
  if (isSection) return name.find(']') == std::string_view::npos;
  if (name.find('=') != std::string_view::npos) return false;
  return name.front() != ';' && name.front() != '#' && name.front() != '[';
}

std::optional<std::string> FindProfileString(std::string_view section, std::string_view entry,
                                             const std::string& fileName) {
  std::optional<Names> names = CheckNames(section, entry);
  if (!names) return std::nullopt;
  std::string contents;
  if (ReadWholeFile(fileName, contents) != FileStatus::kOk) return std::nullopt;
  ProfileDocument doc;
  if (!doc.Load(contents)) return std::nullopt;
  const char* value = doc.ini().GetValue(names->section.c_str(), names->entry.c_str(), nullptr);
  if (value == nullptr) return std::nullopt;
  return DecodeValue(value);
}

std::string GetProfileString(std::string_view section, std::string_view entry,
                             std::string_view defaultValue, const std::string& fileName) {
  std::optional<std::string> value = FindProfileString(section, entry, fileName);
  return value ? std::move(*value) : std::string(defaultValue);
}

ProfileStatus ApplyProfileChanges(const std::vector<ProfileChange>& changes,
                                  const std::string& fileName) {
  // Everything is checked before the file is touched, so a refused batch changes nothing.
  std::vector<Names> names;
  std::vector<std::optional<std::string>> encoded;
  bool writesValues = false;
  for (const ProfileChange& change : changes) {
    std::optional<Names> checked = CheckNames(change.section, change.entry);
    if (!checked) return ProfileStatus::kInvalidName;
    names.push_back(std::move(*checked));
    if (change.value) {
      if (HasLineBreakOrNul(*change.value)) return ProfileStatus::kInvalidValue;
      encoded.push_back(EncodeValue(*change.value));
      writesValues = true;
    } else {
      encoded.push_back(std::nullopt);
    }
  }
  if (changes.empty()) return ProfileStatus::kOk;

  LockedFile file;
  FileStatus status = file.Open(fileName, /*create=*/writesValues);
  if (status == FileStatus::kNotFound && !writesValues) return ProfileStatus::kOk;
  if (status != FileStatus::kOk) return FromFileStatus(status);
  // The parser stops at a NUL byte: rewriting such a damaged file would drop all that follows.
  if (file.Contents().find('\0') != std::string::npos) return ProfileStatus::kIoError;
  ProfileDocument doc;
  if (!doc.Load(file.Contents())) return ProfileStatus::kIoError;
  CSimpleIniA& ini = doc.ini();
  bool changed = false;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const char* section = names[i].section.c_str();
    const char* entry = names[i].entry.c_str();
    const char* current = ini.GetValue(section, entry, nullptr);
    if (encoded[i]) {
      if (current != nullptr && *encoded[i] == current) continue;
      if (ini.SetValue(section, entry, encoded[i]->c_str()) < 0) return ProfileStatus::kIoError;
      changed = true;
    } else if (current != nullptr) {
      ini.Delete(section, entry, /*removeEmpty=*/false);
      changed = true;
    }
  }
  if (!changed) return ProfileStatus::kOk;
  return FromFileStatus(file.Replace(doc.Save()));
}

ProfileStatus PutProfileString(std::string_view section, std::string_view entry,
                               std::string_view value, const std::string& fileName) {
  return ApplyProfileChanges({{std::string(section), std::string(entry), std::string(value)}},
                             fileName);
}

ProfileStatus DeleteProfileEntry(std::string_view section, std::string_view entry,
                                 const std::string& fileName) {
  return ApplyProfileChanges({{std::string(section), std::string(entry), std::nullopt}}, fileName);
}

std::string ShortCurrentDirectory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return {};
  std::string dir = buffer;
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace kv
