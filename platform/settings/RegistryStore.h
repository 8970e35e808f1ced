#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/settings/ProfileFile.h"

namespace kv {

// A per-user store of named text values under hierarchical keys, addressed by a root number and
// a key path whose components are separated by "\" ("Software\Korvandel\BrowseArticulos").
//
// Where it lives: one settings file per root,
//   <config>/korvandel/registry/<root as 8 hexadecimal digits>.ini
// where <config> is $XDG_CONFIG_HOME when it is set to an absolute path, else $HOME/.config.
// Each key is a section of that file named by the key path; each value is an entry. Directories
// are created on the first write with mode 0700 and files with mode 0600.
//
// Key paths compare without regard to ASCII letter case; empty components and "\" at either
// end are ignored ("\A\\B\" is the key "A\B"). Writes reach the file at once and are safe
// across threads and processes (see ProfileFile.h). Thread: any.

// Root 0 is not a root of its own: it stands for this one.
constexpr std::uint32_t kDefaultRegistryRoot = 0x80000000u;

// The directory that holds the roots' files ("<config>/korvandel/registry"); empty when neither
// $XDG_CONFIG_HOME nor a home directory can be found.
std::string RegistryDirectory();

// The file that holds `root` (0 replaced by kDefaultRegistryRoot); empty as above.
std::string RegistryFilePath(std::uint32_t root);

// The value `name` under `keyPath`, or nullopt when the key or value is missing or the key path
// or name cannot be stored (see IsValidProfileName: a key path holds no "]").
std::optional<std::string> RegistryGetValue(std::uint32_t root, std::string_view keyPath,
                                            std::string_view name);

// Stores `value` as `name` under `keyPath`, creating the key. kInvalidName for an empty key
// path or an unstorable name, kInvalidValue for a line break, kIoError when no directory can
// be found or written.
[[nodiscard]] ProfileStatus RegistrySetValue(std::uint32_t root, std::string_view keyPath,
                                             std::string_view name, std::string_view value);

// Removes the value `name` under `keyPath`; a missing one is not an error.
[[nodiscard]] ProfileStatus RegistryDeleteValue(std::uint32_t root, std::string_view keyPath,
                                                std::string_view name);

// The key path with empty components removed, as stored ("\A\\B\" gives "A\B").
std::string NormaliseRegistryKeyPath(std::string_view keyPath);

}  // namespace kv
