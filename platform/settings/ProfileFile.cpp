#include "platform/settings/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
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

// Damaged lines are the ones the parser cannot read back: a line holding a NUL byte (the
// parser stops there, so everything after it would be lost on the next rewrite) and a line that
// is neither a section header, an entry, a comment nor blank. A damaged section header takes
// the lines under it along, so that none of its entries moves into the section before it.
// Every damaged line keeps its line break (one is added to a last line without).
struct SortedText {
  std::string sound;
  std::string damaged;
};

SortedText SortLines(std::string_view contents) {
  SortedText out;
  if (contents.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    out.sound.append(kUtf8Bom);
    contents.remove_prefix(kUtf8Bom.size());
  }
  bool underDamagedHeader = false;
  while (!contents.empty()) {
    std::size_t lineBreak = contents.find('\n');
    std::size_t size = lineBreak == std::string_view::npos ? contents.size() : lineBreak + 1;
    std::string_view line = contents.substr(0, size);
    contents.remove_prefix(size);
    std::string_view body = line;
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
    const bool nul = body.find('\0') != std::string_view::npos;
    const std::size_t first = body.find_first_not_of(" \t");
    const char lead = first == std::string_view::npos ? '\0' : body[first];
    bool damaged;
    if (lead == '[') {
      damaged = nul || body.find(']') == std::string_view::npos;
      underDamagedHeader = damaged;
    } else if (nul) {
      damaged = true;
    } else if (underDamagedHeader || lead == '\0' || lead == ';' || lead == '#') {
      damaged = underDamagedHeader;
    } else {
      const std::size_t equals = body.find('=');
      damaged = equals == std::string_view::npos || TrimBlanks(body.substr(0, equals)).empty();
    }
    std::string& to = damaged ? out.damaged : out.sound;
    to.append(line);
    if (damaged && to.back() != '\n') to += '\n';
  }
  return out;
}

// Appends `lines` to the side file `path` (created owner-only; an existing one is narrowed to
// owner-only too, since the lines may hold a password) and flushes it to disk.
bool SetAside(const std::string& path, const std::string& from, std::string_view lines) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && ::fchmod(fd, info.st_mode & 0600) == 0;
  char stamp[32] = "";
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) != nullptr)
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::string text = "; set aside from " + from + " on " + stamp + ", where it could not be read\n";
  text.append(lines);
  for (std::string_view rest = text; ok && !rest.empty();) {
    ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) rest.remove_prefix(static_cast<std::size_t>(n));
  }
  ok = ok && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
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

std::string BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
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

std::optional<std::string> FindProfileStringIn(std::string_view contents, std::string_view section,
                                               std::string_view entry) {
  std::optional<Names> names = CheckNames(section, entry);
  if (!names) return std::nullopt;
  ProfileDocument doc;
  if (!doc.Load(SortLines(contents).sound)) return std::nullopt;
  const char* value = doc.ini().GetValue(names->section.c_str(), names->entry.c_str(), nullptr);
  if (value == nullptr) return std::nullopt;
  return DecodeValue(value);
}

std::optional<std::string> FindProfileString(std::string_view section, std::string_view entry,
                                             const std::string& fileName) {
  if (!CheckNames(section, entry)) return std::nullopt;
  std::string contents;
  if (ReadWholeFile(fileName, contents) != FileStatus::kOk) return std::nullopt;
  return FindProfileStringIn(contents, section, entry);
}

std::string GetProfileString(std::string_view section, std::string_view entry,
                             std::string_view defaultValue, const std::string& fileName) {
  std::optional<std::string> value = FindProfileString(section, entry, fileName);
  return value ? std::move(*value) : std::string(defaultValue);
}

