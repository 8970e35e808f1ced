#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Profile strings: named entries in named sections of a settings file ("[section]" lines
// followed by "entry=value" lines, ";" or "#" starting a comment line).
//
// Semantics every caller may rely on:
// - Section and entry names compare without regard to ASCII letter case; blanks around a name
//   are ignored. A name keeps the spelling it was first written with.
// - Every write reaches the file before the call returns: the file is read, changed and
//   replaced as a whole through an atomic rename, under an exclusive advisory lock that
//   serialises writers in this and in other processes. Readers take no lock and always see a
//   complete file.
// - Other sections and entries and the comment lines are kept; layout (blank lines, spaces
//   around "=") is normalised; a file's "\r\n" line ends and a UTF-8 byte order mark are kept.
// - Damaged lines never stop reading or writing: a line holding a NUL byte, a line that is
//   none of the above (text without "=" outside a comment, a "[" without "]"), and the lines
//   under a damaged section header are skipped by reads. The next write that changes the file
//   moves them, exactly as they were, to the end of the side file DamagedLinesFileName(file)
//   (owner-only, after a comment line saying when), flushes it, and only then replaces the file
//   without them; everything else in the file is kept.
// - Values are text of any bytes except line breaks and NUL, kept byte for byte (UTF-8
//   included) and returned exactly as written, including "=", ";" and leading or trailing
//   blanks. A value that has blanks at either end, or that starts and ends with a double
//   quote, is stored enclosed in one extra pair of double quotes, and reading removes one
//   such pair: a hand-written value "a b" in quotes reads as a b.
// - A missing file is created by the first write, with mode 0600 (owner read and write only,
//   narrowed further by the umask): the program's settings file holds a password. Existing
//   files keep their permission bits.
// - A relative file name, such as a bare "Korvandel.INI", is resolved against the current
//   working directory.
// - When an entry appears twice in a section the last one counts, and a rewrite keeps only it.
//
// Thread: every function may be called from any thread.

enum class ProfileStatus {
  kOk,
  kInvalidName,   // a section or entry name that the file cannot hold (see IsValidProfileName)
  kInvalidValue,  // a value containing a line break or NUL
  kIoError,       // the file (or the side file of its damaged lines) could not be read,
                  // locked, written or renamed; the file is unchanged
};

// The value of `entry` in `section` of `fileName`, or nullopt when the file, the section or the
// entry is missing, the name is invalid, or the file cannot be read.
std::optional<std::string> FindProfileString(std::string_view section, std::string_view entry,
                                             const std::string& fileName);

// The value of `entry` in `section` of `fileName`, or `defaultValue` when FindProfileString
// finds nothing. An entry present with an empty value reads as empty, not as the default.
std::string GetProfileString(std::string_view section, std::string_view entry,
                             std::string_view defaultValue, const std::string& fileName);

// Stores `value` as `entry` of `section`, adding the section and the entry when missing and
// creating the file when it does not exist. Writing the value already stored leaves the file
// untouched. On any status other than kOk the file is unchanged.
[[nodiscard]] ProfileStatus PutProfileString(std::string_view section, std::string_view entry,
                                             std::string_view value, const std::string& fileName);

// Removes `entry` from `section`; the section header stays even when it becomes empty. A
// missing file, section or entry is not an error (kOk) and creates nothing.
[[nodiscard]] ProfileStatus DeleteProfileEntry(std::string_view section, std::string_view entry,
                                               const std::string& fileName);

// One change of a batch: store `value` as `entry` of `section`, or remove the entry when `value`
// is nullopt.
struct ProfileChange {
  std::string section;
  std::string entry;
  std::optional<std::string> value;
};

// Applies `changes` in order in one rewrite of the file, so other readers and writers see all of
// them or none. Checks every name and value first: kInvalidName or kInvalidValue leave the file
// unchanged. The file is created only when a change stores a value; when no change alters
// anything the file is not rewritten. PutProfileString and DeleteProfileEntry are batches of one.
[[nodiscard]] ProfileStatus ApplyProfileChanges(const std::vector<ProfileChange>& changes,
                                                const std::string& fileName);

// The text-only forms of the reader and the rewrite, for callers that hold a file's contents
// (the functions above are these plus the file, its lock and the side file).
//
// FindProfileString on `contents` instead of a file.
std::optional<std::string> FindProfileStringIn(std::string_view contents, std::string_view section,
                                               std::string_view entry);
// ApplyProfileChanges on `contents`: the new text in `contents` when `changed`, and the damaged
// lines it left out (see above) in `setAside`. kInvalidName or kInvalidValue refuse the whole
// batch; kIoError when the parser fails.
struct ProfileRewrite {
  ProfileStatus status = ProfileStatus::kOk;
  bool changed = false;
  std::string contents;
  std::string setAside;
};
ProfileRewrite RewriteProfileText(std::string_view contents,
                                  const std::vector<ProfileChange>& changes);

// The side file that receives the damaged lines of `fileName`: its name followed by ".damaged".
std::string DamagedLinesFileName(const std::string& fileName);

// True when `name`, with surrounding blanks removed, can be a section name (`isSection`) or an
// entry name: not empty, no line break or NUL; a section name holds no "]"; an entry name holds
// no "=" and does not start with ";", "#" or "[".
bool IsValidProfileName(std::string_view name, bool isSection);

// What MakeOwnerOnly found and did.
enum class OwnerOnlyStatus {
  kAlready,   // only the owner could read or write the file already
  kNarrowed,  // group or other users had rights; they are removed now
  kMissing,   // there is no such file (a new one is created owner-only)
  kRefused,   // the rights could not be changed (another user owns the file, ...)
};

// Makes `fileName` readable and writable by its owner only (mode 0600, execute and all group
// and other rights removed), as a file that holds a password must be. A symbolic link is
// followed. Thread: any.
OwnerOnlyStatus MakeOwnerOnly(const std::string& fileName);

// The current working directory as an absolute path without a trailing "/" (the short form of
// the directory: this platform has no other). Empty when it cannot be determined.
std::string ShortCurrentDirectory();

}  // namespace kv
