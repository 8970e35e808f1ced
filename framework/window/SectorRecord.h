#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// One registered sector of the settings file: a family (one per kind of owner, for example a
// browse's saved queries), an item within it (kept in its escaped form, see EscapeSectorItem)
// and a type ("Query"). Each field holds at most kSectorFieldMax bytes. Records order by
// (FAMILY, ITEM, TYPE), comparing bytes.
struct SectorRecord {
  std::string FAMILY;
  std::string ITEM;
  std::string TYPE;

  friend auto operator<=>(const SectorRecord&, const SectorRecord&) = default;
  friend bool operator==(const SectorRecord&, const SectorRecord&) = default;
};

inline constexpr std::size_t kSectorFieldMax = 99;     // bytes of one SectorRecord field
inline constexpr std::size_t kSectorEscapeMax = 1024;  // bytes of an escaped or unescaped item

// Sector strings join the three parts as FAMILY "$" escaped-ITEM "$$" TYPE. Escaping turns each
// "$" of the item into "$$$", so a "$$" that is not followed by a further "$" can only be the
// separator before the type.
//
// The item with every "$" turned into "$$$", at most kSectorEscapeMax bytes: when longer, the
// result is cut at a whole character and never inside a "$$$".
std::string EscapeSectorItem(std::string_view item);

// The escaped item with every "$$$" turned back into "$", at most kSectorEscapeMax bytes.
std::string UnescapeSectorItem(std::string_view escaped);

// family & "$" & EscapeSectorItem(item) & "$$" & type.
std::string BuildSectorString(std::string_view family, std::string_view item,
                              std::string_view type);

// Takes a sector string apart: FAMILY is the text before the first "$"; the (escaped) item runs
// to the first "$$" that is not followed by a further "$", reading from left to right with each
// "$$$" taken as one escaped "$"; TYPE is the text after that "$$".
// A string without "$" is all FAMILY; without the separator the rest is all ITEM. Fields are
// cut to kSectorFieldMax bytes. A type that itself starts with "$" cannot be told apart from the
// item and is not supported.
SectorRecord ParseSectorString(std::string_view sector);

}  // namespace kv
