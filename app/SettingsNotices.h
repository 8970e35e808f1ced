#pragma once

#include <string>

#include "platform/settings/ProfileFile.h"

namespace kv {

// What the program tells the user about its settings file "Korvandel.INI", through
// GlobalErrors (so the messages are logged and kept in the error history like any other). None
// of them ever shows a value from the file. Thread: any logical thread; call without holding a
// critical section.

// The settings file cannot be written at all (a read-only file or folder, a full disk): window
// positions and connection entries will not be kept. Told once per run of the program, however
// many writes fail; later calls show nothing.
void TellSettingsNotSaved(const std::string& file);

// The settings file now holds the remembered password: says so when its rights had to be
// narrowed to its owner (kNarrowed), or warns when they could not be (kRefused). Other
// statuses show nothing.
void TellPasswordFileRights(const std::string& file, OwnerOnlyStatus status);

// The messages' titles.
inline constexpr const char* kSettingsNotSavedTitle = "Settings Not Saved";
inline constexpr const char* kPasswordFileTitle = "Settings File Rights";

}  // namespace kv