namespace {

// A batch checked and encoded for the file.
struct PreparedChanges {
  std::vector<Names> names;
  std::vector<std::optional<std::string>> encoded;
  bool writesValues = false;
};

ProfileStatus Prepare(const std::vector<ProfileChange>& changes, PreparedChanges* out) {
  for (const ProfileChange& change : changes) {
    std::optional<Names> checked = CheckNames(change.section, change.entry);
    if (!checked) return ProfileStatus::kInvalidName;
    out->names.push_back(std::move(*checked));
    if (change.value) {
      if (HasLineBreakOrNul(*change.value)) return ProfileStatus::kInvalidValue;
      out->encoded.push_back(EncodeValue(*change.value));
      out->writesValues = true;
    } else {
      out->encoded.push_back(std::nullopt);
    }
  }
  return ProfileStatus::kOk;
}

ProfileRewrite Rewrite(std::string_view contents, const PreparedChanges& prepared) {
  ProfileRewrite out;
  SortedText sorted = SortLines(contents);
  ProfileDocument doc;
  if (!doc.Load(sorted.sound)) {
    out.status = ProfileStatus::kIoError;
    return out;
  }
  CSimpleIniA& ini = doc.ini();
  for (std::size_t i = 0; i < prepared.names.size(); ++i) {
    const char* section = prepared.names[i].section.c_str();
    const char* entry = prepared.names[i].entry.c_str();
    const char* current = ini.GetValue(section, entry, nullptr);
    const std::optional<std::string>& value = prepared.encoded[i];
    if (value) {
      if (current != nullptr && *value == current) continue;
      if (ini.SetValue(section, entry, value->c_str()) < 0) {
        out.status = ProfileStatus::kIoError;
        return out;
      }
      out.changed = true;
    } else if (current != nullptr) {
      ini.Delete(section, entry, /*removeEmpty=*/false);
      out.changed = true;
    }
  }
  if (out.changed) {
    out.contents = doc.Save();
    out.setAside = std::move(sorted.damaged);
  }
  return out;
}

}  // namespace

ProfileRewrite RewriteProfileText(std::string_view contents,
                                  const std::vector<ProfileChange>& changes) {
  PreparedChanges prepared;
  if (ProfileStatus status = Prepare(changes, &prepared); status != ProfileStatus::kOk) {
    ProfileRewrite refused;
    refused.status = status;
    return refused;
  }
  return Rewrite(contents, prepared);
}

std::string DamagedLinesFileName(const std::string& fileName) {
  return fileName + ".damaged";
}

ProfileStatus ApplyProfileChanges(const std::vector<ProfileChange>& changes,
                                  const std::string& fileName) {
  // Everything is checked before the file is touched, so a refused batch changes nothing.
  PreparedChanges prepared;
  if (ProfileStatus status = Prepare(changes, &prepared); status != ProfileStatus::kOk)
    return status;
  if (changes.empty()) return ProfileStatus::kOk;

  LockedFile file;
  FileStatus status = file.Open(fileName, /*create=*/prepared.writesValues);
  if (status == FileStatus::kNotFound && !prepared.writesValues) return ProfileStatus::kOk;
  if (status != FileStatus::kOk) return FromFileStatus(status);
  ProfileRewrite rewrite = Rewrite(file.Contents(), prepared);
  if (rewrite.status != ProfileStatus::kOk || !rewrite.changed) return rewrite.status;
  // The damaged lines are safe in the side file before the file that held them is replaced.
  if (!rewrite.setAside.empty() &&
      !SetAside(DamagedLinesFileName(fileName), BaseName(fileName), rewrite.setAside))
    return ProfileStatus::kIoError;
  return FromFileStatus(file.Replace(rewrite.contents));
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

OwnerOnlyStatus MakeOwnerOnly(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0)
    return errno == ENOENT ? OwnerOnlyStatus::kMissing : OwnerOnlyStatus::kRefused;
  const mode_t mode = info.st_mode & 07777;
  if ((mode & ~mode_t(0600)) == 0) return OwnerOnlyStatus::kAlready;
  if (::chmod(fileName.c_str(), mode & 0600) != 0) return OwnerOnlyStatus::kRefused;
  return OwnerOnlyStatus::kNarrowed;
}

std::string ShortCurrentDirectory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return {};
  std::string dir = buffer;
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace kv
